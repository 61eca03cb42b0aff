// Screen capture through KWin's org.kde.KWin.ScreenShot2: each output that
// meets the rectangle is asked for its part, at one pixel per logical unit.
// Parts of the rectangle on no output come out black, as on the wlroots
// backend.
#include "platform/wayland/kwin_platform.h"
#include "platform/wayland/kwin_screenshot.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_output_screen.h"

namespace clickwisp {

namespace {

class KwinScreen final : public WaylandOutputScreen {
public:
    KwinScreen(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<KwinScreenShot> screenShot)
        : WaylandOutputScreen(std::move(connection))
        , m_screenShot(std::move(screenShot))
    {
    }

private:
    // One ScreenShot2 call per output met.
    bool copyPart(
        const WaylandOutput&, const LayoutRect& part, const PixelView& target, int32_t dx, int32_t dy) override
    {
        return bool(m_screenShot->captureArea(part, target, dx, dy));
    }

    std::unique_ptr<KwinScreenShot> m_screenShot;
};

} // namespace

Result<std::unique_ptr<ScreenSource>> makeKwinScreen(const std::string& display)
{
    auto connection = WaylandConnection::open(display, "screen capture");
    if (!connection)
        return std::unexpected(connection.error());
    if (auto ok = (*connection)->require({ kXdgOutputProtocol }); !ok)
        return fail("screen capture: " + ok.error().message);
    auto screenShot = KwinScreenShot::open();
    if (!screenShot)
        return fail("screen capture: " + screenShot.error().message);
    // One pixel tells at once whether KWin lets us capture at all.
    uint8_t pixel[4];
    const PixelView probe { pixel, 1, 1, 4 };
    const auto outputs = (*connection)->outputs();
    if (const WaylandOutput* primary = primaryOutput(outputs)) {
        if (auto probed = (*screenShot)->captureArea({ primary->x, primary->y, 1, 1 }, probe, 0, 0); !probed)
            return fail("screen capture: " + probed.error().message);
    }
    return std::make_unique<KwinScreen>(std::move(*connection), std::move(*screenShot));
}

} // namespace clickwisp
