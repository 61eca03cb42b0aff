#pragma once

#include <cstdint>

namespace clickwisp {

class TBDBitmapData;

struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

// Reads the pixels of the screen (on X11: the whole root window).
// One instance belongs to one thread at a time.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;

    // Size of the primary screen in pixels.
    virtual ScreenSize screenSize() = 0;
    // Copies the rectangle (left, top, width, height) of the screen into
    // target, which the caller has already sized to width x height (the
    // buffer's bottom-up 24-bit layout). Parts outside the screen come out
    // black. False when the copy failed.
    virtual bool capture(int32_t left, int32_t top, TBDBitmapData& target) = 0;
};

} // namespace clickwisp
