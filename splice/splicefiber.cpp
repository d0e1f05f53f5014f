// The reduced splice of the factory test and arc calibration screens: no pauses, no error waits;
// the first failure is returned to the screen.
#include <cstdio>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/fiberstruct.h"
#include "formmodel/forms.h"
#include "machine/machine.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "records/record.h"
#include "splice/aim.h"
#include "splice/arc.h"
#include "splice/autosplice.h"
#include "splice/axisoffset.h"
#include "splice/cleaveangle.h"
#include "splice/press.h"
#include "splice/resultbar.h"
#include "splice/splicecheck.h"
#include "splice/spliceinfo.h"
#include "splice/splicelog.h"
#include "splice/splicestate.h"

int ARC_COMPENSATION_FLAG = 0;

namespace
{
constexpr int kCalibTemplate = 7;

bool factory_test_screen(const GUIWINDOW* w)
{
    return w && (w == frmFactTestRound || w == frmFactTestMotor);
}

int splice_number()
{
    int count = 0;
    if (GetCount_Record(&count) != 0 || count < 0) count = 0;
    return count + 1;
}

// The mode of this splice: the arc compensation's mode while it runs, else the calibration
// template.
void load_mode(SPLICE_INFORMATION* info)
{
    APPSPLICE m{};
    const int r = ARC_COMPENSATION_FLAG ? ReadMode_Splice(idOfSpliceMode(5), &m)
                                        : ReadTemp_Splice(kCalibTemplate + 1, &m);
    if (r == 0) info->CurrentSplice = m;
}

int aim_with_retry(APPFIBER* fibre)
{
    int r = AutoAim(fibre, 0, 0, 0);
    if (r == 226) {
        if (ResetAlignMotor(2000) != 0) {
            MoveAlignMotor(0, 0);
            return 0;
        }
        r = AutoAim(fibre, 0, 0, 0);
    }
    if (r != 0) std::printf("AutoAim() Err\n");
    return r;
}
} // namespace

int SpliceFiber(int showResults)
{
    GUIWINDOW* w = WND_ACTIVE;
    APPTABLE_OPTION opt{};
    GetTable_SpliceOption(&opt);
    iMultiFlag = 0;
    InitializeSpliceInformation();
    SPLICE_INFORMATION* info = GetCurrentInformation();
    load_mode(info);
    InitializeFiberStruct();
    APPFIBER* fibre = GetFiberStruct();
    // An earlier sequence or measurement leaves the presence lines at the end faces it found; the
    // feed would stop on them, so they go back to their usual columns as in the full splice.
    ResetBrightWavePos();
    ClearResetFlag();
    BacktrackAllMotor();
    SetMotorSpeed(0);
    if (showResults) SetSpliceLayout(opt.lFbrImgGap, w);

    if (int r = AutoPress()) return r;
    if (showResults || factory_test_screen(w)) {
        if (int r = ClearArc(0)) return r;
    }
    if (int r = aim_with_retry(fibre)) return r;
    SetAlignMode(2);
    const APPSPLICE& mode = info->CurrentSplice;
    if (int r = SpliceFocusAdjust(16, mode.bLeftFocus, fibre)) return r;
    if (int r = SplicePrecisionPressAdjust(6, 0, mode.bKerfOff, mode.bKerfGap, 0)) return r;
    GetEndfaceMethods(opt.bEndFaceMethod).CoreDirty(iMultiFlag);
    CalcFiberAngle(fibre);
    if (showResults && opt.lDispCleaveAngle) DisplayCleaveAngle(info, w);
    if (int r = CheckCleaveAngle(info)) return r;
    const int number = splice_number();
    printSliceInfoToStorage(SPLICE_LOG_PAUSE_ONE, number);
    if (showResults) SetSpliceLayout(opt.lFbrImgOne, w);
    if (int r = SpliceAimAdjust(20, 0.0f, 0.0f, fibre)) return r;

    if (!showResults) {
        fAxisOffset = CalcCoreAxisOffset(0);
        if (!factory_test_screen(w)) ClearDisplayInformation(w);
        return 0;
    }
    if (int r = GetEndfaceEx(3)) return r;
    GetEndfaceMethods(opt.bEndFaceMethod).CoreEndFace();
    TuneOverlap();
    printSliceInfoToStorage(SPLICE_LOG_PAUSE_TWO, number);
    if (int r = SpliceArc(fibre)) return r;
    plat_sleep_ms(1000);
    if (int r = CheckSplice()) return r;
    ARC_COMPENSATION_FLAG = 0;
    printSliceInfoToStorage(SPLICE_LOG_COMPLETE, number);
    ClearDisplayInformation(w);
    return 0;
}
