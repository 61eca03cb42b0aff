#include "app/run_report.h"

#include <map>

namespace clickwisp {

RunReport MakeRunReport(const std::vector<TargetMiss>& misses, const std::vector<UntypedText>& untyped)
{
    RunReport report;
    if (!misses.empty()) {
        const TargetMiss& first = misses.front();
        report.headline = std::to_string(misses.size()) + (misses.size() == 1 ? " click" : " clicks")
            + " found no target \u2014 action " + std::to_string(first.actionNumber) + ": "
            + (first.best.place ? "best " + std::to_string(first.best.similarity) + " %"
                                : "no match at any similarity");
    }
    if (!untyped.empty()) {
        const UntypedText& first = untyped.front();
        report.headline += (report.headline.empty() ? "" : "; ") + std::to_string(untyped.size())
            + (untyped.size() == 1 ? " text was" : " texts were") + " not typed whole \u2014 action "
            + std::to_string(first.actionNumber) + ": " + first.describe();
    }
    // One line an action, in list order.
    std::multimap<int, std::string> lines;
    for (const TargetMiss& miss : misses)
        lines.emplace(miss.actionNumber, miss.describe());
    for (const UntypedText& text : untyped)
        lines.emplace(text.actionNumber, text.describe());
    for (const auto& [action, line] : lines) {
        if (!report.details.empty())
            report.details += '\n';
        report.details += "Action " + std::to_string(action) + ": " + line;
    }
    return report;
}

} // namespace clickwisp
