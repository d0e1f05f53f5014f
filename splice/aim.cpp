// Module state of the alignment, the one-shot coarse alignment and the alignment mode.
#include "splice/aim.h"

#include <cmath>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "fiber/cladedge.h"
#include "formmodel/appwindow.h"
#include "splice/aim_support.h"
#include "splice/spliceinfo.h"

uint8_t XAimPrevDir = 0;
uint8_t YAimPrevDir = 0;
int STATE_AIM = AIM_START;
int iLowQualityFiberFlag = 0;
float fAxisOffset = 0.0f;

void SetAlignMode(int mode)
{
    GetCurrentInformation()->CurrentSplice.bAlignType = uint8_t(mode);
}

float GetAxisOffset()
{
    return fAxisOffset;
}

int AutoAim(APPFIBER* fibre, float xTarget, float yTarget, int adjustCamera)
{
    if (!fibre) return -1;
    if (aim::abort_poll()) return 2;
    const float kX = float(aim::x_align_coef()) / 100.0f, kY = float(aim::y_align_coef()) / 100.0f;
    SetMotorOn(MOT_ALIGN);
    aim::wait_ms(100);
    if (aim::take_profiles() != 0) return aim::fail_stop(AIM_ERR_ANALYSIS);
    if (GetCladFPGA() != 0) return aim::fail_stop(fibre->lFiberErrorFlag);
    const float dx = fibre->graX.infL.fCladCenter - fibre->graX.infR.fCladCenter - xTarget;
    const float dy = fibre->graY.infL.fCladCenter - fibre->graY.infR.fCladCenter - yTarget;
    const int sx = int(dx * kX), sy = int(dy * kY); // truncated
    const uint8_t flag = MOT_ALIGN_FLG.load();
    uint8_t dirX = flag ? 0 : 1, dirY = flag;
    if (sx < 0) dirX ^= 1;
    if (sy < 0) dirY ^= 1;
    XAimPrevDir = dirX;
    YAimPrevDir = dirY;
    if (MoveMotorPairRaw(MOT_XALIGN_ID, dirX, std::abs(sx), MOT_YALIGN_ID, dirY, std::abs(sy)) != 0)
        return aim::fail_stop(AIM_ERR_ALIGN_MOVE);
    SetMotorOff(MOT_ALIGN);
    if (adjustCamera) {
        if (aim::abort_poll()) return aim::fail_stop(2);
        // The pictures follow the fibres where they now lie; a view with nothing measured keeps
        // its place, and a failed look here is no failure of the alignment.
        const int32_t errorFlag = fibre->lFiberErrorFlag;
        if (aim::take_profiles() == 0 && GetCladFPGA() == 0) {
            AdjustHorizontalOffset();
            AdjustVerticalOffset();
        }
        fibre->lFiberErrorFlag = errorFlag;
    }
    return 0;
}
