#pragma once

#include "cli/screen_options.h"
#include "cli/verb.h"
#include "screen/best_match.h"

#include <algorithm>
#include <iostream>
#include <string>

namespace clickwisp::cli {

// right = left + width (and bottom = top + height), kept within 32 bits.
inline int32_t farEdge(int32_t from, int32_t size)
{
    const int64_t edge = int64_t(from) + size;
    return int32_t(std::clamp<int64_t>(edge, INT32_MIN, INT32_MAX));
}

// Prints "X Y" for a found point; nothing for (-1, -1). Whether it was found.
inline bool reportPoint(const ScreenPoint& point)
{
    if (point.x == -1 && point.y == -1)
        return false;
    std::cout << point.x << ' ' << point.y << '\n';
    return true;
}

// Opens the screen, runs search(screen, left, top, right, bottom) over the
// area and hands its value to report, which prints it and returns the exit
// status. A screen that does not open, or a search that fails (a failed
// capture), prints the error after prefix: the screen's status, or 3.
template <typename Search, typename Report>
int onScreenArea(
    const char* prefix, const ScreenOptions& options, const CaptureRect& area, Search search, Report report)
{
    OpenedScreen screen = openScreen(options);
    if (!screen.source) {
        std::cerr << prefix << screen.error << '\n';
        return screen.status;
    }
    const auto result
        = search(*screen.source, area.left, area.top, farEdge(area.left, area.width), farEdge(area.top, area.height));
    if (!result) {
        std::cerr << prefix << result.error().message << '\n';
        return kExitRunError;
    }
    return report(*result);
}

// Prints the point search gives (a Result<ScreenPoint>). The exit status:
// 0 found, 1 not found, otherwise that of onScreenArea.
template <typename Search>
int searchScreen(const char* prefix, const ScreenOptions& options, const CaptureRect& area, Search search)
{
    return onScreenArea(prefix, options, area, search,
        [](const ScreenPoint& point) { return reportPoint(point) ? kExitOk : kExitNotFound; });
}

// searchScreen for --explain: explain gives a Result<ExplainedSearch>.
// Besides the point, prints on stderr "match S% at X Y" (the similarity of
// the place found) or, when nothing is found, "best S% at X Y".
template <typename Explain>
int explainScreen(const char* prefix, const ScreenOptions& options, const CaptureRect& area, Explain explain)
{
    return onScreenArea(prefix, options, area, explain, [](const ExplainedSearch& result) {
        if (result.found) {
            reportPoint(*result.found);
            std::cerr << "match " << result.matchSimilarity << "% at " << result.found->x << ' ' << result.found->y
                      << '\n';
            return kExitOk;
        }
        if (result.best.place)
            std::cerr << "best " << result.best.similarity << "% at " << result.best.place->x << ' '
                      << result.best.place->y << '\n';
        else
            std::cerr << "best: found at no similarity (the picture is larger than the area)\n";
        return kExitNotFound;
    });
}

} // namespace clickwisp::cli
