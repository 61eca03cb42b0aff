#include "platform/wayland/wayland_platform.h"

#include "platform/wayland/wayland_connection.h"

namespace clickwisp {

Result<std::unique_ptr<InputRecorder>> makeWaylandRecorder(const std::string&)
{
    return fail(kWaylandRecordingMessage);
}

Result<std::unique_ptr<HotKeySource>> makeWaylandHotKeys(const std::string&)
{
    return fail("hot keys need an X11 session: Wayland does not let programs grab keys for the whole desktop; "
                "bind them in the compositor instead");
}

Result<Platform> openWaylandPlayback(const std::string& display)
{
    return MakePlaybackPlatform([&] { return makeWaylandInput(display); }, [&] { return makeWaylandText(display); },
        [&] { return makeWaylandScreen(display); });
}

Result<std::vector<std::string>> missingWaylandProtocols(const std::string& display)
{
    auto connection = WaylandConnection::open(display, "Wayland");
    if (!connection)
        return std::unexpected(connection.error());
    return (*connection)
        ->missing({ kVirtualPointerProtocol, kVirtualKeyboardProtocol, kScreencopyProtocol, kXdgOutputProtocol });
}

} // namespace clickwisp
