#pragma once

#include "core/control_protocol.h"

#include <filesystem>
#include <functional>
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

} // namespace clickwisp
