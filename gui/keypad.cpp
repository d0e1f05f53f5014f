// Keypad objects: the key map from raw scan codes to logical keys, and key events with repeat.
#include "gui/keypad.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>

#include "gui/queue.h"
#include "platform/requests.h"
#include "platform/seam.h"

uint8_t _bEventRepeat = 0;

namespace
{
GUIQUEUE g_keypads{};
void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}

// Milliseconds within the 32-second window that key times are kept in.
uint16_t window_ms()
{
    return static_cast<uint16_t>(plat_monotonic_ms() % 32000u);
}
uint16_t elapsed_ms(uint16_t now, uint16_t then)
{
    return static_cast<uint16_t>((now + 32000u - then) % 32000u);
}
} // namespace

void SetRepeatEvent(uint8_t bFlag)
{
    _bEventRepeat = bFlag;
}
uint8_t CheckRepeatEvent()
{
    return _bEventRepeat;
}

int InitializeKeypadQueue()
{
    return guiq::init(g_keypads);
}
int ReleaseKeypadQueue()
{
    return guiq::release(g_keypads, [](void* p) { return DeleteKeypadDirect(static_cast<GUIKEYPAD*>(p)); });
}

GUIKEYPAD* CreateKeypadDirect(uint16_t wRepeat, uint16_t wBufSize, const char* strDevice)
{
    static const char* fun = "CreateKeypadDirect";
    if (guiq::full(g_keypads)) return fail(fun, 0), nullptr;
    auto* k = static_cast<GUIKEYPAD*>(GuiMemAlloc(sizeof(GUIKEYPAD)));
    if (!k) return fail(fun, 1), nullptr;
    k->wRepeat = wRepeat;
    k->wBufSize = wBufSize;
    k->iDevFd = -1;
    auto undo = [k]() {
        if (k->iDevFd >= 0) GuiDevClose(k->iDevFd);
        GuiMemFree(k->pBuffer);
        GuiMemFree(k->strDevice);
        GuiMemFree(k);
    };
    if (!strDevice || !(k->strDevice = _usrstrcpy(nullptr, strDevice))) return undo(), fail(fun, 2), nullptr;
    if (wBufSize < 6 || !(k->pBuffer = static_cast<uint16_t*>(GuiMemAlloc(wBufSize))))
        return undo(), fail(fun, 3), nullptr;
    if ((k->iDevFd = GuiDevOpen(strDevice, O_RDWR)) < 0 || guiq::append(g_keypads, k) != 0)
        return undo(), fail(fun, 4), nullptr;
    return k;
}

GUIKEYPAD* CreateKeypadIndirect(const GUIKEYPAD* r)
{
    if (!r) return nullptr;
    return CreateKeypadDirect(r->wRepeat, r->wBufSize, r->strDevice);
}

int DeleteKeypadDirect(GUIKEYPAD* k)
{
    if (!k || guiq::remove(g_keypads, k) != 0) return 1;
    while (k->pKeyMap) {
        GUIKEYMAP* next = k->pKeyMap->pNext;
        GuiMemFree(k->pKeyMap);
        k->pKeyMap = next;
    }
    if (k->iDevFd >= 0) GuiDevClose(k->iDevFd);
    GuiMemFree(k->pBuffer);
    GuiMemFree(k->strDevice);
    GuiMemFree(k);
    return 0;
}

GUIKEYPAD* GetKeypadObject(const char* strDevice)
{
    return guiq::find<GUIKEYPAD>(g_keypads, strDevice, [](GUIKEYPAD* p) { return p->strDevice; });
}
int DeleteKeypadIndirect(const char* strDevice)
{
    return DeleteKeypadDirect(GetKeypadObject(strDevice));
}

int _KeypadMapAdd(uint8_t bCode, uint8_t bCombo, uint8_t bRepeat, uint8_t bKey1, uint8_t bKey2, GUIKEYPAD* k)
{
    if (!k || (bCombo && bKey2 <= bKey1)) {
        std::printf("_KeypadMapAdd Err0!\n");
        return 1;
    }
    auto* e = static_cast<GUIKEYMAP*>(GuiMemAlloc(sizeof(GUIKEYMAP)));
    if (!e) {
        std::printf("_KeypadMapAdd Err1!\n");
        return 1;
    }
    *e = GUIKEYMAP{bCode, bCombo, bRepeat, bKey1, bKey2, nullptr};
    GUIKEYMAP** tail = &k->pKeyMap;
    while (*tail)
        tail = &(*tail)->pNext;
    *tail = e;
    return 0;
}

int _KeypadMapDel(uint8_t bCode, GUIKEYPAD* k)
{
    if (!k) return 1;
    for (GUIKEYMAP** p = &k->pKeyMap; *p; p = &(*p)->pNext)
        if ((*p)->bCode == bCode) {
            GUIKEYMAP* e = *p;
            *p = e->pNext;
            GuiMemFree(e);
            return 0;
        }
    return 1;
}

GUIKEYMAP* GetKeypadMap(uint8_t bCode, GUIKEYPAD* k)
{
    if (!k) return nullptr;
    for (GUIKEYMAP* e = k->pKeyMap; e; e = e->pNext)
        if (e->bCode == bCode) return e;
    return nullptr;
}

uint8_t _KeypadMapBuild(uint16_t wRaw, GUIKEYPAD* k)
{
    if (!k) return 255;
    const uint8_t key1 = wRaw & 0x3F, key2 = (wRaw >> 6) & 0x3F;
    const bool combo = wRaw & KEY_RAW_COMBO, press = wRaw & KEY_RAW_PRESS;
    for (GUIKEYMAP* e = k->pKeyMap; e; e = e->pNext) {
        if (e->bKey1 != key1) continue;
        if (!combo && press && !e->bCombo) return e->bCode;
        if (combo && e->bCombo && e->bKey2 == key2) return e->bCode;
    }
    return 255;
}

int _KeypadMapStandard(GUIKEYPAD* k)
{
    struct Row {
        uint8_t code, combo, repeat, key1, key2;
    };
    static constexpr Row kMap[] = {
        {0, 1, 0, 28, 37}, {1, 0, 0, 28, 0},  {2, 0, 0, 17, 0},  {3, 0, 0, 9, 0},    {4, 0, 0, 16, 0},
        {5, 0, 1, 1, 0},   {6, 0, 1, 10, 0},  {7, 0, 1, 18, 0},  {8, 0, 1, 2, 0},    {9, 0, 0, 37, 0},
        {10, 0, 0, 44, 0}, {11, 0, 0, 36, 0}, {12, 0, 0, 29, 0}, {13, 1, 0, 16, 18}, {14, 1, 0, 2, 16},
        {15, 1, 0, 2, 18}, {16, 1, 0, 1, 10}, {17, 1, 0, 9, 17}, {18, 1, 0, 16, 17}, {19, 1, 0, 9, 16},
    };
    int rc = 0;
    for (const Row& r : kMap)
        rc |= _KeypadMapAdd(r.code, r.combo, r.repeat, r.key1, r.key2, k);
    return rc;
}

uint16_t GetKeypadEvent(GUIKEYPAD* k)
{
    _bEventRepeat = 0;
    if (!k || !k->pKeyMap || !k->pBuffer || k->iDevFd < 0) return 0;
    // The driver's count is trusted only as far as the buffer reaches.
    const size_t room = k->wBufSize / 2 > 2 ? k->wBufSize / 2 - 2 : 0;
    if (k->wPending == 0 || size_t(k->wNext) + k->wPending > room) {
        KeypadReadDesc desc{k->pBuffer, k->wBufSize};
        k->wNext = k->wPending = 0;
        k->pBuffer[1] = 0;
        if (plat_ioctl(k->iDevFd, KEY_READ_CODES, &desc) < 0) return 0;
        k->wPending = static_cast<uint16_t>(std::min<size_t>(k->pBuffer[1], room));
    }
    const uint16_t now = k->wRepeat ? window_ms() : 0;
    const uint16_t* codes = k->pBuffer + 2;
    auto held = [k] { return k->bLastState == 1 && (k->wLastRaw & KEY_RAW_PRESS); };
    // Oldest code first, one event per call; the rest wait for the next pass. A press while a
    // key is held and a release with none held make no event.
    const bool hadCodes = k->wPending > 0;
    while (k->wPending > 0) {
        const uint16_t code = codes[k->wNext++];
        --k->wPending;
        const bool press = code & KEY_RAW_PRESS;
        if (held() && !press) {
            k->wLastRaw = code;
            k->bLastState = 2;
            return static_cast<uint16_t>(KEY_EVENT_UP | k->bLastKey);
        }
        if (!held() && press) {
            k->wLastTime = now;
            k->wLastRaw = code;
            k->bLastKey = _KeypadMapBuild(code, k);
            k->bLastState = 1;
            return static_cast<uint16_t>(KEY_EVENT_DOWN | k->bLastKey);
        }
    }
    if (hadCodes) return KEY_EVENT_NONE;
    if (!held() || k->wRepeat == 0) return 0;
    GUIKEYMAP* e = GetKeypadMap(k->bLastKey, k);
    if (!e || !e->bRepeat) return 0;
    if (elapsed_ms(now, k->wLastTime) < k->wRepeat) return 0;
    k->wLastTime = static_cast<uint16_t>((k->wLastTime + k->wRepeat) % 32000u);
    _bEventRepeat = 1;
    return static_cast<uint16_t>(KEY_EVENT_REPEAT | k->bLastKey);
}
