#pragma once

// The desktop backend of the session: on Windows the Win32 one, elsewhere
// the one chosen at start-up (desktop/desktop_choice.h: Wayland or X11).
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "desktop/desktop_choice.h"
#endif

#include <iostream>
#include <string>

namespace clickwisp::cli {

#ifdef _WIN32
inline Result<Platform> openDesktopPlayback()
{
    return openWin32Playback();
}
inline Result<std::unique_ptr<ScreenSource>> makeDesktopScreen()
{
    return makeWin32Screen();
}
inline Result<std::unique_ptr<InputRecorder>> makeDesktopRecorder()
{
    return makeWin32Recorder();
}
inline Result<std::unique_ptr<HotKeySource>> makeDesktopHotKeys()
{
    return makeWin32HotKeys();
}
inline std::string activeBackendText()
{
    return "win32";
}
// Nothing of the desktop stays changed when the Win32 backend ends at once.
inline void restoreDesktop() { }
#else
// Says on stderr what the user should know each time the backend opens a
// session for playback (the desktop asks for permission at each one).
inline void tellNotice(const DesktopBackend& backend)
{
    if (!backend.notice.empty())
        std::cerr << "clickwisp-cli: note: " << backend.notice << "\n";
}

// Each opens the backend of the session first: a bad CLICKWISP_BACKEND is
// reported as the capability's failure.
inline Result<Platform> openDesktopPlayback()
{
    auto backend = openDesktopBackend();
    if (!backend)
        return std::unexpected(backend.error());
    tellNotice(*backend);
    return backend->openPlayback();
}
inline Result<std::unique_ptr<ScreenSource>> makeDesktopScreen()
{
    auto backend = openDesktopBackend();
    return backend ? backend->makeScreen() : std::unexpected(backend.error());
}
inline Result<std::unique_ptr<InputRecorder>> makeDesktopRecorder()
{
    auto backend = openDesktopBackend();
    return backend ? backend->makeRecorder() : std::unexpected(backend.error());
}
inline Result<std::unique_ptr<HotKeySource>> makeDesktopHotKeys()
{
    auto backend = openDesktopBackend();
    return backend ? backend->makeHotKeys() : std::unexpected(backend.error());
}
// What the backends changed for a while, given back before an abrupt end.
inline void restoreDesktop()
{
    restoreDesktopNow();
}
// The backend serving this session and why, for --version.
inline std::string activeBackendText()
{
    auto choice = chooseBackend(currentDesktopEnvironment());
    if (!choice)
        return "none: " + choice.error().message;
    return choice->note.empty() ? choice->name : choice->name + ": " + choice->note;
}
#endif

} // namespace clickwisp::cli
