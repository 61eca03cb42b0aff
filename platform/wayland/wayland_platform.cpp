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

std::vector<std::string> missingWaylandProtocols(const WaylandConnection& connection)
{
    return connection.missing(
        { kVirtualPointerProtocol, kVirtualKeyboardProtocol, kScreencopyProtocol, kXdgOutputProtocol });
}

} // namespace clickwisp
