#include "platform/wayland/kwin_platform.h"

#include "platform/wayland/kwin_devices.h"
#include "platform/wayland/wayland_connection.h"

namespace clickwisp {

Result<std::shared_ptr<KwinDevices>> KwinDevices::open(const std::string& display, const std::string& purpose)
{
    auto input = KwinFakeInput::open(display, purpose);
    if (!input)
        return std::unexpected(input.error());
    auto layout = SessionLayout::open(display);
    if (!layout)
        return fail(purpose + ": " + layout.error().message);
    return std::make_shared<KwinDevices>(KwinDevices { std::move(*input), std::move(*layout) });
}

Result<Platform> openKwinPlayback(const std::string& display)
{
    // Input and text on one device: text lets go of the modifiers key
    // actions hold, and KWin keeps one keyboard state for all devices.
    std::shared_ptr<KwinDevices> devices;
    return MakePlaybackPlatform(
        [&]() -> Result<std::unique_ptr<InputInjector>> {
            auto opened = KwinDevices::open(display, "input");
            if (!opened)
                return std::unexpected(opened.error());
            devices = *opened;
            return makeKwinInputOn(devices);
        },
        [&]() -> Result<std::unique_ptr<TextTarget>> { return makeKwinTextOn(devices); },
        [&] { return makeKwinScreen(display); });
}

KwinFakeInputOffer offeredByKwin(const WaylandConnection& connection)
{
    if (connection.offeredVersion(kKwinFakeInputProtocol))
        return KwinFakeInputOffer::Offered;
    // One of KWin's own protocols, which it offers to every client.
    return connection.offeredVersion("org_kde_kwin_server_decoration_manager") ? KwinFakeInputOffer::NotToThisProgram
                                                                               : KwinFakeInputOffer::NotKwin;
}

} // namespace clickwisp
