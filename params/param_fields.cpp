// Field descriptions of the parameter table pages, in step with the packed layouts of
// param_tables.h (the offsets come from the structures themselves).
#include "params/param_fields.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "params/param_tables.h"

namespace
{

using T = ParamFieldType;

#define F(S, NAME, TYPE)                                                                                     \
    ParamField                                                                                               \
    {                                                                                                        \
#NAME, uint16_t(offsetof(S, NAME)), TYPE, uint16_t(sizeof(S::NAME))                                  \
    }

std::vector<ParamField> user_fields()
{
    using S = TABLEUSERINFO;
    return {F(S, dwTotalArcCount, T::U32), F(S, dwCurArcCount, T::U32), F(S, dwUserVal8, T::U32),
            F(S, dwUserVal12, T::U32),     F(S, dwXImagePlace, T::U32), F(S, dwYImagePlace, T::U32),
            F(S, dwUserVal24, T::U32),     F(S, dwSpliceCount, T::U32), F(S, dwArcCount, T::U32),
            F(S, dwBatteryFull, T::U32),   F(S, dwBatteryRef, T::U32),  F(S, dwUserVal44, T::U32),
            F(S, szSplicePlace, T::Str),   F(S, bReplaceFlag, T::U8)};
}

std::vector<ParamField> factsys_fields()
{
    using S = TABLEFACTORYSYS;
    return {
        F(S, lMonitorLedBright, T::I32),  F(S, lLcdBrightVal, T::I32),     F(S, lElecPosX, T::I32),
        F(S, lElecPosY, T::I32),          F(S, lXLedVolt, T::I32),         F(S, lYLedVolt, T::I32),
        F(S, lXLightVal, T::I32),         F(S, lYLightVal, T::I32),        F(S, lXLightErr, T::I32),
        F(S, lYLightErr, T::I32),         F(S, lArcCaliPress, T::I32),     F(S, lArcCaliTemp, T::I32),
        F(S, lArcCaliResult, T::I32),     F(S, lHeatMiddleLow, T::I32),    F(S, lHeatMiddleHigh, T::I32),
        F(S, lHeatBorderLow, T::I32),     F(S, lHeatBorderHigh, T::I32),   F(S, lCamAdjustFlag, T::I32),
        F(S, lMachSerNumBackup, T::U32),  F(S, wMachSerNumBackup, T::U16), F(S, bMachSerNumFlag, T::U8),
        F(S, bCompensationBright, T::U8), F(S, lRPressBacklashFB, T::I32), F(S, lRPressBacklashBF, T::I32)};
}

std::vector<ParamField> motorpar_fields()
{
    using S = TABLEFACTMOTORPAR;
    return {F(S, lLPressCl, T::I32),     F(S, lRPressCl, T::I32),     F(S, dwXFocusSetup, T::U32),
            F(S, dwYFocusSetup, T::U32), F(S, dwXAlignSetup, T::U32), F(S, dwYAlignSetup, T::U32),
            F(S, lLPressCoef1, T::I32),  F(S, lLPressCoef2, T::I32),  F(S, lRPressCoef1, T::I32),
            F(S, lRPressCoef2, T::I32),  F(S, lXFocusCoef1, T::I32),  F(S, lXFocusCoef2, T::I32),
            F(S, lYFocusCoef1, T::I32),  F(S, lYFocusCoef2, T::I32),  F(S, lXAlignCoef1, T::I32),
            F(S, lXAlignCoef2, T::I32),  F(S, lYAlignCoef1, T::I32),  F(S, lYAlignCoef2, T::I32)};
}

std::vector<ParamField> motordis_fields()
{
    using S = TABLEFACTMOTORDIS;
    return {F(S, lLPressHome, T::I32), F(S, lRPressHome, T::I32), F(S, lXFocusHome, T::I32),
            F(S, lYFocusHome, T::I32), F(S, lXAlignHome, T::I32), F(S, lYAlignHome, T::I32),
            F(S, lLPressUp, T::I32),   F(S, lRPressUp, T::I32),   F(S, lXFocusUp, T::U32),
            F(S, lYFocusUp, T::U32),   F(S, lXAlignUp, T::I32),   F(S, lYAlignUp, T::I32),
            F(S, lLPressDown, T::I32), F(S, lRPressDown, T::I32), F(S, lXFocusDown, T::U32),
            F(S, lYFocusDown, T::U32), F(S, lXAlignDown, T::I32), F(S, lYAlignDown, T::I32)};
}

// Camera pages: the X sensor image runs over page 21 and the head of page 22, the Y image follows.
std::vector<ParamField> camera_fields(int camera)
{
    std::vector<ParamField> v;
    auto reg = [&](const std::string& name, int offset) {
        v.push_back(ParamField{name, uint16_t(offset), T::U8, 1});
    };
    if (camera == 0) {
        reg("xCommand", 0);
        reg("xStartReg", 1);
        for (int r = 0; r <= 121; ++r)
            reg("xReg" + std::to_string(r), 2 + r);
    } else {
        for (int r = 122; r <= 143; ++r)
            reg("xReg" + std::to_string(r), r - 122);
        reg("yCommand", CAMERA_Y_IMAGE_OFFSET);
        reg("yStartReg", CAMERA_Y_IMAGE_OFFSET + 1);
        for (int r = 0; r <= 29; ++r)
            reg("yReg" + std::to_string(r), CAMERA_Y_REG_OFFSET + r);
    }
    return v;
}

std::vector<ParamField> option_fields()
{
    using S = APPTABLE_OPTION;
    return {F(S, lEnableAutoStart, T::I32), F(S, lEnablePauseOne, T::I32),  F(S, lEnablePauseTwo, T::I32),
            F(S, lDispCleaveAngle, T::I32), F(S, lDispAxisOffset, T::I32),  F(S, lIgnoreCleaveErr, T::I32),
            F(S, lIgnoreAngleErr, T::I32),  F(S, lIgnoreLossErr, T::I32),   F(S, lIgnoreBubbleErr, T::I32),
            F(S, lIgnoreFatErr, T::I32),    F(S, lIgnoreThinErr, T::I32),   F(S, lArcCompPress, T::I32),
            F(S, lArcCompTemp, T::I32),     F(S, lFbrImgGap, T::I32),       F(S, lFbrImgOne, T::I32),
            F(S, lFbrImgAlign, T::I32),     F(S, lFbrImgTwo, T::I32),       F(S, lFbrImgArc, T::I32),
            F(S, lFbrImgEst, T::I32),       F(S, lOthPauseRealign, T::I32), F(S, lRecStorDis, T::I32),
            F(S, lAdjustAutoAim, T::I32),   F(S, bCheckDegree, T::U8),      F(S, bCheckFiber, T::U8),
            F(S, bSpliceLogger, T::U8),     F(S, bArcBrightComp, T::U8),    F(S, bKeep94, T::Bytes),
            F(S, bEndFaceMethod, T::U8)};
}

std::vector<ParamField> machine_fields()
{
    using S = MachineParameter;
    return {F(S, dwKeySound, T::U32),       F(S, dwLanguage, T::U32),        F(S, dwScreenTurn, T::U32),
            F(S, dwLcdSaveTime, T::U32),    F(S, dwAutoPowerOff, T::U32),    F(S, dwAutoHeat, T::U32),
            F(S, dwElecWarnCount, T::U32),  F(S, dwElecLimitCount, T::U32),  F(S, dwLastMaintDate, T::U32),
            F(S, dwFirstMaintDate, T::U32), F(S, dwNationCode, T::U32),      F(S, dwNationCode2, T::U32),
            F(S, dwMachSerNum, T::U32),     F(S, lOpenPasswordLock, T::I32), F(S, lOpenDustCheck, T::U16),
            F(S, bTouchEnable, T::U8),      F(S, bKeep80, T::Bytes),         F(S, bKeep89, T::U8),
            F(S, bKeep90, T::U8),           F(S, dwMaintainCount, T::U32),   F(S, dwProduceDate, T::U32),
            F(S, wMachSerNumHigh, T::U16),  F(S, bMark80um, T::U8),          F(S, bScaleMode, T::U8),
            F(S, bKeep104, T::U8),          F(S, bFocMotAlterFlag, T::U8),   F(S, bSpeakerSet1, T::U8),
            F(S, wSpeakerSet2, T::U16),     F(S, dwSpeakerMarker, T::U32),   F(S, bStoreImage, T::U8),
            F(S, bServerBind, T::U8),       F(S, b4GEnable, T::U8),          F(S, bGpsEnable, T::U8),
            F(S, b4GTimeSync, T::U8),       F(S, dwPowerOnPwd, T::U32),      F(S, dwMenuLockPwd, T::U32),
            F(S, bMenuLock, T::U8),         F(S, dwFormatPwd, T::U32)};
}

std::vector<ParamField> splice_fields()
{
    using S = APPSPLICE;
    std::vector<ParamField> v = {
        F(S, bItemMask, T::Bytes),  F(S, bModeIndex, T::U8),   F(S, bModeLock, T::U8),
        F(S, bModeDefine, T::U8),   F(S, bModeActive, T::U8),  F(S, bTemplateIndex, T::U8),
        F(S, bSpliceType, T::U8),   F(S, bTargetLoss, T::U8),  F(S, bAlignType, T::U8),
        F(S, bLeftFocus, T::U8),    F(S, bRightFocus, T::U8),  F(S, bLeftMfd, T::U8),
        F(S, bRightMfd, T::U8),     F(S, bArcAdjust, T::U8),   F(S, bPullTest, T::U8),
        F(S, bLossEstimate, T::U8), F(S, bLossMin, T::U8),     F(S, bLossLimit, T::U8),
        F(S, bCoreLimit, T::U8),    F(S, bCleaveLimit, T::U8), F(S, bKerfOff, T::U8),
        F(S, bKerfGap, T::U8),      F(S, bKerfOverlap, T::U8)};
    struct Arc {
        const char* name;
        size_t offset;
    };
    for (Arc a :
         {Arc{"arcClearArc", offsetof(S, arcClearArc)}, Arc{"arcPreheatArc", offsetof(S, arcPreheatArc)},
          Arc{"arcFuseArc", offsetof(S, arcFuseArc)}, Arc{"arcTaperArc", offsetof(S, arcTaperArc)},
          Arc{"arcSecondArc", offsetof(S, arcSecondArc)}, Arc{"arcAgainArc", offsetof(S, arcAgainArc)}}) {
        std::string n = a.name;
        v.push_back(ParamField{n + ".bIntensOff", uint16_t(a.offset), T::U8, 1});
        v.push_back(ParamField{n + ".bTimeUnit", uint16_t(a.offset + 1), T::U8, 1});
        v.push_back(ParamField{n + ".wTimeCount", uint16_t(a.offset + 2), T::U16, 2});
    }
    std::vector<ParamField> tail = {F(S, bFuseExposal, T::U8),
                                    F(S, bFuseSpeed, T::U8),
                                    F(S, bTaperEnable, T::U8),
                                    F(S, bTaperSpeed, T::U8),
                                    F(S, wTaperWait, T::U16),
                                    F(S, wTaperLength, T::U16),
                                    F(S, wSecondOn, T::U16),
                                    F(S, wSecondOff, T::U16),
                                    F(S, szModeName, T::Str),
                                    F(S, szModeNote, T::Str),
                                    F(S, bCoreShiftCompensation, T::U8)};
    v.insert(v.end(), tail.begin(), tail.end());
    return v;
}

std::vector<ParamField> heater_fields()
{
    using S = APPHEATER;
    return {F(S, bEditMask, T::U8),   F(S, bModeActive, T::U8), F(S, bHeatCtrl, T::U8),
            F(S, wHeatTemp, T::U16),  F(S, wHeatTime, T::U16),  F(S, wCoolTime, T::U16),
            F(S, szModeName, T::Str), F(S, szModeNote, T::Str), F(S, bPreheat, T::U8),
            F(S, bPreheatTemp, T::U8)};
}

#undef F

uint32_t get(const uint8_t* p, int len)
{
    uint32_t v = 0;
    for (int i = len - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

bool parse_int(std::string_view text, long long& out)
{
    std::string s(text);
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 0);
    if (errno || !end || *end) return false;
    out = v;
    return true;
}

} // namespace

const std::vector<ParamTableDesc>& ParamTables()
{
    static const std::vector<ParamField> user = user_fields(), none, factsys = factsys_fields(),
                                         motorpar = motorpar_fields(), motordis = motordis_fields(),
                                         cam0 = camera_fields(0), cam1 = camera_fields(1),
                                         option = option_fields(), machine = machine_fields(),
                                         splice = splice_fields(), heater = heater_fields();
    static const std::vector<ParamTableDesc> tables = {
        {"userinfo", PAR_PAGE_USERINFO, USERINFO_SLOTS, &user},
        {"reserved", PAR_PAGE_RESERVED, 2, &none},
        {"factsys", PAR_PAGE_FACTSYS, 1, &factsys},
        {"factmotorpar", PAR_PAGE_FACTMOTORPAR, 1, &motorpar},
        {"factmotordis", PAR_PAGE_FACTMOTORDIS, 1, &motordis},
        {"camera0", PAR_PAGE_FACTCAMERA0, 1, &cam0},
        {"camera1", PAR_PAGE_FACTCAMERA1, 1, &cam1},
        {"option", PAR_PAGE_SPLICEOPTION, 1, &option},
        {"machine", PAR_PAGE_MACHINE, 1, &machine},
        {"splicetemp", PAR_PAGE_SPLICETEMP, SPLICE_TEMP_NUM, &splice},
        {"splicemode", PAR_PAGE_SPLICEMODE, SPLICE_MODE_NUM, &splice},
        {"heatertemp", PAR_PAGE_HEATERTEMP, HEATER_TEMP_NUM, &heater},
        {"heatermode", PAR_PAGE_HEATERMODE, HEATER_MODE_NUM, &heater},
    };
    return tables;
}

const ParamTableDesc* ParamTableOfPage(int page)
{
    for (const auto& t : ParamTables())
        if (page >= t.firstPage && page < t.firstPage + t.count) return &t;
    return nullptr;
}

const ParamTableDesc* ParamTableByName(std::string_view name)
{
    for (const auto& t : ParamTables())
        if (name == t.name) return &t;
    return nullptr;
}

const ParamField* ParamFieldByName(const ParamTableDesc& table, std::string_view name)
{
    for (const auto& f : *table.fields)
        if (f.name == name) return &f;
    return nullptr;
}

bool ParamFieldSet(const ParamField& f, uint8_t* page, std::string_view text, std::string& err)
{
    uint8_t* p = page + f.offset;
    switch (f.type) {
    case T::Str: {
        if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
            err = "a quoted text is expected";
            return false;
        }
        std::string_view s = text.substr(1, text.size() - 2);
        if (s.size() >= f.len) {
            err = "text longer than " + std::to_string(f.len - 1) + " characters";
            return false;
        }
        std::memset(p, 0, f.len);
        std::memcpy(p, s.data(), s.size());
        return true;
    }
    case T::Bytes: {
        size_t n = 0, pos = 0;
        std::string s(text);
        while (pos < s.size()) {
            size_t start = s.find_first_not_of(" \t", pos);
            if (start == std::string::npos) break;
            size_t end = s.find_first_of(" \t", start);
            if (end == std::string::npos) end = s.size();
            long long v;
            if (!parse_int(std::string_view(s).substr(start, end - start), v) || v < 0 || v > 255) {
                err = "byte values 0..255 are expected";
                return false;
            }
            if (n >= f.len) {
                err = "more than " + std::to_string(f.len) + " bytes";
                return false;
            }
            p[n++] = uint8_t(v);
            pos = end;
        }
        return true;
    }
    default: {
        long long v;
        if (!parse_int(text, v)) {
            err = "a number is expected";
            return false;
        }
        long long lo = f.type == T::I32 ? INT32_MIN : 0;
        long long hi = f.type == T::U8    ? 255
                       : f.type == T::U16 ? 65535
                       : f.type == T::I32 ? INT32_MAX
                                          : UINT32_MAX;
        if (v < lo || v > hi) {
            err = "value out of the field's range";
            return false;
        }
        uint32_t u = uint32_t(v);
        for (int i = 0; i < f.len; ++i)
            p[i] = uint8_t(u >> (8 * i));
        return true;
    }
    }
}

std::string ParamFieldText(const ParamField& f, const uint8_t* page)
{
    const uint8_t* p = page + f.offset;
    switch (f.type) {
    case T::Str: {
        std::string s = "\"";
        for (int i = 0; i < f.len && p[i]; ++i) {
            char c = char(p[i]);
            s += (c >= 32 && c < 127 && c != '"') ? c : '?';
        }
        return s + "\"";
    }
    case T::Bytes: {
        std::string s;
        for (int i = 0; i < f.len; ++i) {
            if (i) s += ' ';
            s += std::to_string(p[i]);
        }
        return s;
    }
    case T::I32:
        return std::to_string(int32_t(get(p, 4)));
    default:
        return std::to_string(get(p, f.len));
    }
}
