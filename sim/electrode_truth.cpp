// The electrodes' ground truth (see electrode_truth.h).
#include "sim/electrode_truth.h"

#include <cstdio>
#include <string>

#include "platform/requests.h"
#include "sim/dev_arc.h"
#include "sim/fusion.h"
#include "sim/scene.h"
#include "sim/scheduler.h"

namespace sim
{

void ElectrodeTruth::on_write(uint32_t address, uint32_t value)
{
    if (address != FPGA_REG_ELEC_POS_X && address != FPGA_REG_ELEC_POS_Y) return;
    std::lock_guard<std::mutex> lk(mu_);
    if (address == FPGA_REG_ELEC_POS_X) {
        x_ = value;
        return;
    }
    // The start-up writes the stored positions before any arc: nothing was measured then.
    const unsigned arcs = arc_.closes();
    if (!x_ || arcs == arcs_seen_) return;
    arcs_seen_ = arcs;
    const std::string path = fusion_.truth_path();
    if (FILE* f = std::fopen(path.c_str(), "a")) {
        std::fprintf(f,
                     "{\"electrodes\":{\"x_col\":%.2f,\"y_col\":%.2f,\"x_stored\":%u,\"y_stored\":%u},"
                     "\"t_ms\":%llu}\n",
                     scene_.electrode_col(1), scene_.electrode_col(2), unsigned(*x_), unsigned(value),
                     (unsigned long long)(Scheduler::instance().now_us() / 1000));
        std::fclose(f);
    }
}

} // namespace sim
