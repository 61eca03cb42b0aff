#include "screen/pixel_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CLICKWISP_X86 1
#endif

namespace clickwisp::kernels {
namespace {

// Bits at multiples of 3 in the three words of a 192-bit block.
constexpr uint64_t kPixelBits0 = 0x9249249249249249ull;
constexpr uint64_t kPixelBits1 = 0x4924924924924924ull;
constexpr uint64_t kPixelBits2 = 0x2492492492492492ull;

// Per-byte match bits of a 192-byte block to per-pixel bits: bit 3i stays set
// when bytes 3i, 3i+1 and 3i+2 all matched.
inline void bytesToPixels(uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    const uint64_t a0 = (w0 >> 1) | (w1 << 63), a1 = (w1 >> 1) | (w2 << 63), a2 = w2 >> 1;
    const uint64_t b0 = (w0 >> 2) | (w1 << 62), b1 = (w1 >> 2) | (w2 << 62), b2 = w2 >> 2;
    w0 &= a0 & b0 & kPixelBits0;
    w1 &= a1 & b1 & kPixelBits1;
    w2 &= a2 & b2 & kPixelBits2;
}

inline bool byteWithin(uint8_t a, uint8_t b, uint8_t tolerance)
{
    return (a > b ? a - b : b - a) <= tolerance;
}

namespace scalar {

struct Patterns {
    explicit Patterns(const PixelProbe& probe)
        : probe(probe)
    {
    }
    const PixelProbe& probe;
};

template <typename Same> inline void blockBits(const uint8_t* b, uint64_t& w0, uint64_t& w1, uint64_t& w2, Same same)
{
    uint64_t w[3] = { 0, 0, 0 };
    for (int k = 0; k < 192; ++k) {
        if (same(k))
            w[k / 64] |= uint64_t(1) << (k % 64);
    }
    (void)b;
    w0 = w[0];
    w1 = w[1];
    w2 = w[2];
}

inline void blockExact(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    blockBits(b, w0, w1, w2, [&](int k) { return b[k] == p.probe.color[k % 3]; });
}

inline void blockNear(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    blockBits(b, w0, w1, w2, [&](int k) { return byteWithin(b[k], p.probe.color[k % 3], p.probe.tolerance[k % 3]); });
}

// from: where the scan starts, a multiple of 3.
size_t firstByteOutside(const uint8_t* a, const uint8_t* b, size_t n, const PixelProbe& probe, size_t from = 0)
{
    for (size_t k = from; k < n; ++k) {
        if (!byteWithin(a[k], b[k], probe.tolerance[k % 3]))
            return k;
    }
    return n;
}

#include "screen/pixel_kernels_loops.inc"

} // namespace scalar

#ifdef CLICKWISP_X86

namespace sse2 {

struct Patterns {
    explicit Patterns(const PixelProbe& probe)
    {
        for (int phase = 0; phase < 3; ++phase) {
            color[phase] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(probe.color + phase));
            tolerance[phase] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(probe.tolerance + phase));
        }
    }
    __m128i color[3];
    __m128i tolerance[3];
};

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i nearMask(__m128i s, __m128i c, __m128i t)
{
    const __m128i d = _mm_or_si128(_mm_subs_epu8(s, c), _mm_subs_epu8(c, s));
    return _mm_cmpeq_epi8(_mm_max_epu8(d, t), t);
}

// 16-byte vector j of a block starts at byte phase j % 3.
template <typename Compare>
inline void blockBits(const uint8_t* b, uint64_t& w0, uint64_t& w1, uint64_t& w2, Compare compare)
{
    uint64_t w[3] = { 0, 0, 0 };
    for (int j = 0; j < 12; ++j) {
        const uint64_t bits = uint32_t(_mm_movemask_epi8(compare(load(b + 16 * j), j % 3)));
        w[j / 4] |= bits << (16 * (j % 4));
    }
    w0 = w[0];
    w1 = w[1];
    w2 = w[2];
}

inline void blockExact(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    blockBits(b, w0, w1, w2, [&](__m128i s, int phase) { return _mm_cmpeq_epi8(s, p.color[phase]); });
}

inline void blockNear(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    blockBits(b, w0, w1, w2, [&](__m128i s, int phase) { return nearMask(s, p.color[phase], p.tolerance[phase]); });
}

// Whole 48-byte blocks are tested at once; the bytes of a failing block and
// the tail are looked at one by one.
size_t firstByteOutside(const uint8_t* a, const uint8_t* b, size_t n, const PixelProbe& probe)
{
    const Patterns p(probe);
    size_t k = 0;
    for (; k + 48 <= n; k += 48) {
        __m128i bad = _mm_setzero_si128();
        for (int j = 0; j < 3; ++j) {
            const __m128i s = load(a + k + 16 * j), q = load(b + k + 16 * j);
            const __m128i d = _mm_or_si128(_mm_subs_epu8(s, q), _mm_subs_epu8(q, s));
            bad = _mm_or_si128(bad, _mm_subs_epu8(d, p.tolerance[j]));
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF)
            return scalar::firstByteOutside(a, b, k + 48, probe, k);
    }
    return scalar::firstByteOutside(a, b, n, probe, k);
}

#include "screen/pixel_kernels_loops.inc"

} // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")

namespace avx2 {

struct Patterns {
    explicit Patterns(const PixelProbe& probe)
    {
        for (int phase = 0; phase < 3; ++phase) {
            color[phase] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(probe.color + phase));
            tolerance[phase] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(probe.tolerance + phase));
        }
    }
    __m256i color[3];
    __m256i tolerance[3];
};

inline __m256i load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline uint64_t bits(__m256i lo, __m256i hi)
{
    return uint64_t(uint32_t(_mm256_movemask_epi8(lo))) | (uint64_t(uint32_t(_mm256_movemask_epi8(hi))) << 32);
}

// The six 32-byte vectors of a block start at byte phases 0, 2, 1, 0, 2, 1.
inline void blockExact(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    w0 = bits(_mm256_cmpeq_epi8(load(b), p.color[0]), _mm256_cmpeq_epi8(load(b + 32), p.color[2]));
    w1 = bits(_mm256_cmpeq_epi8(load(b + 64), p.color[1]), _mm256_cmpeq_epi8(load(b + 96), p.color[0]));
    w2 = bits(_mm256_cmpeq_epi8(load(b + 128), p.color[2]), _mm256_cmpeq_epi8(load(b + 160), p.color[1]));
}

inline __m256i nearMask(__m256i s, __m256i c, __m256i t)
{
    const __m256i d = _mm256_or_si256(_mm256_subs_epu8(s, c), _mm256_subs_epu8(c, s));
    return _mm256_cmpeq_epi8(_mm256_max_epu8(d, t), t);
}

inline void blockNear(const uint8_t* b, const Patterns& p, uint64_t& w0, uint64_t& w1, uint64_t& w2)
{
    w0 = bits(nearMask(load(b), p.color[0], p.tolerance[0]), nearMask(load(b + 32), p.color[2], p.tolerance[2]));
    w1 = bits(nearMask(load(b + 64), p.color[1], p.tolerance[1]), nearMask(load(b + 96), p.color[0], p.tolerance[0]));
    w2 = bits(nearMask(load(b + 128), p.color[2], p.tolerance[2]), nearMask(load(b + 160), p.color[1], p.tolerance[1]));
}

size_t firstByteOutside(const uint8_t* a, const uint8_t* b, size_t n, const PixelProbe& probe)
{
    const Patterns p(probe);
    const __m256i tolerance[3] = { p.tolerance[0], p.tolerance[2], p.tolerance[1] };
    size_t k = 0;
    for (; k + 96 <= n; k += 96) {
        __m256i bad = _mm256_setzero_si256();
        for (int j = 0; j < 3; ++j) {
            const __m256i s = load(a + k + 32 * j), q = load(b + k + 32 * j);
            const __m256i d = _mm256_or_si256(_mm256_subs_epu8(s, q), _mm256_subs_epu8(q, s));
            bad = _mm256_or_si256(bad, _mm256_subs_epu8(d, tolerance[j]));
        }
        if (!_mm256_testz_si256(bad, bad))
            return scalar::firstByteOutside(a, b, k + 96, probe, k);
    }
    return k + sse2::firstByteOutside(a + k, b + k, n - k, probe);
}

#include "screen/pixel_kernels_loops.inc"

} // namespace avx2

#pragma GCC pop_options

#endif // CLICKWISP_X86

Level detectLevel()
{
#ifdef CLICKWISP_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return Level::Avx2;
    return Level::Sse2;
#else
    return Level::Scalar;
#endif
}

std::atomic<Level>& currentLevel()
{
    static std::atomic<Level> level { bestLevel() };
    return level;
}

} // namespace

Level bestLevel()
{
    static const Level best = detectLevel();
    return best;
}

Level activeLevel()
{
    return currentLevel().load(std::memory_order_relaxed);
}

void setLevel(Level level)
{
    currentLevel().store(std::min(level, bestLevel()), std::memory_order_relaxed);
}

const char* levelName(Level level)
{
    switch (level) {
    case Level::Scalar: return "scalar";
    case Level::Sse2: return "sse2";
    case Level::Avx2: return "avx2";
    }
    return "?";
}

PixelProbe makeProbe(uint32_t color, bool exact, int32_t red, int32_t green, int32_t blue)
{
    PixelProbe probe;
    probe.exact = exact;
    const uint8_t channels[3] = { uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16) };
    const int32_t tolerances[3] = { blue, green, red };
    for (int k = 0; k < 96; ++k) {
        probe.color[k] = channels[k % 3];
        probe.tolerance[k] = uint8_t(std::clamp(tolerances[k % 3], 0, 255));
    }
    return probe;
}

void fillMask(uint64_t* mask, int32_t pixels)
{
    const size_t words = maskWords(pixels);
    const uint64_t phase[3] = { kPixelBits0, kPixelBits1, kPixelBits2 };
    for (size_t i = 0; i < words; ++i)
        mask[i] = phase[i % 3];
    // Clear the bits of pixels beyond the end (bit 3 * pixels on).
    const size_t firstClear = 3 * size_t(pixels);
    for (size_t i = firstClear / 64; i < words; ++i) {
        const size_t from = i * 64 < firstClear ? firstClear - i * 64 : 0;
        mask[i] &= from == 0 ? 0 : ~uint64_t(0) >> (64 - from);
    }
}

void clearBefore(uint64_t* mask, int32_t pixel)
{
    const size_t bits = 3 * size_t(pixel);
    for (size_t i = 0; i < bits / 64; ++i)
        mask[i] = 0;
    if (bits % 64)
        mask[bits / 64] &= ~uint64_t(0) << (bits % 64);
}

#ifdef CLICKWISP_X86
#define CLICKWISP_DISPATCH(call)                                                                                       \
    switch (activeLevel()) {                                                                                           \
    case Level::Avx2: return avx2::call;                                                                               \
    case Level::Sse2: return sse2::call;                                                                               \
    case Level::Scalar: break;                                                                                         \
    }                                                                                                                  \
    return scalar::call
#else
#define CLICKWISP_DISPATCH(call) return scalar::call
#endif

bool andMatches(const uint8_t* p, int32_t pixels, const PixelProbe& probe, uint64_t* mask)
{
    CLICKWISP_DISPATCH(andMatches(p, pixels, probe, mask));
}

size_t firstByteOutside(const uint8_t* a, const uint8_t* b, size_t n, const PixelProbe& tolerance)
{
    CLICKWISP_DISPATCH(firstByteOutside(a, b, n, tolerance));
}

} // namespace clickwisp::kernels
