// The newer and the older sets of end-face checks; the splice picks one by its option.
#include "fiber/endface.h"

namespace
{
constexpr ENDFACE_METHODS kNewer = {AnalyzCoreEndFace, AnalyzCladEndFace, AnalyzCoreDirty};
// The older set has no cladding check; its dirt check takes no mode (it runs earlier, on the fast
// path's end-face positions).
int core_dirty_old(int)
{
    return AnalyzCoreDirtyOld();
}
constexpr ENDFACE_METHODS kOlder = {AnalyzCoreEndFaceOld, nullptr, core_dirty_old};
} // namespace

const ENDFACE_METHODS& GetEndfaceMethods(int newer)
{
    return newer ? kNewer : kOlder;
}
