// The maintenance progress byte (see maintprogress.h).
#include "splice/maintprogress.h"

#include <atomic>

#include "params/param_tables.h"

namespace
{
std::atomic<uint8_t> g_progress{0};
} // namespace

int MaintainProgressSet(uint8_t bits)
{
    const uint8_t before = g_progress.fetch_or(bits);
    const uint8_t now = uint8_t(before | bits);
    if ((before & MAINT_PROGRESS_ALL) != MAINT_PROGRESS_ALL &&
        (now & MAINT_PROGRESS_ALL) == MAINT_PROGRESS_ALL)
        return SaveMaintainInfo();
    return 0;
}

uint8_t MaintainProgress()
{
    return g_progress.load();
}

void MaintainProgressClear()
{
    g_progress.store(0);
}
