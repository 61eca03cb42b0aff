#include "screen/area_filter.h"

#include "screen/pixel_kernels.h"

#include <algorithm>
#include <cstdlib>

namespace clickwisp::search {
namespace {

constexpr int64_t kMinArea = 16;
// Pictures above this many pixels have few placements; planning their areas
// would cost more than it saves.
constexpr int64_t kMaxPlannedPixels = int64_t(1) << 20;
constexpr size_t kMaxSeeds = 4;

int32_t channel(uint32_t c, int k)
{
    return int32_t((c >> (8 * k)) & 0xFF);
}

// Half-spread per channel (blue, green, red): how far a pixel may lie from
// an area's seed colour.
struct Spread {
    int32_t d[3] = { 0, 0, 0 };
    bool near(uint32_t a, uint32_t b) const
    {
        for (int k = 0; k < 3; ++k)
            if (std::abs(channel(a, k) - channel(b, k)) > d[k])
                return false;
        return true;
    }
};

struct Rect {
    int32_t left = 0, top = 0, width = 0, height = 0;
    int64_t area() const { return int64_t(width) * height; }
    bool overlaps(const Rect& o) const
    {
        return left < o.left + o.width && o.left < left + width && top < o.top + o.height && o.top < top + height;
    }
};

// The largest rectangle of set cells in a w x h grid (row-major, top row
// first), by the histogram method: O(w * h).
Rect largestRectangle(const std::vector<uint8_t>& cells, int32_t w, int32_t h)
{
    std::vector<int32_t> heights(size_t(w) + 1, 0); // a 0 at the end empties the stack
    std::vector<int32_t> stack;
    stack.reserve(size_t(w) + 1);
    Rect best;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = cells.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x)
            heights[size_t(x)] = row[x] ? heights[size_t(x)] + 1 : 0;
        stack.clear();
        for (int32_t x = 0; x <= w; ++x) {
            while (!stack.empty() && heights[size_t(stack.back())] >= heights[size_t(x)]) {
                const int32_t height = heights[size_t(stack.back())];
                stack.pop_back();
                const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                const Rect r { left, y - height + 1, x - left, height };
                if (r.area() > best.area())
                    best = r;
            }
            stack.push_back(x);
        }
    }
    return best;
}

// Colours to grow areas from: the most frequent, none within the spread of
// an earlier one.
std::vector<uint32_t> seedColours(const std::vector<uint32_t>& pixels, const Spread& spread)
{
    std::vector<uint32_t> sorted;
    const size_t step = std::max<size_t>(1, pixels.size() / 4096);
    for (size_t i = 0; i < pixels.size(); i += step)
        sorted.push_back(pixels[i]);
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::pair<size_t, uint32_t>> counts; // (count, colour)
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i])
            ++j;
        counts.push_back({ j - i, sorted[i] });
        i = j;
    }
    std::stable_sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<uint32_t> seeds;
    for (const auto& [count, colour] : counts) {
        if (seeds.size() == kMaxSeeds || int64_t(count * step) < kMinArea)
            break;
        if (std::none_of(seeds.begin(), seeds.end(), [&](uint32_t s) { return spread.near(s, colour); }))
            seeds.push_back(colour);
    }
    return seeds;
}

// mask[i] &= (source shifted down by bits)[i] for i < words; source has
// sourceWords words, zeros beyond. source may be mask itself.
void andShiftedDown(uint64_t* mask, const uint64_t* source, size_t words, size_t sourceWords, size_t bits)
{
    const size_t q = bits / 64, r = bits % 64;
    // First the words whose two source words both lie inside.
    const size_t inside = sourceWords > q + 1 ? std::min(words, sourceWords - q - 1) : 0;
    size_t i = 0;
    if (r == 0) {
        for (; i < inside; ++i)
            mask[i] &= source[i + q];
    } else {
        for (; i < inside; ++i)
            mask[i] &= (source[i + q] >> r) | (source[i + q + 1] << (64 - r));
    }
    for (; i < words; ++i) {
        const size_t j = i + q;
        const uint64_t low = j < sourceWords ? source[j] : 0;
        const uint64_t high = j + 1 < sourceWords ? source[j + 1] : 0;
        mask[i] &= r ? (low >> r) | (high << (64 - r)) : low;
    }
}

// Pixel x keeps its bit when pixels x .. x + length - 1 all had theirs.
void erodeRow(uint64_t* mask, size_t words, int32_t length)
{
    int32_t done = 1;
    for (; 2 * done <= length; done *= 2)
        andShiftedDown(mask, mask, words, words, 3 * size_t(done));
    if (done < length)
        andShiftedDown(mask, mask, words, words, 3 * size_t(length - done));
}

} // namespace

std::vector<UniformArea> findUniformAreas(
    const TBDBitmapData& picture, const ColorTolerance* tolerance, size_t maxAreas)
{
    const int32_t w = picture.Width(), h = picture.Height();
    const int64_t pixelCount = int64_t(w) * h;
    std::vector<UniformArea> areas;
    if (pixelCount < kMinArea || pixelCount > kMaxPlannedPixels || maxAreas == 0)
        return areas;
    Spread spread;
    if (tolerance) {
        const int32_t t[3] = { tolerance->blue, tolerance->green, tolerance->red };
        for (int k = 0; k < 3; ++k)
            spread.d[k] = std::clamp(t[k], 0, 255) / 2;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(pixelCount));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels[size_t(y) * size_t(w) + size_t(x)] = picture.PixelAt(x, y);
    const std::vector<uint32_t> seeds = seedColours(pixels, spread);

    // For each seed, the cells near it and not yet taken, and its largest
    // rectangle, worked out again only when a taken area overlaps it.
    std::vector<std::vector<uint8_t>> cells(seeds.size());
    std::vector<Rect> best(seeds.size());
    for (size_t s = 0; s < seeds.size(); ++s) {
        cells[s].resize(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i)
            cells[s][i] = spread.near(pixels[i], seeds[s]) ? 1 : 0;
        best[s] = largestRectangle(cells[s], w, h);
    }
    while (areas.size() < maxAreas && !seeds.empty()) {
        const size_t s = size_t(std::max_element(best.begin(), best.end(), [](const Rect& a, const Rect& b) {
            return a.area() < b.area();
        }) - best.begin());
        const Rect taken = best[s];
        if (taken.area() < kMinArea)
            break;
        UniformArea area { taken.left, taken.top, taken.width, taken.height, 0, 0 };
        int32_t low[3] = { 255, 255, 255 }, high[3] = { 0, 0, 0 };
        for (int32_t y = taken.top; y < taken.top + taken.height; ++y) {
            for (int32_t x = taken.left; x < taken.left + taken.width; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                for (int k = 0; k < 3; ++k) {
                    low[k] = std::min(low[k], channel(pixels[i], k));
                    high[k] = std::max(high[k], channel(pixels[i], k));
                }
                for (auto& c : cells)
                    c[i] = 0;
            }
        }
        for (int k = 0; k < 3; ++k) {
            area.low |= uint32_t(low[k]) << (8 * k);
            area.high |= uint32_t(high[k]) << (8 * k);
        }
        areas.push_back(area);
        for (size_t o = 0; o < seeds.size(); ++o)
            if (best[o].overlaps(taken))
                best[o] = largestRectangle(cells[o], w, h);
    }
    return areas;
}

AreaFilter::AreaFilter(const TBDBitmapData& picture, const ColorTolerance* tolerance)
    : m_areas(findUniformAreas(picture, tolerance))
    , m_tolerance(tolerance ? *tolerance : ColorTolerance {})
    , m_pictureWidth(picture.Width())
    , m_pictureHeight(picture.Height())
{
}

void AreaFilter::apply(const TBDBitmapData& screen, int32_t fromTop)
{
    const int32_t W = screen.Width(), H = screen.Height();
    const int32_t lastTop = H - m_pictureHeight;
    const int32_t placements = W - m_pictureWidth + 1;
    m_fromTop = fromTop;
    m_keptWords = kernels::maskWords(placements);
    const int32_t rows = std::max(lastTop - fromTop + 1, 0);
    const size_t rowWords = kernels::maskWords(W);
    // Every pixel of a screen row, and every placement of a row, set: copied
    // rather than built again for each row.
    std::vector<uint64_t> allPixels(rowWords), allPlacements(m_keptWords);
    kernels::fillMask(allPixels.data(), W);
    kernels::fillMask(allPlacements.data(), placements);
    // Kept per thread and only grown: fresh pages cost more than the
    // filtering itself.
    thread_local std::vector<uint64_t> keptArray, marksArray;
    if (keptArray.size() < size_t(rows) * m_keptWords)
        keptArray.resize(size_t(rows) * m_keptWords);
    uint64_t* const kept = keptArray.data();
    m_kept = kept;
    for (int32_t r = 0; r < rows; ++r)
        std::copy(allPlacements.begin(), allPlacements.end(), kept + size_t(r) * m_keptWords);
    if (marksArray.size() < size_t(H) * rowWords)
        marksArray.resize(size_t(H) * rowWords);
    auto marks = [&](int32_t y) { return marksArray.data() + size_t(y) * rowWords; };

    // Each area's box [low - T, high + T] per channel, as a centre and a
    // tolerance; an odd span rounds the box outward, which only keeps more.
    struct Plan {
        const UniformArea* area;
        kernels::PixelProbe box;
        double score; // how many screen pixels outside the box it is likely to cover
    };
    std::vector<Plan> plans;
    const int32_t t[3] = { m_tolerance.blue, m_tolerance.green, m_tolerance.red };
    std::vector<uint32_t> samples;
    for (uint32_t i = 0, state = 0x2545F491u; i < 1024; ++i) {
        state = state * 1664525u + 1013904223u;
        const int32_t x = int32_t((state >> 8) % uint32_t(W));
        state = state * 1664525u + 1013904223u;
        const int32_t y = fromTop + int32_t((state >> 8) % uint32_t(H - fromTop));
        samples.push_back(screen.PixelAt(x, y));
    }
    for (const UniformArea& area : m_areas) {
        uint32_t centre = 0;
        int32_t reach[3];
        for (int k = 0; k < 3; ++k) {
            const int32_t low = channel(area.low, k), high = channel(area.high, k);
            centre |= uint32_t((low + high) / 2) << (8 * k);
            reach[k] = std::clamp(t[k], 0, 255) + (high - low + 1) / 2;
        }
        const bool exact = reach[0] == 0 && reach[1] == 0 && reach[2] == 0;
        const ColorTolerance within { reach[2], reach[1], reach[0] };
        const auto outside = std::count_if(
            samples.begin(), samples.end(), [&](uint32_t p) { return !ColorWithin(p, centre, within); });
        const double score = double(area.width) * area.height * (double(outside) + 0.5) / double(samples.size() + 1);
        plans.push_back({ &area, kernels::makeProbe(centre, exact, reach[2], reach[1], reach[0]), score });
    }
    // The areas likely to rule out most first: later ones only look at the
    // screen rows that placements still alive need.
    std::stable_sort(plans.begin(), plans.end(), [](const Plan& a, const Plan& b) { return a.score > b.score; });

    std::vector<uint8_t> alive(size_t(rows), 1); // a placement row with any placement kept
    std::vector<int32_t> aliveBefore(size_t(rows) + 1); // alive rows among the tops before
    std::vector<uint8_t> marked(static_cast<size_t>(H)); // a screen row of marks that may have a bit set
    int32_t aliveCount = rows;
    for (const Plan& plan : plans) {
        if (aliveCount == 0)
            break;
        const UniformArea& area = *plan.area;
        for (int32_t r = 0; r < rows; ++r)
            aliveBefore[size_t(r) + 1] = aliveBefore[size_t(r)] + alive[size_t(r)];
        // Whether a placement row still alive puts the area over screen row y.
        auto needed = [&](int32_t y) {
            const int32_t low = std::max(y - area.top - area.height + 1, fromTop) - fromTop;
            const int32_t high = std::min(y - area.top, lastTop) - fromTop;
            return low <= high && aliveBefore[size_t(high) + 1] > aliveBefore[size_t(low)];
        };
        // Screen rows under the area for some placement: mark the pixels in
        // the box, then keep a mark where the area's width of marks begins.
        const int32_t first = fromTop + area.top, last = lastTop + area.top + area.height - 1;
        for (int32_t y = first; y <= last; ++y) {
            marked[size_t(y)] = 0;
            if (!needed(y))
                continue;
            uint64_t* m = marks(y);
            std::copy(allPixels.begin(), allPixels.end(), m);
            if (kernels::andMatches(screen.Row(y), W, plan.box, m)) {
                erodeRow(m, rowWords, area.width);
                marked[size_t(y)] = 1;
            }
        }
        // Down the columns: row y keeps a mark where rows y .. y + height - 1
        // all have one (doubling: runs of 1, 2, 4, ... rows). Rows without
        // marks stay unread; they stand for rows of zeros.
        int32_t valid = last;
        auto step = [&](int32_t by) {
            for (int32_t y = first; y + by <= valid; ++y) {
                if (!marked[size_t(y)])
                    continue;
                if (!marked[size_t(y + by)]) {
                    marked[size_t(y)] = 0;
                    continue;
                }
                uint64_t* m = marks(y);
                const uint64_t* below = marks(y + by);
                uint64_t any = 0;
                for (size_t i = 0; i < rowWords; ++i) {
                    m[i] &= below[i];
                    any |= m[i];
                }
                marked[size_t(y)] = any != 0;
            }
            valid -= by;
        };
        int32_t done = 1;
        for (; 2 * done <= area.height; done *= 2)
            step(done);
        if (done < area.height)
            step(area.height - done);
        // A placement at (x, top) puts the area's corner on (x + left, top + area.top).
        for (int32_t top = fromTop; top <= lastTop; ++top) {
            const size_t r = size_t(top - fromTop);
            if (!alive[r])
                continue;
            uint64_t* row = kept + r * m_keptWords;
            bool any = false;
            if (marked[size_t(top + area.top)]) {
                andShiftedDown(row, marks(top + area.top), m_keptWords, rowWords, 3 * size_t(area.left));
                any = std::any_of(row, row + m_keptWords, [](uint64_t w) { return w != 0; });
            }
            if (!any) {
                std::fill(row, row + m_keptWords, 0);
                alive[r] = 0;
                --aliveCount;
            }
        }
    }
}

} // namespace clickwisp::search
