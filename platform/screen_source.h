#pragma once

#include "core/geometry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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

    // Receives a capture in strips of whole rows, the bottom strip first (the
    // order of a BMP file's pixel array); firstRow is the strip's top row
    // within the rectangle. The view lives only during the call. False stops
    // the capture.
    using StripSink = std::function<bool(const PixelView& strip, int32_t firstRow)>;
    // Copies the rectangle (left, top, width, height) as capture does, one
    // picture of the screen, and hands it to take in strips with rows padded
    // to 4 bytes, so that a capture written to a file need not be held whole.
    // False when the capture failed or take said stop. By default the
    // rectangle is captured whole and handed as one strip.
    virtual bool captureStrips(int32_t left, int32_t top, int32_t width, int32_t height, const StripSink& take)
    {
        if (width <= 0 || height <= 0)
            return true;
        const int32_t stride = (width * 3 + 3) & ~3;
        const PixelView whole { nullptr, width, height, stride };
        const auto pixels = std::make_unique_for_overwrite<uint8_t[]>(whole.bytes());
        const PixelView view { pixels.get(), width, height, stride };
        return capture(left, top, view) && take(view, 0);
    }
};

} // namespace clickwisp
