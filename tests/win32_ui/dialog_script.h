#pragma once

// Drives a modal dialog of this thread from a second thread, as a user
// would: the test thread shows the dialog, the script finds it by its
// caption, fills and presses its controls by identifier, and closes it.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace clickwisp::test {

// Waits until done() holds, at most 5 s; whether it did.
inline bool waitUntil(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The open dialog (standard dialog class) with caption, or null after 5 s.
inline HWND findDialog(const wchar_t* caption)
{
    HWND dialog = nullptr;
    waitUntil([&] {
        dialog = FindWindowW(L"#32770", caption);
        return dialog && IsWindowVisible(dialog);
    });
    return dialog;
}

// Runs script on a thread of its own with the dialog captioned caption once
// it is open. A dialog the script left open is closed, so a failed script
// cannot hang the test.
class DialogScript {
public:
    DialogScript(const wchar_t* caption, std::function<void(HWND)> script)
        : m_thread([caption, script = std::move(script)] {
            HWND dialog = findDialog(caption);
            if (!dialog)
                return;
            script(dialog);
            if (!waitUntil([dialog] { return !IsWindow(dialog); }))
                PostMessageW(dialog, WM_CLOSE, 0, 0);
        })
    {
    }
    ~DialogScript() { m_thread.join(); }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

private:
    std::thread m_thread;
};

// The controls of a dialog of another thread, by identifier.
class Controls {
public:
    explicit Controls(HWND dialog)
        : m_dialog(dialog)
    {
    }

    HWND operator[](int id) const { return GetDlgItem(m_dialog, id); }
    void click(int id) const { SendMessageW((*this)[id], BM_CLICK, 0, 0); }
    void setText(int id, const std::wstring& text) const
    {
        SendMessageW((*this)[id], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::wstring text(int id) const
    {
        wchar_t buffer[256] {};
        SendMessageW((*this)[id], WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    bool checked(int id) const { return SendMessageW((*this)[id], BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int selected(int id) const { return int(SendMessageW((*this)[id], CB_GETCURSEL, 0, 0)); }
    void select(int id, int index) const { SendMessageW((*this)[id], CB_SETCURSEL, WPARAM(index), 0); }
    bool enabled(int id) const { return IsWindowEnabled((*this)[id]); }
    bool visible(int id) const { return IsWindowVisible((*this)[id]); }
    // A key press as the keyboard delivers it to window, through the
    // dialog's queue.
    static void press(HWND window, WPARAM vk)
    {
        PostMessageW(window, WM_KEYDOWN, vk, 1);
        PostMessageW(window, WM_KEYUP, vk, LPARAM(0xC0000001));
    }
    // Waits until control id shows text.
    bool waitForText(int id, const std::wstring& text) const
    {
        return waitUntil([&] { return this->text(id) == text; });
    }
    HWND dialog() const { return m_dialog; }

    // The tip that the dialog's tooltip window shows for control id.
    std::wstring tip(int id) const
    {
        HWND tips = nullptr;
        EnumThreadWindows(
            GetWindowThreadProcessId(m_dialog, nullptr),
            [](HWND window, LPARAM found) {
                wchar_t name[64] {};
                GetClassNameW(window, name, int(std::size(name)));
                if (std::wstring(name) != L"tooltips_class32")
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&tips));
        wchar_t text[256] {};
        TTTOOLINFOW tool {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = m_dialog;
        tool.uId = reinterpret_cast<UINT_PTR>((*this)[id]);
        tool.lpszText = text;
        if (tips)
            SendMessageW(tips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
        return text;
    }

private:
    HWND m_dialog;
};

} // namespace clickwisp::test
