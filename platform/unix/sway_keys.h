#pragma once

#include "platform/compositor_keys.h"

#include <filesystem>
#include <memory>
#include <string>

namespace clickwisp {

// Bindings through sway's IPC at socket ($SWAYSOCK): "bindsym --no-repeat
// <keys> exec <cliProgram> remote <command>", removed with "unbindsym".
std::unique_ptr<CompositorKeys> makeSwayKeys(std::filesystem::path socket, std::string cliProgram);

} // namespace clickwisp
