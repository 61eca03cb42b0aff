#include "screen/probe_plan.h"

#include <algorithm>
#include <cstdlib>

namespace clickwisp::search {
namespace {

// A small fixed-seed generator: the plan, and so the time a search takes,
// is the same for the same screen.
class Sampler {
public:
    explicit Sampler(uint64_t seed)
        : m_state(seed)
    {
    }
    uint32_t below(uint32_t n)
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t((m_state >> 33) % n);
    }

private:
    uint64_t m_state;
};

struct Candidate {
    uint32_t color = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    uint32_t count = 0; // screen samples that match the colour
};

std::vector<uint32_t> sampleScreen(const TBDBitmapData& screen, size_t wanted)
{
    const uint64_t area = uint64_t(screen.Width()) * uint64_t(screen.Height());
    std::vector<uint32_t> samples;
    if (area <= wanted) {
        for (int32_t y = 0; y < screen.Height(); ++y)
            for (int32_t x = 0; x < screen.Width(); ++x)
                samples.push_back(screen.PixelAt(x, y));
        return samples;
    }
    Sampler sampler(0x5EED5EEDu);
    samples.reserve(wanted);
    for (size_t i = 0; i < wanted; ++i) {
        const uint32_t x = sampler.below(uint32_t(screen.Width()));
        const uint32_t y = sampler.below(uint32_t(screen.Height()));
        samples.push_back(screen.PixelAt(int32_t(x), int32_t(y)));
    }
    return samples;
}

// The picture pixels considered as probes, one per distinct colour (the
// first met), in colour order.
std::vector<Candidate> distinctColours(const TBDBitmapData& picture, size_t limit)
{
    std::vector<Candidate> all;
    const uint64_t area = uint64_t(picture.Width()) * uint64_t(picture.Height());
    if (area <= 4096) {
        for (int32_t y = 0; y < picture.Height(); ++y)
            for (int32_t x = 0; x < picture.Width(); ++x)
                all.push_back({ picture.PixelAt(x, y), x, y, 0 });
    } else {
        Sampler sampler(0xC0105EEDu);
        for (int i = 0; i < 4096; ++i) {
            const int32_t x = int32_t(sampler.below(uint32_t(picture.Width())));
            const int32_t y = int32_t(sampler.below(uint32_t(picture.Height())));
            all.push_back({ picture.PixelAt(x, y), x, y, 0 });
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Candidate& a, const Candidate& b) { return a.color < b.color; });
    all.erase(
        std::unique(all.begin(), all.end(), [](const Candidate& a, const Candidate& b) { return a.color == b.color; }),
        all.end());
    if (all.size() > limit) {
        std::vector<Candidate> some;
        for (size_t i = 0; i < limit; ++i)
            some.push_back(all[i * all.size() / limit]);
        all.swap(some);
    }
    return all;
}

// Samples within the tolerance of colour, channel by channel over arrays so
// that the loop vectorises.
struct ChannelSamples {
    explicit ChannelSamples(const std::vector<uint32_t>& samples)
    {
        for (uint32_t s : samples) {
            blue.push_back(int16_t(s & 0xFF));
            green.push_back(int16_t((s >> 8) & 0xFF));
            red.push_back(int16_t((s >> 16) & 0xFF));
        }
    }
    uint32_t countNear(uint32_t color, const ColorTolerance& t) const
    {
        const int16_t b = int16_t(color & 0xFF), g = int16_t((color >> 8) & 0xFF), r = int16_t((color >> 16) & 0xFF);
        const int16_t tb = int16_t(std::clamp(t.blue, -1, 255)), tg = int16_t(std::clamp(t.green, -1, 255)),
                      tr = int16_t(std::clamp(t.red, -1, 255));
        uint32_t count = 0;
        for (size_t i = 0; i < blue.size(); ++i) {
            const bool near = std::abs(blue[i] - b) <= tb && std::abs(green[i] - g) <= tg && std::abs(red[i] - r) <= tr;
            count += near ? 1 : 0;
        }
        return count;
    }
    std::vector<int16_t> blue, green, red;
};

int32_t distance(const Probe& p, int32_t dx, int32_t dy)
{
    return std::abs(p.dx - dx) + std::abs(p.dy - dy);
}

bool taken(const std::vector<Probe>& probes, int32_t dx, int32_t dy)
{
    return std::any_of(probes.begin(), probes.end(), [&](const Probe& p) { return p.dx == dx && p.dy == dy; });
}

} // namespace

std::vector<Probe> chooseProbes(
    const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance* tolerance, size_t maxProbes)
{
    std::vector<Probe> probes;
    if (picture.Width() <= 0 || picture.Height() <= 0 || maxProbes == 0)
        return probes;
    std::vector<uint32_t> samples = sampleScreen(screen, tolerance ? 1024 : 2048);
    std::vector<Candidate> colours = distinctColours(picture, tolerance ? 256 : 4096);
    if (tolerance) {
        const ChannelSamples channels(samples);
        for (Candidate& c : colours)
            c.count = channels.countNear(c.color, *tolerance);
    } else {
        std::sort(samples.begin(), samples.end());
        for (Candidate& c : colours) {
            const auto range = std::equal_range(samples.begin(), samples.end(), c.color);
            c.count = uint32_t(range.second - range.first);
        }
    }
    std::stable_sort(
        colours.begin(), colours.end(), [](const Candidate& a, const Candidate& b) { return a.count < b.count; });
    for (const Candidate& c : colours) {
        if (probes.size() == maxProbes)
            return probes;
        probes.push_back({ c.dx, c.dy, c.color });
    }
    // Fewer colours than probes: add the pixels that lie farthest from the
    // probes so far among the corners, edge middles and centre.
    const int32_t w = picture.Width() - 1, h = picture.Height() - 1;
    const int32_t spots[9][2] = { { 0, 0 }, { w, h }, { w, 0 }, { 0, h }, { w / 2, h / 2 }, { w / 2, 0 }, { w / 2, h },
        { 0, h / 2 }, { w, h / 2 } };
    while (probes.size() < maxProbes) {
        int best = -1;
        int32_t bestDistance = 0;
        for (int i = 0; i < 9; ++i) {
            const int32_t dx = spots[i][0], dy = spots[i][1];
            if (taken(probes, dx, dy))
                continue;
            int32_t nearest = INT32_MAX;
            for (const Probe& p : probes)
                nearest = std::min(nearest, distance(p, dx, dy));
            if (best < 0 || nearest > bestDistance) {
                best = i;
                bestDistance = nearest;
            }
        }
        if (best < 0)
            break;
        const int32_t dx = spots[best][0], dy = spots[best][1];
        probes.push_back({ dx, dy, picture.PixelAt(dx, dy) });
    }
    return probes;
}

} // namespace clickwisp::search
