#pragma once

#include "core/error.h"
#include "platform/dbus_value.h"
#include "platform/stop_request.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sd_bus;
struct sd_bus_slot;

namespace clickwisp {

// How long a method call waits for its reply unless told otherwise.
inline constexpr std::chrono::milliseconds kDbusCallTimeout { 25000 };

struct DbusMethodCall {
    std::string destination; // "org.freedesktop.portal.Desktop"
    std::string path; // "/org/freedesktop/portal/desktop"
    std::string interface; // "org.freedesktop.portal.RemoteDesktop"
    std::string method; // "CreateSession"
    std::vector<DbusValue> arguments;
};

struct DbusSignal {
    std::string sender; // the unique name of the connection that sent it
    std::string path;
    std::string interface;
    std::string member;
    std::vector<DbusValue> arguments;
};

// Which signals a subscription receives; an empty field matches anything.
struct DbusSignalMatch {
    std::string path;
    std::string interface;
    std::string member;
};

// A signal subscription; the handler is called until this is destroyed.
// It must not outlive its connection.
class DbusSubscription {
public:
    DbusSubscription();
    DbusSubscription(DbusSubscription&& other) noexcept;
    DbusSubscription& operator=(DbusSubscription&& other) noexcept;
    ~DbusSubscription();

    struct Target; // the slot and the handler it calls

private:
    friend class DbusConnection;
    explicit DbusSubscription(std::unique_ptr<Target> target);
    std::unique_ptr<Target> m_target;
};

// One connection to a message bus (sd-bus). Method calls wait for their
// reply; signals reach their subscribers while the connection waits, in
// waitUntil, dispatchPending and during calls (queued, then handled by the
// next dispatch). One thread at a time. Errors name the interface and
// method, the D-Bus error name and its message.
class DbusConnection {
public:
    // The session bus of $DBUS_SESSION_BUS_ADDRESS.
    static Result<std::unique_ptr<DbusConnection>> openSession();
    // The bus at address ("unix:path=/run/user/1000/bus").
    static Result<std::unique_ptr<DbusConnection>> open(const std::string& address);
    ~DbusConnection();
    DbusConnection(const DbusConnection&) = delete;
    DbusConnection& operator=(const DbusConnection&) = delete;

    // The connection's unique name on the bus (":1.42").
    const std::string& uniqueName() const { return m_uniqueName; }

    // Calls a method and returns the arguments of its reply.
    Result<std::vector<DbusValue>> call(
        const DbusMethodCall& call, std::chrono::milliseconds timeout = kDbusCallTimeout);
    // Reads a property (org.freedesktop.DBus.Properties.Get), variant unwrapped.
    Result<DbusValue> property(
        const std::string& destination, const std::string& path, const std::string& interface, const std::string& name);
    // Whether a connection owns name now (no activation).
    Result<bool> nameHasOwner(const std::string& name);

    // Calls handler with each signal that matches, from now on.
    Result<DbusSubscription> subscribe(const DbusSignalMatch& match, std::function<void(const DbusSignal&)> handler);

    // Handles incoming messages until done() holds. Fails, naming what it
    // waited for, when timeout passes first, when stop (if given) is
    // requested, or when the connection breaks.
    Result<void> waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
        const std::string& what, const StopRequest* stop = nullptr);
    // Handles the messages that have arrived, without waiting.
    Result<void> dispatchPending();

private:
    explicit DbusConnection(sd_bus* bus);
    static Result<std::unique_ptr<DbusConnection>> started(sd_bus* bus, const std::string& label);

    sd_bus* m_bus = nullptr;
    std::string m_uniqueName;
};

} // namespace clickwisp
