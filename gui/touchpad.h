// The touch panel: regions that forms register for their buttons and menu items, the touch
// thread that reads "/dev/event0" and matches touches, and the two-slot message queue.
#pragma once

#include <atomic>
#include <cstdint>

#include "gui/base.h"
#include "platform/seam.h"

struct GUIBUTTON;
struct GUIMENU;

struct GUITOUCHMAP {
    uint16_t wX, wY; // centre
    uint16_t wWidth, wHeight;
    uint16_t wType; // 1 button, 2 menu item
    uint16_t wId;
    void* pObject;
    GUITOUCHMAP* pNext;
};

struct GUITOUCHMSG {
    uint16_t wState; // 1 press, 2 release
    uint16_t wType;
    uint16_t wId;
    void* pObject;
};

struct GUITOUCHPAD {
    uint8_t bCount;
    uint16_t wLastTime;
    uint16_t wRepeat;
    uint16_t wLastState; // 0 none, 1 pressed, 2 released
    int32_t iDevFd;
    char* strDevice; // also the name
    GUITOUCHMAP* pMap;
    uint16_t wLastType;
    uint16_t wLastId;
    void* pLastObject;
};

struct GUIMSGBUFF {
    GUITOUCHMSG msg[2];
    uint8_t bFull;
    uint8_t bRead;
    uint8_t bWrite;
    uint8_t bCount;
};

extern GUIMSGBUFF MsgBuff;
extern uint8_t _bTouchRepeat;
extern std::atomic<uint8_t> _touch_thread_flag;

int InitializeTouchpadQueue();
int ReleaseTouchpadQueue();
GUITOUCHPAD* CreateTouchpadDirect(uint16_t wRepeat, const char* strDevice);
GUITOUCHPAD* CreateTouchpadIndirect(const GUITOUCHPAD* pRecord);
int DeleteTouchpadDirect(GUITOUCHPAD* pTouch);
int DeleteTouchpadIndirect(const char* strDevice);
GUITOUCHPAD* GetTouchpadObject(const char* strDevice);

GUITOUCHMAP* AddTouchMap(uint16_t wX, uint16_t wY, uint16_t wWidth, uint16_t wHeight, uint16_t wType,
                         void* pObject, GUITOUCHPAD* pTouch);
GUITOUCHMAP* _AddTouchMap(uint16_t wX, uint16_t wY, uint16_t wWidth, uint16_t wHeight, uint16_t wType,
                          uint16_t wId, void* pObject, GUITOUCHPAD* pTouch);
GUITOUCHMAP* AddTouchMap_Button(GUIBUTTON* pButton, GUITOUCHPAD* pTouch);
GUITOUCHMAP* AddTouchMap_ButtonEx(GUIBUTTON* pButton, uint16_t wId, GUITOUCHPAD* pTouch);
int AddTouchMap_Menu(GUIMENU* pMenu, GUITOUCHPAD* pTouch);
int AddTouchMap_MenuEx(GUIMENU* pMenu, uint16_t wItemWidth, uint16_t wItemHeight, uint8_t bGap,
                       GUITOUCHPAD* pTouch);
int DelTouchMap(GUITOUCHMAP* pMap, GUITOUCHPAD* pTouch);
int DelTouchMapList(GUITOUCHPAD* pTouch);
GUITOUCHMAP* MatchTouchMapList(uint16_t x, uint16_t y, GUITOUCHPAD* pTouch);
int MatchCoordinateMap(uint16_t x, uint16_t y, const GUITOUCHMAP* pMap); // 1 inside

// The touch thread; arg is the touch pad. Started with plat_thread_create by the start-up code.
void* thread_routine_touch(void* arg);
void touch_thread_lock();
void touch_thread_unlock();
// The start-up code hands over the thread slot so that ReleaseTouchpadResource can stop the thread.
void SetTouchThreadSlot(plat_thread_t* pSlot);
plat_thread_t* GetTouchThreadSlot();

int WriteEventMsg(const GUITOUCHMSG* pMsg);
int ReadEventMsg(GUITOUCHMSG* pMsg); // 1 when a message was read
int ClearMsg();
int ClearEventMsg();
int GetTouchpadEvent(GUITOUCHPAD* pTouch, GUITOUCHMSG* pMsg); // the message's state, 0 none
uint8_t GetTouchRepeat();
int GetTouchResetFlag(); // uses the "/dev/event0" touch pad
