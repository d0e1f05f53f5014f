// Bottom of the GUI toolkit: the error record, lists, the root list with the memory and device
// registries, the registered allocator and the generic object queue every named kind uses.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Error record ---------------------------------------------------------------------------------
using GUIERRPROC = int (*)(int, int, int);

struct GUIERROR {
    uint32_t lSerial;  // incremented on every report, wraps from 0x7FFFFFFF to 1
    uint32_t lCode;    // 0 .. 10
    char strMsg[128];  // "FUN:<name>, ID:<n>, ERR:<cause>"
    GUIERRPROC fnProc; // processing routine or 0
};

// Records an error and prints "%d, %s\n" (serial, message). Returns the code.
int SetError(uint32_t lCode, const char* strMsg, GUIERRPROC fnProc);
int ProcError(int a, int b, int c);
// A copy of the error record (it is locked: worker threads allocate too).
GUIERROR GetLastError();

// ---- Lists ----------------------------------------------------------------------------------------
struct GUIITEM {
    uint32_t lKey1;
    uintptr_t lKey2;
    GUIITEM* pPrev;
    GUIITEM* pNext;
};

struct GUILIST {
    uint32_t lCount;
    uint32_t lLimit;
    GUIITEM* pHead;
    GUIITEM* pTail;
    void* pIndex; // internal lookup by keys (fast search of the large registries); 0 for plain lists
};

GUILIST* CreateList(int32_t lLimit);
int DeleteList(GUILIST* pList);
int InsertListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList);
int RemoveListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList);
GUIITEM* FindListItem(uint32_t lKey1, uintptr_t lKey2, GUILIST* pList);

// ---- Root list and registries -----------------------------------------------------------------------
using GUIRELEASE = int (*)();

struct GUIJOIN {
    GUILIST* pList;
    GUIRELEASE fnRelease; // 0: the list itself is deleted
};

constexpr uint32_t GUI_KEY_JOIN = 0x8011;
constexpr uint32_t GUI_KEY_MEMORY = 0x1010;
constexpr uint32_t GUI_KEY_DEVICE = 0x4110;
constexpr int32_t GUI_ROOT_LIMIT = 256;
constexpr int32_t GUI_MEMORY_LIMIT = 65536;
constexpr int32_t GUI_DEVICE_LIMIT = 64;

extern GUILIST* pRootList;
extern GUILIST* pMemoryList;
extern GUILIST* pDeviceList;

int InitializeRootList();
int JoinRootList(GUILIST* pList, GUIRELEASE fnRelease);
int QuitRootList(GUILIST* pList);
int ReleaseRootList();

// Registered allocator, thread-safe. Blocks are zero-filled.
void* GuiMemAlloc(int32_t lSize);
int GuiMemFree(void* pMem);
// Number of blocks registered now (0 without a registry).
uint32_t GuiMemCount();
// Blocks that were still registered when the memory registry was released (a leak count).
uint32_t GuiMemLeftAtRelease();
// Test hook: the n-th GuiMemAlloc from now fails as if the C library had no memory (0: off).
void GuiMemFailNth(uint32_t n);

int GuiDevOpen(const char* strPath, int iFlags);
int GuiDevClose(int iHandle);

// GuiStrCpy allocates a missing destination with malloc (the caller frees it with free);
// _usrstrcpy allocates a registered copy (freed with GuiMemFree), as object names are.
char* GuiStrCpy(char* pDes, const char* pSrc);
char* _usrstrcpy(char* pDes, const char* pSrc);

// ---- Object queues ------------------------------------------------------------------------------------
// Every named kind keeps its objects in a chain whose first node is made by Initialize...Queue.
struct GUIQNODE {
    void* pObj;
    GUIQNODE* pPrev;
    GUIQNODE* pNext;
};

struct GUIQUEUE {
    GUIQNODE* pFirst;
    uint8_t bCount; // at most 255 objects of a kind
};

constexpr int GUI_QUEUE_LIMIT = 255;
