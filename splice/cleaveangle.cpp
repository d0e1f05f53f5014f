// Cleave angles of the splice (see cleaveangle.h).
#include "splice/cleaveangle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fiber/endface.h"
#include "platform/seam.h"

namespace
{
// The FPGA's line fits settle within this after their region is set.
constexpr uint32_t kLineSettleMs = 80;
// End-face slope samples averaged at most.
constexpr int kSerialUsed = 5;
// The measured end-face angle is the cleave angle: the optics have one scale along and across
// the fibre, so the slopes need no correction.
constexpr float kCleaveScale = 1.0f;

uint32_t bits(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return u;
}
} // namespace

int CalcFiberAngleInto(APPFIBER* record, SPLICE_INFORMATION* info)
{
    if (!record || !info) return -1;
    APPFIBER_INFO &xl = record->graX.infL, &xr = record->graX.infR, &yl = record->graY.infL,
                  &yr = record->graY.infR;
    SetFpgaRect();
    plat_sleep_ms(kLineSettleMs);
    GetFpgaKB();
    std::printf("hex(b):(xl)0x%8X,(xr)0x%X;(yl)0x%8X,(yr)0x%8X\n", bits(xl.fCoreB), bits(xr.fCoreB),
                bits(yl.fCoreB), bits(yr.fCoreB));
    if (info->iAngleSerialCount > 0) {
        const int n = std::min(info->iAngleSerialCount, kSerialUsed);
        float sum[4] = {};
        for (int i = 0; i < n; ++i) {
            const float k[4] = {info->LeftAngleSerial[0][i], info->RightAngleSerial[0][i],
                                info->LeftAngleSerial[1][i], info->RightAngleSerial[1][i]};
            std::printf("No.%d(k): xl=%f, xr=%f, yl=%f, yr=%f\n", i, double(k[0]), double(k[1]), double(k[2]),
                        double(k[3]));
            for (int j = 0; j < 4; ++j)
                sum[j] += k[j];
        }
        xl.fEndfaceK = sum[0] / float(n);
        xr.fEndfaceK = sum[1] / float(n);
        yl.fEndfaceK = sum[2] / float(n);
        yr.fEndfaceK = sum[3] / float(n);
        std::printf("Avg(k): xl=%f, xr=%f, yl=%f, yr=%f\n", double(xl.fEndfaceK), double(xr.fEndfaceK),
                    double(yl.fEndfaceK), double(yr.fEndfaceK));
    }
    CalFiberAngle();
    info->fLeftCleaveAngle = kCleaveScale * record->fLeftEndfaceAngle;
    info->fRightCleaveAngle = kCleaveScale * record->fRightEndfaceAngle;
    info->iCleaveAngleFlag = 1;
    info->fCoreAngleSum = record->fCoreAngleSum;
    info->iCoreAngleFlag = 1;
    return 0;
}
