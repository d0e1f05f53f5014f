// Error record, lists, the root list, the registered allocator and the device registry.
#include "gui/base.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "gui/queue.h"
#include "platform/seam.h"
#include "platform/sync.h"

GUILIST* pRootList = nullptr;
GUILIST* pMemoryList = nullptr;
GUILIST* pDeviceList = nullptr;

namespace
{

GUIERROR g_last{0, 0, "No Error", nullptr};
PlatMutex g_error_mtx;
PlatMutex memory_mtx;
PlatMutex device_mtx;
uint32_t g_mem_left_at_release = 0;
uint32_t g_fail_nth = 0;

using Index = std::unordered_map<uintptr_t, GUIITEM*>;
Index* index_of(GUILIST* l)
{
    return static_cast<Index*>(l->pIndex);
}

GUILIST* create_list_indexed(int32_t limit, const char* fun)
{
    GUILIST* l = CreateList(limit);
    if (l) l->pIndex = new (std::nothrow) Index();
    if (l && !l->pIndex) {
        DeleteList(l);
        char msg[96];
        std::snprintf(msg, sizeof msg, "FUN:%s, ID:0, ERR:new", fun);
        SetError(3, msg, nullptr);
        return nullptr;
    }
    return l;
}

// Release routine of the memory registry: blocks still registered are leaks of their owners;
// count them and free them so that nothing outlives the toolkit.
int release_memory_list()
{
    PlatLock lock(memory_mtx);
    if (!pMemoryList) return 10;
    g_mem_left_at_release = pMemoryList->lCount;
    if (g_mem_left_at_release) std::printf("GuiMem: %u blocks left at release\n", g_mem_left_at_release);
    for (GUIITEM* it = pMemoryList->pHead; it; it = it->pNext)
        std::free(reinterpret_cast<void*>(it->lKey2));
    DeleteList(pMemoryList);
    pMemoryList = nullptr;
    return 0;
}

int release_device_list()
{
    PlatLock lock(device_mtx);
    if (!pDeviceList) return 10;
    for (GUIITEM* it = pDeviceList->pHead; it; it = it->pNext) {
        int* cell = reinterpret_cast<int*>(it->lKey2);
        plat_close(*cell);
    }
    // The cells are registered blocks; they go with the memory registry.
    DeleteList(pDeviceList);
    pDeviceList = nullptr;
    return 0;
}

} // namespace

int SetError(uint32_t lCode, const char* strMsg, GUIERRPROC fnProc)
{
    PlatLock lock(g_error_mtx);
    g_last.lSerial = g_last.lSerial >= 0x7FFFFFFFu ? 1 : g_last.lSerial + 1;
    g_last.lCode = lCode;
    std::snprintf(g_last.strMsg, sizeof g_last.strMsg, "%s", strMsg ? strMsg : "");
    g_last.fnProc = fnProc;
    std::printf("%d, %s\n", static_cast<int>(g_last.lSerial), g_last.strMsg);
    return static_cast<int>(lCode);
}

GUIERROR GetLastError()
{
    PlatLock lock(g_error_mtx);
    return g_last;
}

int ProcError(int a, int b, int c)
{
    GUIERROR e = GetLastError();
    if (e.lCode == 0) return 0;
    if (e.fnProc) {
        if (e.fnProc(a, b, c) != 0) {
            SetError(1, "FUN:ProcError, ID:0, ERR:LastError.proc()", nullptr);
            return 1;
        }
        SetError(0, "No Error", nullptr);
        return 0;
    }
    std::printf("%d, %s\n", static_cast<int>(e.lSerial), e.strMsg);
    return 0;
}

// ---- Lists ----------------------------------------------------------------------------------------
GUILIST* CreateList(int32_t lLimit)
{
    if (lLimit < 1) {
        SetError(6, "FUN:CreateList, ID:0, ERR:lLimit<1", nullptr);
        return nullptr;
    }
    auto* l = static_cast<GUILIST*>(std::calloc(1, sizeof(GUILIST)));
    if (!l) {
        SetError(3, "FUN:CreateList, ID:1, ERR:calloc()", nullptr);
        return nullptr;
    }
    l->lLimit = static_cast<uint32_t>(lLimit);
    return l;
}

int DeleteList(GUILIST* pList)
{
    if (!pList) return 0;
    for (GUIITEM* it = pList->pHead; it;) {
        GUIITEM* next = it->pNext;
        std::free(it);
        it = next;
    }
    delete index_of(pList);
    std::free(pList);
    return 0;
}

GUIITEM* FindListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList)
{
    if (!pList) return nullptr;
    if (Index* idx = index_of(pList)) {
        auto f = idx->find(lKey2);
        return f != idx->end() && f->second->lKey1 == lKey1 ? f->second : nullptr;
    }
    for (GUIITEM* it = pList->pHead; it; it = it->pNext)
        if (it->lKey1 == lKey1 && it->lKey2 == lKey2) return it;
    return nullptr;
}

int InsertListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList)
{
    if (!pList) return SetError(6, "FUN:InsertListItem, ID:0, ERR:pList==NULL", nullptr);
    if (pList->lCount >= pList->lLimit)
        return SetError(6, "FUN:InsertListItem, ID:1, ERR:pList->lCount>=pList->lLimit", nullptr);
    auto* it = static_cast<GUIITEM*>(std::malloc(sizeof(GUIITEM)));
    if (!it) return SetError(3, "FUN:InsertListItem, ID:2, ERR:malloc()", nullptr);
    it->lKey1 = lKey1;
    it->lKey2 = lKey2;
    it->pNext = nullptr;
    it->pPrev = pList->pTail;
    if (Index* idx = index_of(pList)) {
        try {
            (*idx)[lKey2] = it;
        } catch (...) {
            std::free(it);
            return SetError(3, "FUN:InsertListItem, ID:2, ERR:malloc()", nullptr);
        }
    }
    if (pList->pTail)
        pList->pTail->pNext = it;
    else
        pList->pHead = it;
    pList->pTail = it;
    ++pList->lCount;
    return 0;
}

int RemoveListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList)
{
    if (!pList) return SetError(6, "FUN:RemoveListItem, ID:0, ERR:pList==NULL", nullptr);
    if (pList->lCount == 0) return SetError(6, "FUN:RemoveListItem, ID:1, ERR:pList->lCount==0", nullptr);
    GUIITEM* it = FindListItem(lKey1, lKey2, pList);
    if (!it) return SetError(9, "FUN:RemoveListItem, ID:2, ERR:pItem==NULL", nullptr);
    if (it->pPrev)
        it->pPrev->pNext = it->pNext;
    else
        pList->pHead = it->pNext;
    if (it->pNext)
        it->pNext->pPrev = it->pPrev;
    else
        pList->pTail = it->pPrev;
    if (Index* idx = index_of(pList)) idx->erase(lKey2);
    std::free(it);
    --pList->lCount;
    return 0;
}

// ---- Root list ----------------------------------------------------------------------------------------
int InitializeRootList()
{
    if (pRootList) return SetError(5, "FUN:InitializeRootList, ID:0, ERR:pRootList!=NULL", nullptr);
    if (pMemoryList) return SetError(5, "FUN:InitializeRootList, ID:1, ERR:pMemoryList!=NULL", nullptr);
    if (pDeviceList) return SetError(5, "FUN:InitializeRootList, ID:2, ERR:pDeviceList!=NULL", nullptr);
    pRootList = CreateList(GUI_ROOT_LIMIT);
    if (!pRootList) return SetError(2, "FUN:InitializeRootList, ID:3, ERR:CreateList()", nullptr);
    {
        PlatLock lock(memory_mtx);
        pMemoryList = create_list_indexed(GUI_MEMORY_LIMIT, "InitializeRootList");
        g_mem_left_at_release = 0;
    }
    if (!pMemoryList || JoinRootList(pMemoryList, release_memory_list) != 0) {
        ReleaseRootList();
        return SetError(2, "FUN:InitializeRootList, ID:4, ERR:CreateList()", nullptr);
    }
    {
        PlatLock lock(device_mtx);
        pDeviceList = create_list_indexed(GUI_DEVICE_LIMIT, "InitializeRootList");
    }
    if (!pDeviceList || JoinRootList(pDeviceList, release_device_list) != 0) {
        ReleaseRootList();
        return SetError(2, "FUN:InitializeRootList, ID:5, ERR:CreateList()", nullptr);
    }
    return 0;
}

int JoinRootList(GUILIST* pList, GUIRELEASE fnRelease)
{
    if (!pRootList) return SetError(10, "FUN:JoinRootList, ID:0, ERR:pRootList==NULL", nullptr);
    if (!pList) return SetError(6, "FUN:JoinRootList, ID:1, ERR:pList==NULL", nullptr);
    if (pRootList->lCount >= pRootList->lLimit)
        return SetError(8, "FUN:JoinRootList, ID:2, ERR:pRootList->lCount", nullptr);
    auto* join = static_cast<GUIJOIN*>(std::malloc(sizeof(GUIJOIN)));
    if (!join) return SetError(3, "FUN:JoinRootList, ID:3, ERR:malloc()", nullptr);
    join->pList = pList;
    join->fnRelease = fnRelease;
    if (InsertListItem(GUI_KEY_JOIN, reinterpret_cast<uintptr_t>(join), pRootList) != 0) {
        std::free(join);
        return SetError(2, "FUN:JoinRootList, ID:4, ERR:InsertListItem()", nullptr);
    }
    return 0;
}

int QuitRootList(GUILIST* pList)
{
    if (!pRootList) return SetError(10, "FUN:QuitRootList, ID:0, ERR:pRootList==NULL", nullptr);
    if (!pList) return SetError(6, "FUN:QuitRootList, ID:1, ERR:pList==NULL", nullptr);
    for (GUIITEM* it = pRootList->pHead; it; it = it->pNext) {
        auto* join = reinterpret_cast<GUIJOIN*>(it->lKey2);
        if (join->pList == pList) {
            RemoveListItem(it->lKey1, it->lKey2, pRootList);
            std::free(join);
            return 0;
        }
    }
    return SetError(9, "FUN:QuitRootList, ID:2, ERR:pItem==NULL", nullptr);
}

int ReleaseRootList()
{
    if (!pRootList) return SetError(10, "FUN:ReleaseRootList, ID:0, ERR:pRootList==NULL", nullptr);
    while (pRootList->pTail) {
        GUIITEM* it = pRootList->pTail;
        auto* join = reinterpret_cast<GUIJOIN*>(it->lKey2);
        RemoveListItem(it->lKey1, it->lKey2, pRootList);
        if (join->fnRelease)
            join->fnRelease();
        else
            DeleteList(join->pList);
        std::free(join);
    }
    DeleteList(pRootList);
    pRootList = nullptr;
    return 0;
}

// ---- Allocator -------------------------------------------------------------------------------------
void* GuiMemAlloc(int32_t lSize)
{
    if (lSize < 0) {
        SetError(6, "FUN:GuiMemAlloc, ID:0, ERR:lSize<1", nullptr);
        return nullptr;
    }
    PlatLock lock(memory_mtx);
    bool inject = g_fail_nth != 0 && --g_fail_nth == 0;
    void* p = inject ? nullptr : std::calloc(1, lSize ? static_cast<size_t>(lSize) : 1);
    if (!p) {
        SetError(3, "FUN:GuiMemAlloc, ID:1, ERR:malloc()", nullptr);
        return nullptr;
    }
    if (!pMemoryList) {
        std::free(p);
        SetError(10, "FUN:GuiMemAlloc, ID:2, ERR:pMemoryList==NULL", nullptr);
        return nullptr;
    }
    if (pMemoryList->lCount >= pMemoryList->lLimit) {
        std::free(p);
        SetError(2, "FUN:GuiMemAlloc, ID:3, ERR:pMemoryList->lCount", nullptr);
        return nullptr;
    }
    if (InsertListItem(GUI_KEY_MEMORY, reinterpret_cast<uintptr_t>(p), pMemoryList) != 0) {
        std::free(p);
        SetError(2, "FUN:GuiMemAlloc, ID:4, ERR:InsertListItem()", nullptr);
        return nullptr;
    }
    return p;
}

int GuiMemFree(void* pMem)
{
    if (!pMem) return 0;
    PlatLock lock(memory_mtx);
    if (!pMemoryList) return SetError(10, "FUN:GuiMemFree, ID:0, ERR:pMemoryList==NULL", nullptr);
    if (pMemoryList->lCount == 0)
        return SetError(7, "FUN:GuiMemFree, ID:1, ERR:pMemoryList->lCount==0", nullptr);
    if (!FindListItem(GUI_KEY_MEMORY, reinterpret_cast<uintptr_t>(pMem), pMemoryList))
        return SetError(2, "FUN:GuiMemFree, ID:2, ERR:RemoveListItem()", nullptr);
    RemoveListItem(GUI_KEY_MEMORY, reinterpret_cast<uintptr_t>(pMem), pMemoryList);
    std::free(pMem);
    return 0;
}

uint32_t GuiMemCount()
{
    PlatLock lock(memory_mtx);
    return pMemoryList ? pMemoryList->lCount : 0;
}

uint32_t GuiMemLeftAtRelease()
{
    return g_mem_left_at_release;
}

void GuiMemFailNth(uint32_t n)
{
    PlatLock lock(memory_mtx);
    g_fail_nth = n;
}

// ---- Devices ---------------------------------------------------------------------------------------
int GuiDevOpen(const char* strPath, int iFlags)
{
    if (!strPath) {
        SetError(6, "FUN:GuiDevOpen, ID:0, ERR:pName==NULL", nullptr);
        return -1;
    }
    int fd = plat_open(strPath, iFlags);
    if (fd < 0) {
        SetError(4, "FUN:GuiDevOpen, ID:1, ERR:open()", nullptr);
        return -1;
    }
    auto* cell = static_cast<int*>(GuiMemAlloc(sizeof(int)));
    if (!cell) {
        plat_close(fd);
        SetError(2, "FUN:GuiDevOpen, ID:2, ERR:GuiMemAlloc()", nullptr);
        return -1;
    }
    *cell = fd;
    int rc;
    {
        PlatLock lock(device_mtx);
        rc = !pDeviceList ? 10
             : pDeviceList->lCount >= pDeviceList->lLimit
                 ? 8
                 : InsertListItem(GUI_KEY_DEVICE, reinterpret_cast<uintptr_t>(cell), pDeviceList);
    }
    if (rc != 0) {
        GuiMemFree(cell);
        plat_close(fd);
        SetError(2, "FUN:GuiDevOpen, ID:3, ERR:InsertListItem()", nullptr);
        return -1;
    }
    return fd;
}

int GuiDevClose(int iHandle)
{
    if (iHandle < 0) {
        SetError(6, "FUN:GuiDevClose, ID:0, ERR:iHandle<0", nullptr);
        return 255;
    }
    int* cell = nullptr;
    {
        PlatLock lock(device_mtx);
        if (!pDeviceList) {
            SetError(10, "FUN:GuiDevClose, ID:1, ERR:pDeviceList==NULL", nullptr);
            return 255;
        }
        for (GUIITEM* it = pDeviceList->pHead; it; it = it->pNext)
            if (*reinterpret_cast<int*>(it->lKey2) == iHandle) {
                cell = reinterpret_cast<int*>(it->lKey2);
                RemoveListItem(it->lKey1, it->lKey2, pDeviceList);
                break;
            }
    }
    if (!cell) {
        SetError(9, "FUN:GuiDevClose, ID:2, ERR:pItem==NULL", nullptr);
        return 255;
    }
    GuiMemFree(cell);
    plat_close(iHandle);
    return 0;
}

char* GuiStrCpy(char* pDes, const char* pSrc)
{
    if (!pSrc) {
        SetError(6, "FUN:GuiStrCpy, ID:0, ERR:pSrc==NULL", nullptr);
        return nullptr;
    }
    if (!pDes) {
        pDes = static_cast<char*>(std::malloc(std::strlen(pSrc) + 1));
        if (!pDes) {
            SetError(3, "FUN:GuiStrCpy, ID:1, ERR:malloc()", nullptr);
            return nullptr;
        }
    }
    return std::strcpy(pDes, pSrc);
}

char* _usrstrcpy(char* pDes, const char* pSrc)
{
    if (!pSrc) {
        SetError(6, "FUN:_usrstrcpy, ID:0, ERR:pSrc==NULL", nullptr);
        return nullptr;
    }
    if (!pDes) {
        pDes = static_cast<char*>(GuiMemAlloc(static_cast<int32_t>(std::strlen(pSrc) + 1)));
        if (!pDes) return nullptr;
    }
    return std::strcpy(pDes, pSrc);
}

// ---- Object queues ------------------------------------------------------------------------------------
namespace guiq
{

int init(GUIQUEUE& q)
{
    if (q.pFirst) return 1;
    q.pFirst = static_cast<GUIQNODE*>(GuiMemAlloc(sizeof(GUIQNODE)));
    q.bCount = 0;
    return q.pFirst ? 0 : 1;
}

int release(GUIQUEUE& q, int (*del)(void*))
{
    if (!q.pFirst) return 1;
    while (q.bCount > 0 && q.pFirst->pObj) {
        uint8_t before = q.bCount;
        del(q.pFirst->pObj);
        if (q.bCount == before) break; // the kind refused to delete it; stop rather than spin
    }
    GuiMemFree(q.pFirst);
    q.pFirst = nullptr;
    q.bCount = 0;
    return 0;
}

bool full(const GUIQUEUE& q)
{
    return q.bCount >= GUI_QUEUE_LIMIT;
}

int append(GUIQUEUE& q, void* obj)
{
    if (!q.pFirst || full(q)) return 1;
    if (q.bCount == 0) {
        q.pFirst->pObj = obj;
        q.pFirst->pPrev = q.pFirst->pNext = nullptr;
        q.bCount = 1;
        return 0;
    }
    auto* n = static_cast<GUIQNODE*>(GuiMemAlloc(sizeof(GUIQNODE)));
    if (!n) return 1;
    GUIQNODE* tail = q.pFirst;
    while (tail->pNext)
        tail = tail->pNext;
    n->pObj = obj;
    n->pPrev = tail;
    tail->pNext = n;
    ++q.bCount;
    return 0;
}

bool contains(const GUIQUEUE& q, const void* obj)
{
    if (!q.pFirst || q.bCount == 0) return false;
    for (GUIQNODE* n = q.pFirst; n; n = n->pNext)
        if (n->pObj == obj) return true;
    return false;
}

int remove(GUIQUEUE& q, const void* obj)
{
    if (!q.pFirst || q.bCount == 0 || !obj) return 1;
    GUIQNODE* n = q.pFirst;
    while (n && n->pObj != obj)
        n = n->pNext;
    if (!n) return 1;
    if (n == q.pFirst) {
        // The first node stays allocated: the next object moves into it.
        GUIQNODE* second = n->pNext;
        if (second) {
            n->pObj = second->pObj;
            n->pNext = second->pNext;
            if (second->pNext) second->pNext->pPrev = n;
            GuiMemFree(second);
        } else {
            n->pObj = nullptr;
        }
    } else {
        n->pPrev->pNext = n->pNext;
        if (n->pNext) n->pNext->pPrev = n->pPrev;
        GuiMemFree(n);
    }
    --q.bCount;
    return 0;
}

} // namespace guiq
