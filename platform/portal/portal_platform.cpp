#include "platform/portal/portal_platform.h"

#include "platform/portal/portal_parts.h"
#include "platform/portal_request.h"

namespace clickwisp {

PortalBackend::PortalBackend(PortalOptions options)
    : m_options(std::move(options))
{
}

PortalBackend::~PortalBackend() = default;

Result<std::shared_ptr<PortalDesktopSession>> PortalBackend::session(bool input)
{
    std::lock_guard lock(m_mutex);
    if (m_session && !m_session->closed() && (m_session->hasInput() || !input))
        return m_session;
    m_session.reset();
    PortalSessionOptions options;
    options.input = input;
    if (!m_options.grantFolder.empty())
        options.restoreTokenFile
            = m_options.grantFolder / (input ? "portal-remote-desktop.token" : "portal-screen-cast.token");
    options.consentTimeout = m_options.consentTimeout;
    options.waylandDisplay = m_options.waylandDisplay;
    auto opened = PortalDesktopSession::open(options);
    if (!opened)
        return std::unexpected(opened.error());
    m_session = std::move(*opened);
    return m_session;
}

Result<Platform> PortalBackend::openPlayback()
{
    auto opened = session(true);
    if (!opened)
        return std::unexpected(opened.error());
    Platform platform;
    platform.input = makePortalSessionInput(*opened);
    platform.text = makePortalSessionText(*opened);
    platform.screen = makePortalSessionScreen(*opened);
    return platform;
}

Result<std::unique_ptr<InputInjector>> PortalBackend::makeInput()
{
    auto opened = session(true);
    if (!opened)
        return std::unexpected(opened.error());
    return makePortalSessionInput(*opened);
}

Result<std::unique_ptr<ScreenSource>> PortalBackend::makeScreen()
{
    auto opened = session(false);
    if (!opened)
        return std::unexpected(opened.error());
    return makePortalSessionScreen(*opened);
}

Result<std::unique_ptr<InputRecorder>> makePortalRecorder()
{
    return fail(kPortalRecordingMessage);
}

Result<std::unique_ptr<HotKeySource>> makePortalHotKeys()
{
    return fail("hot keys cannot be grabbed by a program on GNOME or KDE on Wayland: the desktop binds them");
}

Result<uint32_t> remoteDesktopPortalVersion()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return std::unexpected(bus.error());
    return portalVersion(**bus, "org.freedesktop.portal.RemoteDesktop");
}

} // namespace clickwisp
