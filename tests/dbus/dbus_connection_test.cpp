// DbusConnection against a service of the tests' own on a private bus:
// values out and back, errors, properties, signals and waiting.
#include "platform/dbus_connection.h"
#include "tests/dbus/fake_bus_service.h"
#include "tests/dbus/private_bus_test.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace clickwisp {
namespace {

using test::FakeBusService;
using namespace std::chrono_literals;

constexpr const char* kName = "org.example.Fake";
constexpr const char* kPath = "/org/example/Fake";
constexpr const char* kInterface = "org.example.Fake";

class DbusConnectionTest : public test::PrivateBusTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_bus->ok()) << s_bus->error();
        m_service = std::make_unique<FakeBusService>(s_bus->address(), kName);
        m_service->on("org.example.Fake.Echo", [this](sd_bus_message* call) {
            m_echoSignature = sd_bus_message_get_signature(call, 1);
            sd_bus_message* reply = nullptr;
            sd_bus_message_new_method_return(call, &reply);
            sd_bus_message_copy(reply, call, 1);
            sd_bus_send(nullptr, reply, nullptr);
            sd_bus_message_unref(reply);
        });
        m_service->on("org.freedesktop.DBus.Properties.Get", [](sd_bus_message* call) {
            const char* interface = nullptr;
            const char* name = nullptr;
            sd_bus_message_read(call, "ss", &interface, &name);
            if (std::string(interface) == kInterface && std::string(name) == "version")
                sd_bus_reply_method_return(call, "v", "u", 2u);
            else
                sd_bus_reply_method_errorf(call, "org.freedesktop.DBus.Error.InvalidArgs", "No such property");
        });
        m_service->start();
        auto connection = DbusConnection::open(s_bus->address());
        ASSERT_TRUE(connection) << connection.error().message;
        m_connection = std::move(*connection);
    }

    void emitPing(const std::string& text)
    {
        m_service->post(
            [text](sd_bus* bus) { sd_bus_emit_signal(bus, kPath, kInterface, "Ping", "su", text.c_str(), 5u); });
    }

    std::unique_ptr<FakeBusService> m_service;
    std::unique_ptr<DbusConnection> m_connection;
    std::string m_echoSignature;
};

TEST_F(DbusConnectionTest, ValuesOfEveryKindGoOutWithTheirSignatureAndComeBackEqual)
{
    const DbusVardict stream { { "id", "0" }, { "position", DbusValue::structure({ int32_t(-640), int32_t(-360) }) },
        { "size", DbusValue::structure({ int32_t(1920), int32_t(1080) }) } };
    const std::vector<DbusValue> arguments { "text é", uint32_t(7), int32_t(-3), true, 2.5, DbusObjectPath { "/a/b" },
        DbusValue::vardict({ { "types", uint32_t(3) }, { "persist_mode", uint32_t(2) } }),
        DbusValue::array("(ua{sv})", { DbusValue::structure({ uint32_t(36), DbusValue::vardict(stream) }) }),
        DbusValue::array("s"), DbusValue::variant(DbusValue::variant(int64_t(-1) << 40)), uint8_t(255), int16_t(-2),
        uint16_t(65535), uint64_t(1) << 63, DbusSignature { "a{sv}" }, DbusValue::dictionary("s", "s", { "k", "v" }) };
    auto reply = m_connection->call({ kName, kPath, kInterface, "Echo", arguments });
    ASSERT_TRUE(reply) << reply.error().message;
    EXPECT_EQ(m_echoSignature, "suibdoa{sv}a(ua{sv})asvynqtga{ss}");
    ASSERT_EQ(reply->size(), arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ((*reply)[i], arguments[i]) << "argument " << i << ": " << (*reply)[i].text();

    const auto options = (*reply)[6].vardict();
    ASSERT_TRUE(options);
    ASSERT_NE(vardictGet<uint32_t>(*options, "persist_mode"), nullptr);
    EXPECT_EQ(*vardictGet<uint32_t>(*options, "persist_mode"), 2u);
    const auto& streams = *(*reply)[7].items();
    const auto streamProperties = (*streams[0].fields())[1].vardict();
    ASSERT_TRUE(streamProperties);
    const auto* position = vardictGet<DbusValue::Struct>(*streamProperties, "position");
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(*position->fields[0].get<int32_t>(), -640);
}

TEST_F(DbusConnectionTest, AFileDescriptorGoesOutAndComesBackUsable)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    auto reply = m_connection->call({ kName, kPath, kInterface, "Echo", { DbusFd(ends[1]) } });
    ASSERT_TRUE(reply) << reply.error().message;
    ASSERT_EQ(reply->size(), 1u);
    const auto* fd = (*reply)[0].get<DbusFd>();
    ASSERT_NE(fd, nullptr);
    const int mine = fd->duplicate();
    ASSERT_GE(mine, 0);
    ASSERT_EQ(write(mine, "ok", 2), 2);
    close(mine);
    char got[2] = {};
    ASSERT_EQ(read(ends[0], got, 2), 2);
    EXPECT_EQ(std::string(got, 2), "ok");
    close(ends[0]);
}

TEST_F(DbusConnectionTest, ErrorsNameTheMethodAndTheDbusError)
{
    auto unknown = m_connection->call({ kName, kPath, kInterface, "Missing", {} });
    ASSERT_FALSE(unknown);
    EXPECT_NE(
        unknown.error().message.find("org.example.Fake.Missing: org.freedesktop.DBus.Error.Unknown"), std::string::npos)
        << unknown.error().message;

    auto nobody = m_connection->call({ "org.example.Nobody", kPath, kInterface, "Echo", {} });
    ASSERT_FALSE(nobody);
    EXPECT_NE(nobody.error().message.find("org.freedesktop.DBus.Error.ServiceUnknown"), std::string::npos)
        << nobody.error().message;
}

TEST_F(DbusConnectionTest, PropertiesAndNameOwnersAreRead)
{
    auto version = m_connection->property(kName, kPath, kInterface, "version");
    ASSERT_TRUE(version) << version.error().message;
    ASSERT_NE(version->get<uint32_t>(), nullptr);
    EXPECT_EQ(*version->get<uint32_t>(), 2u);

    auto missing = m_connection->property(kName, kPath, kInterface, "colour");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("org.example.Fake.colour"), std::string::npos) << missing.error().message;
    EXPECT_NE(missing.error().message.find("InvalidArgs"), std::string::npos) << missing.error().message;

    EXPECT_EQ(m_connection->nameHasOwner(kName), true);
    EXPECT_EQ(m_connection->nameHasOwner("org.example.Nobody"), false);
}

TEST_F(DbusConnectionTest, ASubscriptionReceivesMatchingSignalsUntilItGoes)
{
    std::vector<std::string> received;
    auto subscription = m_connection->subscribe({ kPath, kInterface, "Ping" }, [&](const DbusSignal& signal) {
        ASSERT_EQ(signal.arguments.size(), 2u);
        received.push_back(*signal.arguments[0].get<std::string>() + " "
            + std::to_string(*signal.arguments[1].get<uint32_t>()) + " " + signal.member);
    });
    ASSERT_TRUE(subscription) << subscription.error().message;
    auto other = m_connection->subscribe(
        { "/org/example/Other", kInterface, "Ping" }, [&](const DbusSignal&) { received.push_back("wrong path"); });
    ASSERT_TRUE(other);

    emitPing("first");
    ASSERT_TRUE(m_connection->waitUntil([&] { return !received.empty(); }, 5s, "the first ping"));
    EXPECT_EQ(received, std::vector<std::string> { "first 5 Ping" });

    *subscription = DbusSubscription();
    emitPing("second");
    auto waited = m_connection->waitUntil([&] { return received.size() > 1; }, 300ms, "a second ping");
    ASSERT_FALSE(waited);
    EXPECT_NE(waited.error().message.find("while waiting for a second ping"), std::string::npos)
        << waited.error().message;
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(DbusConnectionTest, AStopRequestEndsAWait)
{
    StopRequest stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        stop.request();
    });
    auto waited = m_connection->waitUntil([] { return false; }, 60s, "nothing", &stop);
    stopper.join();
    ASSERT_FALSE(waited);
    EXPECT_EQ(waited.error().message, "stopped while waiting for nothing");
}

TEST_F(DbusConnectionTest, ABusThatIsNotThereIsAnError)
{
    auto connection = DbusConnection::open("unix:path=" + (s_folder->path() / "no-bus").string());
    ASSERT_FALSE(connection);
    EXPECT_NE(connection.error().message.find("no-bus"), std::string::npos) << connection.error().message;
}

} // namespace
} // namespace clickwisp
