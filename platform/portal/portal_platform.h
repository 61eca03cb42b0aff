#pragma once

#include "core/error.h"
#include "platform/desktop.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace clickwisp {

class PortalDesktopSession;

struct PortalOptions {
    // The folder where the desktop's grants are kept for the next session
    // (restore tokens, one file for each kind of session); empty: not kept.
    std::filesystem::path grantFolder;
    // How long the consent dialog is waited for.
    std::chrono::milliseconds consentTimeout { 120000 };
    // The Wayland display whose keyboard layout keys are typed on (empty:
    // $WAYLAND_DISPLAY).
    std::string waylandDisplay;
};

// The desktop of GNOME, KDE Plasma and others through the desktop portal
// (xdg-desktop-portal): one session, opened when first needed (the desktop
// may ask the user), kept while this lives and opened again when the
// desktop has ended it. Its parts share the session. Thread-safe.
class PortalBackend {
public:
    explicit PortalBackend(PortalOptions options);
    ~PortalBackend();

    // Input, text and screen of a remote-desktop session with every monitor.
    Result<Platform> openPlayback();
    Result<std::unique_ptr<InputInjector>> makeInput();
    // The screen of the open session; without one, a screen cast alone is
    // opened (the desktop asks only to share the screen).
    Result<std::unique_ptr<ScreenSource>> makeScreen();

private:
    Result<std::shared_ptr<PortalDesktopSession>> session(bool input);

    std::mutex m_mutex;
    PortalOptions m_options;
    std::shared_ptr<PortalDesktopSession> m_session;
};

// Always fail, in plain words: GNOME and KDE let no program read the input
// of the whole desktop, and hot keys are bound through the desktop itself.
Result<std::unique_ptr<InputRecorder>> makePortalRecorder();
Result<std::unique_ptr<HotKeySource>> makePortalHotKeys();

// The version of the desktop portal's RemoteDesktop interface on the
// session bus, or why there is none.
Result<uint32_t> remoteDesktopPortalVersion();

// The recorder's failure.
inline constexpr const char* kPortalRecordingMessage
    = "recording needs an X11 session: GNOME and KDE on Wayland do not let programs read global input";

} // namespace clickwisp
