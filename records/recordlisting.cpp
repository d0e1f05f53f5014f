// JSON keys are the record's field names, plus "position" (1 = oldest), "slot" and "flags"
// (bit 0 in use, bit 1 images, bit 2 new); tools outside read them, so they only ever grow.
#include "records/recordlisting.h"

#include <cstdio>
#include <cstring>

#include "records/recordstore.h"

namespace
{

const char* fibre(int t)
{
    static const char* names[] = {"MM", "SM", "DS", "NZ", "G657", "unknown"};
    return t >= 0 && t < 6 ? names[t] : "?";
}

std::string bounded(const char* s, size_t max)
{
    return std::string(s, strnlen(s, max));
}

std::string json_string(const std::string& s)
{
    std::string o = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            o += '\\';
            o += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            o += b;
        } else {
            o += char(c);
        }
    }
    return o + "\"";
}

std::string text(const std::string& s)
{
    std::string o;
    for (unsigned char c : s)
        o += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    return o;
}

std::string arc_json(const APPARC& a)
{
    char b[96];
    std::snprintf(b, sizeof b, "{\"bIntensOff\":%d,\"bTimeUnit\":%d,\"wTimeCount\":%d}", a.bIntensOff,
                  a.bTimeUnit, a.wTimeCount);
    return b;
}

std::string arc_text(const APPARC& a)
{
    char b[48];
    std::snprintf(b, sizeof b, "%d/%d%s", a.bIntensOff, a.wTimeCount, a.bTimeUnit ? "s" : "ms");
    return b;
}

std::string flags_text(int f)
{
    std::string s = (f & REC_FLAG_USED) ? "used" : "free";
    if (f & REC_FLAG_IMAGES) s += ",images";
    if (f & REC_FLAG_NEW) s += ",new";
    return s;
}

void add_json(std::string* out, int pos, int slot, int flags, const APPRECORD& r)
{
    char b[1024];
    std::snprintf(
        b, sizeof b,
        "{\"position\":%d,\"slot\":%d,\"flags\":%d,\"bLossValue\":%d,\"bCoreAngle\":%d,\"bLeftAngle\":%d,"
        "\"bRightAngle\":%d,\"bCladOff\":%d,\"bCoreOff\":%d,\"bLossLimit\":%d,\"bCleaveLimit\":%d,"
        "\"bKerfOff\":%d,\"bKerfGap\":%d,\"bKerfOverlap\":%d,",
        pos, slot, flags, r.bLossValue, r.bCoreAngle, r.bLeftAngle, r.bRightAngle, r.bCladOff, r.bCoreOff,
        r.bLossLimit, r.bCleaveLimit, r.bKerfOff, r.bKerfGap, r.bKerfOverlap);
    *out += b;
    *out += "\"ModeName\":" + json_string(bounded(r.ModeName, 7)) +
            ",\"arcPreheat\":" + arc_json(r.arcPreheat) + ",\"arcFuse\":" + arc_json(r.arcFuse) +
            ",\"arcSecond\":" + arc_json(r.arcSecond);
    std::snprintf(b, sizeof b, ",\"dwSpliceTime\":%u,\"bSplicePlace\":", r.dwSpliceTime);
    *out += b + json_string(bounded(r.bSplicePlace, sizeof r.bSplicePlace));
    std::snprintf(b, sizeof b,
                  ",\"bLeftFiberType\":%d,\"bRightFiberType\":%d,\"bSpliceType\":%d,\"bAlignType\":%d,"
                  "\"bModeIndex\":%d,\"bArcBright\":%d,\"bHeatCtrl\":%d,\"wHeatTemp\":%d,\"wHeatTime\":%d,",
                  r.bLeftFiberType, r.bRightFiberType, r.bSpliceType, r.bAlignType, r.bModeIndex,
                  r.bArcBright, r.bHeatCtrl, r.wHeatTemp, r.wHeatTime);
    *out += b;
    *out += "\"szHeatName\":" + json_string(bounded(r.szHeatName, 7));
    std::snprintf(b, sizeof b, ",\"dwSpliceNumber\":%u}", r.dwSpliceNumber);
    *out += b;
}

void add_text(std::string* out, int pos, int slot, int flags, const APPRECORD& r)
{
    int y, mo, d, h, mi;
    UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
    char loss[16];
    if (r.bLossValue == RECORD_NO_LOSS)
        std::snprintf(loss, sizeof loss, "X.XX");
    else
        std::snprintf(loss, sizeof loss, "%.2f", r.bLossValue * 0.01);
    char b[1024];
    std::snprintf(b, sizeof b,
                  "%5d  slot %4d  no. %u  %d-%02d-%02d %02d:%02d  mode %s  fibres %s/%s  loss %s dB  "
                  "cleave %.1f/%.1f  core angle %.1f  offset clad %.1f core %.1f um  arcs %s %s %s  "
                  "heater %d %s %dC %ds  flags %s\n",
                  pos, slot, r.dwSpliceNumber, y, mo, d, h, mi, text(bounded(r.ModeName, 7)).c_str(),
                  fibre(r.bLeftFiberType), fibre(r.bRightFiberType), loss, r.bLeftAngle * 0.1,
                  r.bRightAngle * 0.1, r.bCoreAngle * 0.1, r.bCladOff * 0.1, r.bCoreOff * 0.1,
                  arc_text(r.arcPreheat).c_str(), arc_text(r.arcFuse).c_str(), arc_text(r.arcSecond).c_str(),
                  r.bHeatCtrl, text(bounded(r.szHeatName, 7)).c_str(), r.wHeatTemp, r.wHeatTime,
                  flags_text(flags).c_str());
    *out += b;
}

} // namespace

int InspectRecordFile(const uint8_t* data, size_t len, bool json, std::string* out, std::string* faults)
{
    out->clear();
    faults->clear();
    RecordHeaderCheck c = CheckRecordHeader(data, std::min<size_t>(len, REC_HEADER_SIZE), int64_t(len));
    for (const auto& f : c.faults)
        *faults += f + "\n";
    if (json) *out += "[";
    if (!c.refused && !json) {
        char b[128];
        std::snprintf(b, sizeof b, "# %d records, oldest slot %d, newest slot %d\n", int(c.order.size()),
                      RecordU16(data + REC_OLDEST_OFF), RecordU16(data + REC_NEWEST_OFF));
        *out += b;
    }
    for (size_t i = 0; i < c.order.size(); ++i) {
        int slot = c.order[i];
        APPRECORD r; // the check only lists slots that lie in the file
        std::memcpy(&r, data + RecordSlotOffset(slot), RECORD_SIZE);
        int flags = data[REC_FLAGS_OFF + slot];
        if (json) {
            if (i) *out += ",\n";
            add_json(out, int(i + 1), slot, flags, r);
        } else {
            add_text(out, int(i + 1), slot, flags, r);
        }
    }
    if (json) *out += "]\n";
    return c.faults.empty() ? 0 : 1;
}
