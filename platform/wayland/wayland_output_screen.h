#pragma once

#include "platform/screen_source.h"
#include "platform/wayland/wayland_connection.h"

#include <memory>

namespace clickwisp {

// A screen made of a Wayland compositor's outputs, in logical units: the
// primary screen is the output at (0, 0), and a capture is each output's
// part of the rectangle, at its place, the rest black. How one part is
// read is the backend's (screencopy, KWin's screenshots).
class WaylandOutputScreen : public ScreenSource {
public:
    explicit WaylandOutputScreen(std::unique_ptr<WaylandConnection> connection);

    ScreenSize screenSize() override;
    bool capture(int32_t left, int32_t top, const PixelView& target) override;

protected:
    // Copies part (within output, layout units) into target with its
    // top-left at (dx, dy) of target. False when it failed.
    virtual bool copyPart(
        const WaylandOutput& output, const LayoutRect& part, const PixelView& target, int32_t dx, int32_t dy)
        = 0;

    WaylandConnection& connection() { return *m_connection; }

private:
    std::unique_ptr<WaylandConnection> m_connection;
};

} // namespace clickwisp
