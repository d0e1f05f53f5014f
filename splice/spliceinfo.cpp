// The splice information of the running splice.
#include "splice/spliceinfo.h"

namespace
{
SPLICE_INFORMATION g_info{};
} // namespace

SPLICE_INFORMATION* GetCurrentInformation()
{
    return &g_info;
}
