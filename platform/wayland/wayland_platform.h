#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <memory>
#include <string>
#include <vector>

namespace clickwisp {

// The desktop of a wlroots Wayland compositor (sway, Hyprland, river,
// labwc ...). Each capability opens its own connection (empty name:
// $WAYLAND_DISPLAY). Screen coordinates are the compositor's layout in
// logical units: the primary screen is the output at (0, 0), or the first
// output when none is there; outputs left of or above it have negative
// coordinates. A failure names the display or the missing protocol.
Result<std::unique_ptr<InputInjector>> makeWaylandInput(const std::string& display = {});
Result<std::unique_ptr<TextTarget>> makeWaylandText(const std::string& display = {});
Result<std::unique_ptr<ScreenSource>> makeWaylandScreen(const std::string& display = {});
// Always fail: Wayland lets no program read the input of the whole desktop
// or grab keys for it.
Result<std::unique_ptr<InputRecorder>> makeWaylandRecorder(const std::string& display = {});
Result<std::unique_ptr<HotKeySource>> makeWaylandHotKeys(const std::string& display = {});

// Input, text and screen, which playback needs; fails when any is missing.
Result<Platform> openWaylandPlayback(const std::string& display = {});

// The protocols that playback and capture need and that the compositor of
// connection lacks (empty: all there).
class WaylandConnection;
std::vector<std::string> missingWaylandProtocols(const WaylandConnection& connection);

// The message of the recorder's failure.
inline constexpr const char* kWaylandRecordingMessage
    = "recording needs an X11 session: Wayland does not let programs read global input";

} // namespace clickwisp
