#pragma once

// Synthetic screens and pictures for the screen benchmarks: a desktop
// (gradient wallpaper, windows, icons, text) and a white page with a little
// text, the near-uniform screen that makes a plain picture search slow.
#include "screen/bitmap_data.h"

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <vector>

namespace clickwisp::bench {

using Image = std::unique_ptr<TBDBitmapData>;

inline void put(TBDBitmapData& image, int32_t x, int32_t y, uint32_t rgb)
{
    uint8_t* p = image.Row(y) + size_t(x) * 3;
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
}

inline void fill(TBDBitmapData& image, int32_t left, int32_t top, int32_t width, int32_t height, uint32_t rgb)
{
    for (int32_t y = std::max(top, 0); y < std::min(top + height, image.Height()); ++y)
        for (int32_t x = std::max(left, 0); x < std::min(left + width, image.Width()); ++x)
            put(image, x, y, rgb);
}

inline uint32_t grey(uint32_t level)
{
    return level * 0x010101u;
}

// Glyphs of 6 x 11 pixels: strokes in dark grey levels, as anti-aliased text
// looks, so a page holds a handful of text colours.
class Font {
public:
    explicit Font(uint32_t seed)
    {
        std::mt19937 random(seed);
        for (auto& glyph : m_glyphs)
            for (auto& cell : glyph)
                cell = random() % 3 == 0 ? uint8_t(random() % 4) : 4;
    }
    // Draws text-like words from (left, baseline top) up to right; returns
    // nothing, the look is all that matters.
    void line(TBDBitmapData& image, int32_t left, int32_t top, int32_t right, std::mt19937& random) const
    {
        static const uint32_t shades[4] = { grey(0x10), grey(0x44), grey(0x88), grey(0xBB) };
        int32_t x = left;
        while (x + 7 < right) {
            const int letters = 2 + int(random() % 8);
            for (int l = 0; l < letters && x + 7 < right; ++l, x += 7) {
                const auto& glyph = m_glyphs[random() % m_glyphs.size()];
                for (int32_t gy = 0; gy < 11; ++gy)
                    for (int32_t gx = 0; gx < 6; ++gx)
                        if (glyph[size_t(gy * 6 + gx)] < 4)
                            put(image, x + gx, top + gy, shades[glyph[size_t(gy * 6 + gx)]]);
            }
            x += 7; // a space
        }
    }

private:
    std::array<std::array<uint8_t, 66>, 80> m_glyphs {};
};

inline Image blank(int32_t width, int32_t height, uint32_t rgb)
{
    auto image = std::make_unique<TBDBitmapData>();
    image->SetSize(width, height);
    fill(*image, 0, 0, width, height, rgb);
    return image;
}

// A white page: margins, paragraphs of text lines 22 pixels apart, some
// blank lines. About 8 % of the pixels are text.
inline Image pageScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xFFFFFF);
    std::mt19937 random(7);
    const Font font(11);
    const int32_t margin = width / 8;
    for (int32_t top = 120; top + 11 < height - 80; top += 22) {
        if (random() % 5 == 0)
            continue; // between paragraphs
        const int32_t right
            = random() % 4 == 0 ? margin + int32_t(random() % uint32_t(width - 2 * margin)) : width - margin;
        font.line(*image, margin, top, right, random);
    }
    return image;
}

// A desktop: gradient wallpaper, a column of icons, three windows with
// title bars, text and buttons.
inline Image desktopScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            put(*image, x, y,
                (uint32_t(20 + 60 * y / height) << 16) | (uint32_t(50 + 90 * x / width) << 8)
                    | uint32_t(110 + 100 * (x + y) / (width + height)));
    std::mt19937 random(3);
    const Font font(5);
    for (int32_t top = 20; top + 48 < height; top += 90) { // icons
        const uint32_t a = random() & 0xFFFFFF, b = random() & 0xFFFFFF;
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 48; ++x)
                put(*image, 20 + x, top + y, ((x / 6 + y / 6) % 3 == 0 || (x * y) % 7 == 1) ? a : b);
        font.line(*image, 14, top + 52, 80, random);
    }
    const int32_t windows[3][4] = { { width / 10, height / 12, width / 2, height / 2 },
        { width / 3, height / 3, width / 2, height / 2 }, { width / 2, height / 2, width / 3, height / 3 } };
    for (const auto& w : windows) {
        fill(*image, w[0], w[1], w[2], w[3], 0xF0F0F0);
        for (int32_t y = 0; y < 28; ++y)
            fill(*image, w[0], w[1] + y, w[2], 1, (uint32_t(40 + y * 3) << 16) | (uint32_t(70 + y * 4) << 8) | 200);
        font.line(*image, w[0] + 8, w[1] + 8, w[0] + w[2] / 2, random);
        fill(*image, w[0] + 8, w[1] + 36, w[2] - 16, w[3] - 80, 0xFFFFFF);
        for (int32_t top = w[1] + 44; top + 11 < w[1] + w[3] - 50; top += 18)
            font.line(*image, w[0] + 14, top, w[0] + w[2] - 20, random);
        for (int b = 0; b < 2; ++b) { // buttons
            const int32_t left = w[0] + w[2] - 200 + b * 95, top = w[1] + w[3] - 36;
            fill(*image, left, top, 85, 26, 0xD0D0D0);
            fill(*image, left + 1, top + 1, 83, 24, 0xE4E4E4);
            font.line(*image, left + 20, top + 8, left + 60, random);
        }
    }
    return image;
}

// Horizontal stripes of two greys, one pixel high: every colour of a picture
// cut from it is common, and every other placement matches all but a few
// pixels of such a picture.
inline Image stripesScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xFFFFFF);
    for (int32_t y = 0; y < height; y += 2)
        fill(*image, 0, y, width, 1, 0xC0C0C0);
    return image;
}

// Screens on which every placement of a mostly uniform picture fails late,
// at a place that moves from placement to placement: what probes, even
// learned ones, cannot filter.

// White with one dark dot in every 64 x 64 window, as drawing programs show
// a grid. The dot at (missingX, missingY), if there is one there, is left out.
inline Image dotGridScene(int32_t width, int32_t height, int32_t missingX = -1, int32_t missingY = -1)
{
    auto image = blank(width, height, 0xFFFFFF);
    for (int32_t y = 31; y < height; y += 64)
        for (int32_t x = 31; x < width; x += 64)
            if (x != missingX || y != missingY)
                put(*image, x, y, 0x404040);
    return image;
}

// A spreadsheet: white cells between grey lines every 20 pixels down and
// every 100 across, a darker line every 5 rows, and short text in some cells.
inline Image spreadsheetScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xFFFFFF);
    std::mt19937 random(17);
    const Font font(23);
    for (int32_t y = 0; y < height; y += 20)
        fill(*image, 0, y, width, 1, (y / 20) % 5 == 0 ? 0xA0A0A0 : 0xD4D4D4);
    for (int32_t x = 0; x < width; x += 100)
        fill(*image, x, 0, 1, height, 0xD4D4D4);
    for (int32_t y = 0; y + 20 < height; y += 20)
        for (int32_t x = 0; x + 100 < width; x += 100)
            if (random() % 3 == 0)
                font.line(*image, x + 4, y + 5, x + 4 + 14 * int32_t(1 + random() % 6), random);
    return image;
}

// A document set close: text lines 16 pixels apart across the whole width,
// so every 64 x 64 window holds text somewhere.
inline Image documentScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xFFFFFF);
    std::mt19937 random(29);
    const Font font(31);
    for (int32_t top = 4; top + 11 < height; top += 16)
        font.line(*image, 4, top, width - 4, random);
    return image;
}

// Window chrome tiled over the screen: windows of 300 x 200 with a one-pixel
// border, a title bar of a few greys, a grey body and a white client area.
inline Image chromeScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xF0F0F0);
    std::mt19937 random(41);
    const Font font(43);
    for (int32_t top = 0; top < height; top += 200) {
        for (int32_t left = 0; left < width; left += 300) {
            fill(*image, left, top, 300, 200, 0x707070);
            fill(*image, left + 1, top + 1, 298, 198, 0xF0F0F0);
            for (int32_t y = 0; y < 24; ++y)
                fill(*image, left + 1, top + 1 + y, 298, 1, grey(0xC8 + uint32_t(y / 6) * 8));
            font.line(*image, left + 8, top + 7, left + 8 + 7 * int32_t(4 + random() % 10), random);
            fill(*image, left + 6, top + 30, 288, 140, 0xFFFFFF);
            fill(*image, left + 200, top + 174, 85, 20, 0xE1E1E1);
        }
    }
    return image;
}

// White with dark specks at random places, one per 1024 pixels on
// average: like the dot grid, without a period a learned probe could use.
inline Image specksScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0xFFFFFF);
    std::mt19937 random(53);
    const uint64_t specks = uint64_t(width) * uint64_t(height) / 1024;
    for (uint64_t i = 0; i < specks; ++i)
        put(*image, int32_t(random() % uint32_t(width)), int32_t(random() % uint32_t(height)), 0x202020);
    return image;
}

// A one-pixel checkerboard of two greys 24 apart, with darker and lighter
// dots on a 32-pixel grid, alternating. With similarity 90 (a tolerance of
// 25) a checkerboard picture matches the checkerboard in either phase, and
// the area filter has no uniform area to work with; each placement fails
// only where a dot lies on the wrong grey.
inline Image checkerScene(int32_t width, int32_t height)
{
    auto image = blank(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            put(*image, x, y, (x + y) % 2 ? grey(124) : grey(100));
    for (int32_t y = 31; y < height; y += 32)
        for (int32_t x = 31; x < width; x += 32)
            put(*image, x, y, (x / 32 + y / 32) % 2 ? grey(75) : grey(137));
    return image;
}

// Smooth gradients with faint noise (±2 per channel): red across the
// screen (steep: a ramp that repeats every 64 pixels), green down, blue
// along the diagonal. Every picture cut from it nearly matches under small
// shifts.
inline Image gradientScene(int32_t width, int32_t height, bool steep)
{
    auto image = blank(width, height, 0);
    uint32_t state = 0x9E3779B9u;
    auto level = [&](int32_t v) {
        state = state * 1664525u + 1013904223u;
        return uint32_t(std::clamp(v + int32_t((state >> 24) % 5) - 2, 0, 255));
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int32_t red = steep ? (x * 4) % 256 : x * 255 / (width - 1);
            const int32_t green = y * 255 / (height - 1), blue = (x + y) * 255 / (width + height);
            put(*image, x, y, level(red) << 16 | level(green) << 8 | level(blue));
        }
    return image;
}

inline Image cut(const TBDBitmapData& source, int32_t left, int32_t top, int32_t width, int32_t height)
{
    auto image = blank(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            put(*image, x, y, source.PixelAt(left + x, top + y));
    return image;
}

} // namespace clickwisp::bench
