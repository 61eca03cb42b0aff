// How the searches go fast while keeping the plain scan's answer:
//
// - Pixels are compared 32 or 16 at a time (pixel_kernels), one screen row
//   segment per call, giving a bit per pixel.
// - A picture placement is first tested on a few probe pixels chosen to be
//   rare on this screen (probe_plan); for each placement row the probes'
//   bit masks are ANDed, 64 placements at a time, and only placements that
//   pass every probe are compared in full. A pixel that fails a full
//   comparison joins the probes.
// - A search whose full comparisons grow too costly (a picture whose every
//   colour is common on the screen) works out which placements the
//   picture's uniform areas allow (area_filter), in time that depends on the
//   screen's size only, and goes on with those. An exact search whose
//   comparisons grow too costly again switches to a rolling hash whose time
//   does not depend on the content (hash_search); a search with a tolerance
//   adds the pattern filter (area_filter.h), for textured pictures and
//   gradients, whose time does not depend on where placements fail either.
// - Rows are stored bottom-up, so scanning top row first walks memory
//   backwards. Placement rows are taken in bands: within a band in memory
//   order, keeping the top-most hit; the first band with a hit ends the
//   search. The answer is the same placement as the plain scan's.
#include "screen/picture_search.h"

#include "screen/area_filter.h"
#include "screen/hash_search.h"
#include "screen/pixel_kernels.h"
#include "screen/probe_plan.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace clickwisp::search {
namespace {

bool admitsNothing(const ColorTolerance& t)
{
    return t.red < 0 || t.green < 0 || t.blue < 0;
}

kernels::PixelProbe probeFor(uint32_t color, const ColorTolerance* tolerance)
{
    if (!tolerance)
        return kernels::makeProbe(color, true);
    return kernels::makeProbe(color, false, tolerance->red, tolerance->green, tolerance->blue);
}

// Runs rowHit(top) -> left or -1 over the tops 0..lastTop band by band and
// returns the top-most, then left-most, hit. rowHit may return kGiveUp to
// hand the rest to fallback(bandStart).
constexpr int32_t kGiveUp = -2;

constexpr size_t kPlannedProbes = 4;
constexpr size_t kMaxProbes = 8; // planned and learned

template <typename RowHit, typename Fallback>
std::optional<ScreenPoint> scanBands(
    int32_t firstTop, int32_t lastTop, int32_t bandRows, RowHit rowHit, Fallback fallback)
{
    bandRows = std::max(bandRows, 1);
    for (int32_t bandStart = firstTop; bandStart <= lastTop; bandStart += bandRows) {
        const int32_t bandEnd = std::min(lastTop, bandStart + bandRows - 1);
        std::optional<ScreenPoint> best;
        for (int32_t top = bandEnd; top >= bandStart; --top) {
            const int32_t left = rowHit(top);
            if (left == kGiveUp)
                return fallback(bandStart);
            if (left >= 0)
                best = ScreenPoint { left, top };
        }
        if (best)
            return best;
    }
    return std::nullopt;
}

std::optional<ScreenPoint> noFallback(int32_t)
{
    return std::nullopt;
}

} // namespace

std::optional<ScreenPoint> findColor(const TBDBitmapData& screen, uint32_t color, const ColorTolerance* tolerance)
{
    if (tolerance ? admitsNothing(*tolerance) : color > 0xFFFFFFu)
        return std::nullopt;
    const int32_t width = screen.Width();
    if (width <= 0 || screen.Height() <= 0)
        return std::nullopt;
    const kernels::PixelProbe probe = probeFor(color, tolerance);
    const size_t words = kernels::maskWords(width);
    std::vector<uint64_t> full(words), mask(words);
    kernels::fillMask(full.data(), width);
    auto rowHit = [&](int32_t top) {
        std::copy(full.begin(), full.end(), mask.begin());
        if (!kernels::andMatches(screen.Row(top), width, probe, mask.data()))
            return -1;
        return kernels::firstSetPixel(mask.data(), words, [](int32_t) { return true; });
    };
    return scanBands(0, screen.Height() - 1, 16, rowHit, noFallback);
}

std::optional<ScreenPoint> findPicture(
    const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance* tolerance, const Tuning& tuning)
{
    const int32_t w = picture.Width(), h = picture.Height();
    if (w > screen.Width() || h > screen.Height())
        return std::nullopt;
    if (w == 0 || h == 0)
        return ScreenPoint { 0, 0 }; // nothing to compare: the first placement
    if (tolerance && admitsNothing(*tolerance))
        return std::nullopt;
    if (!tolerance && tuning.hashOnly)
        return hashSearch(screen, picture, 0);

    std::vector<Probe> probes = chooseProbes(screen, picture, tolerance, kPlannedProbes);
    std::vector<kernels::PixelProbe> tests;
    for (const Probe& p : probes)
        tests.push_back(probeFor(p.color, tolerance));
    const kernels::PixelProbe rowTolerance = probeFor(0, tolerance);

    const int32_t placements = screen.Width() - w + 1;
    const size_t words = kernels::maskWords(placements);
    std::vector<uint64_t> full(words), mask(words);
    kernels::fillMask(full.data(), placements);
    const size_t rowBytes = size_t(w) * 3;
    int64_t budget = tolerance ? tuning.nearConfirmBudget : tuning.confirmBudget;
    bool budgeted = budget >= 0;
    std::optional<AreaFilter> filter;
    std::optional<PatternFilter> pattern;

    // Compares the whole placement, bottom row first; on a mismatch, failed
    // is a picture pixel that does not match.
    auto confirm = [&](int32_t left, int32_t top, Probe& failed) {
        for (int32_t row = h - 1; row >= 0; --row) {
            const uint8_t* on = screen.Row(top + row) + size_t(left) * 3;
            const uint8_t* want = picture.Row(row);
            size_t at = rowBytes;
            if (!tolerance) {
                budget -= int64_t(rowBytes) + 64;
                if (std::memcmp(on, want, rowBytes) != 0)
                    for (at = 0; on[at] == want[at] && on[at + 1] == want[at + 1] && on[at + 2] == want[at + 2];)
                        at += 3;
            } else {
                at = kernels::firstByteOutside(on, want, rowBytes, rowTolerance);
                budget -= int64_t(std::min(at + 3, rowBytes)) + 64;
            }
            if (at != rowBytes) {
                failed = Probe { int32_t(at / 3), row, picture.PixelAt(int32_t(at / 3), row) };
                return false;
            }
        }
        return true;
    };
    // A pixel that failed a full comparison becomes a probe of its own: on
    // screens where many placements pass the planned probes (repeating
    // patterns), the same pixel tends to fail them all.
    auto learn = [&](const Probe& failed) {
        const bool known = std::any_of(
            probes.begin(), probes.end(), [&](const Probe& p) { return p.dx == failed.dx && p.dy == failed.dy; });
        if (known || probes.size() >= kMaxProbes)
            return false;
        // Second in line: after the rarest planned probe, before the others,
        // which it has just proved weaker than itself here.
        probes.insert(probes.begin() + 1, failed);
        tests.insert(tests.begin() + 1, probeFor(failed.color, tolerance));
        return true;
    };
    auto applyProbe = [&](size_t i, int32_t top) {
        const uint8_t* start = screen.Row(top + probes[i].dy) + size_t(probes[i].dx) * 3;
        return kernels::andMatches(start, placements, tests[i], mask.data());
    };
    auto rowHit = [&](int32_t top) {
        if (pattern) {
            std::copy(pattern->row(top), pattern->row(top) + words, mask.begin());
            if (filter)
                for (size_t i = 0; i < words; ++i)
                    mask[i] &= filter->row(top)[i];
        } else if (filter)
            std::copy(filter->row(top), filter->row(top) + words, mask.begin());
        else
            std::copy(full.begin(), full.end(), mask.begin());
        for (size_t i = 0; i < probes.size(); ++i) {
            if (!applyProbe(i, top))
                return -1;
        }
        while (true) {
            bool giveUp = false, learned = false;
            Probe failed;
            const int32_t left = kernels::firstSetPixel(mask.data(), words, [&](int32_t x) {
                if (confirm(x, top, failed))
                    return true;
                giveUp = budgeted && budget < 0;
                learned = !giveUp && learn(failed);
                if (learned) // the placements up to x are done with
                    kernels::clearBefore(mask.data(), x + 1);
                return giveUp || learned;
            });
            if (giveUp)
                return kGiveUp;
            if (!learned)
                return left;
            // The new probe may rule out the rest of this row at once.
            if (!applyProbe(1, top))
                return -1;
        }
    };
    const int32_t lastTop = screen.Height() - h;
    auto toHash = [&](int32_t bandStart) { return hashSearch(screen, picture, bandStart); };
    // A search with a tolerance whose budget ran out again (or whose picture
    // has no uniform areas): on to the end with the placements the pattern
    // filter keeps as well.
    auto toPattern = [&](int32_t bandStart) {
        budgeted = false;
        pattern.emplace(picture, *tolerance);
        if (pattern->useful())
            pattern->apply(screen, bandStart, filter ? &*filter : nullptr, tuning.patternSkipBytes);
        else
            pattern.reset();
        return scanBands(bandStart, lastTop, tuning.bandRows, rowHit, noFallback);
    };
    // The budget ran out: on with the placements the area filter keeps, and
    // the budget once more. Then an exact search takes the hash search, a
    // search with a tolerance the pattern filter.
    auto fallback = [&](int32_t bandStart) {
        filter.emplace(picture, tolerance);
        if (filter->useful())
            filter->apply(screen, bandStart);
        else
            filter.reset();
        if (tolerance) {
            if (!filter)
                return toPattern(bandStart);
            budget = tuning.nearConfirmBudget;
            return scanBands(bandStart, lastTop, tuning.bandRows, rowHit, toPattern);
        }
        if (!filter)
            return hashSearch(screen, picture, bandStart);
        budget = tuning.confirmBudget;
        return scanBands(bandStart, lastTop, tuning.bandRows, rowHit, toHash);
    };
    return scanBands(0, lastTop, tuning.bandRows, rowHit, fallback);
}

} // namespace clickwisp::search
