// Opening the portal's session (the consent dialog, the grant kept for the
// next one) and its input calls.
#include "platform/portal/portal_session.h"

#include "platform/portal/pipewire_frames.h"
#include "platform/portal/restore_token.h"
#include "platform/portal_request.h"
#include "platform/session_layout.h"

#include <linux/input-event-codes.h>

#include <thread>

namespace clickwisp {

namespace {

using namespace std::chrono_literals;

constexpr const char* kRemoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr const char* kScreenCast = "org.freedesktop.portal.ScreenCast";
// Calls that show no dialog answer at once.
constexpr auto kQuickAnswer = 10s;
constexpr uint32_t kKeyboard = 1, kPointer = 2; // device types
constexpr uint32_t kMonitor = 1; // source types
constexpr uint32_t kHiddenCursor = 1; // cursor modes: captures without the pointer, as on X11
constexpr uint32_t kPersistUntilRevoked = 2;
// A headless GNOME has no keyboard until our first key: it is waited for.
constexpr auto kKeyboardWait = 2s;
// The first frame of each monitor after the stream connects.
constexpr auto kFirstFrameWait = 3s;
// A frame drawn after our last input, when the screen changed.
constexpr auto kFreshFrameWait = 100ms;

// Keys that change the level of others; held by key actions, let go for text.
bool isModifierKey(uint32_t code)
{
    switch (code) {
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
    case KEY_LEFTALT:
    case KEY_RIGHTALT:
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA: return true;
    default: return false;
    }
}

Result<PortalResponse> askPortal(DbusConnection& bus, const char* interface, const char* method,
    const DbusObjectPath& session, DbusVardict options, std::chrono::milliseconds timeout,
    std::vector<DbusValue> more = {})
{
    std::vector<DbusValue> arguments { session };
    arguments.insert(arguments.end(), more.begin(), more.end());
    auto response = callPortalRequest(bus, { interface, method, std::move(arguments), std::move(options) }, timeout);
    if (!response)
        return std::unexpected(response.error());
    if (response->outcome != PortalOutcome::Ok)
        return fail(std::string(interface) + "." + method + ": the desktop refused");
    return response;
}

} // namespace

Result<std::unique_ptr<PortalDesktopSession>> PortalDesktopSession::open(const PortalSessionOptions& options)
{
    std::unique_ptr<PortalDesktopSession> session(new PortalDesktopSession);
    if (auto started = session->start(options); !started)
        return std::unexpected(started.error());
    return session;
}

Result<void> PortalDesktopSession::start(const PortalSessionOptions& options)
{
    m_input = options.input;
    m_waylandDisplay = options.waylandDisplay;
    const char* interface = m_input ? kRemoteDesktop : kScreenCast;
    const std::string what = m_input ? "control the desktop" : "share the screen";
    auto bus = DbusConnection::openSession();
    if (!bus)
        return fail("desktop portal: " + bus.error().message);
    m_bus = std::move(*bus);
    auto version = portalVersion(*m_bus, interface);
    if (!version)
        return fail(std::string("the desktop portal offers no ") + interface + ": " + version.error().message);
    m_version = *version;
    auto castVersion = portalVersion(*m_bus, kScreenCast);
    if (!castVersion)
        return fail(std::string("the desktop portal offers no ") + kScreenCast + ": " + castVersion.error().message);

    auto session = PortalSession::create(*m_bus, interface, {}, kQuickAnswer);
    if (!session)
        return std::unexpected(session.error());
    m_session = std::move(*session);

    // Version 2 of RemoteDesktop (4 of a ScreenCast alone) keeps the grant.
    const bool persists = m_input ? m_version >= 2 : m_version >= 4;
    const RestoreTokenFile tokens(persists ? options.restoreTokenFile : std::filesystem::path());
    DbusVardict grant;
    if (persists) {
        grant["persist_mode"] = kPersistUntilRevoked;
        if (const std::string token = tokens.read(); !token.empty())
            grant["restore_token"] = token;
    }
    if (m_input) {
        DbusVardict devices = grant;
        devices["types"] = uint32_t(kKeyboard | kPointer);
        if (auto selected
            = askPortal(*m_bus, kRemoteDesktop, "SelectDevices", m_session->handle(), devices, kQuickAnswer);
            !selected)
            return std::unexpected(selected.error());
    }
    DbusVardict sources = m_input ? DbusVardict() : grant;
    sources["types"] = kMonitor;
    sources["multiple"] = true;
    if (auto modes = m_bus->property(kPortalService, kPortalPath, kScreenCast, "AvailableCursorModes");
        modes && modes->get<uint32_t>() && (*modes->get<uint32_t>() & kHiddenCursor))
        sources["cursor_mode"] = kHiddenCursor;
    if (auto selected = askPortal(*m_bus, kScreenCast, "SelectSources", m_session->handle(), sources, kQuickAnswer);
        !selected)
        return std::unexpected(selected.error());

    auto started
        = callPortalRequest(*m_bus, { interface, "Start", { m_session->handle(), "" }, {} }, options.consentTimeout);
    if (!started)
        return fail("the desktop did not answer the request to " + what + " (" + started.error().message + ")");
    if (started->outcome == PortalOutcome::Refused)
        return fail("the desktop refused to let Clickwisp " + what + ": its dialog was cancelled");
    if (started->outcome != PortalOutcome::Ok)
        return fail("the desktop ended the request to " + what + " without an answer");
    if (const auto* devices = vardictGet<uint32_t>(started->results, "devices");
        m_input && (!devices || (*devices & (kKeyboard | kPointer)) != (kKeyboard | kPointer)))
        return fail("the desktop shares the screen but does not let Clickwisp control the keyboard and pointer "
                    "(\"Allow remote interaction\" was off)");
    m_streams = streamsFromResults(started->results);
    if (m_streams.empty())
        return fail("the desktop shared no monitor");
    if (const auto* token = vardictGet<std::string>(started->results, "restore_token"); token && persists)
        m_grantKept = tokens.write(*token).has_value();
    if (m_input)
        warmUp();
    return {};
}

// GNOME makes its virtual pointer and keyboard at their first event, which
// clients miss; a pointer move of nothing and a Shift tap make them first.
// Then the seat has a keyboard whose layout can be read.
void PortalDesktopSession::warmUp()
{
    notify("NotifyPointerMotion", { 0.0, 0.0 });
    notify("NotifyKeyboardKeycode", { int32_t(KEY_LEFTSHIFT), uint32_t(1) });
    notify("NotifyKeyboardKeycode", { int32_t(KEY_LEFTSHIFT), uint32_t(0) });
    if (auto layout = SessionLayout::open(m_waylandDisplay, kKeyboardWait))
        m_layout = std::move(*layout);
    // Clients bind the new devices when the seat announces them.
    std::this_thread::sleep_for(200ms);
}

PortalDesktopSession::~PortalDesktopSession()
{
    std::lock_guard lock(m_mutex);
    m_frames.reset();
    for (uint32_t code : m_held)
        notify("NotifyKeyboardKeycode", { int32_t(code), uint32_t(0) });
    m_session.reset(); // closes it
}

void PortalDesktopSession::notify(const char* method, std::vector<DbusValue> arguments)
{
    std::vector<DbusValue> full { m_session->handle(), DbusValue::vardict({}) };
    full.insert(full.end(), arguments.begin(), arguments.end());
    m_bus->call({ kPortalService, kPortalPath, kRemoteDesktop, method, std::move(full) }, kQuickAnswer);
    m_lastInput = std::chrono::steady_clock::now();
}

bool PortalDesktopSession::closed()
{
    std::lock_guard lock(m_mutex);
    m_bus->dispatchPending();
    return m_session->closed();
}

void PortalDesktopSession::moveTo(int32_t x, int32_t y)
{
    std::lock_guard lock(m_mutex);
    if (const auto point = streamPoint(m_streams, x, y))
        notify("NotifyPointerMotionAbsolute", { point->node, point->x, point->y });
}

void PortalDesktopSession::button(uint32_t evdevButton, bool down)
{
    std::lock_guard lock(m_mutex);
    notify("NotifyPointerButton", { int32_t(evdevButton), uint32_t(down ? 1 : 0) });
}

void PortalDesktopSession::wheel(int32_t steps)
{
    std::lock_guard lock(m_mutex);
    notify("NotifyPointerAxisDiscrete", { uint32_t(0), steps });
}

void PortalDesktopSession::key(uint32_t evdevCode, bool down)
{
    std::lock_guard lock(m_mutex);
    notify("NotifyKeyboardKeycode", { int32_t(evdevCode), uint32_t(down ? 1 : 0) });
    if (down)
        m_held.insert(evdevCode);
    else
        m_held.erase(evdevCode);
}

void PortalDesktopSession::keysym(uint32_t keysym, bool down)
{
    std::lock_guard lock(m_mutex);
    notify("NotifyKeyboardKeysym", { int32_t(keysym), uint32_t(down ? 1 : 0) });
}

const KeymapKeys* PortalDesktopSession::keys()
{
    std::lock_guard lock(m_mutex);
    if (!m_layout || !m_layout->refresh())
        return nullptr;
    return &m_layout->keys();
}

std::vector<uint32_t> PortalDesktopSession::heldModifiers()
{
    std::lock_guard lock(m_mutex);
    std::vector<uint32_t> held;
    for (uint32_t code : m_held) {
        if (isModifierKey(code))
            held.push_back(code);
    }
    return held;
}

bool PortalDesktopSession::capture(int32_t left, int32_t top, const PixelView& target)
{
    std::lock_guard lock(m_mutex);
    bool first = false;
    if (!m_frames) {
        auto reply = m_bus->call({ kPortalService, kPortalPath, kScreenCast, "OpenPipeWireRemote",
            { m_session->handle(), DbusValue::vardict({}) } });
        const auto* fd = reply && !reply->empty() ? reply->front().get<DbusFd>() : nullptr;
        if (!fd)
            return false;
        auto frames = PipewireFrames::open(fd->duplicate(), m_streams);
        if (!frames)
            return false;
        m_frames = std::move(*frames);
        first = true;
    }
    if (!m_frames->waitForFrames(m_lastInput, first ? kFirstFrameWait : kFreshFrameWait))
        return false;
    return m_frames->copy(left, top, target);
}

} // namespace clickwisp
