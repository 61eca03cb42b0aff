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
// time. Destroying it stops the thread and removes the socket or the pipe.
class ControlServer {
public:
    // Called on the listener's thread for each well-formed request from this
    // user; returns the reply line (OkReply or ErrorReply).
    using Handler = std::function<std::string(ControlCommand)>;
    virtual ~ControlServer() = default;
    // Where it listens: the socket's path or the pipe's name.
    virtual const std::filesystem::path& address() const = 0;
};

// The channel itself, from the desktop's channel backend, open only to the
// user who started the program:
// - platform/unix: a Unix socket in a private folder,
//   $XDG_RUNTIME_DIR/clickwisp/control, or /tmp/clickwisp-<uid>/control when
//   XDG_RUNTIME_DIR is not set;
// - platform/win32: a named pipe per user and logon session,
//   \\.\pipe\clickwisp-<user SID>-<session id>-control, whose security
//   descriptor admits only that user and which other computers cannot open.

// Where this user's program listens; nothing is created.
std::filesystem::path ControlAddress();
// The same as help texts give it, with placeholders ("<uid>").
std::string ControlAddressText();

// Listens at address (ControlAddress(), or one of a test's own). One that a
// program which has ended left behind is replaced; one where another
// running program listens is left to it, and the error says so. Requests
// from another user never reach handler; malformed ones get an error reply.
Result<std::unique_ptr<ControlServer>> ListenForControl(
    const std::filesystem::path& address, ControlServer::Handler handler);

// Sends request (one line, "\n" added) to address and returns the reply line
// as received. The error says when nobody listens there, when what listens
// there belongs to another user, or when no reply came within limit.
Result<std::string> SendControlRequest(const std::filesystem::path& address, const std::string& request,
    std::chrono::milliseconds limit = std::chrono::seconds(15));

} // namespace clickwisp
