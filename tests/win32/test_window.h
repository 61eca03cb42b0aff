#pragma once

// A top-level window of the tests' own, on a thread of its own that keeps
// retrieving messages. It notes the input messages it receives and paints
// its client area in one colour with a square of another.
#include "core/geometry.h"

#include <windows.h>
#include <windowsx.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace clickwisp::test {

struct WindowMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

class TestWindow {
public:
    static constexpr COLORREF kBackground = RGB(0x20, 0x40, 0x60);
    static constexpr COLORREF kSquare = RGB(0xF0, 0x80, 0x10);
    static constexpr int kSquareLeft = 40, kSquareTop = 30, kSquareSize = 24;

    TestWindow()
    {
        std::unique_lock lock(m_mutex);
        m_thread = std::thread([this] { run(); });
        m_changed.wait(lock, [this] { return m_window != nullptr; });
    }

    ~TestWindow()
    {
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }

    HWND handle() const { return m_window; }

    // A point of the client area in screen pixels.
    ScreenPoint toScreen(int x, int y) const
    {
        POINT point { x, y };
        ClientToScreen(m_window, &point);
        return { int32_t(point.x), int32_t(point.y) };
    }

    // Waits until the messages noted so far satisfy done, at most 5 s; the
    // messages of the given kinds either way.
    std::vector<WindowMessage> waitFor(
        const std::vector<UINT>& kinds, const std::function<bool(const std::vector<WindowMessage>&)>& done)
    {
        std::unique_lock lock(m_mutex);
        std::vector<WindowMessage> seen;
        m_changed.wait_for(lock, std::chrono::seconds(5), [&] {
            seen = ofKinds(kinds);
            return done(seen);
        });
        return ofKinds(kinds);
    }

    // Waits until count messages of the given kinds arrived (at most 5 s).
    std::vector<WindowMessage> waitForCount(const std::vector<UINT>& kinds, size_t count)
    {
        return waitFor(kinds, [count](const std::vector<WindowMessage>& seen) { return seen.size() >= count; });
    }

    void forget()
    {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
    }

private:
    std::vector<WindowMessage> ofKinds(const std::vector<UINT>& kinds) const
    {
        std::vector<WindowMessage> out;
        for (const auto& m : m_messages) {
            for (UINT kind : kinds) {
                if (m.message == kind)
                    out.push_back(m);
            }
        }
        return out;
    }

    void run()
    {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = proc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = L"ClickwispTestWindow";
        RegisterClassExW(&windowClass);
        HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Clickwisp test",
            WS_POPUP | WS_VISIBLE, 100, 80, 320, 200, nullptr, nullptr, instance, this);
        SetForegroundWindow(window);
        SetFocus(window);
        UpdateWindow(window);
        {
            std::lock_guard lock(m_mutex);
            m_window = window;
        }
        m_changed.notify_all();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_CHAR:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MOUSEWHEEL:
            if (self) {
                {
                    std::lock_guard lock(self->m_mutex);
                    self->m_messages.push_back({ message, wParam, lParam });
                }
                self->m_changed.notify_all();
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            HBRUSH background = CreateSolidBrush(kBackground);
            FillRect(dc, &client, background);
            DeleteObject(background);
            RECT square { kSquareLeft, kSquareTop, kSquareLeft + kSquareSize, kSquareTop + kSquareSize };
            HBRUSH brush = CreateSolidBrush(kSquare);
            FillRect(dc, &square, brush);
            DeleteObject(brush);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<WindowMessage> m_messages;
    HWND m_window = nullptr;
    std::thread m_thread;
};

// Input as another program would inject it (no mark of ours).
inline void injectKey(WORD vk, bool up)
{
    INPUT input {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

inline void injectButton(DWORD flag)
{
    INPUT input {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof(input));
}

} // namespace clickwisp::test
