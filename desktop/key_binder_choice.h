#pragma once

#include "core/error.h"
#include "platform/compositor_keys.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace clickwisp {

// Who binds the hot keys to "clickwisp-cli remote" commands where the
// program cannot grab them (Wayland), chosen at start-up.
enum class KeyBinder {
    None, // nobody: Options lists the commands to bind by hand
    Sway, // sway's IPC (SWAYSOCK)
    Kde, // KDE Plasma's global shortcut service (kglobalaccel)
    Portal, // the desktop portal's GlobalShortcuts (GNOME 48 and later)
    Gnome, // GNOME's custom keyboard shortcuts (GSettings), before GNOME 48
};

// What the choice looks at.
struct KeyBinderEnvironment {
    std::string waylandDisplay; // $WAYLAND_DISPLAY
    std::string swaySocket; // $SWAYSOCK
    std::string currentDesktop; // $XDG_CURRENT_DESKTOP, "ubuntu:GNOME"
    // Whether KDE's global shortcut service runs on the session bus, and the
    // GlobalShortcuts portal's version there (0: none); asked only on a
    // Wayland session that sway does not serve.
    std::function<bool()> kdeShortcutsRunning;
    std::function<uint32_t()> globalShortcutsPortal;
};
KeyBinderEnvironment currentKeyBinderEnvironment();

// sway where SWAYSOCK is set; on another Wayland session KDE's shortcut
// service where it runs (Plasma's portal binds nothing in 5.27 and asks in
// 6), else the GlobalShortcuts portal where there is one, else GNOME's
// custom shortcuts on GNOME; otherwise nobody (on X11 the program grabs the
// keys itself).
KeyBinder chooseKeyBinder(const KeyBinderEnvironment& environment);

// The binder of this session; null for None. Its bindings run cliBeside,
// the clickwisp-cli installed beside the program, else (empty, or a path
// with blanks for sway, whose commands are not quoted) the one on the PATH;
// KDE's and the portal's bindings send their commands to controlSocket.
// An error says why the chosen one cannot bind (GNOME without its schemas).
// primary, until a binding of it binds no key at all: then the keys made by
// fallback from then on (an older GNOME whose portal answers for
// GlobalShortcuts through another desktop's backend, which refuses).
std::unique_ptr<CompositorKeys> FirstThatBinds(
    std::unique_ptr<CompositorKeys> primary, std::function<Result<std::unique_ptr<CompositorKeys>>()> fallback);

Result<std::unique_ptr<CompositorKeys>> openKeyBinder(
    const std::string& cliBeside, const std::filesystem::path& controlSocket);

} // namespace clickwisp
