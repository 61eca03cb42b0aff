#include "platform/dbus_connection.h"

#include "platform/dbus_message.h"

#include <algorithm>
#include <cstring>

namespace clickwisp {

struct DbusSubscription::Target {
    sd_bus_slot* slot = nullptr;
    std::function<void(const DbusSignal&)> handler;
};

DbusSubscription::DbusSubscription(std::unique_ptr<Target> target)
    : m_target(std::move(target))
{
}

DbusSubscription::DbusSubscription() = default;
DbusSubscription::DbusSubscription(DbusSubscription&& other) noexcept = default;

DbusSubscription& DbusSubscription::operator=(DbusSubscription&& other) noexcept
{
    if (this != &other) {
        if (m_target)
            sd_bus_slot_unref(m_target->slot);
        m_target = std::move(other.m_target);
    }
    return *this;
}

DbusSubscription::~DbusSubscription()
{
    if (m_target)
        sd_bus_slot_unref(m_target->slot);
}

namespace {

struct MessageRef {
    sd_bus_message* message = nullptr;
    ~MessageRef() { sd_bus_message_unref(message); }
};

struct ErrorRef {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~ErrorRef() { sd_bus_error_free(&error); }
};

std::string orEmpty(const char* text)
{
    return text ? text : "";
}

const char* orNull(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

int onSignal(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* target = static_cast<DbusSubscription::Target*>(userdata);
    DbusSignal signal;
    signal.sender = orEmpty(sd_bus_message_get_sender(message));
    signal.path = orEmpty(sd_bus_message_get_path(message));
    signal.interface = orEmpty(sd_bus_message_get_interface(message));
    signal.member = orEmpty(sd_bus_message_get_member(message));
    auto arguments = readDbusArguments(message);
    if (!arguments)
        return 0; // a signal we cannot read is not ours to act on
    signal.arguments = std::move(*arguments);
    try {
        target->handler(signal);
    } catch (...) {
        // Nothing may unwind through sd-bus.
    }
    return 0;
}

} // namespace

DbusConnection::DbusConnection(sd_bus* bus)
    : m_bus(bus)
{
}

DbusConnection::~DbusConnection()
{
    sd_bus_flush_close_unref(m_bus);
}

Result<std::unique_ptr<DbusConnection>> DbusConnection::started(sd_bus* bus, const std::string& label)
{
    std::unique_ptr<DbusConnection> connection(new DbusConnection(bus));
    const char* unique = nullptr;
    if (int r = sd_bus_get_unique_name(bus, &unique); r < 0)
        return fail("cannot connect to " + label + ": " + std::strerror(-r));
    connection->m_uniqueName = unique;
    return connection;
}

Result<std::unique_ptr<DbusConnection>> DbusConnection::openSession()
{
    sd_bus* bus = nullptr;
    if (int r = sd_bus_open_user(&bus); r < 0)
        return fail(std::string("cannot connect to the D-Bus session bus: ") + std::strerror(-r));
    return started(bus, "the D-Bus session bus");
}

Result<std::unique_ptr<DbusConnection>> DbusConnection::open(const std::string& address)
{
    const std::string label = "the D-Bus bus at " + address;
    sd_bus* bus = nullptr;
    if (int r = sd_bus_new(&bus); r < 0)
        return fail("cannot connect to " + label + ": " + std::strerror(-r));
    int r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0)
        r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0)
        r = sd_bus_negotiate_fds(bus, 1);
    if (r >= 0)
        r = sd_bus_start(bus);
    if (r < 0) {
        sd_bus_unref(bus);
        return fail("cannot connect to " + label + ": " + std::strerror(-r));
    }
    return started(bus, label);
}

Result<std::vector<DbusValue>> DbusConnection::call(const DbusMethodCall& call, std::chrono::milliseconds timeout)
{
    MessageRef request;
    int r = sd_bus_message_new_method_call(m_bus, &request.message, call.destination.c_str(), call.path.c_str(),
        call.interface.c_str(), call.method.c_str());
    for (size_t i = 0; r >= 0 && i < call.arguments.size(); ++i)
        r = appendDbusValue(request.message, call.arguments[i]);
    ErrorRef error;
    if (r < 0)
        return fail(dbusErrorText(call.interface, call.method, error.error, r));
    MessageRef reply;
    const uint64_t usec = uint64_t(std::max<int64_t>(timeout.count(), 1)) * 1000;
    r = sd_bus_call(m_bus, request.message, usec, &error.error, &reply.message);
    if (r < 0)
        return fail(dbusErrorText(call.interface, call.method, error.error, r));
    auto arguments = readDbusArguments(reply.message);
    if (!arguments)
        return fail(call.interface + "." + call.method + ": " + arguments.error().message);
    return arguments;
}

Result<DbusValue> DbusConnection::property(
    const std::string& destination, const std::string& path, const std::string& interface, const std::string& name)
{
    auto reply = call({ destination, path, "org.freedesktop.DBus.Properties", "Get", { interface, name } });
    if (!reply)
        return fail(interface + "." + name + ": " + reply.error().message);
    if (reply->size() != 1)
        return fail(interface + "." + name + ": the reply holds no value");
    return reply->front().unwrapped();
}

Result<bool> DbusConnection::nameHasOwner(const std::string& name)
{
    auto reply
        = call({ "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner", { name } });
    if (!reply)
        return std::unexpected(reply.error());
    const bool* owned = reply->empty() ? nullptr : reply->front().get<bool>();
    if (!owned)
        return fail("org.freedesktop.DBus.NameHasOwner: the reply is not a boolean");
    return *owned;
}

Result<DbusSubscription> DbusConnection::subscribe(
    const DbusSignalMatch& match, std::function<void(const DbusSignal&)> handler)
{
    auto target = std::make_unique<DbusSubscription::Target>();
    target->handler = std::move(handler);
    if (int r = sd_bus_match_signal(m_bus, &target->slot, nullptr, orNull(match.path), orNull(match.interface),
            orNull(match.member), onSignal, target.get());
        r < 0)
        return fail("cannot subscribe to the signal " + match.interface + "." + match.member + " of " + match.path
            + ": " + std::strerror(-r));
    return DbusSubscription(std::move(target));
}

Result<void> DbusConnection::dispatchPending()
{
    for (;;) {
        const int r = sd_bus_process(m_bus, nullptr);
        if (r < 0)
            return fail(std::string("the D-Bus connection broke: ") + std::strerror(-r));
        if (r == 0)
            return {};
    }
}

Result<void> DbusConnection::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
    const std::string& what, const StopRequest* stop)
{
    using Clock = std::chrono::steady_clock;
    // A stop request cannot wake sd_bus_wait: it is looked at this often.
    constexpr auto kStopPoll = std::chrono::milliseconds(50);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto dispatched = dispatchPending(); !dispatched)
            return fail(dispatched.error().message + " while waiting for " + what);
        if (done())
            return {};
        if (stop && stop->requested())
            return fail("stopped while waiting for " + what);
        const auto now = Clock::now();
        if (now >= deadline) {
            const auto ms = timeout.count();
            const std::string span = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
            return fail("no answer within " + span + " while waiting for " + what);
        }
        auto slice = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
        if (stop)
            slice = std::min<std::chrono::microseconds>(slice, kStopPoll);
        if (int r = sd_bus_wait(m_bus, uint64_t(slice.count())); r < 0)
            return fail(std::string("the D-Bus connection broke: ") + std::strerror(-r) + " while waiting for " + what);
    }
}

} // namespace clickwisp
