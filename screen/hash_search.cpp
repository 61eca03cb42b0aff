#include "screen/hash_search.h"

#include <cstring>
#include <vector>

namespace clickwisp::search {
namespace {

// Odd multipliers: odd numbers are invertible modulo 2^32, which the window
// hash below needs.
constexpr uint32_t kRowBase = 0x9E3779B1u; // down a column
constexpr uint32_t kColumnBase = 0x85EBCA77u; // along a row

uint32_t inverse(uint32_t a)
{
    uint32_t x = a; // Newton's iteration doubles the correct low bits each step
    for (int i = 0; i < 5; ++i)
        x *= 2 - a * x;
    return x;
}

uint32_t power(uint32_t base, int32_t exponent)
{
    uint32_t result = 1;
    for (; exponent > 0; --exponent)
        result *= base;
    return result;
}

// The loops below run once per screen row over whole rows; they vectorise,
// and the best variant for the processor is chosen when the program loads.
// One variant under ThreadSanitizer (the loader runs the chooser before the
// sanitizer's runtime is up, and the instrumented chooser crashes) and in
// Windows programs, which have no load-time choice (ifunc).
#if defined(__SANITIZE_THREAD__) || !defined(__ELF__)
#define ROW_LOOP_CLONES
#else
#define ROW_LOOP_CLONES __attribute__((target_clones("avx2", "default")))
#endif
ROW_LOOP_CLONES void unpackRow(const uint8_t* row, int32_t n, uint32_t* out)
{
    for (int32_t i = 0; i < n; ++i)
        out[i] = uint32_t(row[3 * i]) | (uint32_t(row[3 * i + 1]) << 8) | (uint32_t(row[3 * i + 2]) << 16);
}

ROW_LOOP_CLONES void addRow(uint32_t* v, const uint32_t* row, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = v[i] * kRowBase + row[i];
}

ROW_LOOP_CLONES void rollRow(uint32_t* v, const uint32_t* leaving, const uint32_t* entering, int32_t n, uint32_t weight)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = (v[i] - leaving[i] * weight) * kRowBase + entering[i];
}

// q[j] = sum of v[k] * A^-k for k < j.
void prefixSums(const uint32_t* v, const uint32_t* inversePowers, int32_t n, uint32_t* q)
{
    uint32_t sum = 0;
    q[0] = 0;
    for (int32_t i = 0; i < n; ++i) {
        sum += v[i] * inversePowers[i];
        q[i + 1] = sum;
    }
}

// hit[x] = whether the window of w columns from x hashes to target; the
// window hash is A^(x+w-1) * (q[x+w] - q[x]) = sum of v[x+i] * A^(w-1-i).
ROW_LOOP_CLONES bool windowHits(
    const uint32_t* q, const uint32_t* powers, int32_t placements, int32_t w, uint32_t target, uint8_t* hit)
{
    uint8_t any = 0;
    for (int32_t x = 0; x < placements; ++x) {
        const uint8_t h = (powers[x + w - 1] * (q[x + w] - q[x])) == target;
        hit[x] = h;
        any |= h;
    }
    return any != 0;
}

} // namespace

bool matchesExactly(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top)
{
    if (picture.Width() == 0 || picture.Height() == 0)
        return true;
    const size_t bytes = size_t(picture.Width()) * 3;
    for (int32_t row = picture.Height() - 1; row >= 0; --row) {
        if (std::memcmp(screen.Row(top + row) + size_t(left) * 3, picture.Row(row), bytes) != 0)
            return false;
    }
    return true;
}

std::optional<ScreenPoint> hashSearch(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t fromTop)
{
    const int32_t W = screen.Width(), w = picture.Width(), h = picture.Height();
    const int32_t lastTop = screen.Height() - h;
    const int32_t placements = W - w + 1;
    if (fromTop > lastTop || placements <= 0)
        return std::nullopt;

    const size_t width = size_t(W);
    std::vector<uint32_t> powers(width + 1), inversePowers(width + 1);
    const uint32_t inverseBase = inverse(kColumnBase);
    powers[0] = inversePowers[0] = 1;
    for (int32_t i = 1; i <= W; ++i) {
        powers[size_t(i)] = powers[size_t(i) - 1] * kColumnBase;
        inversePowers[size_t(i)] = inversePowers[size_t(i) - 1] * inverseBase;
    }
    std::vector<uint32_t> column(width), leaving(width), entering(width), q(width + 1);
    std::vector<uint8_t> hit(static_cast<size_t>(placements));

    // The picture's own hash, by the same steps as a screen window at x = 0.
    for (int32_t r = 0; r < h; ++r) {
        unpackRow(picture.Row(r), w, entering.data());
        addRow(column.data(), entering.data(), w);
    }
    prefixSums(column.data(), inversePowers.data(), w, q.data());
    const uint32_t target = powers[size_t(w) - 1] * (q[size_t(w)] - q[0]);

    std::fill(column.begin(), column.end(), 0);
    for (int32_t r = 0; r < h; ++r) {
        unpackRow(screen.Row(fromTop + r), W, entering.data());
        addRow(column.data(), entering.data(), W);
    }
    const uint32_t leavingWeight = power(kRowBase, h - 1);
    for (int32_t top = fromTop;; ++top) {
        prefixSums(column.data(), inversePowers.data(), W, q.data());
        if (windowHits(q.data(), powers.data(), placements, w, target, hit.data())) {
            for (int32_t x = 0; x < placements; ++x) {
                if (hit[size_t(x)] && matchesExactly(screen, picture, x, top))
                    return ScreenPoint { x, top };
            }
        }
        if (top == lastTop)
            return std::nullopt;
        unpackRow(screen.Row(top), W, leaving.data());
        unpackRow(screen.Row(top + h), W, entering.data());
        rollRow(column.data(), leaving.data(), entering.data(), W, leavingWeight);
    }
}

} // namespace clickwisp::search
