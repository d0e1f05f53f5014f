// The sweep's report: a markdown table with a row per pair and a summary of the differences
// between what the unit measured and the simulator's truth, the cycle times and the CPU time.
#pragma once

#include <string>
#include <vector>

#include "pairs_draw.h"
#include "pairs_results.h"

namespace pairs
{

// Whether the pair ended as it should: a stored record, or a stop the truth explains.
bool pair_settled(const Pair& p, const Outcome& o);

std::string report(const std::vector<Pair>& pairs, const std::vector<Outcome>& out, const RunFigures& run);

} // namespace pairs
