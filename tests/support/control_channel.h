#pragma once

// The remote control's channel in tests: an address of a test's own, and a
// program side that records what reaches it.
#include "platform/control_channel.h"
#include "tests/support/process.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace clickwisp::test {

// An address that meets neither the user's program nor another test: a
// socket in the test's folder, or a pipe named after that folder.
inline std::filesystem::path testControlAddress(const TempDir& dir)
{
#ifdef _WIN32
    return L"\\\\.\\pipe\\clickwisp-test-" + dir.path().filename().wstring();
#else
    return dir / "run" / "control";
#endif
}

// Listens at an address and answers every command with "ok <name>",
// keeping what reached it.
class ControlListener {
public:
    explicit ControlListener(const std::filesystem::path& address)
    {
        auto server = ListenForControl(address, [this](ControlCommand command) {
            std::lock_guard lock(m_mutex);
            m_received.push_back(command);
            return OkReply(ControlCommandName(command));
        });
        if (server)
            m_server = std::move(*server);
        else
            m_error = server.error().message;
    }
    bool ok() const { return m_server != nullptr; }
    const std::string& error() const { return m_error; }
    std::vector<ControlCommand> received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    // Stops listening, as a program that closes.
    void close() { m_server.reset(); }

private:
    std::mutex m_mutex;
    std::vector<ControlCommand> m_received;
    std::unique_ptr<ControlServer> m_server;
    std::string m_error;
};

} // namespace clickwisp::test
