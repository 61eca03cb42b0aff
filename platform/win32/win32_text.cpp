// Typing with KEYEVENTF_UNICODE: every character reaches the focus window as
// WM_CHAR with its UTF-16 code units, whatever the keyboard layout. Line
// breaks, tabs, backspace, escape and delete are pressed as their keys.
// Characters are gathered and sent with the Enter that ends the text, in one
// SendInput call, with any modifier the user holds released around them.
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_keys.h"
#include "platform/win32/win32_platform.h"

#include <vector>

namespace clickwisp {

std::u16string Utf16Units(char32_t ch)
{
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return {};
    if (ch < 0x10000)
        return std::u16string(1, char16_t(ch));
    const char32_t offset = ch - 0x10000;
    return { char16_t(0xD800 + (offset >> 10)), char16_t(0xDC00 + (offset & 0x3FF)) };
}

namespace {

// The key a control character is pressed as; 0 for one that is not typed.
uint8_t keyForControl(char32_t ch)
{
    switch (ch) {
    case U'\n':
    case U'\r': return VK_RETURN;
    case U'\t': return VK_TAB;
    case U'\b': return VK_BACK;
    case 0x1B: return VK_ESCAPE;
    case 0x7F: return VK_DELETE;
    default: return 0;
    }
}

bool isControl(char32_t ch)
{
    return ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

class Win32Text final : public TextTarget {
public:
    bool focusWindowExists() override
    {
        GUITHREADINFO info {};
        info.cbSize = sizeof(info);
        if (GetGUIThreadInfo(0, &info)) // the foreground thread
            return info.hwndFocus != nullptr;
        return GetForegroundWindow() != nullptr;
    }

    void sendChar(char32_t ch) override
    {
        // CR LF is one line break, one Return.
        if (ch == U'\n' && m_lastChar == U'\r') {
            m_lastChar = 0;
            return;
        }
        m_lastChar = ch;
        if (isControl(ch)) {
            if (uint8_t vk = keyForControl(ch))
                press(vk);
            return;
        }
        for (char16_t unit : Utf16Units(ch)) {
            for (bool up : { false, true }) {
                INPUT input {};
                input.type = INPUT_KEYBOARD;
                input.ki.wScan = unit;
                input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
                input.ki.dwExtraInfo = kInjectedByClickwisp;
                m_pending.push_back(input);
            }
        }
    }

    void sendEnter() override
    {
        press(VK_RETURN);
        // A modifier the user holds would turn the characters into shortcuts.
        std::vector<INPUT> inputs;
        std::vector<uint8_t> held;
        for (uint8_t vk : { VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN }) {
            if (GetAsyncKeyState(vk) & 0x8000) {
                held.push_back(vk);
                inputs.push_back(KeyInput(vk, true));
            }
        }
        inputs.insert(inputs.end(), m_pending.begin(), m_pending.end());
        for (uint8_t vk : held)
            inputs.push_back(KeyInput(vk, false));
        SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
        m_pending.clear();
        m_lastChar = 0;
    }

private:
    void press(uint8_t vk)
    {
        m_pending.push_back(KeyInput(vk, false));
        m_pending.push_back(KeyInput(vk, true));
    }

    std::vector<INPUT> m_pending;
    char32_t m_lastChar = 0;
};

} // namespace

Result<std::unique_ptr<TextTarget>> makeWin32Text()
{
    return std::make_unique<Win32Text>();
}

} // namespace clickwisp
