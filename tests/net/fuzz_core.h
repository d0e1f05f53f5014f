// One fuzz case of the serial line and the queue index: the input, cut into reads at the places
// it names, goes through the line accumulator and the parser; the same bytes, as an index file,
// go through the index check and the queue's start. Returns what went wrong ("" when nothing).
// Used by the seeded driver of the test run and by the libFuzzer target.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "net/atlines.h"
#include "net/module4g.h"
#include "net/resend.h"

namespace netfuzz
{

inline std::string run(const uint8_t* d, size_t n, const std::string& hostIndexPath)
{
    LocationBaseService s;
    static bool badClock;
    badClock = false;
    s.setClock = [](const struct tm& t) {
        badClock = badClock || t.tm_year + 1900 < 2018 || t.tm_year + 1900 > 2035 || t.tm_mon < 0 ||
                   t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59;
        return 0;
    };
    const char* text = reinterpret_cast<const char*>(d);
    // The first byte sets the read size (1..64), so lines are split at every possible place.
    size_t step = n ? size_t(d[0] % 64) + 1 : 1;
    for (size_t at = 0; at < n; at += step)
        for (const std::string& line : s.lines.feed(std::string_view(text + at, std::min(step, n - at)))) {
            if (line.size() > AT_LINE_MAX) return "overlong line passed";
            if (line.find_first_of("\r\n") != std::string::npos) return "line holds a line end";
            ParseModuleLine(&s, line);
        }
    if (badClock) return "clock set from a time out of range";
    if (std::strlen(s.module4G.IMEI) > 15 || std::strlen(s.module4G.mcuVersion) > 10)
        return "report copied past its size";
    if (s.module4G.signalLevel < 0 || s.module4G.signalLevel > 4) return "signal level out of range";
    if (s.bindFlag) {
        std::string answer = BuildBindResponse(s.bindRequest, "accept");
        if (answer.empty() || answer.find_first_of("\r\n") != std::string::npos) return "bind answer unsafe";
    }
    int f = -1, r = -1, u = -1;
    if (ParseQueueIndex(std::string_view(text, n), &f, &r, &u) &&
        (f < 0 || f >= RESEND_SLOTS || r < 0 || r >= RESEND_SLOTS || u < 0 || u > RESEND_SLOTS ||
         r != (f + u) % RESEND_SLOTS))
        return "index accepted out of range";
    {
        std::ofstream out(hostIndexPath, std::ios::binary | std::ios::trunc);
        out.write(text, std::streamsize(n));
    }
    ResendQueue q;
    ResendLoadIndex(q);
    if (q.front < 0 || q.front >= RESEND_SLOTS || q.curUsed < 0 || q.curUsed > RESEND_SLOTS ||
        q.rear != (q.front + q.curUsed) % RESEND_SLOTS)
        return "queue started out of range";
    return "";
}

} // namespace netfuzz
