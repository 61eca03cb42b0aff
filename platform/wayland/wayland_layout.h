#pragma once

#include "core/geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clickwisp {

// One output of a Wayland compositor's layout. The layout is in logical
// units (an output of scale 2 covers half its pixels in each direction);
// one logical unit is one pixel of our screen coordinates.
struct WaylandOutput {
    std::string name; // "HEADLESS-1", "DP-2"
    int32_t x = 0, y = 0; // logical position; may be negative
    int32_t width = 0, height = 0; // logical size
    int32_t scale = 1;

    bool contains(int32_t px, int32_t py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

// A rectangle of the layout.
struct LayoutRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The smallest rectangle that holds every output; empty without outputs.
LayoutRect layoutExtent(const std::vector<WaylandOutput>& outputs);

// The primary screen: the output whose top-left corner is at (0, 0), else
// the first output in the compositor's order; null without outputs.
const WaylandOutput* primaryOutput(const std::vector<WaylandOutput>& outputs);

// The part of a and b that both cover (empty when they do not meet).
LayoutRect intersect(const LayoutRect& a, const LayoutRect& b);

// The size of the primary screen; 0 x 0 without outputs.
ScreenSize primaryScreenSize(const std::vector<WaylandOutput>& outputs);

// The part of wanted each output covers, for the outputs that meet it, in
// their order: a capture is made of these, the rest black.
struct OutputPart {
    const WaylandOutput* output = nullptr;
    LayoutRect part;
};
std::vector<OutputPart> outputParts(const std::vector<WaylandOutput>& outputs, const LayoutRect& wanted);

// Absolute pointer motion for a point of the layout: the point clamped into
// the extent and given relative to it, as zwlr_virtual_pointer_v1 takes it.
struct AbsoluteMotion {
    uint32_t x = 0, y = 0, xExtent = 0, yExtent = 0;
    friend bool operator==(const AbsoluteMotion&, const AbsoluteMotion&) = default;
};
std::optional<AbsoluteMotion> absoluteMotion(const LayoutRect& extent, int32_t x, int32_t y);

} // namespace clickwisp
