// The location service's kept values: getters for the screens, the APN settings file and the
// stored position.
#include <cJSON.h>
#include <fcntl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "net/location.h"
#include "net/module4g.h"
#include "params/param_store.h"

namespace
{

constexpr const char* kApnFile = "/mnt/4GSetting.json";
constexpr const char* kGpsFile = "/mnt/gpsStore.json";

template <class T> T get(T MODULE_4G::*field)
{
    LocationBaseService* s = locationBaseServiceObject();
    PlatLock lk(s->stateMtx);
    return s->module4G.*field;
}

template <size_t N> int copy_text(char (MODULE_4G::*field)[N], char* buf, size_t size, int none)
{
    if (!buf || size == 0) return none;
    LocationBaseService* s = locationBaseServiceObject();
    PlatLock lk(s->stateMtx);
    std::snprintf(buf, size, "%s", s->module4G.*field);
    return 0;
}

// A small flash file read whole (at most `cap` bytes).
bool read_text(const char* path, std::string* out, size_t cap)
{
    int fd = plat_open(path, O_RDONLY);
    if (fd < 0) return false;
    char buf[256];
    bool ok = true;
    out->clear();
    for (ssize_t n; (n = plat_read(fd, buf, sizeof buf)) != 0;) {
        if (n < 0 || out->size() + size_t(n) > cap) {
            ok = false;
            break;
        }
        out->append(buf, size_t(n));
    }
    plat_close(fd);
    return ok;
}

bool string_item(const cJSON* o, const char* key, char* dst, size_t size)
{
    const cJSON* it = cJSON_GetObjectItemCaseSensitive(o, key);
    if (!cJSON_IsString(it) || !it->valuestring || std::strlen(it->valuestring) >= size) return false;
    std::snprintf(dst, size, "%s", it->valuestring);
    return true;
}

int store_position()
{
    LocationBaseService* s = locationBaseServiceObject();
    char buf[96];
    int n;
    {
        PlatLock lk(s->stateMtx);
        n = std::snprintf(buf, sizeof buf, "{\"longitude\":%.7f,\"latitude\":%.7f}", s->module4G.longitude,
                          s->module4G.latitude);
    }
    return ParamFileReplace(kGpsFile, buf, size_t(n));
}

} // namespace

int locationBaseServiceSetOnOff(int on)
{
    locationBaseServiceObject()->serviceOn = on ? 1 : 0;
    return 0;
}

int locationBaseServiceSendArmPowerStatus(int on)
{
    if (!on && store_position() != 0) std::printf("gpsStore.json not stored\r\n");
    return locationBaseServiceSendLine(on ? "AT+ARMPOWER=ON" : "AT+ARMPOWER=OFF");
}

int LoadStoredPosition()
{
    std::string text;
    if (!read_text(kGpsFile, &text, 256)) return -1;
    cJSON* j = cJSON_ParseWithLength(text.data(), text.size());
    const cJSON* lon = cJSON_GetObjectItemCaseSensitive(j, "longitude");
    const cJSON* lat = cJSON_GetObjectItemCaseSensitive(j, "latitude");
    int r = -1;
    if (cJSON_IsNumber(lon) && cJSON_IsNumber(lat) && std::fabs(lon->valuedouble) <= 180 &&
        std::fabs(lat->valuedouble) <= 90) {
        LocationBaseService* s = locationBaseServiceObject();
        PlatLock lk(s->stateMtx);
        if (std::fabs(lon->valuedouble) > 0.0000001) s->module4G.longitude = float(lon->valuedouble);
        if (std::fabs(lat->valuedouble) > 0.0000001) s->module4G.latitude = float(lat->valuedouble);
        r = 0;
    } else {
        std::printf("gpsStore.json damaged, ignored\r\n");
    }
    cJSON_Delete(j);
    return r;
}

int locationBaseServiceSave4GSettingParaToJson(const APN_SETTING* set)
{
    if (!set) return -1;
    cJSON* o = cJSON_CreateObject();
    auto add = [&](const char* key, const char* v, size_t n) {
        cJSON_AddStringToObject(o, key, std::string(v, strnlen(v, n)).c_str());
    };
    add("apn", set->apn, sizeof set->apn);
    add("operator", set->operator_, sizeof set->operator_);
    add("user_name", set->user_name, sizeof set->user_name);
    add("password", set->password, sizeof set->password);
    char* p = cJSON_PrintUnformatted(o);
    int r = p ? ParamFileReplace(kApnFile, p, std::strlen(p)) : -1;
    cJSON_free(p);
    cJSON_Delete(o);
    return r;
}

int locationBaseServiceGet4GSettingParaFromJson(APN_SETTING* set)
{
    std::string text;
    if (!set || !read_text(kApnFile, &text, 500)) return -1;
    cJSON* j = cJSON_ParseWithLength(text.data(), text.size());
    APN_SETTING got{};
    bool ok = cJSON_IsObject(j) && string_item(j, "apn", got.apn, sizeof got.apn) &&
              string_item(j, "operator", got.operator_, sizeof got.operator_) &&
              string_item(j, "user_name", got.user_name, sizeof got.user_name) &&
              string_item(j, "password", got.password, sizeof got.password);
    cJSON_Delete(j);
    if (!ok) {
        std::printf("4GSetting.json incomplete, not used\r\n");
        return -1;
    }
    *set = got;
    return 0;
}

int locationBaseServiceQueryBindRequest()
{
    LocationBaseService* s = locationBaseServiceObject();
    PlatLock lk(s->stateMtx);
    return s->bindFlag ? 1 : 0;
}

int locationBaseServiceResetBindRequest()
{
    LocationBaseService* s = locationBaseServiceObject();
    PlatLock lk(s->stateMtx);
    s->bindFlag = false;
    return 0;
}

int locationBaseServiceGetErrCode()
{
    return locationBaseServiceObject()->cmdRet;
}
int locationBaseServiceGetUserInfoIfGetOK()
{
    return locationBaseServiceObject()->userInfoOK;
}
int locationBaseServiceSetUserInfoIfGetOK(int ok)
{
    locationBaseServiceObject()->userInfoOK = ok;
    return 0;
}
void locationBaseServiceSetUpdateRunning(int running)
{
    locationBaseServiceObject()->updateRunning = running != 0;
}

int locationBaseServiceGetSIM()
{
    return get(&MODULE_4G::SIM);
}
int locationBaseServiceGetGPS()
{
    return get(&MODULE_4G::GPS);
}
int locationBaseServiceGetSignalLevel()
{
    return get(&MODULE_4G::signalLevel);
}
int locationBaseServiceGet4G()
{
    return get(&MODULE_4G::online4G);
}
float locationBaseServiceGetLongitude()
{
    return get(&MODULE_4G::longitude);
}
float locationBaseServiceGetLatitude()
{
    return get(&MODULE_4G::latitude);
}
float locationBaseServiceGetGPGSVLongitude()
{
    return get(&MODULE_4G::gpgsvLongitude);
}
float locationBaseServiceGetGPGSVLatitude()
{
    return get(&MODULE_4G::gpgsvLatitude);
}
int locationBaseServiceGetSatelliteNum()
{
    return get(&MODULE_4G::satelliteNum);
}
int locationBaseServiceGetSNR(int i)
{
    if (i < 0 || i > 3) return 0;
    LocationBaseService* s = locationBaseServiceObject();
    PlatLock lk(s->stateMtx);
    return s->module4G.snr[i];
}

int locationBaseServiceGetAPN(char* b, size_t n)
{
    return copy_text(&MODULE_4G::usedApn, b, n, 1);
}
int locationBaseServiceGetOperator(char* b, size_t n)
{
    return copy_text(&MODULE_4G::usedOperator, b, n, 1);
}
int locationBaseServiceGetUserId(char* b, size_t n)
{
    return copy_text(&MODULE_4G::userId, b, n, 1);
}
int locationBaseServiceGetUserName(char* b, size_t n)
{
    return copy_text(&MODULE_4G::userName, b, n, 1);
}
int locationBaseServiceGetCountry(char* b, size_t n)
{
    return copy_text(&MODULE_4G::country, b, n, 1);
}
int locationBaseServiceGetCompany(char* b, size_t n)
{
    return copy_text(&MODULE_4G::company, b, n, 1);
}
int locationBaseServiceGetIMEI(char* b, size_t n)
{
    return copy_text(&MODULE_4G::IMEI, b, n, -1);
}
int locationBaseServiceGetMCUVersion(char* b, size_t n)
{
    return copy_text(&MODULE_4G::mcuVersion, b, n, -1);
}
