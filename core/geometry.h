#pragma once

#include <cstdint>

namespace clickwisp {

// A point of the primary screen in pixels: (0, 0) is the top-left corner,
// y grows downward. Searches use (-1, -1) for "not found".
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

} // namespace clickwisp
