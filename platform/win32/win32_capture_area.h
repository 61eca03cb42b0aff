#pragma once

// Which part of a wanted rectangle a capture can copy from the virtual
// screen. Monitors left of or above the primary one have negative
// coordinates, so the virtual screen may start below zero.
#include <algorithm>
#include <cstdint>

namespace clickwisp {

struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct CaptureArea {
    ScreenRect source; // on the screen; width or height 0 when nothing is on it
    int32_t targetX = 0; // where source's top-left pixel goes in the picture
    int32_t targetY = 0;
    bool empty() const { return source.width <= 0 || source.height <= 0; }
};

inline CaptureArea ClipToScreen(const ScreenRect& wanted, const ScreenRect& screen)
{
    // 64 bits: a rectangle near INT32_MAX must not wrap around.
    const int64_t left = std::max<int64_t>(wanted.left, screen.left);
    const int64_t top = std::max<int64_t>(wanted.top, screen.top);
    const int64_t right = std::min<int64_t>(int64_t(wanted.left) + wanted.width, int64_t(screen.left) + screen.width);
    const int64_t bottom = std::min<int64_t>(int64_t(wanted.top) + wanted.height, int64_t(screen.top) + screen.height);
    CaptureArea area;
    if (right <= left || bottom <= top)
        return area;
    area.source = { int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top) };
    area.targetX = int32_t(left - wanted.left);
    area.targetY = int32_t(top - wanted.top);
    return area;
}

} // namespace clickwisp
