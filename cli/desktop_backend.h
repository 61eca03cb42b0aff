#pragma once

// The desktop backend of the system the CLI is built for.
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/x11/x11_platform.h"
#endif

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
#else
inline Result<Platform> openDesktopPlayback()
{
    return openX11Playback();
}
inline Result<std::unique_ptr<ScreenSource>> makeDesktopScreen()
{
    return makeX11Screen();
}
inline Result<std::unique_ptr<InputRecorder>> makeDesktopRecorder()
{
    return makeX11Recorder();
}
inline Result<std::unique_ptr<HotKeySource>> makeDesktopHotKeys()
{
    return makeX11HotKeys();
}
#endif

} // namespace clickwisp::cli
