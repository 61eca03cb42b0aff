#pragma once

#include "cli/screen_options.h"

#include <algorithm>
#include <iostream>
#include <string>

namespace clickwisp::cli {

// right = left + width (and bottom = top + height), kept within 32 bits.
inline int32_t farEdge(int32_t from, int32_t size)
{
    const int64_t edge = int64_t(from) + size;
    return int32_t(std::clamp<int64_t>(edge, INT32_MIN, INT32_MAX));
}

// Prints "X Y" for a found point; nothing for (-1, -1). Whether it was found.
inline bool reportPoint(const ScreenPoint& point)
{
    if (point.x == -1 && point.y == -1)
        return false;
    std::cout << point.x << ' ' << point.y << '\n';
    return true;
}

} // namespace clickwisp::cli
