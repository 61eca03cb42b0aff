// Hot keys bound through sway's IPC, against a fake sway on a Unix socket.
#include "platform/unix/sway_ipc.h"
#include "platform/unix/sway_keys.h"
#include "platform/unix/unix_socket.h"

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace clickwisp {
namespace {

// Answers each RUN_COMMAND as sway would, or with a refusal set by the test: "bindsym <flags> <keys> exec ..." binds,
// "unbindsym <flags> <keys>" finds the binding by the same flags and keys or fails. Keeps the commands it was sent.
class FakeSway {
public:
    explicit FakeSway(std::filesystem::path path)
        : m_path(std::move(path))
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, m_path.c_str());
        m_listener = UniqueFd(::socket(AF_UNIX, SOCK_STREAM, 0));
        ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener.get(), 4);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeSway()
    {
        ::shutdown(m_listener.get(), SHUT_RDWR);
        m_thread.join();
    }
    // The next bindsym of keys fails with sway's words error.
    void refuse(std::string keys, std::string error)
    {
        std::lock_guard lock(m_mutex);
        m_refusals[keys] = std::move(error);
    }
    std::vector<std::string> commands()
    {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }

private:
    void serve()
    {
        for (;;) {
            UniqueFd client(::accept(m_listener.get(), nullptr, nullptr));
            if (!client)
                return;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (auto header = ReadExactly(client.get(), kIpcHeaderSize, deadline)) {
                auto decoded = DecodeIpcHeader(*header);
                auto payload = ReadExactly(client.get(), decoded ? decoded->length : 0, deadline);
                if (!decoded || !payload)
                    break;
                std::string reply = "[{\"success\":true}]";
                {
                    std::lock_guard lock(m_mutex);
                    if (payload->starts_with("bindsym ") && payload->find(" exec ") != std::string::npos) {
                        const std::string flagsAndKeys = payload->substr(8, payload->find(" exec ") - 8);
                        const std::string keys = flagsAndKeys.substr(flagsAndKeys.rfind(' ') + 1);
                        if (auto refusal = m_refusals.find(keys); refusal != m_refusals.end()) {
                            reply = "[{\"success\":false,\"error\":\"" + refusal->second + "\"}]";
                            m_refusals.erase(refusal);
                        } else {
                            m_bindings.insert(flagsAndKeys);
                        }
                    } else if (payload->starts_with("unbindsym ") && !m_bindings.erase(payload->substr(10))) {
                        reply = "[{\"success\":false,\"error\":\"Could not find binding `" + payload->substr(10)
                            + "` for the given flags\"}]";
                    }
                    m_commands.push_back(
                        decoded->type == kIpcRunCommand ? *payload : "type " + std::to_string(decoded->type));
                }
                (void)WriteAll(client.get(), EncodeIpcMessage(kIpcRunCommand, reply));
            }
        }
    }

    std::filesystem::path m_path;
    UniqueFd m_listener;
    std::mutex m_mutex;
    std::map<std::string, std::string> m_refusals; // keys, sway's words
    std::vector<std::string> m_commands;
    std::set<std::string> m_bindings; // "<flags> <keys>"
    std::thread m_thread;
};

TEST(SwayIpc, FramesAndRepliesAreReadAsSwayWritesThem)
{
    const std::string message = EncodeIpcMessage(kIpcRunCommand, "unbindsym Ctrl+F2");
    ASSERT_EQ(message.size(), kIpcHeaderSize + 17);
    auto header = DecodeIpcHeader(message.substr(0, kIpcHeaderSize));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->length, 17u);
    EXPECT_EQ(header->type, kIpcRunCommand);
    EXPECT_EQ(message.substr(kIpcHeaderSize), "unbindsym Ctrl+F2");
    EXPECT_FALSE(DecodeIpcHeader("i3-IPC" + message.substr(6, 8)));
    EXPECT_FALSE(DecodeIpcHeader(EncodeIpcMessage(0, std::string(kIpcReplyLimit + 1, ' ')).substr(0, kIpcHeaderSize)));

    // Members other than success and error are skipped, whatever they hold.
    auto outcomes = ParseIpcCommandReply(
        R"( [ {"success": true}, {"parse_error": true, "nested": {"a": [1, -2.5e3, null, "x\"y"]},)"
        R"( "success": false, "error": "Unknown\/invalid command 'bindsym'"}, {"success":true,"error":null} ] )");
    ASSERT_TRUE(outcomes) << outcomes.error().message;
    ASSERT_EQ(outcomes->size(), 3u);
    EXPECT_TRUE((*outcomes)[0].success);
    EXPECT_FALSE((*outcomes)[1].success);
    EXPECT_EQ((*outcomes)[1].error, "Unknown/invalid command 'bindsym'");
    EXPECT_TRUE((*outcomes)[2].success);
    EXPECT_TRUE(ParseIpcCommandReply("[]").value().empty());

    for (const char* broken : { "", "{\"success\":true}", "[{\"success\":true}", "[{\"success\":1}]",
             "[{\"error\":\"x\"}]", "[{\"success\":true}] x", "[{\"success\" true}]", "[{\"a\":\"open}]" }) {
        auto parsed = ParseIpcCommandReply(broken);
        EXPECT_FALSE(parsed) << broken;
    }
}

TEST(SwayKeys, TheFourHotKeysBecomeBindingsToTheRemoteCommands)
{
    EXPECT_EQ(SwayKeyCombo("CTRL+F12"), "Ctrl+F12");
    EXPECT_EQ(SwayKeyCombo("ALT+F2"), "Alt+F2");
    EXPECT_EQ(SwayKeyCombo("CTRL+ALT+F1"), "Ctrl+Alt+F1");

    // The same key for start and stop: one binding that stops when starting is refused.
    const auto keys = CommandKeysOf({ "ALT+F2", "ALT+F2", "CTRL+F2", "CTRL+F3" });
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].hotKeyText, "ALT+F2");
    EXPECT_EQ(BindingCommandLine("/opt/cw/clickwisp-cli", keys[0]),
        "/opt/cw/clickwisp-cli remote start-record || /opt/cw/clickwisp-cli remote stop-record");
    EXPECT_EQ(BindingCommandLine("clickwisp-cli", keys[2]), "clickwisp-cli remote stop-run");

    test::TempDir dir;
    FakeSway sway(dir / "sway.sock");
    auto bindings = makeSwayKeys(dir / "sway.sock", "/opt/cw/clickwisp-cli");
    EXPECT_EQ(bindings->name(), "sway");
    ASSERT_TRUE(bindings->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" })));
    EXPECT_EQ(sway.commands(),
        (std::vector<std::string> { "bindsym --no-repeat Alt+F2 exec /opt/cw/clickwisp-cli remote start-record",
            "bindsym --no-repeat Alt+F3 exec /opt/cw/clickwisp-cli remote stop-record",
            "bindsym --no-repeat Ctrl+F2 exec /opt/cw/clickwisp-cli remote start-run",
            "bindsym --no-repeat Ctrl+F3 exec /opt/cw/clickwisp-cli remote stop-run" }));

    // New keys from the options: the old bindings go first; one sway refuses
    // is named with sway's reason, and the others are still made.
    sway.refuse("Alt+F13", "Unknown key or button 'F13'");
    auto rebound = bindings->bindKeys(CommandKeysOf({ "ALT+F13", "ALT+F3", "CTRL+F5", "CTRL+F3" }));
    ASSERT_FALSE(rebound);
    EXPECT_NE(rebound.error().message.find("ALT+F13: Unknown key or button 'F13'"), std::string::npos)
        << rebound.error().message;
    auto sent = sway.commands();
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_EQ(std::vector(sent.begin() + 4, sent.begin() + 8),
        (std::vector<std::string> { "unbindsym --no-repeat Alt+F2", "unbindsym --no-repeat Alt+F3",
            "unbindsym --no-repeat Ctrl+F2", "unbindsym --no-repeat Ctrl+F3" }));
    EXPECT_EQ(sent[11], "bindsym --no-repeat Ctrl+F3 exec /opt/cw/clickwisp-cli remote stop-run");

    // Closing removes only what was bound.
    ASSERT_TRUE(bindings->unbindKeys());
    sent = sway.commands();
    EXPECT_EQ(std::vector(sent.begin() + 12, sent.end()),
        (std::vector<std::string> {
            "unbindsym --no-repeat Alt+F3", "unbindsym --no-repeat Ctrl+F5", "unbindsym --no-repeat Ctrl+F3" }));
}

TEST(SwayKeys, NoSwayListeningIsAnError)
{
    test::TempDir dir;
    auto bindings = makeSwayKeys(dir / "missing.sock", "clickwisp-cli");
    auto bound = bindings->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" }));
    ASSERT_FALSE(bound);
    EXPECT_NE(bound.error().message.find("cannot reach sway's IPC socket"), std::string::npos) << bound.error().message;
    EXPECT_NE(bound.error().message.find("missing.sock"), std::string::npos);
}

} // namespace
} // namespace clickwisp
