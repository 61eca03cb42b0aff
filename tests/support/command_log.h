#pragma once

// A remote-control listener, in a private folder of its own, that writes
// down the commands it gets.
#include "platform/control_channel.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace clickwisp::test {

class CommandLog {
public:
    CommandLog()
    {
        std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_all);
        auto server = ListenForControl(m_dir / "control", [this](ControlCommand command) {
            std::lock_guard lock(m_mutex);
            m_commands.push_back(command);
            return OkReply("done");
        });
        EXPECT_TRUE(server.has_value()) << server.error().message;
        if (server)
            m_server = std::move(*server);
    }
    std::filesystem::path socket() const { return m_server ? m_server->address() : std::filesystem::path(); }
    std::vector<ControlCommand> commands()
    {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }
    // Waits until count commands came, at most 5 s.
    bool waitFor(size_t count)
    {
        for (int i = 0; i < 250 && commands().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return commands().size() >= count;
    }

private:
    TempDir m_dir;
    std::unique_ptr<ControlServer> m_server;
    std::mutex m_mutex;
    std::vector<ControlCommand> m_commands;
};

} // namespace clickwisp::test
