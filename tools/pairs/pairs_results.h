// What became of each pair of a sweep run: the run's event log, the simulator's truth, the record
// file and the CPU log, matched to the pairs.
#pragma once

#include <string>
#include <vector>

#include "pairs_draw.h"

namespace pairs
{

struct Truth {
    double cleave_deg[2] = {0, 0};
    double axis_offset_um = 0, cladding_offset_um = 0, loss_db = 0, joint_diameter_ratio = 1;
    std::string defect;
};

struct Record {
    double cleave_deg[2] = {0, 0};
    double core_offset_um = 0, cladding_offset_um = 0;
    double loss_db = -1; // -1: not estimated
    double cleave_limit_deg = 0, loss_limit_db = 0;
    std::string mode_name;
    int kinds[2] = {5, 5}; // 0 MM, 1 SM, 2 DS, 3 NZ, 4 G657, 5 unknown
};

struct Outcome {
    bool started = false, estimated = false, ended = false;
    double run_s = -1, estimate_s = -1, end_s = -1;
    double waited_s = 0; // the operator's time at errors before the result
    std::vector<int> errors;
    bool has_truth = false, has_record = false;
    Truth truth;
    Record record;
    // CPU time of the application from Run to the result, and to the end of the splice (with the
    // result on show until the operator's Run); the simulator's work inside its calls to the result.
    double cpu_ms = -1, cpu_whole_ms = -1, sim_cpu_ms = -1;
    // Instrument seconds from Run to the result, without the operator's time at errors.
    double cycle_s() const { return estimated && run_s >= 0 ? estimate_s - run_s - waited_s : -1; }
};

struct RunFigures {
    double virtual_s = -1, wall_s = -1;
    bool powered_off = false;
};

// ROOT is the run's data root, LOG its standard output. Problems with the files go to `problems`.
std::vector<Outcome> read_outcomes(const std::vector<Pair>& pairs, const std::string& root,
                                   const std::string& log, RunFigures* run, std::string* problems);

} // namespace pairs
