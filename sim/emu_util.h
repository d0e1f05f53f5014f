// Small helpers shared by the device emulators: u32 arguments and pointer records.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/requests.h"
#include "sim/scheduler.h"

namespace sim::emu
{

inline bool get_u32(const void* arg, uint32_t& v)
{
    if (!arg) return false;
    std::memcpy(&v, arg, 4);
    return true;
}

inline bool put_u32(void* arg, uint32_t v)
{
    if (!arg) return false;
    std::memcpy(arg, &v, 4);
    return true;
}

// A pointer record whose block is at least `min_len` bytes long; null otherwise.
inline const PointerRecord* block(const void* arg, uint32_t min_len)
{
    if (!arg) return nullptr;
    auto* rec = static_cast<const PointerRecord*>(arg);
    if (!rec->pAddr || rec->lLength < min_len) return nullptr;
    return rec;
}

inline uint64_t now_us()
{
    return Scheduler::instance().now_us();
}

inline int einval()
{
    errno = EINVAL;
    return -1;
}
inline int efault()
{
    errno = EFAULT;
    return -1;
}

} // namespace sim::emu
