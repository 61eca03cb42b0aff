#pragma once

#include "playback/execute.h"

#include <string>
#include <vector>

namespace clickwisp {

// What the status bar says about a run's colour and picture clicks that
// found no target (RunEnd::misses, in list order).
struct RunReport {
    // "2 clicks found no target — action 7: best 87 %" (the first miss);
    // empty when every target was found.
    std::string headline;
    // One line a miss: "Action 7: colour clRed not found (best 87 % at 120 45)".
    std::string details;
};

RunReport MakeRunReport(const std::vector<TargetMiss>& misses);

} // namespace clickwisp
