#include "splice/aim_support.h"

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/profile.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "splice/aim.h"
#include "splice/spliceinfo.h"

namespace aim
{
namespace
{
TABLEFACTMOTORPAR motor_par()
{
    TABLEFACTMOTORPAR p{};
    if (GetTable_FactMotorPar(&p) != 0) p = TABLEFACTMOTORPAR{};
    return p;
}
} // namespace

int abort_poll()
{
    return GetCoverStatus() == 1 || GetResetFlag() ? 2 : 0;
}

bool quick_mode()
{
    const uint8_t t = GetCurrentInformation()->CurrentSplice.bTemplateIndex;
    return t == 23 || t == 28 || t == 29 || t == 30;
}

int32_t x_align_coef()
{
    return motor_par().lXAlignCoef2;
}
int32_t y_align_coef()
{
    return motor_par().lYAlignCoef2;
}
int32_t x_focus_coef()
{
    return motor_par().lXFocusCoef2;
}
int32_t y_focus_coef()
{
    return motor_par().lYFocusCoef2;
}

int take_profiles()
{
    if (GetAllBrightWave() != 0) return -1;
    return GetShadowBrightFPGA();
}

int analysis_code(int r)
{
    return r == -1 ? AIM_ERR_ANALYSIS : r;
}

int fail_stop(int code)
{
    StopMotor(MOT_ALL);
    RestoreAlignMotorLimits();
    return code;
}

void wait_ms(uint32_t ms)
{
    plat_sleep_ms(ms);
}
} // namespace aim
