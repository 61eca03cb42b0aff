#pragma once

#include "playback/execute.h"
#include "playback/run_thread.h"

#include <string>
#include <vector>

namespace clickwisp {

// What the status bar says about a run's colour and picture clicks that
// found no target (RunEnd::misses) and texts that could not be typed whole
// (RunEnd::untyped), in list order.
struct RunReport {
    // "2 clicks found no target — action 7: best 87 %" (the first miss),
    // "1 text was not typed whole — action 4: could not type "ж" (...)", or
    // both joined by "; "; empty when every target was found and every
    // text typed.
    std::string headline;
    // One line an action: "Action 7: colour clRed not found (best 87 % at
    // 120 45)", "Action 4: could not type "ж" (...)".
    std::string details;
};

RunReport MakeRunReport(const std::vector<TargetMiss>& misses, const std::vector<UntypedText>& untyped = {});

} // namespace clickwisp
