#pragma once

#include "core/error.h"
#include "platform/dbus_connection.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace clickwisp {

// The desktop portal (xdg-desktop-portal) on the session bus.
inline constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
inline constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";

// How the desktop answered a portal request (its response codes 0, 1, 2).
// Append only.
enum class PortalOutcome {
    Ok, // granted or done
    Refused, // the user cancelled the dialog or refused
    Ended, // ended another way (an error, or closed by the desktop)
};

struct PortalResponse {
    PortalOutcome outcome = PortalOutcome::Ended;
    DbusVardict results;
};

// A portal method whose answer comes later, through a Request object's
// Response signal: the arguments before the options, and the options
// (handle_token is added).
struct PortalCall {
    std::string interface; // "org.freedesktop.portal.RemoteDesktop"
    std::string method; // "SelectDevices"
    std::vector<DbusValue> arguments; // those before the options
    DbusVardict options;
    std::string service = kPortalService;
    std::string path = kPortalPath;
};

// A token unique within this process, for handle_token and
// session_handle_token ("clickwisp_4711_3").
std::string newPortalToken();

// The path of the Request object the portal makes for a token of the
// connection with uniqueName (":1.42" -> ".../request/1_42/TOKEN").
std::string portalRequestPath(const std::string& uniqueName, const std::string& token);

// Calls the method and waits for its Response, at most timeout (a dialog
// may be shown meanwhile). The Response is subscribed to before the call,
// so an answer that comes at once is not missed. When the wait times out
// or stop is requested, the request is closed (a dialog goes away) and the
// result is an error.
Result<PortalResponse> callPortalRequest(DbusConnection& connection, const PortalCall& call,
    std::chrono::milliseconds timeout, const StopRequest* stop = nullptr);

// The version property of a portal interface. An error when the portal or
// the interface is not on the bus.
Result<uint32_t> portalVersion(DbusConnection& connection, const std::string& interface);

// A portal session (RemoteDesktop, ScreenCast, GlobalShortcuts ...). It
// notices the desktop's Closed signal while the connection dispatches, and
// closes the session when destroyed. It must not outlive its connection.
class PortalSession {
public:
    // interface.CreateSession with options (session_handle_token is added).
    static Result<std::unique_ptr<PortalSession>> create(DbusConnection& connection, const std::string& interface,
        DbusVardict options, std::chrono::milliseconds timeout);
    ~PortalSession();
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    // The session's object path, the first argument of its interface's calls.
    DbusObjectPath handle() const { return { m_handle }; }
    // True once the desktop closed the session or close() was called.
    bool closed() const { return *m_closed; }
    // Closes the session (org.freedesktop.portal.Session.Close); later calls do nothing.
    void close();

private:
    PortalSession(DbusConnection& connection, std::string handle);

    DbusConnection& m_connection;
    std::string m_handle;
    std::shared_ptr<bool> m_closed;
    DbusSubscription m_closedSignal;
};

} // namespace clickwisp
