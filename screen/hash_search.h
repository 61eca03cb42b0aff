#pragma once

#include "screen/bitmap_data.h"

#include <optional>

namespace clickwisp::search {

// Exact picture search over the placements whose top is fromTop or below,
// by a rolling two-dimensional polynomial hash: time in proportion to the
// screen's area whatever the screen and picture show. Every hash hit is
// confirmed pixel by pixel, so collisions cost time, never a wrong result.
// The picture is non-empty and no larger than the screen.
std::optional<ScreenPoint> hashSearch(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t fromTop);

// Whether the picture placed at (left, top) matches exactly; the placement
// lies inside the screen.
bool matchesExactly(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top);

} // namespace clickwisp::search
