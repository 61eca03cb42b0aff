#pragma once

// The Unix side of the remote control's channel (platform/control_channel.h):
// the socket lives in a folder only its user may enter.
#include "core/error.h"

#include <filesystem>

namespace clickwisp {

// The folder of the socket, from the environment; not created.
std::filesystem::path ControlFolder();
// The socket in folder.
std::filesystem::path ControlSocketPath(const std::filesystem::path& folder);

// Creates folder (and a missing parent) with mode 0700, or checks an existing
// one: it must be a real folder (not a link), owned by this user, with no
// rights for group or others. The error names the folder and what is wrong.
Result<void> PrepareControlFolder(const std::filesystem::path& folder);

} // namespace clickwisp
