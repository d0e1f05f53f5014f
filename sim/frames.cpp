// Saves the panel's pictures as they change, named by virtual time so that a sorted listing is
// the film and the gaps between names are how long each picture stood.
#include "sim/frames.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string_view>

#include "sim/display.h"
#include "sim/scheduler.h"

namespace sim
{
namespace
{

std::atomic<bool> g_on{false};
std::mutex g_mu; // guards the state below
std::string g_dir;
uint64_t g_t0_us = 0;
size_t g_last_hash = 0;
bool g_have_last = false;
unsigned g_written = 0;

} // namespace

bool frames_start(const std::string& dir, uint64_t t0_us)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return false;
    std::lock_guard<std::mutex> lk(g_mu);
    g_dir = dir;
    g_t0_us = t0_us;
    g_have_last = false;
    g_written = 0;
    g_on = true;
    return true;
}

void frames_capture()
{
    if (!g_on) return;
    const std::vector<uint8_t> pic = display_compose();
    const size_t h = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(pic.data()), pic.size()));
    std::lock_guard<std::mutex> lk(g_mu);
    if (g_have_last && h == g_last_hash) return;
    const uint64_t now = Scheduler::instance().now_us();
    const uint64_t ms = now > g_t0_us ? (now - g_t0_us) / 1000 : 0;
    char name[48];
    std::snprintf(name, sizeof name, "/%09" PRIu64 "-%05u.png", ms, g_written);
    if (!display_write_png(g_dir + name, pic)) {
        std::fprintf(stderr, "splicer-sim: %s%s could not be written; no more frames\n", g_dir.c_str(), name);
        g_on = false;
        return;
    }
    g_last_hash = h;
    g_have_last = true;
    ++g_written;
}

unsigned frames_written()
{
    std::lock_guard<std::mutex> lk(g_mu);
    return g_written;
}

} // namespace sim
