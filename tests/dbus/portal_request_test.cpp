// The portal's Request/Response pattern and portal sessions against a fake
// portal on a private bus.
#include "platform/portal_request.h"
#include "tests/dbus/fake_bus_service.h"
#include "tests/dbus/private_bus_test.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace clickwisp {
namespace {

using test::FakeBusService;
using namespace std::chrono_literals;

constexpr const char* kRemoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr const char* kSessionPath = "/org/freedesktop/portal/desktop/session/1_1/s1";

void respondWith(sd_bus* bus, const std::string& path, uint32_t code, const char* sessionHandle)
{
    if (sessionHandle)
        sd_bus_emit_signal(bus, path.c_str(), "org.freedesktop.portal.Request", "Response", "ua{sv}", code, 1,
            "session_handle", "s", sessionHandle);
    else
        sd_bus_emit_signal(bus, path.c_str(), "org.freedesktop.portal.Request", "Response", "ua{sv}", code, 0);
}

class PortalRequestTest : public test::PrivateBusTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_bus->ok()) << s_bus->error();
        m_portal = std::make_unique<FakeBusService>(s_bus->address(), kPortalService);
        // CreateSession answers before its reply, as a fast portal may.
        m_portal->on("org.freedesktop.portal.RemoteDesktop.CreateSession", [](sd_bus_message* call) {
            sd_bus* bus = sd_bus_message_get_bus(call);
            FakeBusService::answerRequest(
                call, true, [bus](const std::string& path) { respondWith(bus, path, 0, kSessionPath); });
        });
        // SelectDevices: the user refuses.
        m_portal->on("org.freedesktop.portal.RemoteDesktop.SelectDevices", [](sd_bus_message* call) {
            sd_bus* bus = sd_bus_message_get_bus(call);
            FakeBusService::answerRequest(
                call, false, [bus](const std::string& path) { respondWith(bus, path, 1, nullptr); });
        });
        // Start: the dialog stays open.
        m_portal->on("org.freedesktop.portal.RemoteDesktop.Start",
            [](sd_bus_message* call) { FakeBusService::answerRequest(call, false, [](const std::string&) {}); });
        for (const char* method : { "org.freedesktop.portal.Request.Close", "org.freedesktop.portal.Session.Close" })
            m_portal->on(method, [](sd_bus_message* call) { sd_bus_reply_method_return(call, ""); });
        m_portal->on("org.freedesktop.DBus.Properties.Get", [](sd_bus_message* call) {
            const char* interface = nullptr;
            sd_bus_message_read(call, "s", &interface);
            if (std::string(interface) == kRemoteDesktop)
                sd_bus_reply_method_return(call, "v", "u", 2u);
            else
                sd_bus_reply_method_errorf(call, "org.freedesktop.DBus.Error.UnknownInterface", "No such interface");
        });
        m_portal->start();
        auto connection = DbusConnection::open(s_bus->address());
        ASSERT_TRUE(connection) << connection.error().message;
        m_connection = std::move(*connection);
    }

    bool called(const std::string& call) const
    {
        const auto calls = m_portal->calls();
        return std::ranges::find(calls, call) != calls.end();
    }

    std::unique_ptr<FakeBusService> m_portal;
    std::unique_ptr<DbusConnection> m_connection;
};

TEST_F(PortalRequestTest, RequestPathsFollowTheCallersUniqueName)
{
    EXPECT_EQ(portalRequestPath(":1.42", "t1"), "/org/freedesktop/portal/desktop/request/1_42/t1");
    EXPECT_NE(newPortalToken(), newPortalToken());
}

TEST_F(PortalRequestTest, ASessionIsCreatedEvenWhenTheAnswerComesBeforeTheReply)
{
    auto session = PortalSession::create(*m_connection, kRemoteDesktop, {}, 5s);
    ASSERT_TRUE(session) << session.error().message;
    EXPECT_EQ((*session)->handle().path, kSessionPath);
    EXPECT_FALSE((*session)->closed());
    EXPECT_TRUE(called("org.freedesktop.portal.RemoteDesktop.CreateSession /org/freedesktop/portal/desktop a{sv}"));

    // Gone: the desktop is told to close it.
    session->reset();
    EXPECT_TRUE(called(std::string("org.freedesktop.portal.Session.Close ") + kSessionPath + " "));
}

TEST_F(PortalRequestTest, ARefusalIsAnOutcomeNotAnError)
{
    auto response = callPortalRequest(*m_connection,
        { kRemoteDesktop, "SelectDevices", { DbusObjectPath { kSessionPath } }, { { "types", uint32_t(3) } } }, 5s);
    ASSERT_TRUE(response) << response.error().message;
    EXPECT_EQ(response->outcome, PortalOutcome::Refused);
    EXPECT_TRUE(called("org.freedesktop.portal.RemoteDesktop.SelectDevices /org/freedesktop/portal/desktop oa{sv}"));
}

TEST_F(PortalRequestTest, AnUnansweredRequestTimesOutAndIsClosed)
{
    auto response = callPortalRequest(
        *m_connection, { kRemoteDesktop, "Start", { DbusObjectPath { kSessionPath }, "" }, {} }, 300ms);
    ASSERT_FALSE(response);
    EXPECT_NE(response.error().message.find("no answer within"), std::string::npos) << response.error().message;
    EXPECT_NE(response.error().message.find("org.freedesktop.portal.RemoteDesktop.Start"), std::string::npos)
        << response.error().message;
    // The dialog goes away: its request was closed.
    const auto calls = m_portal->calls();
    EXPECT_TRUE(std::ranges::any_of(calls, [](const std::string& call) {
        return call.starts_with("org.freedesktop.portal.Request.Close /org/freedesktop/portal/desktop/request/");
    }));
}

TEST_F(PortalRequestTest, TheDesktopClosingASessionIsNoticed)
{
    auto session = PortalSession::create(*m_connection, kRemoteDesktop, {}, 5s);
    ASSERT_TRUE(session) << session.error().message;
    m_portal->post([](sd_bus* bus) {
        sd_bus_emit_signal(bus, kSessionPath, "org.freedesktop.portal.Session", "Closed", "a{sv}", 0);
    });
    ASSERT_TRUE(m_connection->waitUntil([&] { return (*session)->closed(); }, 5s, "Closed"));
    session->reset();
    // Closed by the desktop: nothing left to close.
    EXPECT_FALSE(called(std::string("org.freedesktop.portal.Session.Close ") + kSessionPath + " "));
}

TEST_F(PortalRequestTest, VersionsAreReadAndAMissingInterfaceIsAnError)
{
    EXPECT_EQ(portalVersion(*m_connection, kRemoteDesktop), 2u);
    auto missing = portalVersion(*m_connection, "org.freedesktop.portal.Clipboard");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("UnknownInterface"), std::string::npos) << missing.error().message;
}

} // namespace
} // namespace clickwisp
