#pragma once

#include "core/control_protocol.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace clickwisp {

// A key combination the compositor binds to remote commands: pressing it
// runs "clickwisp-cli remote <command>" for the first command, and the next
// only when the one before was refused (the same key set for start and stop).
struct CommandKey {
    std::string hotKeyText; // "CTRL+F2"
    std::vector<ControlCommand> commands;
};

// The four hot keys, in the order start-record, stop-record, start-run,
// stop-run, as bindings: one per distinct combination, in first-use order.
std::vector<CommandKey> CommandKeysOf(const std::array<std::string, 4>& hotKeyTexts);

// A hot-key text ("CTRL+F2", "ALT+CTRL+F5") in a desktop's own key syntax:
// each modifier, in its order, as control or alt ("Ctrl+", "<Control>"),
// then the key ("F2").
std::string HotKeyInSyntax(std::string_view hotKeyText, std::string_view control, std::string_view alt);

// The shell command a binding runs, with cliProgram as the program.
std::string BindingCommandLine(const std::string& cliProgram, const CommandKey& key);

} // namespace clickwisp
