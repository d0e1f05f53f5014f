// STAND-IN for the display type kept by the camera frame module (SetTypeInfo / GetTypeInfo):
// weak definitions, so the module's own ones replace them as soon as they are linked.
#include <atomic>

#include "devices/dev_internal.h"

namespace
{
std::atomic<int> s_type{0};
}

__attribute__((weak)) int SetTypeInfo(int type)
{
    if (type < 0 || type >= 13) return -1;
    s_type = type;
    return 0;
}

__attribute__((weak)) int GetTypeInfo()
{
    return s_type;
}
