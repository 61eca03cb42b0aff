#pragma once

#include "core/geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace clickwisp {

// Pixels laid out like the pixel array of a bottom-up 24-bit BMP: 3 bytes a
// pixel (blue, green, red), the bottom row first in memory, rows stride
// bytes apart. The view does not own the pixels.
struct PixelView {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    // The first byte of image row y (0 = top row).
    uint8_t* row(int32_t y) const { return pixels + size_t(height - 1 - y) * size_t(stride); }
    size_t bytes() const { return size_t(height) * size_t(stride); }
};

// A still picture standing in for the screen (the fake backend serves one):
// its pixels and the object that keeps them alive.
struct ScreenImage {
    PixelView pixels;
    std::shared_ptr<const void> owner;
};

// Reads the pixels of the screen (on X11: the whole root window).
// One instance belongs to one thread at a time.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;

    // Size of the primary screen in pixels.
    virtual ScreenSize screenSize() = 0;
    // Copies the rectangle (left, top, target.width, target.height) of the
    // screen into target. Parts outside the screen come out black. False
    // when the copy failed.
    virtual bool capture(int32_t left, int32_t top, const PixelView& target) = 0;
};

} // namespace clickwisp
