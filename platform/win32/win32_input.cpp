// Pointer, mouse buttons, wheel and keys through SendInput; the pointer is
// placed with SetCursorPos, in physical pixels of the virtual screen.
#include "platform/win32/win32_keys.h"
#include "platform/win32/win32_platform.h"

#include <vector>

namespace clickwisp {

namespace {

class Win32Input final : public InputInjector {
public:
    ScreenPoint GetCursorPos() override
    {
        POINT point {};
        ::GetCursorPos(&point);
        return { int32_t(point.x), int32_t(point.y) };
    }

    void SetCursorPos(int32_t x, int32_t y) override { ::SetCursorPos(x, y); }

    // Several flags in one call become one event each, in the order Windows uses.
    void mouse_event(uint32_t flags, int32_t data) override
    {
        std::vector<INPUT> inputs;
        for (uint32_t flag : { MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP,
                 MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, MOUSEEVENTF_WHEEL }) {
            if (!(flags & flag))
                continue;
            INPUT input {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flag;
            if (flag == MOUSEEVENTF_WHEEL)
                input.mi.mouseData = DWORD(data);
            input.mi.dwExtraInfo = kInjectedByClickwisp;
            inputs.push_back(input);
        }
        if (!inputs.empty())
            SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        INPUT input = KeyInput(vk, (flags & KEYEVENTF_KEYUP) != 0);
        SendInput(1, &input, sizeof(INPUT));
    }
};

} // namespace

Result<std::unique_ptr<InputInjector>> makeWin32Input()
{
    return std::make_unique<Win32Input>();
}

} // namespace clickwisp
