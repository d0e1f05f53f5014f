// STAND-IN for the automatic exposure calibration until the camera analysis lands: reports no
// fault.
#include <cstdio>

#include "fiber/graphics.h"

int BrightMonitor(int restart)
{
    std::printf("BrightMonitor(%d): not available on this build\n", restart);
    return 0;
}
