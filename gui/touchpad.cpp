// Touch pad objects, touch regions, the touch thread and the two-slot message queue.
//
// How it works: the touch thread reads groups of four input events, matches the point against
// the regions under the region lock and queues a message while still holding it, so a form that
// deletes its regions (under the same lock) and then clears the queue never sees a message of a
// region it has deleted.
#include "gui/touchpad.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "gui/queue.h"
#include "gui/widget.h"
#include "platform/requests.h"
#include "platform/sync.h"

GUIMSGBUFF MsgBuff{};
uint8_t _bTouchRepeat = 0;
std::atomic<uint8_t> _touch_thread_flag{1};

namespace
{
GUIQUEUE g_touchpads{};
PlatSemaphore SemEventMsg(1);
PlatMutex g_region_mtx;
plat_thread_t* g_thread_slot = nullptr;

void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}
uint16_t window_ms()
{
    return static_cast<uint16_t>(plat_monotonic_ms() % 32000u);
}

// Holds the queue's semaphore; a wait ended by a stop request holds nothing (and posts nothing).
struct SemGuard : PlatSemGuard {
    SemGuard() : PlatSemGuard(SemEventMsg) {}
};

void empty_queue()
{
    MsgBuff.bCount = 0;
    MsgBuff.bFull = 0;
    MsgBuff.bWrite = MsgBuff.bRead;
}

// Drops queued messages that carry `obj` (all when obj is 0). Caller holds the semaphore.
void purge_queue(const void* obj)
{
    GUITOUCHMSG keep[2];
    uint8_t n = 0;
    for (uint8_t i = 0; i < MsgBuff.bCount; ++i) {
        const GUITOUCHMSG& m = MsgBuff.msg[(MsgBuff.bRead + i) % 2];
        if (obj && m.pObject != obj) keep[n++] = m;
    }
    MsgBuff.bRead = 0;
    for (uint8_t i = 0; i < n; ++i)
        MsgBuff.msg[i] = keep[i];
    MsgBuff.bCount = n;
    MsgBuff.bWrite = n % 2;
    MsgBuff.bFull = n == 2;
}
} // namespace

void touch_thread_lock()
{
    _touch_thread_flag = 0;
}
void touch_thread_unlock()
{
    _touch_thread_flag = 1;
}
void SetTouchThreadSlot(plat_thread_t* pSlot)
{
    g_thread_slot = pSlot;
}
plat_thread_t* GetTouchThreadSlot()
{
    return g_thread_slot;
}

int InitializeTouchpadQueue()
{
    return guiq::init(g_touchpads);
}
int ReleaseTouchpadQueue()
{
    return guiq::release(g_touchpads,
                         [](void* p) { return DeleteTouchpadDirect(static_cast<GUITOUCHPAD*>(p)); });
}

GUITOUCHPAD* CreateTouchpadDirect(uint16_t wRepeat, const char* strDevice)
{
    static const char* fun = "CreateTouchpadDirect";
    if (guiq::full(g_touchpads)) return fail(fun, 0), nullptr;
    auto* t = static_cast<GUITOUCHPAD*>(GuiMemAlloc(sizeof(GUITOUCHPAD)));
    if (!t) return fail(fun, 1), nullptr;
    t->wRepeat = wRepeat;
    t->iDevFd = -1;
    if (!strDevice || !(t->strDevice = _usrstrcpy(nullptr, strDevice))) {
        GuiMemFree(t);
        return fail(fun, 2), nullptr;
    }
    if ((t->iDevFd = GuiDevOpen(strDevice, O_RDONLY)) < 0) {
        GuiMemFree(t->strDevice);
        GuiMemFree(t);
        return fail(fun, 3), nullptr;
    }
    if (guiq::append(g_touchpads, t) != 0) {
        GuiDevClose(t->iDevFd);
        GuiMemFree(t->strDevice);
        GuiMemFree(t);
        return fail(fun, 4), nullptr;
    }
    return t;
}

GUITOUCHPAD* CreateTouchpadIndirect(const GUITOUCHPAD* r)
{
    if (!r) return nullptr;
    return CreateTouchpadDirect(r->wRepeat, r->strDevice);
}

int DeleteTouchpadDirect(GUITOUCHPAD* t)
{
    if (!t || !guiq::contains(g_touchpads, t)) return 1;
    DelTouchMapList(t);
    guiq::remove(g_touchpads, t);
    if (t->iDevFd >= 0) GuiDevClose(t->iDevFd);
    GuiMemFree(t->strDevice);
    GuiMemFree(t);
    return 0;
}

GUITOUCHPAD* GetTouchpadObject(const char* strDevice)
{
    return guiq::find<GUITOUCHPAD>(g_touchpads, strDevice, [](GUITOUCHPAD* p) { return p->strDevice; });
}
int DeleteTouchpadIndirect(const char* strDevice)
{
    return DeleteTouchpadDirect(GetTouchpadObject(strDevice));
}

// ---- Regions -----------------------------------------------------------------------------------------
GUITOUCHMAP* _AddTouchMap(uint16_t wX, uint16_t wY, uint16_t wWidth, uint16_t wHeight, uint16_t wType,
                          uint16_t wId, void* pObject, GUITOUCHPAD* t)
{
    if (!t || !pObject || wX + wWidth / 2 > 800 || wY + wHeight / 2 > 480) {
        std::printf("AddTouchMap Err0!\n");
        return nullptr;
    }
    if (t->bCount == 255) {
        std::printf("AddTouchMap Err1!\n");
        return nullptr;
    }
    auto* m = static_cast<GUITOUCHMAP*>(GuiMemAlloc(sizeof(GUITOUCHMAP)));
    if (!m) {
        std::printf("AddTouchMap Err2!\n");
        return nullptr;
    }
    *m = GUITOUCHMAP{wX, wY, wWidth, wHeight, wType, wId, pObject, nullptr};
    PlatLock lock(g_region_mtx);
    GUITOUCHMAP** tail = &t->pMap;
    while (*tail)
        tail = &(*tail)->pNext;
    *tail = m;
    ++t->bCount;
    return m;
}

GUITOUCHMAP* AddTouchMap(uint16_t wX, uint16_t wY, uint16_t wWidth, uint16_t wHeight, uint16_t wType,
                         void* pObject, GUITOUCHPAD* t)
{
    return _AddTouchMap(wX, wY, wWidth, wHeight, wType, 0, pObject, t);
}

GUITOUCHMAP* AddTouchMap_ButtonEx(GUIBUTTON* b, uint16_t wId, GUITOUCHPAD* t)
{
    if (!b || !t) {
        std::printf("AddTouchMap_Button Err0!\n");
        return nullptr;
    }
    return _AddTouchMap(static_cast<uint16_t>(b->wLeft + b->wWidth / 2),
                        static_cast<uint16_t>(b->wTop + b->wHeight / 2), b->wWidth, b->wHeight, 1, wId, b, t);
}

GUITOUCHMAP* AddTouchMap_Button(GUIBUTTON* b, GUITOUCHPAD* t)
{
    return AddTouchMap_ButtonEx(b, 0, t);
}

int AddTouchMap_Menu(GUIMENU* m, GUITOUCHPAD* t)
{
    if (!m || !t) {
        std::printf("AddTouchMap_Menu Err0!\n");
        return -1;
    }
    const int rows = m->bVisible < m->bCount ? m->bVisible : m->bCount;
    GUIMENUITEM* it = m->pItems;
    int added = 0;
    for (int i = 0; i < rows && it; ++i, it = it->pNext) {
        const int cx = m->wLeft + m->wItemWidth / 2;
        const int cy = m->wTop + m->wItemHeight / 2 + i * (m->wItemHeight + m->bGap);
        if (cy > 0xFFFF) break;
        if (_AddTouchMap(static_cast<uint16_t>(cx), static_cast<uint16_t>(cy), m->wItemWidth, m->wItemHeight,
                         2, 0, it->pItem, t))
            ++added;
    }
    return added;
}

int AddTouchMap_MenuEx(GUIMENU* m, uint16_t wItemWidth, uint16_t wItemHeight, uint8_t bGap, GUITOUCHPAD* t)
{
    if (!m || !t) {
        std::printf("AddTouchMap_Menu Err0!\n");
        return -1;
    }
    const uint16_t w = m->wItemWidth, h = m->wItemHeight;
    const uint8_t g = m->bGap;
    m->wItemWidth = wItemWidth;
    m->wItemHeight = wItemHeight;
    m->bGap = bGap;
    int rc = AddTouchMap_Menu(m, t);
    m->wItemWidth = w;
    m->wItemHeight = h;
    m->bGap = g;
    return rc;
}

int DelTouchMap(GUITOUCHMAP* pMap, GUITOUCHPAD* t)
{
    if (!pMap || !t) return 1;
    PlatLock lock(g_region_mtx);
    for (GUITOUCHMAP** p = &t->pMap; *p; p = &(*p)->pNext)
        if (*p == pMap) {
            *p = pMap->pNext;
            --t->bCount;
            // A finger still held on the region must not go on repeating a press of its object.
            if (t->pLastObject == pMap->pObject) {
                t->wLastState = 0;
                t->pLastObject = nullptr;
            }
            {
                SemGuard g;
                if (g) purge_queue(pMap->pObject);
            }
            GuiMemFree(pMap);
            return 0;
        }
    return 1;
}

int DelTouchMapList(GUITOUCHPAD* t)
{
    if (!t) return 1;
    PlatLock lock(g_region_mtx);
    while (t->pMap) {
        GUITOUCHMAP* next = t->pMap->pNext;
        GuiMemFree(t->pMap);
        t->pMap = next;
    }
    t->bCount = 0;
    t->wLastState = 0;
    SemGuard g;
    if (g) purge_queue(nullptr);
    return 0;
}

int MatchCoordinateMap(uint16_t x, uint16_t y, const GUITOUCHMAP* m)
{
    if (!m) return 0;
    const int left = m->wX - m->wWidth / 2, top = m->wY - m->wHeight / 2;
    const int right = m->wX + m->wWidth / 2, bottom = m->wY + m->wHeight / 2;
    return (left < 0 ? 0 : left) <= x && x <= right && (top < 0 ? 0 : top) <= y && y <= bottom;
}

namespace
{
GUITOUCHMAP* match_locked(uint16_t x, uint16_t y, GUITOUCHPAD* t)
{
    for (GUITOUCHMAP* m = t->pMap; m; m = m->pNext)
        if (MatchCoordinateMap(x, y, m)) return m;
    return nullptr;
}
} // namespace

GUITOUCHMAP* MatchTouchMapList(uint16_t x, uint16_t y, GUITOUCHPAD* t)
{
    if (!t) return nullptr;
    PlatLock lock(g_region_mtx);
    return match_locked(x, y, t);
}

// ---- Message queue -----------------------------------------------------------------------------------
int WriteEventMsg(const GUITOUCHMSG* pMsg)
{
    if (!pMsg) return 1;
    SemGuard g;
    if (!g) return 1;
    if (MsgBuff.bFull) {
        std::printf("Buff full\n");
        MsgBuff.bFull = 0;
        if (MsgBuff.msg[MsgBuff.bRead].wState == 2) {
            // A pending release is kept so that a pressed button also sees its release.
            MsgBuff.bWrite = (MsgBuff.bRead + 1) % 2;
            MsgBuff.bCount = 1;
            if (pMsg->wState == 2) return 0;
        } else {
            empty_queue();
        }
    }
    MsgBuff.msg[MsgBuff.bWrite] = *pMsg;
    MsgBuff.bWrite = (MsgBuff.bWrite + 1) % 2;
    if (MsgBuff.bWrite == MsgBuff.bRead) MsgBuff.bFull = 1;
    if (MsgBuff.bCount < 2) ++MsgBuff.bCount;
    return 0;
}

int ReadEventMsg(GUITOUCHMSG* pMsg)
{
    SemGuard g;
    if (!g) return 0;
    int got = 0;
    if (MsgBuff.bCount) {
        if (pMsg) *pMsg = MsgBuff.msg[MsgBuff.bRead];
        MsgBuff.bRead = (MsgBuff.bRead + 1) % 2;
        --MsgBuff.bCount;
        got = 1;
    }
    MsgBuff.bFull = 0;
    return got;
}

int ClearMsg()
{
    SemGuard g;
    if (!g || MsgBuff.bCount == 0) return 0;
    if (MsgBuff.msg[MsgBuff.bRead].wState == 2) {
        MsgBuff.bCount = 1;
        MsgBuff.bWrite = (MsgBuff.bRead + 1) % 2;
        MsgBuff.bFull = 0;
    } else {
        empty_queue();
    }
    return 0;
}

int ClearEventMsg()
{
    SemGuard g;
    if (g) empty_queue();
    return 0;
}

int GetTouchpadEvent(GUITOUCHPAD* t, GUITOUCHMSG* pMsg)
{
    GUITOUCHMSG msg{};
    if (pMsg) *pMsg = msg;
    if (!t) return 0;
    if (ReadEventMsg(&msg)) {
        _bTouchRepeat = 0;
        t->wLastTime = window_ms();
        t->wLastState = msg.wState;
        t->wLastType = msg.wType;
        t->wLastId = msg.wId;
        t->pLastObject = msg.pObject;
        if (pMsg) *pMsg = msg;
        return msg.wState;
    }
    if (t->wLastState != 1 || t->wRepeat == 0) return 0;
    const uint16_t now = window_ms();
    if ((now + 32000u - t->wLastTime) % 32000u < t->wRepeat) return 0;
    t->wLastTime = static_cast<uint16_t>((t->wLastTime + t->wRepeat) % 32000u);
    _bTouchRepeat = 1;
    if (pMsg) *pMsg = GUITOUCHMSG{1, t->wLastType, t->wLastId, t->pLastObject};
    return 1;
}

uint8_t GetTouchRepeat()
{
    return _bTouchRepeat;
}

int GetTouchResetFlag()
{
    GUITOUCHMSG msg{};
    GetTouchpadEvent(GetTouchpadObject(DEV_TOUCH), &msg);
    int flag = msg.pObject && msg.wId == 5 ? 1 : 0;
    ClearMsg();
    return flag;
}

// ---- The touch thread -----------------------------------------------------------------------------------
void* thread_routine_touch(void* arg)
{
    auto* t = static_cast<GUITOUCHPAD*>(arg);
    if (!t || t->iDevFd < 0) {
        std::printf("wrong parameter in GetTouchpadEvent\n");
        return nullptr;
    }
    const int fd = t->iDevFd;
    uint16_t x = 0, y = 0;
    while (!plat_thread_stop_requested()) {
        TouchInputEvent ev[4]{};
        int k = 0;
        uint64_t t0 = 0;
        while (k < 4) {
            if (plat_thread_stop_requested()) return nullptr;
            ssize_t n = plat_read(fd, &ev[k], sizeof ev[k]);
            if (n == 0) return nullptr; // end of the device's input
            if (n < 0) {
                if (errno != EAGAIN && errno != EINTR) {
                    std::perror("event read");
                    return nullptr;
                }
                if (!plat_sleep_ms(10)) return nullptr;
                continue;
            }
            if (n != static_cast<ssize_t>(sizeof ev[k])) {
                std::printf("event read: short read of %d bytes discarded\n", static_cast<int>(n));
                continue;
            }
            if (k == 0) {
                if (ev[0].wType != 1) continue;
                t0 = plat_monotonic_ms();
            } else if (plat_monotonic_ms() - t0 > 800) {
                std::printf("Err, start clear the read data\n");
                const TouchInputEvent cur = ev[k];
                k = 0;
                if (cur.wType != 1) continue; // this event may itself start the next group
                ev[0] = cur;
                t0 = plat_monotonic_ms();
            }
            ++k;
        }
        const bool valid = ev[0].wType == 1 && ev[3].wType == 0;
        uint16_t state = 0;
        if (valid) {
            if (ev[0].iValue != 0) {
                state = 1;
                for (int i = 1; i < 3; ++i) {
                    int32_t v = ev[i].iValue < 0 ? 0 : (ev[i].iValue > 0xFFFF ? 0xFFFF : ev[i].iValue);
                    if (ev[i].wCode == 0) x = static_cast<uint16_t>(v);
                    if (ev[i].wCode == 1) y = static_cast<uint16_t>(v);
                }
            } else {
                state = 2;
            }
        }
        if (valid && _touch_thread_flag) {
            PlatLock lock(g_region_mtx);
            if (GUITOUCHMAP* m = match_locked(x, y, t)) {
                GUITOUCHMSG msg{state, m->wType, m->wId, m->pObject};
                WriteEventMsg(&msg);
            }
        }
        if (!plat_sleep_ms(50)) return nullptr;
    }
    return nullptr;
}
