#pragma once

#include "core/error.h"
#include "remote/control_protocol.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>
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

// The shell command a binding runs, with cliProgram as the program.
std::string BindingCommandLine(const std::string& cliProgram, const CommandKey& key);

// Hot keys that the compositor holds on the program's behalf, where a
// program cannot grab keys itself (Wayland).
class CompositorKeys {
public:
    virtual ~CompositorKeys() = default;
    // Who binds the keys, for the user ("sway").
    virtual std::string name() const = 0;
    // Replaces the bindings made before by these. Every key is tried; the
    // error names each one that could not be bound and why.
    virtual Result<void> bindKeys(const std::vector<CommandKey>& keys) = 0;
    // Removes every binding made by bindKeys.
    virtual Result<void> unbindKeys() = 0;
};

// Bindings through sway's IPC at socket ($SWAYSOCK): "bindsym --no-repeat
// <keys> exec <cliProgram> remote <command>", removed with "unbindsym".
std::unique_ptr<CompositorKeys> makeSwayKeys(std::filesystem::path socket, std::string cliProgram);

} // namespace clickwisp
