// Global hot keys with RegisterHotKey on a message-only window. The window
// belongs to a thread of its own that retrieves its messages; keys are
// registered and released on that thread (the system ties a hot key to the
// window's thread), asked for through messages sent to the window.
#include "core/key_names.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_strings.h"

#include <windows.h>

#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace clickwisp {

namespace {

constexpr UINT kRegister = WM_APP + 1; // wParam: Request*
constexpr UINT kUnregister = WM_APP + 2; // wParam: id
constexpr UINT kNoRepeat = 0x4000; // MOD_NOREPEAT: a held key arrives once

struct Request {
    int id = 0;
    uint32_t modifiers = 0;
    uint32_t vk = 0;
    Result<void> result;
};

class Win32HotKeys final : public HotKeySource {
public:
    ~Win32HotKeys() override;

    std::string name() const override { return "Windows"; }
    Result<void> open();
    void setHandler(Handler handler) override;
    Result<void> registerHotKey(int id, uint32_t modifiers, uint32_t vk) override;
    void unregisterHotKey(int id) override;
    bool waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout) override;

private:
    struct Key {
        uint32_t modifiers = 0;
        uint32_t vk = 0;
    };

    void run(std::promise<Result<void>> opened);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void doRegister(Request& request);
    void doUnregister(int id);

    HWND m_window = nullptr;
    std::thread m_thread;
    std::map<int, Key> m_keys; // used on the window's thread only

    std::mutex m_handlerMutex;
    Handler m_handler;
};

Win32HotKeys::~Win32HotKeys()
{
    if (m_window)
        PostMessageW(m_window, WM_CLOSE, 0, 0);
    if (m_thread.joinable())
        m_thread.join();
}

Result<void> Win32HotKeys::open()
{
    std::promise<Result<void>> opened;
    auto result = opened.get_future();
    m_thread = std::thread([this, promise = std::move(opened)]() mutable { run(std::move(promise)); });
    Result<void> outcome = result.get();
    if (!outcome)
        m_thread.join();
    return outcome;
}

void Win32HotKeys::run(std::promise<Result<void>> opened)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"ClickwispHotKeys";
    RegisterClassExW(&windowClass); // a second source finds the class registered already
    m_window
        = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!m_window) {
        opened.set_value(fail("hot keys: cannot create their window: " + SystemErrorText(GetLastError())));
        return;
    }
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    opened.set_value({});
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
}

LRESULT CALLBACK Win32HotKeys::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32HotKeys*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case kRegister: self->doRegister(*reinterpret_cast<Request*>(wParam)); return 0;
    case kUnregister: self->doUnregister(int(wParam)); return 0;
    case WM_HOTKEY: {
        const auto modifiers = uint32_t(LOWORD(lParam)) & (MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN);
        const auto vk = uint32_t(HIWORD(lParam));
        std::lock_guard lock(self->m_handlerMutex);
        if (self->m_handler)
            self->m_handler(modifiers, vk);
        return 0;
    }
    case WM_CLOSE:
        for (const auto& [id, key] : self->m_keys)
            UnregisterHotKey(window, id);
        self->m_keys.clear();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Win32HotKeys::doRegister(Request& request)
{
    const std::string combination = HotKeyText(request.modifiers, request.vk);
    doUnregister(request.id);
    for (const auto& [id, key] : m_keys) {
        if (key.modifiers == request.modifiers && key.vk == request.vk) {
            request.result = fail("hot key " + combination + " is already registered");
            return;
        }
    }
    if (request.vk == 0 || request.vk > 0xFE) {
        request.result = fail("hot key " + combination + ": no key of this keyboard produces it");
        return;
    }
    BOOL done = RegisterHotKey(m_window, request.id, request.modifiers | kNoRepeat, request.vk);
    DWORD error = GetLastError();
    if (!done && error == ERROR_INVALID_PARAMETER) {
        // A system older than Windows 7 knows no MOD_NOREPEAT.
        done = RegisterHotKey(m_window, request.id, request.modifiers, request.vk);
        error = GetLastError();
    }
    if (!done) {
        if (error == ERROR_HOTKEY_ALREADY_REGISTERED)
            request.result = fail("hot key " + combination + " is held by another program");
        else
            request.result = fail("hot key " + combination + " could not be registered: " + SystemErrorText(error));
        return;
    }
    m_keys[request.id] = { request.modifiers, request.vk };
    request.result = {};
}

void Win32HotKeys::doUnregister(int id)
{
    if (m_keys.erase(id))
        UnregisterHotKey(m_window, id);
}

void Win32HotKeys::setHandler(Handler handler)
{
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

Result<void> Win32HotKeys::registerHotKey(int id, uint32_t modifiers, uint32_t vk)
{
    Request request { id, modifiers, vk, {} };
    SendMessageW(m_window, kRegister, reinterpret_cast<WPARAM>(&request), 0);
    return request.result;
}

void Win32HotKeys::unregisterHotKey(int id)
{
    SendMessageW(m_window, kUnregister, WPARAM(id), 0);
}

bool Win32HotKeys::waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout)
{
    std::vector<int> keys;
    if (modifiers & MOD_ALT)
        keys.push_back(VK_MENU);
    if (modifiers & MOD_CONTROL)
        keys.push_back(VK_CONTROL);
    if (modifiers & MOD_SHIFT)
        keys.push_back(VK_SHIFT);
    if (vk > 0 && vk <= 0xFE)
        keys.push_back(int(vk));
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        bool held = false;
        for (int key : keys)
            held = held || (GetAsyncKeyState(key) & 0x8000) != 0;
        if (!held)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

Result<std::unique_ptr<HotKeySource>> makeWin32HotKeys()
{
    auto hotKeys = std::make_unique<Win32HotKeys>();
    if (auto opened = hotKeys->open(); !opened)
        return std::unexpected(opened.error());
    return hotKeys;
}

} // namespace clickwisp
