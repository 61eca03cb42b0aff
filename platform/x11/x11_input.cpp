// Pointer, mouse buttons, wheel and keys through the XTEST extension. Each
// call waits until the server has processed it, so input from this
// connection and text or captures from the others stay in action order.
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_keymap.h"
#include "platform/x11/x11_platform.h"

#include <X11/extensions/XTest.h>

#include <array>

namespace clickwisp {

namespace {

constexpr unsigned kLeft = 1, kMiddle = 2, kRight = 3, kWheelAway = 4, kWheelToward = 5;

class X11Input final : public InputInjector {
public:
    explicit X11Input(X11DisplayPtr display)
        : m_display(std::move(display))
        , m_keyboard(m_display.get())
    {
    }

    ScreenPoint GetCursorPos() override
    {
        Window root = DefaultRootWindow(m_display.get()), child = 0;
        int rootX = 0, rootY = 0, winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(m_display.get(), root, &root, &child, &rootX, &rootY, &winX, &winY, &mask);
        return { rootX, rootY };
    }

    void SetCursorPos(int32_t x, int32_t y) override
    {
        XTestFakeMotionEvent(m_display.get(), DefaultScreen(m_display.get()), x, y, CurrentTime);
        XSync(m_display.get(), False);
    }

    // Several flags in one call are handled in the order Windows uses.
    void mouse_event(uint32_t flags, int32_t data) override
    {
        Display* d = m_display.get();
        if (flags & MOUSEEVENTF_LEFTDOWN)
            XTestFakeButtonEvent(d, kLeft, True, CurrentTime);
        if (flags & MOUSEEVENTF_LEFTUP)
            XTestFakeButtonEvent(d, kLeft, False, CurrentTime);
        if (flags & MOUSEEVENTF_RIGHTDOWN)
            XTestFakeButtonEvent(d, kRight, True, CurrentTime);
        if (flags & MOUSEEVENTF_RIGHTUP)
            XTestFakeButtonEvent(d, kRight, False, CurrentTime);
        if (flags & MOUSEEVENTF_MIDDLEDOWN)
            XTestFakeButtonEvent(d, kMiddle, True, CurrentTime);
        if (flags & MOUSEEVENTF_MIDDLEUP)
            XTestFakeButtonEvent(d, kMiddle, False, CurrentTime);
        if ((flags & MOUSEEVENTF_WHEEL) && data != 0) {
            // X has no fraction of a notch: any turn is one step of the
            // wheel, toward the user (button 5) when data is negative.
            const unsigned button = data < 0 ? kWheelToward : kWheelAway;
            XTestFakeButtonEvent(d, button, True, CurrentTime);
            XTestFakeButtonEvent(d, button, False, CurrentTime);
        }
        XSync(d, False);
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        const KeySym keysym = keysymForVirtualKey(vk);
        if (keysym == NoSymbol)
            return;
        const bool down = !(flags & KEYEVENTF_KEYUP);
        KeyCode code = 0;
        if (!down && m_held[vk]) {
            // The key that went down goes up, even if the layout changed.
            code = m_held[vk];
            m_held[vk] = 0;
        } else {
            m_keyboard.refresh();
            std::vector<KeyCode> held;
            for (KeyCode c : m_held) {
                if (c)
                    held.push_back(c);
            }
            // A key action is pressed without Shift: the plain level only.
            if (m_keyboard.bind({ keysym }, held, 1))
                code = m_keyboard.find(keysym, 1).code;
            if (down)
                m_held[vk] = code;
        }
        if (!code)
            return;
        XTestFakeKeyEvent(m_display.get(), code, down ? True : False, CurrentTime);
        XSync(m_display.get(), False);
        m_keyboard.touch({ { code, 0 } });
    }

private:
    X11DisplayPtr m_display;
    X11Keyboard m_keyboard;
    std::array<KeyCode, 256> m_held {}; // keycode each virtual key went down on
};

} // namespace

Result<std::unique_ptr<InputInjector>> makeX11Input(const std::string& display)
{
    auto connection = openXTestDisplay(display, "input");
    if (!connection)
        return std::unexpected(connection.error());
    return std::make_unique<X11Input>(std::move(*connection));
}

} // namespace clickwisp
