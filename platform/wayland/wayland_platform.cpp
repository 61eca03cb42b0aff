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
    auto input = makeWaylandInput(display);
    if (!input)
        return std::unexpected(input.error());
    auto text = makeWaylandText(display);
    if (!text)
        return std::unexpected(text.error());
    auto screen = makeWaylandScreen(display);
    if (!screen)
        return std::unexpected(screen.error());
    Platform platform;
    platform.input = std::move(*input);
    platform.text = std::move(*text);
    platform.screen = std::move(*screen);
    return platform;
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
