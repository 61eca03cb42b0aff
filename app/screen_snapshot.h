#pragma once

#include "core/geometry.h"
#include "screen/bitmap_data.h"

#include <cstdint>
#include <optional>

namespace clickwisp {

class ScreenSource;

// The screens' pixels at one moment. A point capture through an overlay
// (Wayland) shows this picture on the overlay, since a compositor need not
// draw what lies under a full-screen window (sway draws black), and reads
// the colour under the click from it, not from the shaded overlay.
class ScreenSnapshot {
public:
    // Captures the rectangle at origin of size (all screens); false, and
    // nothing held, when screen cannot.
    bool take(ScreenSource& screen, ScreenPoint origin, ScreenSize size);
    bool taken() const { return m_taken; }
    void clear();
    // The colour at point (0x00BBGGRR, as the colour capture gives it);
    // nothing outside the rectangle or before take.
    std::optional<uint32_t> colourAt(ScreenPoint point) const;
    // The picture, whose top-left pixel is origin() on the screen.
    const TBDBitmapData& pixels() const { return m_pixels; }
    ScreenPoint origin() const { return m_origin; }

private:
    ScreenPoint m_origin;
    TBDBitmapData m_pixels;
    bool m_taken = false;
};

} // namespace clickwisp
