#include "core/pixel_packing.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CLICKWISP_X86 1
#endif

namespace clickwisp {
namespace {

void packScalar(const uint8_t* src, uint8_t* dst, int32_t pixels)
{
    for (int32_t i = 0; i < pixels; ++i) {
        dst[3 * i] = src[4 * i];
        dst[3 * i + 1] = src[4 * i + 1];
        dst[3 * i + 2] = src[4 * i + 2];
    }
}

#ifdef CLICKWISP_X86
__attribute__((target("avx2"))) void packAvx2(const uint8_t* src, uint8_t* dst, int32_t pixels)
{
    // Per 128-bit lane: 4 pixels of 4 bytes to 12 bytes; then the two lanes'
    // 12 bytes are moved together. Each store writes 8 bytes too many, which
    // the next store overwrites; the loop stops early enough that the last
    // one stays inside dst.
    const __m256i squeeze = _mm256_setr_epi8(
        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    int32_t i = 0;
    for (; i + 11 <= pixels; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * size_t(i)));
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, squeeze), join);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 3 * size_t(i)), packed);
    }
    packScalar(src + 4 * size_t(i), dst + 3 * size_t(i), pixels - i);
}

bool hasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

} // namespace

void PackPixels32To24(const uint8_t* src, uint8_t* dst, int32_t pixels)
{
#ifdef CLICKWISP_X86
    if (hasAvx2())
        return packAvx2(src, dst, pixels);
#endif
    packScalar(src, dst, pixels);
}

} // namespace clickwisp
