// Clickwisp, the desktop program for Windows. It takes no command-line arguments.
#include "config/config.h"
#include "platform/control_channel.h"
#include "platform/win32/win32_platform.h"
#include "ui_win32/main_window.h"

#include <windows.h>

#include <commctrl.h>

using namespace clickwisp;

namespace {

// The desktop as Win32 offers it; what is missing is told to the user by
// the window, and the rest still works.
MainWindowServices win32Services()
{
    MainWindowServices services;
    services.configPath = TConfig::DefaultConfigPath();
    services.backendName = "win32";
    if (auto hotKeys = makeWin32HotKeys())
        services.hotKeys = std::move(*hotKeys);
    else
        services.hotKeysProblem = hotKeys.error().message;
    if (auto recorder = makeWin32Recorder())
        services.recorder = std::move(*recorder);
    else
        services.recorderProblem = recorder.error().message;
    if (auto input = makeWin32Input())
        services.editorInput = std::move(*input);
    if (auto screen = makeWin32Screen())
        services.editorScreen = std::move(*screen);
    services.playbackDesktop = [] { return openWin32Playback(); };
    services.waiter = makeSteadyWaiter();
    services.remoteControl
        = [](ControlServer::Handler handler) { return ListenForControl(ControlAddress(), std::move(handler)); };
    return services;
}

// The keys the main window handles as a dialog does: the buttons'
// accelerators with ALT ("&Load": ALT+L) and TAB between the controls. A
// plain letter stays a letter, not a button press.
bool dialogKey(const MSG& message)
{
    switch (message.message) {
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR: return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: return message.wParam == VK_TAB;
    default: return false;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // The manifest asks for the same; this covers a program started without it.
    enableDpiAwareness();
    INITCOMMONCONTROLSEX controls { sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LINK_CLASS };
    InitCommonControlsEx(&controls);

    TMForm window(win32Services());
    window.showAtStart();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.handle() && dialogKey(message) && IsDialogMessageW(window.handle(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
