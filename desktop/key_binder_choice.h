#pragma once

#include "core/error.h"
#include "platform/compositor_keys.h"

#include <memory>
#include <string>

namespace clickwisp {

// Who binds the hot keys to "clickwisp-cli remote" commands where the
// program cannot grab them (Wayland), chosen at start-up.
enum class KeyBinder {
    None, // nobody: Options lists the commands to bind by hand
    Sway, // sway's IPC (SWAYSOCK)
    Gnome, // GNOME's custom keyboard shortcuts (GSettings)
};

// What the choice looks at.
struct KeyBinderEnvironment {
    std::string waylandDisplay; // $WAYLAND_DISPLAY
    std::string swaySocket; // $SWAYSOCK
    std::string currentDesktop; // $XDG_CURRENT_DESKTOP, "ubuntu:GNOME"
};
KeyBinderEnvironment currentKeyBinderEnvironment();

// sway where SWAYSOCK is set; GNOME's shortcuts on a GNOME Wayland session;
// otherwise nobody (on X11 the program grabs the keys itself).
KeyBinder chooseKeyBinder(const KeyBinderEnvironment& environment);

// The binder of this session; null for None. Its bindings run cliBeside,
// the clickwisp-cli installed beside the program, else (empty, or a path
// with blanks for sway, whose commands are not quoted) the one on the PATH.
// An error says why the chosen one cannot bind (GNOME without its schemas).
Result<std::unique_ptr<CompositorKeys>> openKeyBinder(const std::string& cliBeside);

} // namespace clickwisp
