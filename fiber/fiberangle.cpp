// Angles between 3-D lines seen as slopes in the two views: each fibre's end face against its
// core (the cleave angle), and the two end faces and the two cores against each other.
//
// With the axis along the columns and the views seeing x and y as rows, an end face is the plane
// z = a x + c y (slopes a in X, c in Y) and a core the line x = b z, y = d z. The angle between the
// plane's normal (-a, -c, 1) and the core (b, d, 1) follows from their cross product
// (-(c + d), a + b, b c - a d); two lines of one kind use differences instead of sums.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/endface.h"

namespace
{
constexpr double kDegPerRad = 57.29577951308232;
}

double CalcVectorValue(int mode, double a, double b, double c, double d)
{
    const double p = mode == 1 ? a + b : a - b;
    const double q = mode == 1 ? c + d : c - d;
    const double r = a * d - b * c;
    const double den = std::sqrt(a * a + c * c + 1) * std::sqrt(b * b + d * d + 1);
    const double s = std::sqrt(p * p + q * q + r * r) / den;
    // Rounding can carry the sine past 1; a non-finite slope gives no angle.
    if (!std::isfinite(s)) return 0.0;
    return std::asin(std::min(s, 1.0)) * kDegPerRad;
}

int CalFiberAngle()
{
    APPFIBER* f = GetFiberStruct();
    const APPFIBER_INFO &xl = f->graX.infL, &xr = f->graX.infR, &yl = f->graY.infL, &yr = f->graY.infR;
    auto show = [](const char* fmt, double v, double a, double b, double c, double d) {
        std::printf(fmt, v, a, b, c, d);
    };
    f->fLeftEndfaceAngle = float(CalcVectorValue(1, xl.fEndfaceK, xl.fCoreK, yl.fEndfaceK, yl.fCoreK));
    show("l cleave:%f,xe:%f,xc:%f,ye:%f,yc:%f\n", f->fLeftEndfaceAngle, xl.fEndfaceK, xl.fCoreK, yl.fEndfaceK,
         yl.fCoreK);
    f->fRightEndfaceAngle = float(CalcVectorValue(1, xr.fEndfaceK, xr.fCoreK, yr.fEndfaceK, yr.fCoreK));
    show("r cleave:%f,xe:%f,xc:%f,ye:%f,yc:%f\n", f->fRightEndfaceAngle, xr.fEndfaceK, xr.fCoreK,
         yr.fEndfaceK, yr.fCoreK);
    f->fEndfaceAngleSum = float(CalcVectorValue(0, xl.fEndfaceK, xr.fEndfaceK, yl.fEndfaceK, yr.fEndfaceK));
    show("sum:%f,xe:%f,xc:%f,ye:%f,yc:%f\n", f->fEndfaceAngleSum, xl.fEndfaceK, xr.fEndfaceK, yl.fEndfaceK,
         yr.fEndfaceK);
    f->fCoreAngleSum = float(CalcVectorValue(0, xl.fCoreK, xr.fCoreK, yl.fCoreK, yr.fCoreK));
    show("core:%f,xe:%f,xc:%f,ye:%f,yc:%f\n", f->fCoreAngleSum, xl.fCoreK, xr.fCoreK, yl.fCoreK, yr.fCoreK);
    return 0;
}
