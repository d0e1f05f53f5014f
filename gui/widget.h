// Widgets from which forms are built: buttons, captions, status lines, menus and scroll bars.
// Each carries the addresses of its own routines, which forms call through the object.
#pragma once

#include <cstdint>

#include "gui/image.h"
#include "gui/text.h"

struct GUIBUTTON;
struct GUIMENU;

// Click handlers get the object that was clicked (the button, or the menu for menu items) and
// return the form's Process code (0: stay in the form).
using GUICLICK = int (*)(void* pSender);

// ---- Buttons -------------------------------------------------------------------------------------
struct GUIBUTTON {
    uint8_t bStyle; // 0 hidden, 2 icon inverted when pushed, 3 text keeps colour, 4 images, 5 image only
    uint8_t bRim;   // 0 none, 1 raised / hollow, 2 rectangle
    uint8_t bRimEx;
    uint8_t bAlign; // 0 left, 1 right, 2 centred
    uint16_t wWidth, wHeight;
    uint16_t wLeft, wTop;
    uint16_t wLines; // 1 or 2
    GUIIMAGE* pBackImage;
    GUIIMAGE* pPushImage;
    GUIBRUSH* pBrush;
    GUICURSOR* pCursor;
    GUIFONT* pPushFont;
    GUIFONT* pFont;
    GUIFRAME* pFrame;
    GUIIMAGE* pPushIcon;
    GUIIMAGE* pIcon;
    GUISTRING* pText;         // owned by the form
    GUISTRING* pSplitText[2]; // owned by the button
    GUIFRAME* (*fnPut)(GUIBUTTON*);
    GUICLICK fnClickDown;
    GUICLICK fnClick;
    GUIFRAME* (*fnPush)(GUIBUTTON*);
    GUIFRAME* (*fnRevert)(GUIBUTTON*);
};

GUIBUTTON* CreateButtonDirect(uint8_t bStyle, uint8_t bRim, uint8_t bRimEx, uint8_t bAlign, uint16_t wWidth,
                              uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                              GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                              GUISTRING* pText, GUICLICK fnClick);
GUIBUTTON* CreateButtonDirectEx(uint8_t bStyle, uint8_t bRim, uint8_t bRimEx, uint8_t bAlign, uint16_t wWidth,
                                uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                                GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                                GUISTRING* pText, GUICLICK fnClick, GUICLICK fnClickDown);
GUIBUTTON* CreateButtonIndirect(const GUIBUTTON* pRecord);
int DeleteButtonDirect(GUIBUTTON* pButton);
GUIFRAME* _ButtonDirectPut(GUIBUTTON* pButton);
GUIFRAME* _ButtonEventPush(GUIBUTTON* pButton);
GUIFRAME* _ButtonEventRevert(GUIBUTTON* pButton);
int _ButtonMemberAdjust(GUIBUTTON* pButton); // 0 fits, 1 does not, 255 unknown alignment/direction

// ---- Captions and status lines ------------------------------------------------------------------
struct GUICAPTION {
    uint8_t bEnable;
    uint8_t bRim; // 0 none, 1 raised, 2 rectangle
    uint8_t bAlign;
    uint16_t wWidth, wHeight;
    uint16_t wLeft, wTop;
    GUIBRUSH* pBrush;
    GUICURSOR* pCursor;
    GUIFONT* pFont;
    GUIFRAME* pFrame;
    GUIIMAGE* pIcon;
    GUISTRING* pText;
    GUIFRAME* (*fnPut)(GUICAPTION*);
};

struct GUISTATUS {
    uint8_t bEnable;
    uint8_t bRim;
    uint8_t bAlign;
    uint16_t wWidth, wHeight;
    uint16_t wLeft, wTop;
    GUIBRUSH* pBrush;
    GUICURSOR* pCursor;
    GUIFONT* pFont;
    GUIFRAME* pFrame;
    GUISTRING* pText;
    GUIFRAME* (*fnPut)(GUISTATUS*);
};

GUICAPTION* CreateCaptionDirect(uint8_t bEnable, uint8_t bRim, uint8_t bAlign, uint16_t wWidth,
                                uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                                GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                                GUISTRING* pText);
GUICAPTION* CreateCaptionIndirect(const GUICAPTION* pRecord);
int DeleteCaptionDirect(GUICAPTION* pCaption);
GUIFRAME* _CaptionDirectPut(GUICAPTION* pCaption);
int _CaptionMemberAdjust(GUICAPTION* pCaption);

GUISTATUS* CreateStatusDirect(uint8_t bEnable, uint8_t bRim, uint8_t bAlign, uint16_t wWidth,
                              uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                              GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUISTRING* pText);
GUISTATUS* CreateStatusIndirect(const GUISTATUS* pRecord);
int DeleteStatusDirect(GUISTATUS* pStatus);
GUIFRAME* _StatusDirectPut(GUISTATUS* pStatus);
int _StatusMemberAdjust(GUISTATUS* pStatus);

// ---- Menus ----------------------------------------------------------------------------------------
struct GUIMENUITEM {
    GUIBUTTON* pItem;
    GUIMENUITEM* pPrev;
    GUIMENUITEM* pNext;
};

constexpr uint8_t GUI_MENU_MARKER = 165;

struct GUIMENU {
    uint8_t bStyle;
    uint8_t bFocusRim;
    uint8_t bAlign;
    uint8_t bCount;
    uint8_t bGap;
    uint8_t bFirst;   // 1-based
    uint8_t bVisible; // rows shown
    uint8_t bLast;    // 1-based
    uint8_t bFocus;   // 1-based, 0 none
    uint8_t bScratch;
    uint8_t bFocusRow;
    uint8_t bMarker; // 165: focus removed when a touch ends
    uint16_t wItemWidth, wItemHeight;
    uint16_t wLeft, wTop;
    GUIBRUSH* pBrush;
    GUICURSOR* pCursor;
    GUIFONT* pFont;
    GUIFRAME* pFrame;
    GUIMENUITEM* pItems;
    GUIFRAME* (*fnPut)(GUIMENU*);
    int (*fnClickDown)(GUIMENU*);
    int (*fnClick)(GUIMENU*);
    GUIFRAME* (*fnPrevious)(GUIMENU*);
    GUIFRAME* (*fnNext)(GUIMENU*);
    GUIFRAME* (*fnTouchPut)(GUIMENU*, int iAction);
};

GUIMENU* CreateMenuDirect(uint8_t bStyle, uint8_t bFocusRim, uint8_t bAlign, uint8_t bGap, uint8_t bVisible,
                          uint16_t wItemWidth, uint16_t wItemHeight, uint16_t wLeft, uint16_t wTop,
                          GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame);
GUIMENU* CreateMenuDirectEx(uint8_t bStyle, uint8_t bFocusRim, uint8_t bAlign, uint8_t bGap, uint8_t bVisible,
                            uint16_t wItemWidth, uint16_t wItemHeight, uint16_t wLeft, uint16_t wTop,
                            GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame);
GUIMENU* CreateMenuIndirect(const GUIMENU* pRecord);
int DeleteMenuDirect(GUIMENU* pMenu);
GUIBUTTON* _MenuItemAdd(GUIIMAGE* pIcon, GUISTRING* pText, GUICLICK fnClick, GUIMENU* pMenu);
GUIBUTTON* _MenuItemAddEx(GUIIMAGE* pIcon, GUISTRING* pText, GUICLICK fnClick, GUICLICK fnClickDown,
                          GUIMENU* pMenu);
int _MenuItemDel(GUIBUTTON* pItem, GUIMENU* pMenu);
GUIFRAME* _MenuDirectPut(GUIMENU* pMenu);
int _MenuEventClick(GUIMENU* pMenu);
int _MenuEventClickDown(GUIMENU* pMenu);
GUIFRAME* _MenuEventPrevious(GUIMENU* pMenu);
GUIFRAME* _MenuEventNext(GUIMENU* pMenu);
GUIFRAME* _MenuTouchPut(GUIMENU* pMenu, int iAction);
int Match_ButtonInMenu(const GUIBUTTON* pButton, const GUIMENU* pMenu);

// ---- Scroll bars -----------------------------------------------------------------------------------
struct GUISCROLL {
    uint8_t bEnable;
    uint8_t bRim; // 1: hollow track, raised thumb
    uint16_t wWidth, wHeight;
    uint16_t wLeft, wTop;
    uint16_t wMax;
    uint16_t wPos;
    uint16_t wThumb;
    GUIBRUSH* pBrush;
    GUIFRAME* pFrame;
};

GUISCROLL* CreateScrollDirect(uint8_t bEnable, uint8_t bRim, uint16_t wWidth, uint16_t wHeight,
                              uint16_t wLeft, uint16_t wTop, uint16_t wMax, uint16_t wPos, uint16_t wThumb,
                              GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUISCROLL* CreateScrollIndirect(const GUISCROLL* pRecord);
int DeleteScrollDirect(GUISCROLL* pScroll);
GUIFRAME* _ScrollDirectPut(GUISCROLL* pScroll);
GUIFRAME* _ScrollEventInc(GUISCROLL* pScroll);
GUIFRAME* _ScrollEventDec(GUISCROLL* pScroll);
GUIFRAME* _ScrollBlockPut(GUISCROLL* pScroll);
GUIFRAME* _ScrollBlockErase(GUISCROLL* pScroll);
