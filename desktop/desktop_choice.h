#pragma once

#include "core/error.h"
#include "platform/desktop.h"

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
    std::string requested; // $CLICKWISP_BACKEND: "", "x11", "wayland" or "kwin"
    // The protocols the Wayland compositor lacks (empty: it has them all),
    // or the reason it could not be reached; asked only when needed.
    std::function<Result<std::vector<std::string>>()> missingWaylandProtocols;
    // What KWin offers; asked only when the wlroots protocols are missing.
    std::function<KwinOffer()> kwinOffer;
};

// The environment of this process.
DesktopEnvironment currentDesktopEnvironment();

// Which backend serves the session, and why.
struct BackendChoice {
    std::string name; // "x11", "wayland" or "kwin"
    // Why the other backend was passed over, for the user ("" when the
    // choice is the plain one).
    std::string note;
    friend bool operator==(const BackendChoice&, const BackendChoice&) = default;
};

// Wayland when WAYLAND_DISPLAY is set and its compositor offers the
// wlroots protocols we use; else KWin's own interfaces when KWin offers its
// fake input to this program; X11 when only DISPLAY is set, or when the
// compositor offers neither (or cannot be reached) and DISPLAY is set too
// (XWayland). CLICKWISP_BACKEND=x11|wayland|kwin overrides; any other value
// is an error. A Wayland session with neither and without DISPLAY still
// chooses Wayland: its capabilities then fail naming what is missing.
Result<BackendChoice> chooseBackend(const DesktopEnvironment& environment);

// The chosen backend's capabilities, made on demand.
struct DesktopBackend {
    BackendChoice choice;
    std::function<Result<Platform>()> openPlayback;
    std::function<Result<std::unique_ptr<InputInjector>>()> makeInput;
    std::function<Result<std::unique_ptr<ScreenSource>>()> makeScreen;
    std::function<Result<std::unique_ptr<InputRecorder>>()> makeRecorder;
    std::function<Result<std::unique_ptr<HotKeySource>>()> makeHotKeys;
};

// The backend for this process's session (chooseBackend on its environment).
Result<DesktopBackend> openDesktopBackend();
// The backend of a given choice.
DesktopBackend desktopBackendFor(const BackendChoice& choice);

} // namespace clickwisp
