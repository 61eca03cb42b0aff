#pragma once

#include <cstddef>
#include <cstdint>

// Inner loops of the screen searches, in SIMD variants chosen at run time
// (the program is built for generic x86-64). Internal to screen/.
//
// Pixel masks: a row segment of n pixels gets 3 * ceil(n / 64) words; bit
// 3 * i of that bit string stands for pixel i (the other bits are 0). Word
// order is bit order, so set bits come out in pixel order.
namespace clickwisp::kernels {

enum class Level { Scalar, Sse2, Avx2 };

// The best level this processor runs.
Level bestLevel();
// The level in use; starts as bestLevel().
Level activeLevel();
// Forces a level (clamped to bestLevel()); tests run every variant this way.
void setLevel(Level level);
const char* levelName(Level level);

// A colour to compare pixels with, exactly or within per-channel tolerances,
// laid out for any byte phase: byte k holds channel k % 3 (blue, green, red).
struct PixelProbe {
    alignas(32) uint8_t color[96];
    alignas(32) uint8_t tolerance[96];
    bool exact = true;
};
// color is 0x00RRGGBB; tolerances are clamped to 0..255 (callers handle
// negative ones: they admit nothing).
PixelProbe makeProbe(uint32_t color, bool exact, int32_t red = 0, int32_t green = 0, int32_t blue = 0);

constexpr size_t maskWords(int32_t pixels)
{
    return 3 * ((size_t(pixels) + 63) / 64);
}
// Sets the bits of pixels 0..n-1 and clears the rest.
void fillMask(uint64_t* mask, int32_t pixels);

// Clears the bits of the pixels before pixel (0 .. pixel - 1).
void clearBefore(uint64_t* mask, int32_t pixel);

// Clears the bits of the pixels among the n from p on that do not match the
// probe. Chunks of 64 pixels whose bits are all clear are not read. Reads
// only the 3 * n bytes from p. True when any bit is left set.
bool andMatches(const uint8_t* p, int32_t pixels, const PixelProbe& probe, uint64_t* mask);

// The index of the first of the n bytes of a and b that differ by more than
// the tolerance of their channel (byte k: channel k % 3), or n when none
// does. Both start on a pixel boundary.
size_t firstByteOutside(const uint8_t* a, const uint8_t* b, size_t n, const PixelProbe& tolerance);

// Calls visit(pixelIndex) for each set bit in order until it returns true;
// returns that pixel index, or -1.
template <typename Visit> int32_t firstSetPixel(const uint64_t* mask, size_t words, Visit visit)
{
    for (size_t i = 0; i < words; ++i) {
        uint64_t w = mask[i];
        while (w) {
            const int32_t pixel = int32_t((i * 64 + size_t(__builtin_ctzll(w))) / 3);
            if (visit(pixel))
                return pixel;
            w &= w - 1;
        }
    }
    return -1;
}

} // namespace clickwisp::kernels
