// The six stepper motors: start-up setup and limits, waits, single and pair moves with chunking,
// absolute moves, home positions and homing.
//
// Every move first waits until the motors stand, so moves stay strictly sequential; the Reset
// key's flag, read from the key driver before each request, ends a move early with result 0.
#include "devices/motor.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "devices/dev_internal.h"
#include "devices/platdev.h"
#include "params/param_tables.h"
#include "platform/seam.h"

std::atomic<uint32_t> MOT_LPRESS{32};
std::atomic<uint32_t> MOT_RPRESS{4};
std::atomic<uint32_t> MOT_LPRESS_ID{5};
std::atomic<uint32_t> MOT_RPRESS_ID{2};
std::atomic<uint8_t> MOT_ALIGN_FLG{1};

using namespace devint;

namespace
{

std::atomic<int> s_alignMotorResetFlag{0};

constexpr int MOVE_RANGE = 8000;       // single, alignment and feed moves
constexpr int FOCUS_MOVE_RANGE = 6600; // focus pair move
constexpr uint32_t PAIR_FIELD_MAX = 4095;

int motor_fd()
{
    return slot_fd(PLATDEV_MOTOR);
}

bool single_motor(uint32_t mask)
{
    return mask != 0 && (mask & ~MOT_ALL) == 0 && (mask & (mask - 1)) == 0;
}

// Offset-coded limit of the distance table. Focus limits hold two 16-bit halves: low for the
// standard focus motor, high for the alternative one.
int decode_limit(int32_t raw, bool focus, bool alter)
{
    if (!focus) return int(std::clamp<int64_t>(int64_t(raw) - 10000, INT32_MIN, INT32_MAX));
    uint32_t half = alter ? uint32_t(raw) >> 16 : uint32_t(raw) & 0xFFFF;
    return int(half) - 10000;
}

bool focus_alter()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 && m.bFocMotAlterFlag == FOCUS_MOTOR_ALTER;
}

// Limits of the motor with this mask bit. Feed fields of the table follow the current left/right
// assignment.
bool limits_of(uint32_t mask, const TABLEFACTMOTORDIS& d, bool alter, MotorLimits* out)
{
    int32_t up, down;
    bool focus = false;
    if (mask == MOT_XFOCUS) {
        up = d.lXFocusUp, down = d.lXFocusDown, focus = true;
    } else if (mask == MOT_YFOCUS) {
        up = d.lYFocusUp, down = d.lYFocusDown, focus = true;
    } else if (mask == MOT_XALIGN) {
        up = d.lXAlignUp, down = d.lXAlignDown;
    } else if (mask == MOT_YALIGN) {
        up = d.lYAlignUp, down = d.lYAlignDown;
    } else if (mask == MOT_LPRESS) {
        up = d.lLPressUp, down = d.lLPressDown;
    } else if (mask == MOT_RPRESS) {
        up = d.lRPressUp, down = d.lRPressDown;
    } else {
        return false;
    }
    out->upper = decode_limit(up, focus, alter);
    out->lower = decode_limit(down, focus, alter);
    return true;
}

int home_request(uint32_t distance, uint32_t mask)
{
    if (distance > 0xFFFF) return -1;
    return plat_ioctl_u32(motor_fd(), MOT_HOME, (distance << 16) | (mask & MOT_ALL));
}

int home_direction(uint32_t mask)
{
    int pos = 0, dir = 0;
    return GetMotorPosition(mask, &pos, &dir) == 0 ? dir : 0;
}

// Moves one alignment motor off its stop after a failed homing.
void escape_move(uint32_t mask, int steps)
{
    SetMotorOn(mask);
    SetMotorSpeed(0);
    MoveAnyoneMotor(mask, steps);
    SetMotorOff(mask);
}

enum class Pair { Align, Focus, Press };

// Relative move of a motor pair, split into chunks that fit the two 12-bit step fields.
int pair_move(Pair kind, int a, int b)
{
    int range = kind == Pair::Focus ? FOCUS_MOVE_RANGE : MOVE_RANGE;
    int chunk = kind == Pair::Align ? 3500 : kind == Pair::Focus ? 4000 : int(PAIR_FIELD_MAX);
    if (a < -range || a > range || b < -range || b > range) return -1;
    int fd = motor_fd();
    if (fd < 0) return -1;
    if (a == 0 && b == 0) return 0;
    uint32_t idA = kind == Pair::Align   ? MOT_XALIGN_ID
                   : kind == Pair::Focus ? MOT_XFOCUS_ID
                                         : MOT_LPRESS_ID.load();
    uint32_t idB = kind == Pair::Align   ? MOT_YALIGN_ID
                   : kind == Pair::Focus ? MOT_YFOCUS_ID
                                         : MOT_RPRESS_ID.load();
    uint32_t waitMask = kind == Pair::Focus ? MOT_FOCUS : MOT_ALL;
    auto dirBit = [kind](int steps) -> uint32_t { return kind == Pair::Press ? steps >= 1 : steps <= 0; };
    int ret = 0;
    while (a != 0 || b != 0) {
        if (GetResetFlag()) {
            ret = 0;
            break;
        }
        if (WaitMotorStop(waitMask) == 1) WaitMotorStop(waitMask);
        int ca = std::clamp(a, -chunk, chunk);
        int cb = std::clamp(b, -chunk, chunk);
        uint32_t word = (idB << 29) | (dirBit(cb) << 28) | (uint32_t(std::abs(cb)) << 16) | (idA << 13) |
                        (dirBit(ca) << 12) | uint32_t(std::abs(ca));
        ret = plat_ioctl_u32(fd, MOT_MOVE_TWO, word);
        if (ret == 0) {
            a -= ca;
            b -= cb;
        }
        if (kind == Pair::Focus) std::printf("lXdis %d ,lYdis %d iRet %d\n", a, b, ret);
        if (ret != 0) {
            if (kind == Pair::Press) std::printf("ioctl MOTORRUN failed:%x\n", unsigned(ret));
            break;
        }
    }
    WaitMotorStop(waitMask);
    return ret;
}

// Absolute move of a pair: limits inclusive; a distance longer than one move is split.
int relocate(Pair kind, int x, int y)
{
    int fd = motor_fd();
    if (fd < 0) return -1;
    uint32_t ma = kind == Pair::Align ? MOT_XALIGN : kind == Pair::Focus ? MOT_XFOCUS : MOT_LPRESS.load();
    uint32_t mb = kind == Pair::Align ? MOT_YALIGN : kind == Pair::Focus ? MOT_YFOCUS : MOT_RPRESS.load();
    MotorLimits la{}, lb{};
    if (GetMotorLimits(ma, &la) != 0 || GetMotorLimits(mb, &lb) != 0) return -1;
    if (x < la.lower || x > la.upper || y < lb.lower || y > lb.upper) return -1;
    WaitMotorStop(MOT_ALL);
    int pa = 0, pb = 0, dir = 0;
    if (GetMotorPosition(ma, &pa, &dir) != 0 || GetMotorPosition(mb, &pb, &dir) != 0) return -1;
    if (kind == Pair::Focus && (pa < la.lower || pa > la.upper || pb < lb.lower || pb > lb.upper)) return -1;
    if (pa == x && pb == y) return 0;
    uint32_t pair = ma | mb;
    SetMotorOn(pair);
    SetMotorSpeed(0);
    int range = kind == Pair::Focus ? FOCUS_MOVE_RANGE : MOVE_RANGE;
    int64_t da = int64_t(x) - pa, db = int64_t(y) - pb;
    int r = 0;
    while ((da != 0 || db != 0) && r == 0) {
        if (GetResetFlag()) break;
        int sa = int(std::clamp<int64_t>(da, -range, range));
        int sb = int(std::clamp<int64_t>(db, -range, range));
        r = pair_move(kind, sa, sb);
        da -= sa;
        db -= sb;
    }
    SetMotorOff(pair);
    return r;
}

int backtrack(Pair kind)
{
    DisableResetFunc();
    TABLEFACTMOTORDIS d{};
    int r = -1;
    if (GetTable_FactMotorDis(&d) == 0) {
        int32_t ha = kind == Pair::Press   ? d.lLPressHome
                     : kind == Pair::Focus ? d.lXFocusHome
                                           : d.lXAlignHome;
        int32_t hb = kind == Pair::Press   ? d.lRPressHome
                     : kind == Pair::Focus ? d.lYFocusHome
                                           : d.lYAlignHome;
        int x = decode_limit(ha, false, false), y = decode_limit(hb, false, false);
        if (kind == Pair::Focus) {
            std::printf("---------------------------------\n");
            std::printf("BacktrackFocusMotor FocusHome:%d %d \n", x, y);
            std::printf("---------------------------------\n");
        }
        r = relocate(kind, x, y);
    }
    EnableResetFunc();
    return r;
}

} // namespace

void SetMotorOrientation(int rear)
{
    MOT_LPRESS = rear ? 4 : 32;
    MOT_RPRESS = rear ? 32 : 4;
    MOT_LPRESS_ID = rear ? 2 : 5;
    MOT_RPRESS_ID = rear ? 5 : 2;
    MOT_ALIGN_FLG = rear ? 0 : 1;
}

int GetMotorLimits(uint32_t mask, MotorLimits* limits)
{
    if (!limits) return -1;
    TABLEFACTMOTORDIS d{};
    if (GetTable_FactMotorDis(&d) != 0) return -1;
    return limits_of(mask, d, focus_alter(), limits) ? 0 : -1;
}

int InitializeDevMotor()
{
    if (open_slot(PLATDEV_MOTOR, DEV_MOTOR) != 0) return -1;
    int fd = motor_fd();
    TABLEFACTMOTORPAR par{};
    TABLEFACTMOTORDIS dis{};
    bool havePar = GetTable_FactMotorPar(&par) == 0;
    bool haveDis = GetTable_FactMotorDis(&dis) == 0;
    bool alter = focus_alter();
    const uint32_t motors[6] = {MOT_XFOCUS, MOT_XALIGN, MOT_RPRESS, MOT_YFOCUS, MOT_YALIGN, MOT_LPRESS};
    for (uint32_t mask : motors) {
        uint32_t setup = 0;
        if (havePar) {
            if (mask == MOT_XFOCUS) setup = par.dwXFocusSetup;
            if (mask == MOT_YFOCUS) setup = par.dwYFocusSetup;
            if (mask == MOT_XALIGN) setup = par.dwXAlignSetup;
            if (mask == MOT_YALIGN) setup = par.dwYAlignSetup;
        }
        // The setup value shares the word with the mask: a wider value is not sent.
        if (setup <= 0xFFFFFF)
            plat_ioctl_u32(fd, MOT_SETUP, (mask << 24) | setup);
        else
            std::printf("motor %u setup value 0x%X too wide\n", unsigned(mask), unsigned(setup));
        MotorLimits lim{};
        if (haveDis && limits_of(mask, dis, alter, &lim)) {
            // The driver keeps signed 16-bit limits.
            uint32_t up = uint32_t(std::clamp(lim.upper, -32768, 32767)) & 0xFFFF;
            uint32_t down = uint32_t(std::clamp(lim.lower, -32768, 32767)) & 0xFFFF;
            plat_ioctl_u32(fd, MOT_UPPER_LIMIT, (mask << 24) | up);
            plat_ioctl_u32(fd, MOT_LOWER_LIMIT, (mask << 24) | down);
        }
    }
    SetMotorOrientation(screen_rear());
    return 0;
}

int ReleaseDevMotor()
{
    return close_slot(PLATDEV_MOTOR);
}

int GetMotorRunMask(uint32_t* running)
{
    return read_u32(motor_fd(), MOT_RUNNING, running);
}

int GetMotorPosition(uint32_t mask, int* position, int* direction)
{
    if (!single_motor(mask)) return -1;
    uint32_t v = mask;
    if (rw_u32(motor_fd(), MOT_STATUS, &v) != 0) return -1;
    if (position) *position = int(int16_t(uint16_t(v >> 16)));
    if (direction) *direction = int((v >> 8) & 1);
    return 0;
}

int GetMotorRange(uint32_t mask, uint32_t* range)
{
    if (!range) return -1;
    uint32_t v = mask & MOT_ALL;
    if (rw_u32(motor_fd(), MOT_RANGE, &v) != 0) return -1;
    *range = v;
    return 0;
}

int WaitMotorStop(uint32_t mask)
{
    int fd = motor_fd();
    if (fd < 0) return -1;
    for (int i = 0; i < 5000; ++i) {
        uint32_t running = 0;
        if (read_u32(fd, MOT_RUNNING, &running) == 0 && (running & mask & MOT_ALL) == 0) return 0;
        if (!plat_sleep_ms(1)) break;
    }
    std::printf("Motor still running!\n");
    return 1;
}

int SetMotorOn(uint32_t mask)
{
    if (motor_fd() < 0) return -1;
    WaitMotorStop(MOT_ALL);
    return plat_ioctl_u32(motor_fd(), MOT_POWER, mask & MOT_ALL);
}

int SetMotorOff(uint32_t mask)
{
    if (motor_fd() < 0) return -1;
    WaitMotorStop(MOT_ALL);
    return plat_ioctl_u32(motor_fd(), MOT_POWER, (mask & MOT_ALL) | 128);
}

int SetMotorSpeed(uint32_t speed)
{
    if (motor_fd() < 0) return -1;
    WaitMotorStop(MOT_ALL);
    return plat_ioctl_u32(motor_fd(), MOT_SPEED, std::min<uint32_t>(speed, 15));
}

int StopMotor(uint32_t mask)
{
    return write_u32(motor_fd(), MOT_STOP, mask & MOT_ALL);
}

int SetMotorStroke(int motor, int distance)
{
    if (motor < 0 || motor > 255) return -1;
    std::printf("set_dis:%d\n", distance);
    return write_u32(motor_fd(), MOT_STROKE, (uint32_t(motor) << 24) | (uint32_t(distance) & 0xFFFF));
}

int MoveAnyoneMotor(uint32_t mask, int steps)
{
    if (!single_motor(mask) || steps < -MOVE_RANGE || steps > MOVE_RANGE) return -1;
    int fd = motor_fd();
    if (fd < 0) return -1;
    if (steps == 0) return 0;
    uint32_t dir;
    if (mask & MOT_PRESS)
        dir = steps > 0 ? 63 : 0;
    else if (mask & MOT_FOCUS)
        dir = steps <= 0 ? 63 : 0;
    else
        dir = (steps > 0) == (MOT_ALIGN_FLG != 0) ? 63 : 0;
    if (GetResetFlag()) return 0;
    WaitMotorStop(MOT_ALL);
    int r = plat_ioctl_u32(fd, MOT_MOVE_ONE, (mask << 24) | (dir << 16) | uint32_t(std::abs(steps)));
    WaitMotorStop(MOT_ALL);
    return r;
}

int MoveAlignMotor(int x, int y)
{
    return pair_move(Pair::Align, x, y);
}
int MoveFocusMotor(int x, int y)
{
    return pair_move(Pair::Focus, x, y);
}
int MovePressMotor(int left, int right)
{
    return pair_move(Pair::Press, left, right);
}

int RelocateAlignMotor(int x, int y)
{
    return relocate(Pair::Align, x, y);
}
int RelocateFocusMotor(int x, int y)
{
    return relocate(Pair::Focus, x, y);
}
int RelocatePressMotor(int left, int right)
{
    return relocate(Pair::Press, left, right);
}

int BacktrackPressMotor()
{
    return backtrack(Pair::Press);
}
int BacktrackFocusMotor()
{
    return backtrack(Pair::Focus);
}
int BacktrackAlignMotor()
{
    return backtrack(Pair::Align);
}

int BacktrackAllMotor()
{
    int r = BacktrackPressMotor();
    r |= BacktrackFocusMotor();
    r |= BacktrackAlignMotor();
    return r;
}

int getFocusRstDis(uint32_t mask)
{
    if (mask != MOT_XFOCUS && mask != MOT_YFOCUS) return 0;
    uint32_t running = 0;
    GetMotorRunMask(&running);
    uint32_t id = mask == MOT_XFOCUS ? MOT_XFOCUS_ID : MOT_YFOCUS_ID;
    int over = (running >> (8 + id)) & 1;
    int dis = over ? 1500 : 6000;
    std::printf(mask == MOT_XFOCUS ? "lOverFlagX %d  rstDis %d \n" : "lOverFlagY %d  rstDis %d \n", over,
                dis);
    return dis;
}

void setMotorResetFlag(int value)
{
    s_alignMotorResetFlag = value;
    std::printf("setMotorResetFlag  s_alignMotorResetFlag %d  \n", value);
}

int getMotorResetFlag()
{
    int v = s_alignMotorResetFlag;
    std::printf("getMotorResetFlag  s_alignMotorResetFlag %d  \n", v);
    return v;
}

// Homing of both alignment motors with a search distance; a motor that does not find its switch
// is moved off its stop. True when both homed.
static bool home_align_pair(int distance)
{
    bool ok = true;
    int escape = distance;
    if (home_request(uint32_t(distance), MOT_XALIGN) != 0) {
        ok = false;
        int dir = home_direction(MOT_XALIGN);
        std::printf("iRstDir:%d \n", dir);
        if (dir) escape = -distance;
        escape_move(MOT_XALIGN, escape);
    }
    if (home_request(uint32_t(distance), MOT_YALIGN) != 0) {
        ok = false;
        int dir = home_direction(MOT_YALIGN);
        std::printf("iRstDir:%d \n", dir);
        escape_move(MOT_YALIGN, dir ? escape : -distance);
    }
    return ok;
}

int ResetAllMotor()
{
    if (motor_fd() < 0) return -1;
    DisableResetFunc();
    setMotorResetFlag(0);
    int r = home_request(uint32_t(getFocusRstDis(MOT_XFOCUS)), MOT_XFOCUS);
    if (r != 0) {
        std::printf("X:%d \n", r);
        EnableResetFunc();
        return 2;
    }
    r = home_request(uint32_t(getFocusRstDis(MOT_YFOCUS)), MOT_YFOCUS);
    if (r != 0) {
        std::printf("Y:%d \n", r);
        EnableResetFunc();
        return 8;
    }
    if (home_request(8000, MOT_PRESS) != 0) {
        std::printf("arg:%d \n", int((8000u << 16) | MOT_PRESS));
        EnableResetFunc();
        return 1;
    }
    home_align_pair(2000);
    setMotorResetFlag(1);
    EnableResetFunc();
    return 0;
}

int ResetAlignMotor(int distance)
{
    if (motor_fd() < 0 || distance < 0 || distance > 0xFFFF) return -1;
    DisableResetFunc();
    bool ok = home_align_pair(distance);
    EnableResetFunc();
    return ok ? 0 : 1;
}

int ResetFocusMotor()
{
    if (motor_fd() < 0) return -1;
    DisableResetFunc();
    int result = 0;
    if (home_request(6000, MOT_XFOCUS) != 0) {
        std::printf("X:%d \n", int((6000u << 16) | MOT_XFOCUS));
        result = 2;
    } else if (home_request(6000, MOT_YFOCUS) != 0) {
        std::printf("Y:%d \n", int((6000u << 16) | MOT_YFOCUS));
        result = 8;
    }
    EnableResetFunc();
    return result;
}

int ResetMotor(uint32_t mask)
{
    if (motor_fd() < 0) return -1;
    mask &= MOT_ALL;
    DisableResetFunc();
    bool homed = false;
    for (int i = 0; i < 3 && !homed; ++i)
        homed = home_request(0, mask) == 0;
    int result = homed ? 0 : 1;
    if (homed) {
        WaitMotorStop(MOT_ALL);
        if ((mask & MOT_FOCUS) && RelocateFocusMotor(1000, 1000) != 0) result = 1;
        WaitMotorStop(MOT_ALL);
        if (home_request(0, mask) != 0) result = 1;
    }
    EnableResetFunc();
    return result;
}

int CheckFocusMotor()
{
    if (motor_fd() < 0) return -1;
    DisableResetFunc();
    int x = 0, y = 0, dir = 0;
    MotorLimits lx{}, ly{};
    bool ok = GetMotorPosition(MOT_XFOCUS, &x, &dir) == 0 && GetMotorPosition(MOT_YFOCUS, &y, &dir) == 0 &&
              GetMotorLimits(MOT_XFOCUS, &lx) == 0 && GetMotorLimits(MOT_YFOCUS, &ly) == 0;
    std::printf(" X:%d,  Y:%d\n", x, y);
    std::printf("%d %d \n", lx.upper, ly.upper);
    std::printf("%d %d \n", lx.lower, ly.lower);
    if (ok) ok = x >= lx.lower && x <= lx.upper && y >= ly.lower && y <= ly.upper;
    EnableResetFunc();
    return ok ? 0 : -1;
}

int LocateAlignMotor()
{
    std::printf("---------test 3------\n");
    TABLEFACTMOTORDIS d{};
    if (GetTable_FactMotorDis(&d) != 0) return -1;
    d.lXAlignHome = PAR_OFFSET_CODE;
    d.lYAlignHome = PAR_OFFSET_CODE;
    return SetTable_FactMotorDis(&d) == 0 ? 0 : -1;
}
