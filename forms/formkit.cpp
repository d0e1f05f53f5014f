// Helpers shared by the forms (see formkit.h).
#include "forms/formkit.h"

#include <cstdio>
#include <cstring>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/touchpad.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"
#include "texts/textres_factory.h"

void FormFill(GUIFRAME* f, int x1, int y1, int x2, int y2, uint32_t index)
{
    if (!f) return;
    GUIBRUSH b{1, 1, index, index, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x1), uint32_t(y1)), MakePoint(uint32_t(x2), uint32_t(y2)), &b, f);
}

void FormLabel(GUIFRAME* f, const GUISTRING* text, int x, int y, int w, int h, int align, const char* font)
{
    if (!f || !text || text->wLength == 0) return;
    GUIBUTTON* b = CreateButtonDirect(1, 0, 0, uint8_t(align), uint16_t(w), uint16_t(h), uint16_t(x),
                                      uint16_t(y), GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                                      GetFontObject(font), f, nullptr, const_cast<GUISTRING*>(text), nullptr);
    if (b) {
        // A transparent box: only the glyphs are drawn over what is there.
        b->bStyle = 5;
        _ButtonDirectPut(b);
        DeleteButtonDirect(b);
    }
}

uint32_t FormRgb(GUIFRAME* f, uint32_t rgb)
{
    return _PaletteColorBuild(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), f->pPalette);
}

void FormText(GUIFRAME* f, const std::string& s, int x, int y, int w, int h, int align, const char* font,
              int size)
{
    GUISTRING* t = StrAsciiTrans(s.c_str(), uint8_t(size), 1);
    FormLabel(f, t, x, y, w, h, align, font);
    DeleteStringDirect(t);
}

uint32_t FormPaintDone(GUIWINDOW* w, int mode)
{
    ShowStatusItems(mode, w);
    SetWindowPaintFlag(1);
    _FrameBufferMix(0, 480, w->pFrmFore, w->pFrmBack);
    _FrameBufferRelocate(w->pFrmFore, w->pFrmBack);
    w->bPaint = 1;
    return 0;
}

GUIBUTTON* FormIconButton(GUIWINDOW* pWnd, int w, int h, int x, int y, GUIIMAGE* pIcon, GUIIMAGE* pPush,
                          GUICLICK fnClick, GUICLICK fnClickDown)
{
    if (!pWnd) return nullptr;
    GUIBUTTON* b =
        CreateButtonDirectEx(4, 0, 0, 2, uint16_t(w), uint16_t(h), uint16_t(x), uint16_t(y),
                             GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                             GetFontObject("_TXT_BLK"), pWnd->pFrmFore, pIcon, nullptr, fnClick, fnClickDown);
    if (b) b->pPushIcon = pPush;
    return b;
}

uint32_t FormGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext)
{
    if (!pWnd || !pNext) return 0;
    pWnd->lReason = 4;
    pWnd->pNext = pNext;
    pWnd->bPaint = 0;
    return 4;
}

std::string FormModeName(const char* name, size_t size)
{
    std::string s;
    for (size_t i = 0; name && i < size && name[i]; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        s += (c >= 32 && c < 127) ? char(c) : '?';
    }
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s.empty() ? "-" : s;
}

uint32_t FormTitleText(const GUIWINDOW* w)
{
    if (!w) return 0;
    static const struct {
        const char* form;
        uint32_t text;
    } kTitles[] = {
        {"frmMaintain", TXT_MAINTENANCE},
        {"frmMaintRepair", TXT_TITLE_REPAIR},
        {"frmMaintAutoAdjust", TXT_TITLE_AUTO_ADJUST},
        {"frmMaintReplace", TXT_TITLE_ELECTRODE_REPLACE},
        {"frmMaintStabilize", TXT_TITLE_ELECTRODE_STABILIZE},
        {"frmAutoMaintenance", TXT_TITLE_AUTO_MAINTENANCE},
        {"frmMaintBrightness", TXT_TITLE_BRIGHTNESS_CAL},
        {"frmMaintDust", TXT_TITLE_DUST_CHECK},
        {"frmMaintDustStart", TXT_TITLE_DUST_CHECK},
        {"frmMaintMotor", TXT_TITLE_MOTOR_CAL},
        {"frmMaintArc", TXT_TITLE_ARC_CAL},
        {"frmMaintElectrode", TXT_TITLE_ELECTRODE_COUNT},
        {"frmMaintMotorDriver", TXT_TITLE_MOTOR_DRIVE},
        {"frmMaintUpdate", TXT_TITLE_SOFTWARE_UPDATE},
        {"frmMaintEnduredArc", TXT_TITLE_ENDURANCE_ARC},
        {"frmMaintDiagnostic", TXT_TITLE_DIAGNOSTIC},
        {"frmMenuLock", TXT_TITLE_MENU_LOCK},
        {"frmSplice", TXT_SPLICE_MODE},
        {"frmSplcSelect", TXT_TITLE_SELECT_SPLICE_MODE},
        {"frmSplcEdit", TXT_TITLE_EDIT_SPLICE_MODE},
        {"frmSplcDelete", TXT_TITLE_DELETE_SPLICE_MODE},
        {"frmSplcEditProp", TXT_TITLE_SPLICE_MODE_PARAMS},
        {"frmSplcSelectTemp", TXT_TITLE_SPLICE_MODE_TEMPLATE},
        {"frmOption", TXT_TITLE_SPLICE_OPTIONS},
        {"frmOptIgnore", TXT_TITLE_IGNORE_CHECKS},
        {"frmOptIgnore1", TXT_TITLE_IGNORE_MORE},
        {"frmOptImage", TXT_TITLE_IMAGE_OPTIONS},
        {"frmHeater", TXT_HEATER_MODE},
        {"frmHeatSelect", TXT_TITLE_SELECT_HEATER_MODE},
        {"frmHeatEdit", TXT_TITLE_EDIT_HEATER_MODE},
        {"frmHeatDelete", TXT_TITLE_DELETE_HEATER_MODE},
        {"frmHeatEditProp", TXT_TITLE_HEATER_MODE_PARAMS},
        {"frmHeatSelectTemp", TXT_TITLE_HEATER_MODE_TEMPLATE},
        {"frmInfoTextEdit", TXT_TITLE_TEXT_INPUT},
        {"frmSystem", TXT_SETTINGS},
        {"frmSysLanguage", TXT_TITLE_LANGUAGE},
        {"frmSysPower", TXT_TITLE_POWER_SAVING},
        {"frmSysCalendar", TXT_TITLE_DATE_TIME},
        {"frmSysPassword", TXT_TITLE_PASSWORD},
        {"frmSysFormat", TXT_TITLE_FORMAT_STORAGE},
        {"frmSysWifi", TXT_TITLE_WIFI},
        {"frmSysBind", TXT_TITLE_SERVER_BIND},
        {"frmSys4GBind", TXT_TITLE_4G_BIND},
        {"frmSysAPP", TXT_TITLE_MOBILE_APP},
        {"frmSystem4GSetting", TXT_TITLE_4G_SETTINGS},
        {"frmHelpGuid", TXT_HELP},
        {"frmInformation", TXT_TITLE_INFORMATION},
        {"frmStorage", TXT_TITLE_SPLICE_RECORDS},
        {"frmStorDisplay", TXT_TITLE_SHOW_RECORDS},
        {"frmStorEdit", TXT_TITLE_EDIT_NOTES},
        {"frmStorClear", TXT_TITLE_CLEAR_RECORDS},
        {"frmUserFunction", TXT_TITLE_USER_GUIDE},
        {"frmUserPowerSupply", TXT_TITLE_POWER_SUPPLY},
        {"frmUserMaintainMenu", TXT_TITLE_GUIDE_MAINTENANCE},
        {"frmUserSetupMenu", TXT_TITLE_GUIDE_SETUP},
        {"frmUserDailyMaintain", TXT_TITLE_DAILY_MAINTENANCE},
        {"frmUserSpliceProcess", TXT_TITLE_SPLICE_PROCESS},
        {"frmUserSpliceHowto", TXT_TITLE_HOW_TO_SPLICE},
        {"frmUserSpliceCheck", TXT_TITLE_CHECK_SPLICE},
        {"frmUserSpliceExec", TXT_TITLE_RUN_SPLICE},
        {"frmUserSpliceProtect", TXT_TITLE_PROTECT_SPLICE},
        {"frmUserFuncOverview", TXT_TITLE_OVERVIEW},
        {"frmUserFuncMode", TXT_TITLE_MODES},
        {"frmUserFuncConnector", TXT_TITLE_CONNECTORS},
        {"frmUserFuncCommunication", TXT_TITLE_COMMUNICATION},
        {"frmUserFuncContact", TXT_TITLE_CONTACT},
        {"frmUserFuncVideo", TXT_TITLE_VIDEO},
        {"frmUserSpliceTools", TXT_TITLE_TOOLS},
        {"frmUserSplicePretreatment", TXT_TITLE_FIBER_PREPARATION},
        {"frmUserInfoChange", TXT_TITLE_EDIT_USER_INFO},
        {"frmUserInfoShow", TXT_TITLE_USER_INFO},
        {"frmGpsSwitch", TXT_TITLE_GPS},
        {"frmFactory", TXT_TITLE_FACTORY_MENU},
        // Factory menu and its editors.
        {"frmFactElectrode", TXT_FACT_ELECTRODE},
        {"frmFactGraphics", TXT_FACT_GRAPHICS},
        {"frmFactHeater", TXT_FACT_HEATER},
        {"frmFactLed", TXT_FACT_LED},
        {"frmFactMotor", TXT_FACT_MOTOR},
        {"frmFactSplice", TXT_FACT_SPLICE},
        {"frmFactArc", TXT_FACT_ARC},
        {"frmFactArcCompensation", TXT_FACT_ARC_COMP},
        {"frmFactCount", TXT_FACT_COUNT},
        {"frmFactOther", TXT_FACT_OTHER},
        {"frmFactSerial", TXT_FACT_SERIAL},
        {"frmFactTest", TXT_FT_TITLE_MENU},
        {"frmFactTestAll", TXT_FT_TITLE_ALL},
        {"frmFactTestPress", TXT_FT_TITLE_PRESS},
        {"frmFactTestAlign", TXT_FT_TITLE_ALIGN},
        {"frmFactTestMirror", TXT_FT_TITLE_MIRROR},
        {"frmFactTestMotor", TXT_FT_TITLE_MOTOR},
        {"frmFactTestCali", TXT_FT_TITLE_CALI},
        {"frmFactTestFiber", TXT_FT_TITLE_FIBER},
        {"frmFactTestRound", TXT_FT_TITLE_ROUND},
        {"frmFactTestArc", TXT_FT_TITLE_ARC},
        {"frmFactTestWave", TXT_FT_TITLE_WAVE},
        {"frmFactTestKeypad", TXT_FT_TITLE_KEYPAD},
        {"frmFactSensor", TXT_FT_TITLE_SENSOR},
        {"frmFactSpliceTest", TXT_FT_TITLE_SPLICE},
        {"frmFactOtherCamera", TXT_FT_TITLE_CAMERA},
        {"frmFactOtherEndurance", TXT_FT_TITLE_ENDURANCE},
        {"frmFactOtherNoise", TXT_FT_TITLE_NOISE},
        {"frmFactOtherMotorCorrect", TXT_FT_TITLE_MOTORCORRECT},
    };
    const char* name = FormName(w);
    for (auto& t : kTitles)
        if (!std::strcmp(t.form, name)) return t.text;
    return 0;
}

void FormReleaseInput()
{
    if (GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH)) DelTouchMapList(touch);
    ClearEventMsg();
}

uint32_t FormReleaseDone(GUIWINDOW* pWnd)
{
    _FramePageChange();
    pWnd->bPaint = 0;
    pWnd->bInit = 0;
    return 0;
}
