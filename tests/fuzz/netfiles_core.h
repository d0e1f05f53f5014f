// One fuzz case of the network's stored files: the input holds files (the resend queue's index
// and message slots, the stored position, the 4G settings) as sections "<name byte><length,
// 2 bytes LE><bytes>". The queue is started from them and drained; every message handed out is a
// single line within its size and the indices stay in range; a new message then queues. The
// position and settings are read and must stay inside their fields. Used by the seeded driver of
// the test run and by the libFuzzer target.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "net/location.h"
#include "net/module4g.h"
#include "net/resend.h"
#include "platform/seam.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace netfilesfuzz
{

struct Bed {
    Bed()
    {
        sim::set_call_logging(false);
        plat_mkdir("/mnt/usr", 0755);
        plat_mkdir(RESEND_DIR, 0766);
    }
    sim::Testbed tb;
};

// Section names: 0 the index, 1 the position, 2 the settings, others a slot (name % 100).
inline std::string host_path(Bed& bed, uint8_t name)
{
    if (name == 0) return bed.tb.path(RESEND_INDEX);
    if (name == 1) return bed.tb.path("/mnt/gpsStore.json");
    if (name == 2) return bed.tb.path("/mnt/4GSetting.json");
    return bed.tb.path(ResendSlotPath(name % RESEND_SLOTS));
}

inline bool queue_sound(const ResendQueue& q)
{
    return q.front >= 0 && q.front < RESEND_SLOTS && q.curUsed >= 0 && q.curUsed <= RESEND_SLOTS &&
           q.rear == (q.front + q.curUsed) % RESEND_SLOTS;
}

inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    for (uint8_t name : {0, 1, 2})
        std::remove(host_path(bed, name).c_str());
    for (int i = 0; i < RESEND_SLOTS; ++i)
        std::remove(bed.tb.path(ResendSlotPath(i)).c_str());
    for (size_t at = 0; at + 3 <= n;) {
        const uint8_t name = d[at];
        const size_t len = std::min<size_t>(size_t(d[at + 1] | d[at + 2] << 8), n - at - 3);
        std::ofstream(host_path(bed, name), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(d + at + 3), std::streamsize(len));
        at += 3 + len;
    }

    ResendQueue q;
    ResendLoadIndex(q);
    if (!queue_sound(q)) return "queue started out of range";
    for (int k = 0; k <= RESEND_SLOTS && ResendCount(q) > 0; ++k) {
        const int before = ResendCount(q);
        int slot = -1;
        std::string msg;
        const int r = ResendFront(q, &slot, &msg);
        if (r == 0) {
            if (msg.empty() || msg.size() > RESEND_MSG_MAX || msg.find_first_of("\r\n") != std::string::npos)
                return "message handed out unfit to send";
            if (ResendAck(q, slot) != 0) return "front message not removed";
        }
        if (!queue_sound(q) || ResendCount(q) != before - 1) return "drain lost its place";
    }
    if (ResendCount(q) != 0) return "queue not drained";
    if (ResendAppend(q, "{\"fuzz\":1}") != 0 || ResendCount(q) != 1)
        return "queue refuses a message after the start";
    ResendQueue again;
    ResendLoadIndex(again);
    if (ResendCount(again) != 1) return "queued message lost at the next start";

    LoadStoredPosition();
    const LocationBaseService* s = locationBaseServiceObject();
    if (!(std::fabs(s->module4G.longitude) <= 180) || !(std::fabs(s->module4G.latitude) <= 90))
        return "position taken out of range";
    APN_SETTING set;
    std::memset(&set, 'z', sizeof set);
    if (locationBaseServiceGet4GSettingParaFromJson(&set) == 0)
        for (const char* f : {set.apn, set.operator_, set.user_name, set.password})
            if (!std::memchr(f, 0, 64)) return "setting copied without its end";
    return "";
}

} // namespace netfilesfuzz
