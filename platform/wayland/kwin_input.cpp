// Pointer, buttons, wheel and keys through KWin's fake input. Each call
// waits until KWin has handled it, so input and captures stay in action
// order. A key action presses the key of the session's layout that has the
// virtual key's symbol, without the modifiers that symbol may need: on a
// French layout VK 'Q' is the key labelled Q, and VK '1' the key that types
// "&" unshifted, as on Windows.
#include "core/virtual_keysyms.h"
#include "platform/wayland/kwin_devices.h"
#include "platform/wayland/kwin_platform.h"
#include "platform/wayland/wayland_pointer.h"

#include <array>

namespace clickwisp {

namespace {

class KwinInput final : public InputInjector {
public:
    explicit KwinInput(std::shared_ptr<KwinDevices> devices)
        : m_devices(std::move(devices))
    {
    }

    ~KwinInput() override
    {
        // Keys a list left down go up with the program, not later at random.
        for (uint32_t code : m_devices->input->heldKeys())
            m_devices->input->key(code, false);
        m_devices->input->sync();
    }

    // A Wayland client cannot read where the pointer is: the last place we
    // moved it to.
    ScreenPoint GetCursorPos() override { return m_position; }
    bool canReadPointer() const override { return false; }

    void SetCursorPos(int32_t x, int32_t y) override
    {
        if (auto point = m_devices->input->moveTo(x, y))
            m_position = *point;
        m_devices->input->sync();
    }

    // The button goes down where the pointer is; it is never moved first.
    void mouse_event(uint32_t flags, int32_t data) override
    {
        for (const MouseButtonChange& change : MouseButtonChanges(flags))
            m_devices->input->button(evdevButton(change.button), change.down);
        if (const int32_t notches = WheelSteps(flags, data))
            m_devices->input->wheel(notches);
        m_devices->input->sync();
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        const bool down = !(flags & KEYEVENTF_KEYUP);
        uint32_t code = m_heldCode[vk];
        if (down || !code) {
            // The key that went down goes up, even if the layout changed meanwhile.
            const VirtualKeySyms syms = keysymsForVirtualKey(vk);
            if (!syms.plain || !m_devices->layout->refresh())
                return;
            auto stroke = m_devices->layout->keys().strokeForKeysym(syms.plain);
            if (!stroke && syms.shifted)
                stroke = m_devices->layout->keys().strokeForKeysym(syms.shifted);
            if (!stroke)
                return;
            code = stroke->keycode;
        }
        m_heldCode[vk] = down ? code : 0;
        m_devices->input->key(code, down);
        m_devices->input->sync();
    }

private:
    std::shared_ptr<KwinDevices> m_devices;
    ScreenPoint m_position {};
    std::array<uint32_t, 256> m_heldCode {}; // evdev code each virtual key went down on
};

} // namespace

std::unique_ptr<InputInjector> makeKwinInputOn(std::shared_ptr<KwinDevices> devices)
{
    return std::make_unique<KwinInput>(std::move(devices));
}

Result<std::unique_ptr<InputInjector>> makeKwinInput(const std::string& display)
{
    auto devices = KwinDevices::open(display, "input");
    if (!devices)
        return std::unexpected(devices.error());
    return makeKwinInputOn(std::move(*devices));
}

} // namespace clickwisp
