#include "platform/portal_request.h"

#include <atomic>
#include <optional>
#include <unistd.h>

namespace clickwisp {

namespace {

constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";
// Closing a request or a session needs no dialog: a short wait is enough.
constexpr std::chrono::milliseconds kCloseTimeout { 2000 };

PortalOutcome outcomeOf(uint32_t code)
{
    if (code == 0)
        return PortalOutcome::Ok;
    if (code == 1)
        return PortalOutcome::Refused;
    return PortalOutcome::Ended;
}

// Subscribes to the Response of the request at path, filling *response.
Result<DbusSubscription> awaitResponse(
    DbusConnection& connection, const std::string& path, std::shared_ptr<std::optional<PortalResponse>> response)
{
    return connection.subscribe({ path, kRequestInterface, "Response" }, [response](const DbusSignal& signal) {
        PortalResponse answer;
        const uint32_t* code = signal.arguments.empty() ? nullptr : signal.arguments[0].get<uint32_t>();
        answer.outcome = code ? outcomeOf(*code) : PortalOutcome::Ended;
        if (signal.arguments.size() > 1) {
            if (auto results = signal.arguments[1].vardict())
                answer.results = std::move(*results);
        }
        *response = std::move(answer);
    });
}

} // namespace

std::string newPortalToken()
{
    static std::atomic<unsigned> counter { 0 };
    return "clickwisp_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

std::string portalRequestPath(const std::string& uniqueName, const std::string& token)
{
    std::string sender = uniqueName.starts_with(':') ? uniqueName.substr(1) : uniqueName;
    for (char& c : sender) {
        if (c == '.')
            c = '_';
    }
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

Result<PortalResponse> callPortalRequest(
    DbusConnection& connection, const PortalCall& call, std::chrono::milliseconds timeout, const StopRequest* stop)
{
    const std::string token = newPortalToken();
    std::string handle = portalRequestPath(connection.uniqueName(), token);
    auto response = std::make_shared<std::optional<PortalResponse>>();
    auto subscription = awaitResponse(connection, handle, response);
    if (!subscription)
        return std::unexpected(subscription.error());

    DbusVardict options = call.options;
    options["handle_token"] = token;
    std::vector<DbusValue> arguments = call.arguments;
    arguments.push_back(DbusValue::vardict(options));
    auto reply = connection.call({ call.service, call.path, call.interface, call.method, std::move(arguments) });
    if (!reply)
        return std::unexpected(reply.error());
    const auto* returned = reply->empty() ? nullptr : reply->front().get<DbusObjectPath>();
    if (!returned)
        return fail(call.interface + "." + call.method + ": the reply holds no request handle");
    if (returned->path != handle) {
        // A portal older than handle_token chose its own path.
        handle = returned->path;
        subscription = awaitResponse(connection, handle, response);
        if (!subscription)
            return std::unexpected(subscription.error());
    }

    const std::string what = "the desktop's answer to " + call.interface + "." + call.method;
    if (auto answered = connection.waitUntil([&] { return response->has_value(); }, timeout, what, stop); !answered) {
        connection.call({ call.service, handle, kRequestInterface, "Close", {} }, kCloseTimeout);
        return std::unexpected(answered.error());
    }
    return std::move(**response);
}

Result<uint32_t> portalVersion(DbusConnection& connection, const std::string& interface)
{
    auto value = connection.property(kPortalService, kPortalPath, interface, "version");
    if (!value)
        return std::unexpected(value.error());
    const uint32_t* version = value->get<uint32_t>();
    if (!version)
        return fail(interface + ".version: not a 32-bit unsigned integer: " + value->text());
    return *version;
}

PortalSession::PortalSession(DbusConnection& connection, std::string handle)
    : m_connection(connection)
    , m_handle(std::move(handle))
    , m_closed(std::make_shared<bool>(false))
{
}

Result<std::unique_ptr<PortalSession>> PortalSession::create(
    DbusConnection& connection, const std::string& interface, DbusVardict options, std::chrono::milliseconds timeout)
{
    options["session_handle_token"] = newPortalToken();
    auto response = callPortalRequest(connection, { interface, "CreateSession", {}, std::move(options) }, timeout);
    if (!response)
        return std::unexpected(response.error());
    if (response->outcome != PortalOutcome::Ok)
        return fail(interface + ".CreateSession: the desktop refused to create a session");
    // A string in portal version 1, an object path in later ones.
    std::string handle;
    if (const auto* text = vardictGet<std::string>(response->results, "session_handle"))
        handle = *text;
    else if (const auto* path = vardictGet<DbusObjectPath>(response->results, "session_handle"))
        handle = path->path;
    if (handle.empty())
        return fail(interface + ".CreateSession: the answer names no session");

    std::unique_ptr<PortalSession> session(new PortalSession(connection, handle));
    auto closed = session->m_closed;
    auto subscription = connection.subscribe(
        { handle, kSessionInterface, "Closed" }, [closed](const DbusSignal&) { *closed = true; });
    if (!subscription)
        return std::unexpected(subscription.error());
    session->m_closedSignal = std::move(*subscription);
    return session;
}

void PortalSession::close()
{
    if (*m_closed)
        return;
    *m_closed = true;
    m_connection.call({ kPortalService, m_handle, kSessionInterface, "Close", {} }, kCloseTimeout);
}

PortalSession::~PortalSession()
{
    close();
}

} // namespace clickwisp
