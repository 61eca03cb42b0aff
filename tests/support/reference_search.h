#pragma once

#include "screen/bitmap_data.h"

#include <optional>

// The searches done the plain way: every pixel, every placement, in scan
// order. Slow on purpose; the fast searches must agree with these on every
// input, which the tests and benchmarks check.
namespace clickwisp::reference {

std::optional<ScreenPoint> LocateColor(const TBDBitmapData& screen, uint32_t color);
std::optional<ScreenPoint> LocateColorNear(
    const TBDBitmapData& screen, uint32_t color, const ColorTolerance& tolerance);
bool MatchPictureAt(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top);
bool MatchPictureNearAt(const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance& tolerance,
    int32_t left, int32_t top);
std::optional<ScreenPoint> LocatePicture(const TBDBitmapData& screen, const TBDBitmapData& picture);
std::optional<ScreenPoint> LocatePictureNear(
    const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance& tolerance);

} // namespace clickwisp::reference
