#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <memory>
#include <string>

namespace clickwisp {

// The desktop of KWin (KDE Plasma on Wayland) through what it grants to an
// installed program without asking the user: the fake input protocol for
// pointer, buttons, wheel, keys and text, and org.kde.KWin.ScreenShot2 for
// the screen. KWin grants both to the program whose installed .desktop file
// names them; a failure says so. Screen coordinates are KWin's layout in
// logical units, as on the other Wayland backend. Each capability opens its
// own connection (empty display: $WAYLAND_DISPLAY).
Result<std::unique_ptr<InputInjector>> makeKwinInput(const std::string& display = {});
Result<std::unique_ptr<TextTarget>> makeKwinText(const std::string& display = {});
Result<std::unique_ptr<ScreenSource>> makeKwinScreen(const std::string& display = {});

// Input, text and screen, which playback needs; fails when any is missing.
Result<Platform> openKwinPlayback(const std::string& display = {});

// Whether the compositor of a connection is KWin offering its fake input
// to this program. KWin reads a program's executable for each connection it
// accepts (the grant goes by the executable), so the start-up choice asks
// this on the connection it has.
enum class KwinFakeInputOffer { Offered, NotToThisProgram, NotKwin };
class WaylandConnection;
KwinFakeInputOffer offeredByKwin(const WaylandConnection& connection);

// The message for a KWin that does not let this program use interface.
std::string KwinGrantProblem(const std::string& interface);

} // namespace clickwisp
