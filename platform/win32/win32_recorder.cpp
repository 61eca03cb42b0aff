// Records the desktop's pointer and keyboard with low-level hooks. The hooks
// live on a thread of their own that does nothing but retrieve messages, so
// the system never waits on a busy thread (which would stall every program's
// input). Events marked as injected by this backend are left out.
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_strings.h"

#include <windows.h>

#include <future>
#include <thread>

namespace clickwisp {

namespace {

class Win32Recorder final : public InputRecorder {
public:
    ~Win32Recorder() override { stop(); }

    Result<void> start(Sink sink) override;
    void stop() override;

private:
    void run(std::promise<Result<void>> started);
    static LRESULT CALLBACK mouseProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK keyboardProc(int code, WPARAM wParam, LPARAM lParam);

    Sink m_sink;
    std::thread m_thread;
    DWORD m_threadId = 0;

    // The recorder whose hooks run on this thread.
    static thread_local Win32Recorder* t_current;
};

thread_local Win32Recorder* Win32Recorder::t_current = nullptr;

Result<void> Win32Recorder::start(Sink sink)
{
    stop();
    m_sink = std::move(sink);
    std::promise<Result<void>> started;
    auto result = started.get_future();
    m_thread = std::thread([this, promise = std::move(started)]() mutable { run(std::move(promise)); });
    Result<void> outcome = result.get();
    if (!outcome) {
        m_thread.join();
        m_sink = nullptr;
    }
    return outcome;
}

void Win32Recorder::stop()
{
    if (!m_thread.joinable())
        return;
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
    m_sink = nullptr;
}

void Win32Recorder::run(std::promise<Result<void>> started)
{
    t_current = this;
    m_threadId = GetCurrentThreadId();
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for WM_QUIT
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, instance, 0);
    const DWORD mouseError = GetLastError();
    HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, instance, 0);
    const DWORD keyboardError = GetLastError();
    if (!mouse || !keyboard) {
        if (mouse)
            UnhookWindowsHookEx(mouse);
        if (keyboard)
            UnhookWindowsHookEx(keyboard);
        started.set_value(
            fail("cannot record input: the system refused a low-level " + std::string(mouse ? "keyboard" : "mouse")
                + " hook: " + SystemErrorText(mouse ? keyboardError : mouseError)));
        return;
    }
    started.set_value({});
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    UnhookWindowsHookEx(mouse);
    UnhookWindowsHookEx(keyboard);
    t_current = nullptr;
}

LRESULT CALLBACK Win32Recorder::mouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_current) {
        const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        EVENTMSG message;
        switch (wParam) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MOUSEWHEEL: message.message = uint32_t(wParam); break;
        default: message.message = 0; break; // side buttons, sideways wheel: no action to become
        }
        if (message.message != 0 && event.dwExtraInfo != kInjectedByClickwisp) {
            message.paramL = uint32_t(int32_t(event.pt.x));
            message.paramH = uint32_t(int32_t(event.pt.y));
            message.time = event.time;
            t_current->m_sink(message);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK Win32Recorder::keyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && t_current) {
        const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool known
            = wParam == WM_KEYDOWN || wParam == WM_KEYUP || wParam == WM_SYSKEYDOWN || wParam == WM_SYSKEYUP;
        // VK_PACKET carries typed text, not a key a list can press.
        if (known && event.vkCode != VK_PACKET && event.dwExtraInfo != kInjectedByClickwisp) {
            EVENTMSG message;
            message.message = uint32_t(wParam);
            // Virtual-key code in the low byte, the scan code above it.
            message.paramL = (event.vkCode & 0xFF) | (event.scanCode & 0xFF) << 8;
            message.paramH = 1;
            message.time = event.time;
            t_current->m_sink(message);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

Result<std::unique_ptr<InputRecorder>> makeWin32Recorder()
{
    return std::make_unique<Win32Recorder>();
}

} // namespace clickwisp
