// Screen capture through KWin's org.kde.KWin.ScreenShot2: each output that
// meets the rectangle is asked for its part, at one pixel per logical unit.
// Parts of the rectangle on no output come out black, as on the wlroots
// backend.
#include "platform/wayland/kwin_platform.h"
#include "platform/wayland/kwin_screenshot.h"
#include "platform/wayland/wayland_connection.h"

#include <algorithm>
#include <cstring>

namespace clickwisp {

namespace {

class KwinScreen final : public ScreenSource {
public:
    KwinScreen(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<KwinScreenShot> screenShot)
        : m_connection(std::move(connection))
        , m_screenShot(std::move(screenShot))
    {
    }

    ScreenSize screenSize() override
    {
        m_connection->roundtrip();
        return primaryScreenSize(m_connection->outputs());
    }

    // One ScreenShot2 call per output met, each at its own place.
    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        if (target.bytes() == 0)
            return true;
        if (!m_connection->roundtrip())
            return false;
        std::memset(target.pixels, 0, target.bytes());
        const auto outputs = m_connection->outputs();
        const auto parts = outputParts(outputs, { left, top, target.width, target.height });
        return std::all_of(parts.begin(), parts.end(), [&](const OutputPart& piece) {
            return bool(m_screenShot->captureArea(piece.part, target, piece.part.x - left, piece.part.y - top));
        });
    }

private:
    std::unique_ptr<WaylandConnection> m_connection;
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
