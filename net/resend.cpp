// The resend queue of splice messages and its index file (see resend.h).
#include "net/resend.h"

#include <cJSON.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "params/param_store.h"
#include "platform/seam.h"

std::string ResendSlotPath(int i)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s/resend_%02d.json", RESEND_DIR, i);
    return buf;
}

namespace
{

bool int_item(const cJSON* obj, const char* key, int lo, int hi, int* out)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!cJSON_IsNumber(v) || !std::isfinite(v->valuedouble)) return false;
    double d = v->valuedouble;
    if (d != std::floor(d) || d < lo || d > hi) return false;
    *out = int(d);
    return true;
}

// Reads a whole small file; false when missing, unreadable or longer than `cap`.
bool read_small(const std::string& path, std::string* out, size_t cap)
{
    int fd = plat_open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    out->clear();
    char buf[512];
    bool ok = true;
    for (;;) {
        ssize_t n = plat_read(fd, buf, sizeof buf);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (out->size() + size_t(n) > cap) {
            ok = false;
            break;
        }
        out->append(buf, size_t(n));
    }
    plat_close(fd);
    return ok;
}

int store_index(int front, int rear, int used)
{
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "{\"front\":%d,\"rear\":%d,\"curUsed\":%d}", front, rear, used);
    if (ParamFileReplace(RESEND_INDEX, buf, size_t(n)) != 0) {
        std::printf("resend queue: index not stored\r\n");
        return -1;
    }
    return 0;
}

bool slot_present(int i)
{
    struct stat st;
    return plat_stat(ResendSlotPath(i).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

bool ParseQueueIndex(std::string_view text, int* front, int* rear, int* curUsed)
{
    cJSON* j = cJSON_ParseWithLength(text.data(), text.size());
    int f = 0, r = 0, u = 0;
    bool ok = cJSON_IsObject(j) && int_item(j, "front", 0, RESEND_SLOTS - 1, &f) &&
              int_item(j, "rear", 0, RESEND_SLOTS - 1, &r) && int_item(j, "curUsed", 0, RESEND_SLOTS, &u) &&
              r == (f + u) % RESEND_SLOTS;
    cJSON_Delete(j);
    if (!ok) return false;
    *front = f;
    *rear = r;
    *curUsed = u;
    return true;
}

int ResendLoadIndex(ResendQueue& q)
{
    PlatLock lk(q.queueMtx);
    q.front = q.rear = q.curUsed = 0;
    std::string text;
    struct stat st;
    if (plat_stat(RESEND_INDEX, &st) != 0 && errno == ENOENT) return 0;
    if (read_small(RESEND_INDEX, &text, 256) && ParseQueueIndex(text, &q.front, &q.rear, &q.curUsed))
        return 0;
    // Damaged: the queued messages are the longest run of consecutive slot files.
    bool present[RESEND_SLOTS];
    int count = 0;
    for (int i = 0; i < RESEND_SLOTS; ++i)
        count += (present[i] = slot_present(i)) ? 1 : 0;
    int bestStart = 0, bestLen = count == RESEND_SLOTS ? RESEND_SLOTS : 0;
    for (int i = 0; i < RESEND_SLOTS && count < RESEND_SLOTS; ++i) {
        if (!present[i] || present[(i + RESEND_SLOTS - 1) % RESEND_SLOTS]) continue;
        int len = 0;
        while (len < RESEND_SLOTS && present[(i + len) % RESEND_SLOTS])
            ++len;
        if (len > bestLen) bestStart = i, bestLen = len;
    }
    q.front = bestStart;
    q.curUsed = bestLen;
    q.rear = (bestStart + bestLen) % RESEND_SLOTS;
    std::printf("cycleQueueIndex.json damaged: queue rebuilt with %d messages from slot %d\r\n", bestLen,
                bestStart);
    store_index(q.front, q.rear, q.curUsed);
    return 1;
}

int ResendAppend(ResendQueue& q, std::string_view msg)
{
    if (msg.empty() || msg.size() > RESEND_MSG_MAX || msg.find_first_of("\r\n") != std::string_view::npos) {
        std::printf("AppendSplicePara: message refused (%zu bytes)\r\n", msg.size());
        return -1;
    }
    PlatLock lk(q.queueMtx);
    if (q.curUsed >= RESEND_SLOTS) {
        // Full: the oldest goes first, so that the slot is outside the queue while it is rewritten.
        if (store_index((q.front + 1) % RESEND_SLOTS, q.rear, RESEND_SLOTS - 1) != 0) return -1;
        q.front = (q.front + 1) % RESEND_SLOTS;
        q.curUsed = RESEND_SLOTS - 1;
    }
    int slot = q.rear;
    std::string path = ResendSlotPath(slot);
    std::printf("AppendSplicePara nameBuff = %s\r\n", path.c_str());
    {
        PlatLock fl(q.fileMtx);
        if (ParamFileReplace(path.c_str(), msg.data(), msg.size()) != 0) {
            std::printf("appendSplicePara open file ERR! fd = %d\r\n ", -1);
            return -1;
        }
    }
    int rear = (slot + 1) % RESEND_SLOTS;
    if (store_index(q.front, rear, q.curUsed + 1) != 0) return -1;
    q.rear = rear;
    q.curUsed++;
    return 0;
}

namespace
{
// Lets go of the front slot (queue lock held): the index first, then its file.
int drop_front(ResendQueue& q)
{
    int slot = q.front;
    int front = (slot + 1) % RESEND_SLOTS;
    if (store_index(front, q.rear, q.curUsed - 1) != 0) return -1;
    q.front = front;
    q.curUsed--;
    PlatLock fl(q.fileMtx);
    plat_unlink(ResendSlotPath(slot).c_str());
    return 0;
}
} // namespace

int ResendFront(ResendQueue& q, int* slot, std::string* msg)
{
    PlatLock lk(q.queueMtx);
    if (q.curUsed == 0) return 1;
    bool ok;
    {
        PlatLock fl(q.fileMtx);
        ok = read_small(ResendSlotPath(q.front), msg, RESEND_MSG_MAX) && !msg->empty() &&
             msg->find_first_of("\r\n") == std::string::npos;
    }
    if (!ok) {
        std::printf("resendSplicePara open file ERR! fd = %d\r\n ", -1);
        drop_front(q);
        return -1;
    }
    *slot = q.front;
    return 0;
}

int ResendAck(ResendQueue& q, int slot)
{
    PlatLock lk(q.queueMtx);
    if (q.curUsed == 0 || q.front != slot) return -1;
    return drop_front(q);
}

int ResendCount(ResendQueue& q)
{
    PlatLock lk(q.queueMtx);
    return q.curUsed;
}
