#pragma once

#include "core/control_protocol.h"
#include "core/error.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace clickwisp {

// The listener of the remote control: answers each connection on a thread of its own, one at a
// time. Destroying it stops the thread and removes the socket.
class ControlServer {
public:
    // Called on the listener's thread for each well-formed request from this
    // user; returns the reply line (OkReply or ErrorReply).
    using Handler = std::function<std::string(ControlCommand)>;
    virtual ~ControlServer() = default;
    virtual const std::filesystem::path& socketPath() const = 0;
};

// The channel itself, from the desktop's channel backend: a Unix socket only
// its user can open (platform/unix: $XDG_RUNTIME_DIR/clickwisp/control, or
// /tmp/clickwisp-<uid>/control when XDG_RUNTIME_DIR is not set). On Windows
// it is not there yet (platform/win32: a named pipe with the user's security
// descriptor will take the socket's place; the folder is %APPDATA%\Clickwisp,
// and preparing, listening and sending fail with a message saying so).

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
