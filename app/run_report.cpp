#include "app/run_report.h"

namespace clickwisp {

RunReport MakeRunReport(const std::vector<TargetMiss>& misses)
{
    RunReport report;
    if (misses.empty())
        return report;
    const TargetMiss& first = misses.front();
    report.headline = std::to_string(misses.size()) + (misses.size() == 1 ? " click" : " clicks")
        + " found no target \u2014 action " + std::to_string(first.actionNumber) + ": "
        + (first.best.place ? "best " + std::to_string(first.best.similarity) + " %" : "no match at any similarity");
    for (const TargetMiss& miss : misses) {
        if (!report.details.empty())
            report.details += '\n';
        report.details += "Action " + std::to_string(miss.actionNumber) + ": " + miss.describe();
    }
    return report;
}

} // namespace clickwisp
