#pragma once

#include "core/error.h"
#include "platform/compositor_keys.h"

#include <memory>
#include <string>

namespace clickwisp {

// Hot keys as custom keyboard shortcuts in GNOME's settings (GSettings
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings), which
// GNOME's settings daemon binds to their commands: "<cliProgram> remote
// <command>". The user sees and may change them in GNOME's keyboard
// settings. Ours are the entries at .../custom-keybindings/clickwisp-*/:
// the only ones added, replaced (also those a program that crashed left)
// or removed; the user's own entries are never changed. A key that GNOME
// or one of the user's shortcuts already uses is not bound, and the error
// names who uses it. Fails when GNOME's schemas are not installed.
Result<std::unique_ptr<CompositorKeys>> makeGnomeKeys(std::string cliProgram);

} // namespace clickwisp
