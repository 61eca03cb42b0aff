#include "screen/area_filter.h"

#include "screen/pixel_kernels.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

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

// Leaves in row y (first <= y) the marks that rows y, y + stride, ...,
// y + (count - 1) * stride all have, doubling the rows taken each step (1,
// 2, 4, ...); rows from last - (count - 1) * stride + 1 on are left over.
// flags[y] == 0 stands for a row of zeros, which is not read; it is set to 0
// for a row whose marks all went. flags[y] == kFullRow marks a row that holds
// every mark any row can hold: ANDing it with another changes nothing.
constexpr uint8_t kFullRow = 2;

template <typename RowOf>
void andDownRows(std::vector<uint8_t>& flags, int32_t first, int32_t last, int32_t count, int32_t stride,
    size_t rowWords, RowOf rowOf)
{
    int32_t valid = last;
    auto step = [&](int32_t by) {
        for (int32_t y = first; y + by <= valid; ++y) {
            if (!flags[size_t(y)])
                continue;
            if (!flags[size_t(y + by)]) {
                flags[size_t(y)] = 0;
                continue;
            }
            if (flags[size_t(y + by)] == kFullRow)
                continue;
            uint64_t* m = rowOf(y);
            const uint64_t* below = rowOf(y + by);
            if (flags[size_t(y)] == kFullRow) {
                std::copy(below, below + rowWords, m);
                flags[size_t(y)] = 1;
                continue;
            }
            uint64_t any = 0;
            for (size_t i = 0; i < rowWords; ++i) {
                m[i] &= below[i];
                any |= m[i];
            }
            flags[size_t(y)] = any != 0;
        }
        valid -= by;
    };
    int32_t done = 1;
    for (; 2 * done <= count; done *= 2)
        step(done * stride);
    if (done < count)
        step((count - done) * stride);
}

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

// Clears the bits of pixels from..to - 1.
void clearPixels(uint64_t* mask, size_t from, size_t to)
{
    size_t bit = 3 * from;
    const size_t end = 3 * to;
    while (bit < end) {
        const size_t word = bit / 64, offset = bit % 64;
        const size_t n = std::min<size_t>(64 - offset, end - bit);
        mask[word] &= n == 64 ? 0 : ~(((uint64_t(1) << n) - 1) << offset);
        bit += n;
    }
}

// Pixel x keeps its bit when pixels x .. x + count - 1 all had theirs, for
// a row of width pixels (the bits beyond are clear) where few pixels lack
// theirs (one in 20 or fewer): each such pixel clears the count pixels that
// end with it, in time that grows with their number rather than with
// log2(count) passes over the row. Returns how many lacked it; -1, changing
// nothing, when there are more.
int64_t erodeSparseRow(uint64_t* mask, size_t words, int32_t width, int32_t count)
{
    constexpr uint64_t kPixelBits[3] = { 0x9249249249249249ull, 0x4924924924924924ull, 0x2492492492492492ull };
    const size_t endBit = 3 * size_t(width);
    // The pixels inside the row without their bit, one pass; more than the
    // limit: the caller's way instead.
    thread_local std::vector<uint32_t> gaps;
    gaps.clear();
    const size_t limit = size_t(width) / 20;
    for (size_t i = 0; i < words; ++i) {
        uint64_t inside = kPixelBits[i % 3];
        if (64 * (i + 1) > endBit)
            inside &= endBit <= 64 * i ? 0 : (uint64_t(1) << (endBit - 64 * i)) - 1;
        for (uint64_t gone = ~mask[i] & inside; gone; gone &= gone - 1) {
            if (gaps.size() == limit)
                return -1;
            gaps.push_back(uint32_t((i * 64 + size_t(__builtin_ctzll(gone))) / 3));
        }
    }
    size_t clearedTo = 0;
    auto clearEndingAt = [&](size_t end) { // pixels end - count .. end - 1
        const size_t from = std::max(end >= size_t(count) ? end - size_t(count) : 0, clearedTo);
        if (from < end)
            clearPixels(mask, from, end);
        clearedTo = std::max(clearedTo, end);
    };
    for (const uint32_t gap : gaps)
        clearEndingAt(size_t(gap) + 1);
    // The pixels past the end lack theirs too: the last count - 1 go.
    const size_t tail = std::max(size_t(width) + 1 >= size_t(count) ? size_t(width) + 1 - size_t(count) : 0, clearedTo);
    if (tail < size_t(width))
        clearPixels(mask, tail, size_t(width));
    return int64_t(gaps.size());
}

// Pixel x keeps its bit when pixels x, x + stride, ... x + (count - 1) *
// stride all had theirs (doubling: runs of 1, 2, 4 ... pixels).
// True when the row had every pixel's bit (and so now holds every bit an
// eroded row of this width can hold); false may also mean it was not told.
bool erodeRow(uint64_t* mask, size_t words, int32_t width, int32_t count, int32_t stride = 1)
{
    if (stride == 1 && count > 2) {
        const int64_t gaps = erodeSparseRow(mask, words, width, count);
        if (gaps >= 0)
            return gaps == 0;
    }
    int32_t done = 1;
    for (; 2 * done <= count; done *= 2)
        andShiftedDown(mask, mask, words, words, 3 * size_t(stride) * size_t(done));
    if (done < count)
        andShiftedDown(mask, mask, words, words, 3 * size_t(stride) * size_t(count - done));
    return false;
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
                marked[size_t(y)] = erodeRow(m, rowWords, W, area.width) ? kFullRow : 1;
            }
        }
        // Down the columns: row y keeps a mark where rows y .. y + height - 1
        // all have one (doubling: runs of 1, 2, 4, ... rows). Rows without
        // marks stay unread; they stand for rows of zeros.
        andDownRows(marked, first, last, area.height, 1, rowWords, marks);
        // A placement at (x, top) puts the area's corner on (x + left, top + area.top).
        for (int32_t top = fromTop; top <= lastTop; ++top) {
            const size_t r = size_t(top - fromTop);
            if (!alive[r])
                continue;
            uint64_t* row = kept + r * m_keptWords;
            bool any = false;
            if (marked[size_t(top + area.top)] == kFullRow) {
                any = true; // every placement has the area's width of marks at its offset
            } else if (marked[size_t(top + area.top)]) {
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

namespace clickwisp::search {
namespace {

constexpr size_t kMaxClasses = 16;
// Passes over a row of marks that the chosen patterns may cost per screen
// row; marking a class's pixels counts as kPlaneCost passes.
constexpr int64_t kPatternBudget = 80;
constexpr int64_t kPlaneCost = 8;
constexpr size_t kMaxPoints = 8;

int32_t doublings(int32_t count)
{
    int32_t steps = 0, done = 1;
    for (; 2 * done <= count; done *= 2)
        ++steps;
    return steps + (done < count ? 1 : 0);
}

int64_t costOf(const std::vector<Progression>& progressions)
{
    int64_t cost = 0;
    for (const Progression& p : progressions)
        cost += p.count == 1 ? 1 : 2 + doublings(p.count);
    return cost;
}

// The distinct colours of an image's pixels (0x00RRGGBB), ascending, how
// many pixels have each, and each pixel's colour as an index into them.
struct Palette {
    std::vector<uint32_t> colours;
    std::vector<uint32_t> counts;
    std::vector<uint32_t> indexOf;
};

// By a radix sort of (colour, pixel) keys, three passes of 8 bits: time in
// proportion to the pixels, where a comparison sort of a large picture's
// pixels costs more than the filter saves.
Palette paletteOf(const std::vector<uint32_t>& pixels)
{
    std::vector<uint64_t> keys(pixels.size()), spare(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        keys[i] = (uint64_t(pixels[i] & 0xFFFFFF) << 32) | i;
    for (int shift = 32; shift < 56; shift += 8) {
        std::array<size_t, 257> start {};
        for (const uint64_t k : keys)
            ++start[((k >> shift) & 0xFF) + 1];
        for (size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        for (const uint64_t k : keys)
            spare[start[(k >> shift) & 0xFF]++] = k;
        keys.swap(spare);
    }
    Palette palette;
    palette.indexOf.resize(pixels.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const uint32_t colour = uint32_t(keys[i] >> 32);
        if (palette.colours.empty() || palette.colours.back() != colour) {
            palette.colours.push_back(colour);
            palette.counts.push_back(0);
        }
        ++palette.counts.back();
        palette.indexOf[uint32_t(keys[i])] = uint32_t(palette.colours.size() - 1);
    }
    return palette;
}

// Splits ascending positions into arithmetic progressions: from the first
// position left, with the step to the next one left, as far as it goes.
std::vector<Progression> progressionsOf(const std::vector<int32_t>& sorted)
{
    std::vector<Progression> out;
    if (sorted.empty())
        return out;
    const int32_t low = sorted.front(), high = sorted.back();
    std::vector<uint8_t> left(size_t(high - low) + 1, 0);
    for (int32_t v : sorted)
        left[size_t(v - low)] = 1;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const int32_t start = sorted[i];
        if (!left[size_t(start - low)])
            continue;
        size_t j = i + 1;
        while (j < sorted.size() && !left[size_t(sorted[j] - low)])
            ++j;
        Progression p { start, 1, 1 };
        if (j < sorted.size()) {
            p.stride = sorted[j] - start;
            while (
                int64_t(start) + int64_t(p.count) * p.stride <= high && left[size_t(start + p.count * p.stride - low)])
                ++p.count;
        }
        for (int32_t k = 0; k < p.count; ++k)
            left[size_t(start + k * p.stride - low)] = 0;
        out.push_back(p);
    }
    return out;
}

} // namespace

PatternFilter::PatternFilter(const TBDBitmapData& picture, const ColorTolerance& tolerance)
    : m_pictureWidth(picture.Width())
    , m_pictureHeight(picture.Height())
{
    const int32_t w = m_pictureWidth, h = m_pictureHeight;
    if (w <= 0 || h <= 0 || int64_t(w) * h > kMaxPlannedPixels)
        return;
    const int32_t t[3] = { std::clamp(tolerance.blue, 0, 255), std::clamp(tolerance.green, 0, 255),
        std::clamp(tolerance.red, 0, 255) };
    Spread spread;
    for (int k = 0; k < 3; ++k)
        spread.d[k] = t[k] / 2;
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels[size_t(y) * size_t(w) + size_t(x)] = picture.PixelAt(x, y);

    // The colours, the most frequent first, each in the first class whose
    // seed lies within the spread; a colour beyond kMaxClasses classes is
    // left out. Distinct colours come from a radix sort of (colour, pixel)
    // keys, which also gives each pixel its colour's index.
    const Palette palette = paletteOf(pixels);
    // Most frequent first, then the lowest colour: a counting sort.
    std::vector<uint32_t> order(palette.colours.size());
    {
        const uint32_t most = *std::max_element(palette.counts.begin(), palette.counts.end());
        std::vector<uint32_t> start(size_t(most) + 2, 0); // by count, highest first
        for (const uint32_t n : palette.counts)
            ++start[size_t(most - n) + 1];
        for (size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        for (uint32_t i = 0; i < palette.counts.size(); ++i)
            order[start[most - palette.counts[i]]++] = i;
    }
    std::vector<uint32_t> seeds;
    std::vector<std::array<int32_t, 3>> low, high;
    std::vector<int8_t> classOfColour(palette.colours.size(), -1);
    bool singleColours = true, allCovered = true;
    for (const uint32_t i : order) {
        const uint32_t colour = palette.colours[i];
        int32_t c = -1;
        for (size_t s = 0; s < seeds.size() && c < 0; ++s)
            if (spread.near(seeds[s], colour))
                c = int32_t(s);
        if (c < 0 && seeds.size() < kMaxClasses) {
            c = int32_t(seeds.size());
            seeds.push_back(colour);
            low.push_back({ 255, 255, 255 });
            high.push_back({ 0, 0, 0 });
        }
        if (c >= 0) {
            for (int k = 0; k < 3; ++k) {
                low[size_t(c)][size_t(k)] = std::min(low[size_t(c)][size_t(k)], channel(colour, k));
                high[size_t(c)][size_t(k)] = std::max(high[size_t(c)][size_t(k)], channel(colour, k));
            }
            singleColours = singleColours && seeds[size_t(c)] == colour;
        }
        allCovered = allCovered && c >= 0;
        classOfColour[i] = int8_t(c);
    }
    std::vector<int8_t> classOfPixel(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        classOfPixel[i] = classOfColour[palette.indexOf[i]];
    // Each class's box [low - T, high + T] as a centre and a reach; an odd
    // span rounds the box outward, which only keeps more.
    for (size_t c = 0; c < seeds.size(); ++c) {
        uint32_t centre = 0;
        int32_t reach[3];
        for (int k = 0; k < 3; ++k) {
            const int32_t lo = low[c][size_t(k)], hi = high[c][size_t(k)];
            centre |= uint32_t((lo + hi) / 2) << (8 * k);
            reach[k] = t[k] + (hi - lo + 1) / 2;
        }
        const bool exact = reach[0] == 0 && reach[1] == 0 && reach[2] == 0;
        m_boxes.push_back(kernels::makeProbe(centre, exact, reach[2], reach[1], reach[0]));
    }

    // The pixels that differ most from their nearest neighbour, by more than
    // the tolerance in some channel.
    std::vector<std::pair<int32_t, int32_t>> edges; // (how far, index)
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = pixels[size_t(y) * size_t(w) + size_t(x)];
            int32_t nearest = 256;
            const int32_t around[4][2] = { { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } };
            for (const auto& [ax, ay] : around) {
                const int32_t nx = x + ax, ny = y + ay;
                if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                    continue;
                const uint32_t n = pixels[size_t(ny) * size_t(w) + size_t(nx)];
                int32_t beyond = 0; // how far beyond the tolerance, in the worst channel
                for (int k = 0; k < 3; ++k)
                    beyond = std::max(beyond, std::abs(channel(c, k) - channel(n, k)) - t[k]);
                nearest = std::min(nearest, beyond);
            }
            if (nearest > 0 && nearest < 256)
                edges.push_back({ nearest, y * w + x });
        }
    // The farthest first, in pixel order among equals.
    const size_t points = std::min(edges.size(), kMaxPoints);
    std::partial_sort(edges.begin(), edges.begin() + ptrdiff_t(points), edges.end(),
        [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    for (size_t i = 0; i < points; ++i) {
        const int32_t at = edges[i].second;
        m_points.push_back({ at % w, at / w,
            kernels::makeProbe(pixels[size_t(at)], t[0] == 0 && t[1] == 0 && t[2] == 0, t[2], t[1], t[0]) });
    }

    // Rows with the same classes in the same places: one pattern.
    std::map<std::vector<int8_t>, std::vector<int32_t>> rowsOf;
    std::vector<int8_t> labels(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        bool any = false;
        for (int32_t x = 0; x < w; ++x) {
            const int8_t c = classOfPixel[size_t(y) * size_t(w) + size_t(x)];
            labels[size_t(x)] = c;
            any = any || c >= 0;
        }
        if (any)
            rowsOf[labels].push_back(y);
    }
    struct Candidate {
        Pattern pattern;
        size_t rows;
        int64_t cost;
    };
    std::vector<Candidate> candidates;
    for (const auto& [row, ys] : rowsOf) {
        Candidate candidate { {}, ys.size(), 0 };
        Pattern& pattern = candidate.pattern;
        for (int32_t c = 0; c < int32_t(seeds.size()); ++c) {
            std::vector<int32_t> xs;
            for (int32_t x = 0; x < w; ++x)
                if (row[size_t(x)] == c)
                    xs.push_back(x);
            if (xs.empty())
                continue;
            pattern.classes.push_back({ c, progressionsOf(xs) });
            candidate.cost += kPlaneCost + costOf(pattern.classes.back().across);
        }
        pattern.down = progressionsOf(ys);
        pattern.firstRow = ys.front();
        pattern.lastRow = ys.back();
        candidate.cost += costOf(pattern.down);
        candidates.push_back(std::move(candidate));
    }
    std::stable_sort(
        candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.rows > b.rows; });
    // A pattern that costs more than is left is taken with its classes of
    // most pixels only, as far as they fit.
    int64_t spent = 0;
    bool whole = true;
    for (Candidate& candidate : candidates) {
        if (spent + candidate.cost > kPatternBudget) {
            whole = false;
            Pattern& pattern = candidate.pattern;
            auto pixelsOf = [](const ClassRun& c) {
                int64_t n = 0;
                for (const Progression& p : c.across)
                    n += p.count;
                return n;
            };
            std::stable_sort(pattern.classes.begin(), pattern.classes.end(),
                [&](const ClassRun& a, const ClassRun& b) { return pixelsOf(a) > pixelsOf(b); });
            int64_t cost = costOf(pattern.down);
            size_t taken = 0;
            while (taken < pattern.classes.size()
                && spent + cost + kPlaneCost + costOf(pattern.classes[taken].across) <= kPatternBudget)
                cost += kPlaneCost + costOf(pattern.classes[taken++].across);
            if (taken == 0)
                continue;
            pattern.classes.resize(taken);
            candidate.cost = cost;
        }
        spent += candidate.cost;
        m_chosen.push_back(std::move(candidate.pattern));
    }
    m_exact = singleColours && allCovered && whole;
}

void PatternFilter::apply(
    const TBDBitmapData& screen, int32_t fromTop, const AreaFilter* within, int64_t skipPatternsBytes)
{
    const int32_t W = screen.Width(), H = screen.Height();
    const int32_t lastTop = H - m_pictureHeight;
    const int32_t placements = W - m_pictureWidth + 1;
    m_fromTop = fromTop;
    m_keptWords = kernels::maskWords(placements);
    const int32_t rows = std::max(lastTop - fromTop + 1, 0);
    const size_t rowWords = kernels::maskWords(W);
    std::vector<uint64_t> allPixels(rowWords), allPlacements(m_keptWords), plane(rowWords), run(rowWords);
    kernels::fillMask(allPixels.data(), W);
    kernels::fillMask(allPlacements.data(), placements);
    // Kept per thread and only grown, as in AreaFilter.
    thread_local std::vector<uint64_t> keptArray, patternArray, downArray;
    if (keptArray.size() < size_t(rows) * m_keptWords)
        keptArray.resize(size_t(rows) * m_keptWords);
    if (patternArray.size() < size_t(H) * rowWords) {
        patternArray.resize(size_t(H) * rowWords);
        downArray.resize(size_t(H) * rowWords);
    }
    uint64_t* const kept = keptArray.data();
    m_kept = kept;
    std::vector<uint8_t> alive(size_t(rows), 1);
    int32_t aliveCount = rows;
    for (int32_t r = 0; r < rows; ++r) {
        uint64_t* row = kept + size_t(r) * m_keptWords;
        if (!within) {
            std::copy(allPlacements.begin(), allPlacements.end(), row);
            continue;
        }
        const uint64_t* from = within->row(fromTop + r);
        std::copy(from, from + m_keptWords, row);
        if (std::all_of(row, row + m_keptWords, [](uint64_t v) { return v == 0; })) {
            alive[size_t(r)] = 0;
            --aliveCount;
        }
    }
    auto patternRow = [&](int32_t y) { return patternArray.data() + size_t(y) * rowWords; };
    auto downRow = [&](int32_t y) { return downArray.data() + size_t(y) * rowWords; };
    auto anySet = [](const uint64_t* p, size_t n) { return std::any_of(p, p + n, [](uint64_t v) { return v != 0; }); };

    std::vector<int32_t> aliveBefore(size_t(rows) + 1);
    // A screen row of marks that may have a bit set (a row not worked out
    // stands for zeros).
    std::vector<uint8_t> marked(static_cast<size_t>(H)), downMarked(static_cast<size_t>(H));
    for (const Point& point : m_points) {
        for (int32_t top = fromTop; top <= lastTop; ++top) {
            const size_t r = size_t(top - fromTop);
            if (alive[r]
                && !kernels::andMatches(
                    screen.Row(top + point.dy) + 3 * size_t(point.dx), placements, point.box, kept + r * m_keptWords)) {
                alive[r] = 0;
                --aliveCount;
            }
        }
    }
    m_skippedPatterns = false;
    if (skipPatternsBytes >= 0 && !m_chosen.empty()) {
        // The placements left, counted only as far as the limit.
        const int64_t limit = skipPatternsBytes / (int64_t(m_pictureWidth) * m_pictureHeight * 3);
        int64_t left = 0;
        for (int32_t r = 0; r < rows && left <= limit; ++r)
            if (alive[size_t(r)])
                for (size_t i = 0; i < m_keptWords; ++i)
                    left += __builtin_popcountll(kept[size_t(r) * m_keptWords + i]);
        m_skippedPatterns = left <= limit;
    }
    for (const Pattern& pattern : m_chosen) {
        if (aliveCount == 0 || m_skippedPatterns)
            break;
        for (int32_t r = 0; r < rows; ++r)
            aliveBefore[size_t(r) + 1] = aliveBefore[size_t(r)] + alive[size_t(r)];
        auto needed = [&](int32_t y) {
            const int32_t lo = std::max(y - pattern.lastRow, fromTop) - fromTop;
            const int32_t hi = std::min(y - pattern.firstRow, lastTop) - fromTop;
            return lo <= hi && aliveBefore[size_t(hi) + 1] > aliveBefore[size_t(lo)];
        };
        // Per screen row: pixel x keeps its mark when the pattern placed
        // with its left end on x finds every class's pixels in their boxes.
        const int32_t first = fromTop + pattern.firstRow, last = lastTop + pattern.lastRow;
        for (int32_t y = first; y <= last; ++y) {
            marked[size_t(y)] = 0;
            if (!needed(y))
                continue;
            uint64_t* r = patternRow(y);
            std::copy(allPixels.begin(), allPixels.end(), r);
            bool any = true;
            for (const ClassRun& c : pattern.classes) {
                std::copy(allPixels.begin(), allPixels.end(), plane.begin());
                if (!kernels::andMatches(screen.Row(y), W, m_boxes[size_t(c.colourClass)], plane.data())) {
                    any = false;
                    break;
                }
                for (const Progression& p : c.across) {
                    const uint64_t* source = plane.data();
                    if (p.count > 1) {
                        std::copy(plane.begin(), plane.end(), run.begin());
                        erodeRow(run.data(), rowWords, W, p.count, p.stride);
                        source = run.data();
                    }
                    andShiftedDown(r, source, rowWords, rowWords, 3 * size_t(p.start));
                }
            }
            marked[size_t(y)] = any && anySet(r, rowWords);
        }
        // Down the screen: each progression of the pattern's rows, ANDed by
        // doubling, then into the placement rows it applies to.
        for (const Progression& d : pattern.down) {
            if (aliveCount == 0)
                break;
            const std::vector<uint8_t>* flags = &marked;
            const uint64_t* rowsBase = patternArray.data();
            if (d.count > 1) {
                const int32_t from = fromTop + d.start, to = lastTop + d.start + (d.count - 1) * d.stride;
                for (int32_t y = from; y <= to; ++y) {
                    downMarked[size_t(y)] = marked[size_t(y)];
                    if (marked[size_t(y)])
                        std::copy(patternRow(y), patternRow(y) + rowWords, downRow(y));
                }
                andDownRows(downMarked, from, to, d.count, d.stride, rowWords, downRow);
                flags = &downMarked;
                rowsBase = downArray.data();
            }
            for (int32_t top = fromTop; top <= lastTop; ++top) {
                const size_t r = size_t(top - fromTop);
                if (!alive[r])
                    continue;
                uint64_t* row = kept + r * m_keptWords;
                const int32_t y = top + d.start;
                bool any = false;
                if ((*flags)[size_t(y)]) {
                    const uint64_t* source = rowsBase + size_t(y) * rowWords;
                    uint64_t bits = 0;
                    for (size_t i = 0; i < m_keptWords; ++i) {
                        row[i] &= source[i];
                        bits |= row[i];
                    }
                    any = bits != 0;
                }
                if (!any) {
                    std::fill(row, row + m_keptWords, 0);
                    alive[r] = 0;
                    --aliveCount;
                }
            }
        }
    }
}

} // namespace clickwisp::search
