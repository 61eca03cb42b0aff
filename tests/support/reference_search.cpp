#include "tests/support/reference_search.h"

namespace clickwisp::reference {
namespace {

uint32_t pixelAtOffset(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}

template <typename Same> std::optional<ScreenPoint> scanColor(const TBDBitmapData& screen, Same same)
{
    for (int32_t y = 0; y < screen.Height(); ++y) {
        for (int32_t x = 0; x < screen.Width(); ++x) {
            if (same(screen.PixelAt(x, y)))
                return ScreenPoint { x, y };
        }
    }
    return std::nullopt;
}

// Memory order: the picture's bottom row first, each row left to right,
// stopping at the first pixel that differs.
template <typename Same>
bool matchAt(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top, Same same)
{
    if (left < 0 || top < 0)
        return false;
    if (int64_t(left) + picture.Width() > screen.Width() || int64_t(top) + picture.Height() > screen.Height())
        return false;
    for (int32_t row = picture.Height() - 1; row >= 0; --row) {
        const uint8_t* s = screen.Row(top + row) + size_t(left) * 3;
        const uint8_t* p = picture.Row(row);
        for (int32_t x = 0; x < picture.Width(); ++x) {
            if (!same(pixelAtOffset(s + size_t(x) * 3), pixelAtOffset(p + size_t(x) * 3)))
                return false;
        }
    }
    return true;
}

template <typename Match>
std::optional<ScreenPoint> scanPlacements(const TBDBitmapData& screen, const TBDBitmapData& picture, Match match)
{
    for (int32_t top = 0; top <= screen.Height() - picture.Height(); ++top) {
        for (int32_t left = 0; left <= screen.Width() - picture.Width(); ++left) {
            if (match(left, top))
                return ScreenPoint { left, top };
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<ScreenPoint> LocateColor(const TBDBitmapData& screen, uint32_t color)
{
    return scanColor(screen, [color](uint32_t pixel) { return pixel == color; });
}

std::optional<ScreenPoint> LocateColorNear(const TBDBitmapData& screen, uint32_t color, const ColorTolerance& tolerance)
{
    return scanColor(screen, [&](uint32_t pixel) { return ColorWithin(pixel, color, tolerance); });
}

bool MatchPictureAt(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top)
{
    return matchAt(screen, picture, left, top, [](uint32_t s, uint32_t p) { return s == p; });
}

bool MatchPictureNearAt(const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance& tolerance,
    int32_t left, int32_t top)
{
    return matchAt(screen, picture, left, top, [&](uint32_t s, uint32_t p) { return ColorWithin(s, p, tolerance); });
}

std::optional<ScreenPoint> LocatePicture(const TBDBitmapData& screen, const TBDBitmapData& picture)
{
    return scanPlacements(
        screen, picture, [&](int32_t left, int32_t top) { return MatchPictureAt(screen, picture, left, top); });
}

std::optional<ScreenPoint> LocatePictureNear(
    const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance& tolerance)
{
    return scanPlacements(screen, picture,
        [&](int32_t left, int32_t top) { return MatchPictureNearAt(screen, picture, tolerance, left, top); });
}

} // namespace clickwisp::reference
