// Lines from the 4G/GPS module: accumulation and the prefix parser (see atlines.h).
#include "net/atlines.h"

#include <cJSON.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "net/module4g.h"

std::vector<std::string> LineAccumulator::feed(std::string_view data)
{
    std::vector<std::string> out;
    for (char c : data) {
        if (c == '\r' || c == '\n') {
            if (overlong_)
                std::printf("serial line longer than %zu bytes dropped\r\n", AT_LINE_MAX);
            else if (!part_.empty())
                out.push_back(part_);
            part_.clear();
            overlong_ = false;
        } else if (overlong_) {
            continue;
        } else if (part_.size() >= AT_LINE_MAX) {
            part_.clear();
            overlong_ = true;
        } else {
            part_.push_back(c);
        }
    }
    return out;
}

void LineAccumulator::reset()
{
    part_.clear();
    overlong_ = false;
}

bool ModuleTimeValid(int year, int month, int day, int hour, int minute)
{
    if (year < 2018 || year > 2035 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59)
        return false;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

namespace
{

struct Json {
    cJSON* j = nullptr;
    ~Json() { cJSON_Delete(j); }
};

// Parses a payload; prints the parser's position on failure.
bool parse_json(std::string_view payload, Json& out)
{
    const char* end = nullptr;
    out.j = cJSON_ParseWithLengthOpts(payload.data(), payload.size(), &end, false);
    if (cJSON_IsObject(out.j)) return true;
    size_t at = end && end >= payload.data() ? size_t(end - payload.data()) : 0;
    std::string rest(payload.substr(std::min(at, payload.size())));
    std::printf("Error before: [%s]\n", out.j ? "not an object" : rest.c_str());
    return false;
}

// A number item: false (logged) when present with another type; `present` says whether it was there.
bool number(const cJSON* o, const char* key, double* v, bool* present = nullptr)
{
    const cJSON* it = cJSON_GetObjectItemCaseSensitive(o, key);
    if (present) *present = it != nullptr;
    if (!it) return false;
    if (!cJSON_IsNumber(it) || !std::isfinite(it->valuedouble)) {
        std::printf("4G: item \"%s\" is not a number\r\n", key);
        return false;
    }
    *v = it->valuedouble;
    return true;
}

int clamp_int(double v)
{
    if (v < -1e9) return -1000000000;
    if (v > 1e9) return 1000000000;
    return int(v);
}

// An integer item clamped into an int; `def` when missing or of another type.
int integer(const cJSON* o, const char* key, int def)
{
    double v;
    return number(o, key, &v) ? clamp_int(v) : def;
}

// Copies a string item into `dst` (bounded); false (logged) when missing or not a string.
bool text(const cJSON* o, const char* key, char* dst, size_t size)
{
    const cJSON* it = cJSON_GetObjectItemCaseSensitive(o, key);
    if (!cJSON_IsString(it) || !it->valuestring) {
        std::printf("4G: item \"%s\" missing or not a string\r\n", key);
        return false;
    }
    std::snprintf(dst, size, "%s", it->valuestring);
    return true;
}

// The position changes only to a value that is not zero.
void position(const cJSON* o, float* lon, float* lat)
{
    double v;
    if (number(o, "longitude", &v) && std::fabs(v) > 0.0000001 && std::fabs(v) <= 180) *lon = float(v);
    if (number(o, "latitude", &v) && std::fabs(v) > 0.0000001 && std::fabs(v) <= 90) *lat = float(v);
}

int signal_level(int csq)
{
    if (csq <= 0) return 0;
    if (csq <= 8) return 1;
    if (csq <= 16) return 2;
    if (csq <= 24) return 3;
    return 4;
}

void wake_command(LocationBaseService* s, int ret)
{
    s->cmdRet = ret;
    std::printf("_this->cmdRet %d\r\n", ret);
    s->cmdSem.post();
}

int on_gpgsv(LocationBaseService* s, const cJSON* j)
{
    PlatLock lk(s->stateMtx);
    MODULE_4G& m = s->module4G;
    double v;
    m.gpgsvLongitude = number(j, "longitude", &v) ? float(v) : 0.0f;
    m.gpgsvLatitude = number(j, "latitude", &v) ? float(v) : 0.0f;
    m.satelliteNum = integer(j, "satellite_num", 0);
    const char* snr[4] = {"snr0", "snr1", "snr2", "snr3"};
    for (int i = 0; i < 4; ++i)
        m.snr[i] = integer(j, snr[i], 0);
    return 0;
}

int on_signal(LocationBaseService* s, const cJSON* j)
{
    PlatLock lk(s->stateMtx);
    MODULE_4G& m = s->module4G;
    double v;
    if (number(j, "SIM", &v)) m.SIM = v >= 1 ? 1 : 0;
    if (number(j, "GPS", &v)) m.GPS = clamp_int(v);
    if (number(j, "CSQ", &v)) m.signalLevel = signal_level(clamp_int(v));
    if (number(j, "4G", &v)) m.online4G = v >= 1 ? 1 : 0;
    position(j, &m.longitude, &m.latitude);
    return 0;
}

int on_time(LocationBaseService* s, const cJSON* j)
{
    double y, mo, d, h, mi;
    if (!number(j, "year", &y) || !number(j, "month", &mo) || !number(j, "day", &d) ||
        !number(j, "hour", &h) || !number(j, "minute", &mi)) {
        std::printf("AT+TIME: incomplete time refused\r\n");
        return -1;
    }
    int year = clamp_int(y), month = clamp_int(mo), day = clamp_int(d), hour = clamp_int(h),
        minute = clamp_int(mi);
    if (!ModuleTimeValid(year, month, day, hour, minute)) {
        std::printf("AT+TIME: time out of range refused (%d-%d-%d %d:%d)\r\n", year, month, day, hour,
                    minute);
        return -1;
    }
    struct tm t {
    };
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return s->setClock ? s->setClock(t) : -1;
}

int on_bind(LocationBaseService* s, std::string_view payload)
{
    if (payload.size() > BIND_REQUEST_MAX || BuildBindResponse(payload, "accept").empty()) {
        std::printf("AT+BIND: bind request refused\r\n");
        return -1;
    }
    PlatLock lk(s->stateMtx);
    s->bindRequest.assign(payload);
    s->bindFlag = true;
    return 0;
}

} // namespace

bool SpliceAnswerIsAck(std::string_view payload)
{
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    for (size_t at = payload.find("ACK"); at != std::string_view::npos; at = payload.find("ACK", at + 1)) {
        const bool before = at > 0 && letter(payload[at - 1]);
        const bool after = at + 3 < payload.size() && letter(payload[at + 3]);
        if (!before && !after) return true;
    }
    return false;
}

std::string BuildBindResponse(std::string_view request, const char* bind)
{
    Json in;
    in.j = cJSON_ParseWithLength(request.data(), request.size());
    if (!cJSON_IsObject(in.j) || !cJSON_GetObjectItemCaseSensitive(in.j, "bind")) return {};
    Json out;
    out.j = cJSON_CreateObject();
    int items = 0;
    for (const cJSON* it = in.j->child; it && items < 16; it = it->next) {
        if (!it->string || std::strlen(it->string) > 32 ||
            cJSON_GetObjectItemCaseSensitive(out.j, it->string))
            continue;
        if (std::strcmp(it->string, "bind") == 0) {
            cJSON_AddStringToObject(out.j, "bind", bind);
        } else if (cJSON_IsString(it) && std::strlen(it->valuestring) <= 128) {
            cJSON_AddStringToObject(out.j, it->string, it->valuestring);
        } else if (cJSON_IsNumber(it) && std::isfinite(it->valuedouble)) {
            cJSON_AddNumberToObject(out.j, it->string, it->valuedouble);
        } else {
            continue;
        }
        ++items;
    }
    char* p = cJSON_PrintUnformatted(out.j);
    std::string r = p ? p : "";
    cJSON_free(p);
    return r;
}

int ParseModuleLine(LocationBaseService* s, std::string_view line)
{
    static const char* const kPrefix[] = {
        "AT+IMEI=", "AT+GPGSV=", "AT+APN=",      "AT+SYSTEM=",    "AT+SIGNAL=",     "AT+MCU_VERSION=",
        "AT+BIND=", "AT+TIME=",  "AT+APNQUERY=", "AT+USER_INFO=", "AT+CHANGE_USER="};
    int which = -1;
    std::string_view payload;
    for (int i = 0; i < int(std::size(kPrefix)) && which < 0; ++i) {
        size_t at = line.find(kPrefix[i]);
        if (at == std::string_view::npos) continue;
        which = i;
        payload = line.substr(at + std::strlen(kPrefix[i]));
    }
    auto has = [&](std::string_view w) { return payload.find(w) != std::string_view::npos; };
    Json j;
    switch (which) {
    case 0: {
        if (has("123456789012345") || payload.size() < 15) return -1;
        PlatLock lk(s->stateMtx);
        std::snprintf(s->module4G.IMEI, sizeof s->module4G.IMEI, "%.15s", std::string(payload).c_str());
        std::printf("_this->module4G.IMEI %s\r\n", s->module4G.IMEI);
        return 0;
    }
    case 1:
        return parse_json(payload, j) ? on_gpgsv(s, j.j) : -1;
    case 2:
        wake_command(s, has("ACK") ? 0 : 1);
        return 0;
    case 3:
        s->sysAck = SpliceAnswerIsAck(payload) ? 1 : 0;
        s->sysSem.post();
        return 0;
    case 4:
        return parse_json(payload, j) ? on_signal(s, j.j) : -1;
    case 5: {
        PlatLock lk(s->stateMtx);
        std::snprintf(s->module4G.mcuVersion, sizeof s->module4G.mcuVersion, "%.10s",
                      std::string(payload).c_str());
        std::printf("_this->module4G.mcuVersion %s\r\n", s->module4G.mcuVersion);
        return 0;
    }
    case 6:
        return on_bind(s, payload);
    case 7:
        return parse_json(payload, j) ? on_time(s, j.j) : -1;
    case 8: {
        if (!parse_json(payload, j)) return -1;
        PlatLock lk(s->stateMtx);
        MODULE_4G& m = s->module4G;
        if (text(j.j, "used_apn", m.usedApn, sizeof m.usedApn))
            std::printf("used_apn        = %s \r\n", m.usedApn);
        if (text(j.j, "used_operator", m.usedOperator, sizeof m.usedOperator))
            std::printf("used_operator   = %s \r\n", m.usedOperator);
        return 0;
    }
    case 9: {
        if (!parse_json(payload, j)) return -1;
        PlatLock lk(s->stateMtx);
        MODULE_4G& m = s->module4G;
        text(j.j, "user_id", m.userId, sizeof m.userId);
        text(j.j, "user_name", m.userName, sizeof m.userName);
        text(j.j, "country", m.country, sizeof m.country);
        text(j.j, "company", m.company, sizeof m.company);
        s->userInfoOK = 1;
        return 0;
    }
    case 10: {
        // Refused unless the answer says so plainly: a response "ACK" (or true) and err_code 0.
        int ret = 1;
        if (parse_json(payload, j)) {
            const cJSON* r = cJSON_GetObjectItemCaseSensitive(j.j, "response");
            double err = 1;
            bool haveErr = number(j.j, "err_code", &err);
            bool ok = (cJSON_IsTrue(r) ||
                       (cJSON_IsString(r) && (std::strcmp(r->valuestring, "ACK") == 0 ||
                                              std::strcmp(r->valuestring, "OK") == 0)) ||
                       (cJSON_IsNumber(r) && r->valuedouble == 0)) &&
                      haveErr && err == 0;
            ret = ok ? 0 : (err != 0 ? clamp_int(err) : 1);
        }
        wake_command(s, ret);
        return 0;
    }
    default:
        std::printf("Unknow Command!\r");
        return -1;
    }
}
