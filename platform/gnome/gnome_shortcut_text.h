#pragma once

#include "core/command_keys.h"

#include <string>
#include <string_view>

namespace clickwisp {

// The texts of GNOME's custom keyboard shortcuts, without GLib.

// "CTRL+F2" as GNOME's accelerator "<Control>F2"; "ALT+F3" as "<Alt>F3".
std::string GnomeAccelerator(std::string_view hotKeyText);

// Whether two accelerators name the same keys: modifiers in any order and
// under any of their names ("<Primary>", "<Ctrl>", "<Control>"), the key's
// name in any letter case. An empty or disabled one matches nothing.
bool SameAccelerator(std::string_view a, std::string_view b);

// The command a shortcut runs, as GNOME splits it (shell quoting, no shell):
// "'/usr/bin/clickwisp-cli' remote start-run"; a key with several commands
// runs them through sh ("... || ..."), the program quoted inside.
std::string GnomeCommandLine(const std::string& cliProgram, const CommandKey& key);

// The shortcut's name in GNOME's settings: "Clickwisp: start run".
std::string GnomeShortcutName(const CommandKey& key);

// The single-quoted shell word for text.
std::string ShellQuoted(std::string_view text);

} // namespace clickwisp
