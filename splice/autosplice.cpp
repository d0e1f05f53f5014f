// The automatic splice sequence: from two loose fibres to a stored record with an estimated loss.
// Each step's failure is shown and waits for the operator, who may go on past it (Run, Confirm)
// or end the splice (Cancel, Reset, the cover).
#include "splice/autosplice.h"

#include <cstdio>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "records/record.h"
#include "splice/aim.h"
#include "splice/aim_support.h"
#include "splice/arc.h"
#include "splice/autosplice_steps.h"
#include "splice/axisoffset.h"
#include "splice/buildrecord.h"
#include "splice/cleaveangle.h"
#include "splice/press.h"
#include "splice/quickmode.h"
#include "splice/resultbar.h"
#include "splice/splicecheck.h"
#include "splice/spliceinfo.h"
#include "splice/splicelog.h"
#include "splice/splicemsg.h"
#include "splice/splicestate.h"

namespace
{
constexpr double kDegPerRad = 57.29577951308232;
constexpr float kAxisOffsetLimit = 0.4f; // um, core or cladding alignment
constexpr int kErrAxisOffset = 248;
constexpr int kLocateFailed = -1;

bool is_multi(int t)
{
    return t == 1 || t == 5 || t == 11 || t == 23 || t == 28;
}
bool is_quick(int t)
{
    return t == 23 || t == 28 || t == 29 || t == 30;
}
// Layouts whose two pictures stand side by side, with the divider between them.
bool split_layout(int option)
{
    return option == 4 || option == 8;
}

class Sequence
{
  public:
    int run();

  private:
    GUIWINDOW* w_ = WND_ACTIVE;
    SPLICE_INFORMATION* info_ = GetCurrentInformation();
    APPFIBER* fibre_ = nullptr;
    APPTABLE_OPTION opt_{};
    MachineParameter mach_{};
    uint64_t clock_ = 0, total_ = 0;
    bool quick_ = false;
    int corrected_ = 0; // a seating correction moved a motor
    int number_ = 1;    // the number this splice's record gets

    const APPSPLICE& mode() const { return info_->CurrentSplice; }
    bool logger() const { return opt_.bSpliceLogger != 0; }

    // A step's result: a failure (or an abort found after it, up to the discharge) is shown
    // and waits; 0 to go on, else what ends the splice.
    int check(int code)
    {
        if (code == 0 && info_->iCurrentSpliceStatus <= SPLICE_ARC && aim::abort_poll()) code = 2;
        if (code == 0) return 0;
        StopMotor(MOT_ALL);
        if (bStartTimerFlag.load() == 1) bStartTimerFlag = 0;
        return ErrorEventProcess(code == -1 ? 222 : code, 1);
    }
    void done(const char* label)
    {
        DisplayDelayTime(&clock_, label);
        RefreshSpliceTimer(w_);
    }
    void status(int s, int layout)
    {
        SetSpliceStatus(s, w_);
        if (layout) SetSpliceLayout(layout, w_);
    }
    int pause(int s, int layout)
    {
        if (bStartTimerFlag.load() == 1) bStartTimerFlag = 0;
        status(s, layout);
        return ErrorEventProcess(0, 1);
    }
    void log(int stage)
    {
        if (logger()) printSliceInfoToStorage(stage, number_);
    }

    void prepare();
    int identify();
    int focus();
    int align(float target);
    int pre_arc_checks();
    int end_faces();
    void count_splice();
    int store();
};

void Sequence::prepare()
{
    IdleProcessOff();
    GetTable_SpliceOption(&opt_);
    GetTable_MachinePar(&mach_);
    clock_ = total_ = plat_monotonic_ms();
    DisplayDelayTime(&clock_, "Splice Start");
    iMultiFlag = sm_mm_flag = QUICK_MODE = 0;
    iLowQualityFiberFlag = 0; // only this splice's own fibres may weaken its arc
    SetSpliceCalcFlag(0);
    InitializeSpliceInformation();
    InitializeFiberStruct();
    fibre_ = GetFiberStruct();
    ResetBrightWavePos();
    ClearResetFlag();
    ClearDisplayInformation(w_);
    const int t = mode().bTemplateIndex;
    iMultiFlag = is_multi(t) ? 1 : 0;
    std::printf("=======iMultiFlag==========%d\n", iMultiFlag);
    QUICK_MODE = is_quick(t) ? 1 : 0;
    quick_ = QUICK_MODE != 0;
    info_->bAutoMode = mode().bSpliceType == 0 ? 1 : 0;
    TABLEUSERINFO ui{};
    lSpliceCount = GetTable_UserInfo(&ui) == 0 ? int(ui.dwSpliceCount) : 0;
    int count = 0;
    if (GetCount_Record(&count) != 0 || count < 0) count = 0;
    number_ = count + 1;
    if (quick_) StartSpliceTimer();
    BacktrackAllMotor();
    SetMotorSpeed(0);
    status(SPLICE_GAP, opt_.lFbrImgGap);
    done("BacktrackAllMotor");
}

int Sequence::identify()
{
    const int r = AutoIdentify();
    if (r == 0) {
        DisplayFiberType(info_, w_);
        return 0;
    }
    if (int e = check(r)) return e;
    if (mode().bSpliceType == 0) LoadAutoFallbackTemplate();
    return 0;
}

int Sequence::focus()
{
    const int target = mode().bLeftFocus;
    int r = SpliceFocusAdjust(quick_ ? 5 : 20, target, fibre_);
    if (r == AIM_ERR_FOCUS_MOVE) {
        ResetFocusMotor();
        r = SpliceFocusAdjust(20, target, fibre_);
    }
    return check(r);
}

int Sequence::align(float target)
{
    if (mode().bAlignType != 0) return check(SpliceAimAdjust(quick_ ? 15 : 50, target, 0.0f, fibre_));
    if (!opt_.lEnablePauseOne) plat_sleep_ms(1200);
    if (int r = SpliceAimManual()) {
        std::printf("SpliceAimManual() %d\n", r);
        return r;
    }
    if (int r = check(aim::analysis_code(GetCladFPGA()))) return r;
    SetFpgaRect();
    plat_sleep_ms(80);
    GetFpgaKB();
    SetSpliceKeysShown(false);
    if (info_->bAutoMode) DisplayFiberType(info_, w_);
    if (opt_.lDispCleaveAngle) DisplayCleaveAngle(info_, w_);
    return 0;
}

int Sequence::pre_arc_checks()
{
    StoreCladWidth(fibre_);
    fAxisOffset = CalcCoreAxisOffset(0);
    if (quick_ || mode().bSpliceType > 1) return 0;
    if (opt_.lDispAxisOffset) {
        DisplayCoreAngle(info_, w_);
        DisplayAxisOffset(info_, w_);
        if (logger() || DisplayArcValueFlag) DisplayEndfaceAngleSum(info_, w_);
    }
    if (int r = check(CheckCoreAngle(info_))) return r;
    if (mode().bAlignType != 0 && fAxisOffset >= kAxisOffsetLimit) return check(kErrAxisOffset);
    return 0;
}

int Sequence::end_faces()
{
    int r = GetGraphicsData(3);
    if (r == 0) r = GetShadowBrightFPGA();
    if (r == 0) r = GetEndfaceEx(3);
    if (int e = check(aim::analysis_code(r))) return e;
    const ENDFACE_METHODS& m = GetEndfaceMethods(opt_.bEndFaceMethod);
    r = m.CoreEndFace();
    if (!quick_) {
        if (int e = check(aim::analysis_code(r))) return e;
    }
    done("AnalyzCoreEndFace");
    if (quick_ || !m.CladEndFace) return 0;
    if (int e = check(aim::analysis_code(m.CladEndFace(iMultiFlag)))) return e;
    if (mode().bSpliceType == 2) {
        plat_sleep_ms(80);
        if (int e = check(aim::analysis_code(GetCladFPGA()))) return e;
    }
    if (int e = check(aim::analysis_code(m.CoreDirty(iMultiFlag)))) return e;
    done("AnalyzCladEndFace");
    return 0;
}

void Sequence::count_splice()
{
    ++lSpliceCount;
    ParamTableLock();
    TABLEUSERINFO ui{};
    if (GetTable_UserInfo(&ui) == 0) {
        ui.dwSpliceCount = uint32_t(lSpliceCount);
        if (SetTable_UserInfo(&ui) != 0) std::printf("Splice count not saved\n");
    }
    ParamTableUnlock();
    sm_mm_flag = 0;
    SetSpliceCalcFlag(1);
}

int Sequence::store()
{
    if (!info_->iSpliceSuccessFlag) return 0;
    const int r = BuildSpliceRecord(info_);
    if (!info_->iSpliceRecordFlag) return r;
    QueueSpliceMessage();
    if (mach_.bStoreImage) BuildSpliceImage();
    if (!opt_.lRecStorDis) {
        int count = 0;
        if (GetCount_Record(&count) == 0 && count > 0 && BuildSpliceRecordPDF(count) == 0)
            info_->bReportBuilt = 1;
    }
    return r;
}

int Sequence::run()
{
    prepare();
    if (int r = check(AutoPress())) return r;
    done("AutoPress");
    if (int r = check(ClearArc(1))) return r;
    done("ClearArc");
    if (int r = check(SpliceSeatingCheck(fibre_, &corrected_))) return r;
    if (!quick_) {
        const int a = AutoAim(fibre_, 0, 0, 1);
        const int code = a == 226 || a == 238 ? AIM_ERR_SEATING : a == 2 ? 2 : 0;
        if (int r = check(code)) return r;
        done("AutoAim");
        if (int r = identify()) return r;
        done("AutoIdentify");
    }
    if (int r = focus()) return r;
    done("SpliceFocusAdjust");
    if (int r = check(SplicePrecisionPressAdjust(6, 0, mode().bKerfOff, mode().bKerfGap, 0))) return r;
    done("SplicePressAdjust");
    if (!quick_) {
        if (opt_.bEndFaceMethod == 0) {
            if (int r = check(aim::analysis_code(AnalyzCoreDirtyOld()))) return r;
        }
        CalcFiberAngle(fibre_);
        if (opt_.lDispCleaveAngle) DisplayCleaveAngle(info_, w_);
        if (int r = check(CheckCleaveAngle(info_))) return r;
        done("Calc&Disp CleaveAngle");
    }
    log(SPLICE_LOG_PAUSE_ONE);
    if (!corrected_ && opt_.lEnablePauseOne) {
        if (int r = pause(SPLICE_PAUSE1, opt_.lFbrImgOne)) return r;
    }
    status(SPLICE_ALIGN, opt_.lFbrImgAlign);
    const float target = mode().bSpliceType == 2
                             ? GetTargetOffset(float(info_->fCoreAngleSum / kDegPerRad), GetFiberMFD())
                             : 0.0f;
    if (int r = align(target)) return r;
    done("SpliceAimAdjust");
    if (int r = pre_arc_checks()) return r;
    if (logger()) {
        log(SPLICE_LOG_PAUSE_TWO);
        SaveSpliceImagesToUsb();
    }
    if (int r = end_faces()) return r;
    if (!corrected_ && opt_.lEnablePauseTwo) {
        if (int r = pause(SPLICE_PAUSE2, opt_.lFbrImgTwo)) return r;
        if (opt_.lOthPauseRealign) {
            if (int r = check(SpliceAimAdjust(4, target, 0.0f, fibre_))) return r;
        }
    }
    TuneOverlap();
    status(SPLICE_ARC, opt_.lFbrImgArc);
    if (int r = check(SpliceArc(fibre_))) return r;
    done("SpliceArc");
    if (split_layout(opt_.lFbrImgArc) != split_layout(opt_.lFbrImgEst))
        ShowSplitLine(split_layout(opt_.lFbrImgEst) ? 1 : 0, 1, w_);

    if (bStartTimerFlag.load() == 1) bStartTimerFlag = 2;
    status(SPLICE_COMPLETE, quick_ ? 0 : opt_.lFbrImgEst);
    int last = 0;
    if (opt_.bCheckFiber) {
        if (IsInAttmode(mode().bTemplateIndex)) {
            info_->iSpliceSuccessFlag = 1;
        } else {
            last = CheckSplice();
            if (int r = check(last)) return r;
        }
        done("CheckSplice");
    }
    if (last == 0 && opt_.bArcBrightComp && mode().bTemplateIndex == 2 && info_->bCurArcBright != 0) {
        CalCompensationgBright(info_->bCurArcBright);
        AdjustStandardArcValueByBright();
    }

    status(SPLICE_ESTIMATE, 0);
    fAxisOffset = CalcCoreAxisOffset(1);
    CalFiberAngle();
    const int loss = HandleLossValue(fAxisOffset, info_->fCoreAngleSum / kDegPerRad, GetFiberMFD());
    done("HandleLossValue");
    log(SPLICE_LOG_COMPLETE);
    count_splice();
    // A loss, bubble or thickness message is shown for a while; the splice is counted, so its
    // record is stored whatever happens during the message.
    const int shown = loss != 0 ? ErrorEventProcess(loss, 0) : 0;
    SetSpliceKeysShown(true);
    const bool lost = corrected_ && LocateAlignMotor() != 0;
    store();
    SpeakerPutSound(4096);
    DisplayDelayTime(&total_, "TotalSpliceTime");
    if (shown != 0) return shown;
    if (lost) {
        StopMotor(MOT_ALL);
        return kLocateFailed;
    }
    if (int r = ErrorEventProcess(0, corrected_ ? 0 : 1)) return r;
    if (mode().bPullTest) {
        status(SPLICE_PULL, 0);
        BacktrackPressMotor();
    }
    ResetAlignMotor(2000);
    if (corrected_) {
        DisableResetFunc();
        RestoreAlignMotorLimits();
        EnableResetFunc();
    }
    SpliceOverProcess();
    return 3;
}
} // namespace

int FiberAutoSplice()
{
    Sequence s;
    const int r = s.run();
    // Ended early (abort, cancel, a lost motor position): motors stopped, limits back, status 0,
    // whoever called.
    if (r != 3) SpliceOverProcess();
    return r;
}
