// The splice message of one splice (see splicemsg.h).
#include "splice/splicemsg.h"

#include <cJSON.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "net/location.h"
#include "params/param_tables.h"
#include "platform/seam.h"

namespace
{
std::atomic<unsigned> g_serialNum{0};

double round_to(double v, double step)
{
    if (!std::isfinite(v)) return 0;
    return std::round(v / step) * step;
}
} // namespace

std::string initJsonStringOfSplicePara(const SPLICE_INFORMATION* info, unsigned serialNum)
{
    if (!info) return {};
    char when[64] = "";
    struct tm t {
    };
    if (plat_localtime(plat_time(), &t))
        std::snprintf(when, sizeof when, "%d-%02d-%02d %02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                      t.tm_hour, t.tm_min);
    MachineParameter m{};
    TABLEUSERINFO user{};
    const bool haveMachine = GetTable_MachinePar(&m) == 0, haveUser = GetTable_UserInfo(&user) == 0;
    uint32_t volt = 0;
    int battery = GetBatteryVoltage(&volt) == 0 ? GetBatteryBlockCount(volt) * 10 : 0;

    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "module", "tarn8+");
    cJSON_AddNumberToObject(o, "serial_num", serialNum);
    cJSON_AddStringToObject(o, "splice_time", when);
    const char* name = info->CurrentSplice.szModeName;
    cJSON_AddStringToObject(o, "splice_mode", std::string(name, strnlen(name, 8)).c_str());
    cJSON_AddNumberToObject(o, "ele_expire",
                            haveMachine && haveUser && user.dwCurArcCount > m.dwElecLimitCount ? 1 : 0);
    cJSON_AddNumberToObject(o, "battery", battery);
    cJSON_AddNumberToObject(o, "GPS", locationBaseServiceGetGPS());
    cJSON_AddNumberToObject(o, "longitude", locationBaseServiceGetLongitude());
    cJSON_AddNumberToObject(o, "latitude", locationBaseServiceGetLatitude());
    cJSON_AddNumberToObject(o, "cur_arc_cnt", haveUser ? user.dwCurArcCount : 0);
    cJSON_AddNumberToObject(o, "total_arc_cnt", haveUser ? user.dwTotalArcCount : 0);
    cJSON* f = cJSON_AddObjectToObject(o, "fiber_1");
    cJSON_AddNumberToObject(f, "err", info->iSpliceSuccessFlag < 1 ? 1 : 0);
    cJSON_AddNumberToObject(f, "loss",
                            info->iEstimateLossFlag ? round_to(info->fEstimateLossValue, 0.01) : 1.27);
    cJSON_AddNumberToObject(f, "left_angle", round_to(info->fLeftCleaveAngle, 0.1));
    cJSON_AddNumberToObject(f, "right_angle", round_to(info->fRightCleaveAngle, 0.1));
    char* p = cJSON_PrintUnformatted(o);
    std::string r = p ? p : "";
    cJSON_free(p);
    cJSON_Delete(o);
    return r;
}

int QueueSpliceMessage()
{
    std::string msg = initJsonStringOfSplicePara(GetCurrentInformation(), g_serialNum++);
    return msg.empty() ? -1 : locationBaseServiceAppendSplicePara(msg);
}
