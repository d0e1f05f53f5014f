// The commands of the location service: each line written whole under the port mutex.
#include <cJSON.h>
#include <fcntl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "net/location.h"
#include "net/machine_serial.h"
#include "net/module4g.h"
#include "params/param_tables.h"

namespace
{

constexpr const char* kModel = "tarn8+";
constexpr const char* kVersion = "1.19";

} // namespace

int locationBaseServiceSendLine(std::string_view cmd)
{
    LocationBaseService* s = locationBaseServiceObject();
    std::string line(cmd);
    PlatLock lk(s->portMtx);
    int fd = s->fd;
    if (fd < 0) return -1;
    std::printf("ttySend is %s\r\n", line.c_str());
    line += '\r';
    for (size_t done = 0; done < line.size();) {
        ssize_t n = plat_write(fd, line.data() + done, line.size() - done);
        if (n <= 0) {
            std::printf("ttySend failed\r\n");
            return -1;
        }
        done += size_t(n);
    }
    return 0;
}

namespace
{

int send_line(std::string_view cmd)
{
    return locationBaseServiceSendLine(cmd);
}

// A command whose answer a caller waits for: answers to earlier commands are dropped first.
int send_answered(std::string_view cmd)
{
    LocationBaseService* s = locationBaseServiceObject();
    while (s->cmdSem.try_wait()) {
    }
    s->cmdRet = 1;
    return send_line(cmd);
}

std::string print(cJSON* o)
{
    char* p = cJSON_PrintUnformatted(o);
    std::string r = p ? p : "";
    cJSON_free(p);
    cJSON_Delete(o);
    return r;
}

} // namespace

int locationBaseServiceSendOnOff(int on)
{
    locationBaseServiceSetOnOff(on);
    return send_line(on ? "AT+MODULE=ON" : "AT+MODULE=OFF");
}

int locationBaseServiceSendMachine()
{
    return send_line(std::string("AT+MACHINE=") + kModel + "@" + kVersion);
}

int locationBaseServiceSendSysBoot()
{
    return send_line("AT+SYSBOOT");
}
int locationBaseServiceSendRestoreNetwork()
{
    return send_line("AT+RESTORE");
}

int locationBaseServiceSendMachnieSN()
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0) return -1;
    char buf[40];
    std::snprintf(buf, sizeof buf, "AT+SN=%s", MachineSerialDigits(m).c_str());
    return send_line(buf);
}

int locationBaseServiceSendSplicePara(std::string_view message)
{
    if (!locationBaseServiceObject()->serviceOn) return -1;
    if (message.find_first_of("\r\n") != std::string_view::npos) return -1;
    return send_line(std::string("AT+SYSTEM=") + std::string(message));
}

int locationBaseServiceSend4GSettingPara()
{
    // The file is re-printed as one line: nothing in it can end the command early.
    APN_SETTING set;
    if (locationBaseServiceGet4GSettingParaFromJson(&set) != 0) return -1;
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "apn", set.apn);
    cJSON_AddStringToObject(o, "operator", set.operator_);
    cJSON_AddStringToObject(o, "user_name", set.user_name);
    cJSON_AddStringToObject(o, "password", set.password);
    std::string text = print(o);
    if (text.size() > 500) return -1;
    return send_answered("AT+APN=" + text);
}

int locationBaseServiceSendGpsOnOff(int on)
{
    return send_line(on ? "AT+GPSENABLE=ON" : "AT+GPSENABLE=OFF");
}
int locationBaseServiceSendQueryIMEI()
{
    return send_line("AT+IMEI?");
}
int locationBaseServiceSendQuerySignal()
{
    return send_line("AT+SIGNAL?");
}
int locationBaseServiceSendQueryMCUVersion()
{
    return send_line("AT+MCU_VERSION?");
}
int locationBaseServiceSendQueryGPGSV()
{
    return send_line("AT+GPGSV?");
}
int locationBaseServiceSendQueryCalendar()
{
    return send_line("AT+TIME?");
}
int locationBaseServiceSendQueryAPN()
{
    return send_line("AT+APNQUERY?");
}

int locationBaseServiceSendQueryUserInfo()
{
    return send_line("AT+USER_INFO={\"cmd_type\":\"get\",\"cmd_name\": \"user info\"}");
}

int locationBaseServiceSendChangeUserInfo(const char* userId, const char* password)
{
    if (!userId || !password) return -1;
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "cmd_type", "update");
    cJSON_AddStringToObject(o, "cmd_name", "change user");
    cJSON_AddStringToObject(o, "user_id", userId);
    cJSON_AddStringToObject(o, "password", password);
    return send_answered("AT+CHANGE_USER=" + print(o));
}

int locationBaseServiceSendBindResponse(int accept)
{
    LocationBaseService* s = locationBaseServiceObject();
    std::string request;
    {
        PlatLock lk(s->stateMtx);
        request = s->bindRequest;
    }
    std::string answer = BuildBindResponse(request, accept == 1 ? "accept" : "refuse");
    if (answer.empty()) return -1;
    return send_line("AT+BIND=" + answer);
}

int locationBaseServiceSendSystemInfo()
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0) return -1;
    auto date = [](uint32_t d, char* buf, size_t n) {
        std::snprintf(buf, n, "%d-%02d-%02d", int(d >> 20), int((d >> 16) & 0xF), int((d >> 11) & 0x1F));
    };
    char last[24], made[24];
    date(m.dwLastMaintDate, last, sizeof last);
    date(m.dwProduceDate, made, sizeof made);
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "cmd_type", "update");
    cJSON_AddStringToObject(o, "cmd_name", "system info");
    cJSON_AddStringToObject(o, "last_maintenance", last);
    cJSON_AddStringToObject(o, "production_data", made);
    return send_line("AT+SYSTEM_INFO=" + print(o));
}
