// Hot keys through the GlobalShortcuts portal, against a fake portal on a
// private bus: what is asked for, what the desktop's answer makes of it,
// and the keys' commands reaching the remote control when let go.
#include "core/command_keys.h"
#include "platform/unix/portal_global_keys.h"
#include "tests/dbus/fake_bus_service.h"
#include "tests/support/command_log.h"
#include "tests/support/private_bus.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>

namespace clickwisp {
namespace {

using test::FakeBusService;
using namespace std::chrono_literals;

constexpr const char* kShortcuts = "org.freedesktop.portal.GlobalShortcuts";

// A fake desktop portal: sessions numbered from 1, and BindShortcuts binds
// every shortcut asked for but those in refused, naming the trigger it was
// asked for in its own spelling.
class FakeShortcutsPortal {
public:
    explicit FakeShortcutsPortal(const std::string& address)
        : m_service(address, "org.freedesktop.portal.Desktop")
    {
        m_service.on(std::string(kShortcuts) + ".CreateSession", [this](sd_bus_message* call) {
            const std::string session = "/org/freedesktop/portal/desktop/session/1_1/s" + std::to_string(++m_sessions);
            respond(call, [session](sd_bus* bus, const std::string& path) {
                sd_bus_emit_signal(bus, path.c_str(), "org.freedesktop.portal.Request", "Response", "ua{sv}", 0u, 1,
                    "session_handle", "s", session.c_str());
            });
        });
        m_service.on(std::string(kShortcuts) + ".BindShortcuts", [this](sd_bus_message* call) { bind(call); });
        m_service.on("org.freedesktop.portal.Session.Close", [this](sd_bus_message* call) {
            std::lock_guard lock(m_mutex);
            m_closed.push_back(sd_bus_message_get_path(call));
            sd_bus_reply_method_return(call, "");
        });
        m_service.start();
    }

    std::vector<std::string> refused;

    // The shortcuts of the last BindShortcuts: "id preferred_trigger description".
    std::vector<std::string> asked()
    {
        std::lock_guard lock(m_mutex);
        return m_asked;
    }
    std::vector<std::string> closed()
    {
        std::lock_guard lock(m_mutex);
        return m_closed;
    }
    // Sends Activated or Deactivated of a shortcut of a session.
    void signal(const char* member, const std::string& session, const std::string& id)
    {
        m_service.post([=](sd_bus* bus) {
            sd_bus_emit_signal(bus, "/org/freedesktop/portal/desktop", kShortcuts, member, "osta{sv}", session.c_str(),
                id.c_str(), uint64_t(1), 0);
        });
    }

private:
    // Replies with the request's path, then answers on it.
    static void respond(sd_bus_message* call, const std::function<void(sd_bus*, const std::string&)>& answer)
    {
        sd_bus* bus = sd_bus_message_get_bus(call);
        FakeBusService::answerRequest(call, false, [&](const std::string& path) { answer(bus, path); });
    }

    void bind(sd_bus_message* call)
    {
        std::vector<std::pair<std::string, std::string>> bound;
        const char* session = nullptr;
        sd_bus_message_read(call, "o", &session);
        sd_bus_message_enter_container(call, 'a', "(sa{sv})");
        std::vector<std::string> asked;
        while (sd_bus_message_enter_container(call, 'r', "sa{sv}") > 0) {
            const char* id = nullptr;
            sd_bus_message_read(call, "s", &id);
            auto options = FakeBusService::stringOptions(call);
            sd_bus_message_exit_container(call);
            asked.push_back(std::string(id) + " " + options["preferred_trigger"] + " " + options["description"]);
            if (std::find(refused.begin(), refused.end(), id) == refused.end())
                bound.emplace_back(id, "Press " + options["preferred_trigger"]);
        }
        {
            std::lock_guard lock(m_mutex);
            m_asked = asked;
        }
        respond(call, [bound](sd_bus* bus, const std::string& path) {
            sd_bus_message* m = nullptr;
            sd_bus_message_new_signal(bus, &m, path.c_str(), "org.freedesktop.portal.Request", "Response");
            sd_bus_message_append(m, "u", 0u);
            sd_bus_message_open_container(m, 'a', "{sv}");
            sd_bus_message_open_container(m, 'e', "sv");
            sd_bus_message_append(m, "s", "shortcuts");
            sd_bus_message_open_container(m, 'v', "a(sa{sv})");
            sd_bus_message_open_container(m, 'a', "(sa{sv})");
            for (const auto& [id, trigger] : bound)
                sd_bus_message_append(m, "(sa{sv})", id.c_str(), 1, "trigger_description", "s", trigger.c_str());
            sd_bus_message_close_container(m);
            sd_bus_message_close_container(m);
            sd_bus_message_close_container(m);
            sd_bus_message_close_container(m);
            sd_bus_send(bus, m, nullptr);
            sd_bus_message_unref(m);
        });
    }

    FakeBusService m_service;
    std::mutex m_mutex;
    int m_sessions = 0;
    std::vector<std::string> m_asked;
    std::vector<std::string> m_closed;
};

TEST(PortalGlobalKeys, BindsOurKeysAsPreferredSendsTheirCommandsWhenLetGoAndClosesTheSession)
{
    test::TempDir dir;
    test::PrivateBus bus(dir.path());
    ASSERT_TRUE(bus.ok()) << bus.error();
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    FakeShortcutsPortal portal(bus.address());
    portal.refused = { "stop-record" };
    test::CommandLog commands;
    auto keys = makePortalGlobalKeys(commands.socket());

    auto bound = keys->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" }));
    ASSERT_FALSE(bound.has_value());
    EXPECT_EQ(bound.error().message, "the desktop portal did not bind ALT+F3");
    EXPECT_EQ(portal.asked(),
        (std::vector<std::string> { "start-record ALT+F2 Start recording", "stop-record ALT+F3 Stop recording",
            "start-run CTRL+F2 Start playback", "stop-run CTRL+F3 Stop playback" }));
    const auto triggers = keys->triggers();
    ASSERT_EQ(triggers.size(), 4u);
    EXPECT_EQ(triggers[2].keys, "Press CTRL+F2");
    EXPECT_EQ(triggers[1].keys, "");

    // A press alone does nothing; the release sends the command; a key of
    // another session is not ours.
    const std::string session = "/org/freedesktop/portal/desktop/session/1_1/s1";
    portal.signal("Activated", session, "start-run");
    portal.signal("Deactivated", "/org/freedesktop/portal/desktop/session/1_1/other", "stop-run");
    portal.signal("Deactivated", session, "start-run");
    ASSERT_TRUE(commands.waitFor(1));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(commands.commands(), (std::vector<ControlCommand> { ControlCommand::StartRun }));

    // Start and stop on one key: one shortcut, both commands in order (the
    // second only when the first was refused: here the first is done).
    portal.refused.clear();
    ASSERT_TRUE(keys->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F5", "CTRL+F5" })));
    EXPECT_EQ(portal.asked().back(), "start-run CTRL+F5 Start playback, or stop playback");
    EXPECT_EQ(portal.closed(), (std::vector<std::string> { session }));
    ASSERT_TRUE(keys->unbindKeys());
    EXPECT_EQ(portal.closed().size(), 2u);
    EXPECT_TRUE(keys->triggers().empty());

    // A desktop that answers without binding anything.
    portal.refused = { "start-record", "stop-record", "start-run", "stop-run" };
    bound = keys->bindKeys(CommandKeysOf({ "ALT+F2", "ALT+F3", "CTRL+F2", "CTRL+F3" }));
    ASSERT_FALSE(bound.has_value());
    EXPECT_NE(bound.error().message.find("bound none of the hot keys"), std::string::npos);
    keys.reset();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace
} // namespace clickwisp
