#pragma once

#include "core/error.h"
#include "platform/control_channel.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace clickwisp {

// The remote control's channel on Windows: not there yet (a named pipe with
// the user's security descriptor will take the Unix socket's place). The
// folder is %APPDATA%\Clickwisp; preparing, listening and sending fail.

// The folder of the socket, from the environment; not created.
std::filesystem::path ControlFolder();
// The socket in folder.
std::filesystem::path ControlSocketPath(const std::filesystem::path& folder);

// Creates folder (and a missing parent) with mode 0700, or checks an existing
// one: it must be a real folder (not a link), owned by this user, with no
// rights for group or others. The error names the folder and what is wrong.
Result<void> PrepareControlFolder(const std::filesystem::path& folder);

// Prepares folder and listens on its socket. A socket left by a program that
// has ended is replaced; one that answers belongs to another running program,
// and the error says so. Requests from another user are refused (the reply
// says why) and never reach handler; malformed ones get an error reply.
Result<std::unique_ptr<ControlServer>> ListenForControl(
    const std::filesystem::path& folder, ControlServer::Handler handler);

// Sends request (one line, "\n" added) to the socket and returns the reply
// line as received. The error says when nobody listens there or no reply
// came within limit.
Result<std::string> SendControlRequest(const std::filesystem::path& socketPath, const std::string& request,
    std::chrono::milliseconds limit = std::chrono::seconds(15));

} // namespace clickwisp
