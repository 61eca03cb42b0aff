#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace clickwisp {

// Whether the Wayland compositor is KWin and lets this program use its fake
// input (it does for a program whose installed .desktop file names it).
enum class KwinOffer { FakeInput, NotToThisProgram, NotKwin };

// What the start-up choice looks at: the session's variables and, when
// WAYLAND_DISPLAY is set, what its compositor offers.
struct DesktopEnvironment {
    std::string waylandDisplay; // $WAYLAND_DISPLAY
    std::string x11Display; // $DISPLAY
    std::string requested; // $CLICKWISP_BACKEND: "", "x11", "wayland", "kwin" or "portal"
    // The protocols the Wayland compositor lacks (empty: it has them all),
    // or the reason it could not be reached; asked only when needed.
    std::function<Result<std::vector<std::string>>()> missingWaylandProtocols;
    // What KWin offers; asked only when the wlroots protocols are missing.
    std::function<KwinOffer()> kwinOffer;
    // The version of the desktop portal's RemoteDesktop on the session bus,
    // or why there is none; asked only when needed.
    std::function<Result<uint32_t>()> remoteDesktopPortal;
};

// The value of the environment variable name; empty when it is not set.
std::string environmentVariable(const char* name);

// The environment of this process.
DesktopEnvironment currentDesktopEnvironment();

// Which backend serves the session, and why.
struct BackendChoice {
    std::string name; // "x11", "wayland", "kwin" or "portal"
    // Why the other backend was passed over, for the user ("" when the
    // choice is the plain one).
    std::string note;
    friend bool operator==(const BackendChoice&, const BackendChoice&) = default;
};

// Wayland when WAYLAND_DISPLAY is set and its compositor offers the
// wlroots protocols we use; else KWin's own interfaces when KWin offers its
// fake input to this program; else the desktop portal when the session bus
// has its RemoteDesktop (GNOME, KDE Plasma), with a note when that portal
// asks at each session; else X11 when DISPLAY is set (XWayland), with the
// reason; else Wayland, whose capabilities then fail naming what is missing.
// X11 when only DISPLAY is set. CLICKWISP_BACKEND=x11|wayland|kwin|portal
// overrides; any other value is an error.
Result<BackendChoice> chooseBackend(const DesktopEnvironment& environment);

// The chosen backend's capabilities, made on demand.
struct DesktopBackend {
    BackendChoice choice;
    std::function<Result<Platform>()> openPlayback;
    std::function<Result<std::unique_ptr<InputInjector>>()> makeInput;
    std::function<Result<std::unique_ptr<ScreenSource>>()> makeScreen;
    std::function<Result<std::unique_ptr<InputRecorder>>()> makeRecorder;
    std::function<Result<std::unique_ptr<HotKeySource>>()> makeHotKeys;
    // What the user should hear each time the backend opens a session for
    // playback (the desktop asks for permission at each one); empty for
    // most backends.
    std::string notice;
};

// Gives back at once what the backends of this process changed on the
// desktop for a while (the X11 keycodes bound for typing), for a program
// that must end without closing them.
void restoreDesktopNow();

// The backend for this process's session (chooseBackend on its environment).
Result<DesktopBackend> openDesktopBackend();
// The backend of a given choice.
DesktopBackend desktopBackendFor(const BackendChoice& choice);

} // namespace clickwisp
