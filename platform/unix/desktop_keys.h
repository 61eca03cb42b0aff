#pragma once

#include "core/command_keys.h"
#include "core/error.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clickwisp {

// What the hot keys bound by a desktop's shortcut service share (KDE's
// global shortcuts, the desktop portal's): the service tells us a key went,
// and we send its commands to the remote control.

// The name of a binding in the service: its first command's ("start-run"),
// which stays whatever key the binding has.
std::string CommandKeyId(const CommandKey& key);
// What a binding does, as the desktop's settings show it: "Start playback",
// "Start recording, or stop recording".
std::string CommandKeyDescription(const CommandKey& key);

// Sends commands to the remote control at socket, on a thread of its own so
// the service's thread is not held: the first, and the next only when the
// one before was refused (start and stop on one key).
void SendKeyCommands(std::filesystem::path socket, std::vector<ControlCommand> commands);

// "lead: a; b", or success when there is no problem.
Result<void> JoinedProblems(const std::string& lead, const std::vector<std::string>& problems);

} // namespace clickwisp
