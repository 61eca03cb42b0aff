// Pointer, buttons, wheel and keys through a virtual pointer and a virtual
// keyboard. Each call waits until the compositor has handled it, so input
// and the text or captures of other connections stay in action order.
#include "core/mouse_flags.h"
#include "core/virtual_keysyms.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_keyboard.h"
#include "platform/wayland/wayland_platform.h"
#include "platform/wayland/wayland_pointer.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <array>
#include <chrono>
#include <cstdlib>

namespace clickwisp {

namespace {

uint32_t nowMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class WaylandInput final : public InputInjector {
public:
    WaylandInput(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<WaylandKeyboard> keyboard)
        : m_connection(std::move(connection))
        , m_keyboard(std::move(keyboard))
    {
        m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
            m_connection->pointerManager(), m_connection->seat());
        // The devices exist from now on: windows bind a keyboard and a
        // pointer when the seat gains them, before our first event.
        m_connection->roundtrip();
    }

    ~WaylandInput() override
    {
        m_keyboard.reset();
        zwlr_virtual_pointer_v1_destroy(m_pointer);
        m_connection->roundtrip();
    }

    // A Wayland client cannot read where the pointer is: the last place we
    // moved it to.
    ScreenPoint GetCursorPos() override { return m_position; }
    bool canReadPointer() const override { return false; }

    void SetCursorPos(int32_t x, int32_t y) override
    {
        m_connection->roundtrip(); // outputs added or moved meanwhile
        const LayoutRect extent = layoutExtent(m_connection->outputs());
        const auto motion = absoluteMotion(extent, x, y);
        if (!motion)
            return;
        zwlr_virtual_pointer_v1_motion_absolute(
            m_pointer, nowMs(), motion->x, motion->y, motion->xExtent, motion->yExtent);
        zwlr_virtual_pointer_v1_frame(m_pointer);
        m_connection->roundtrip();
        m_position = { extent.x + int32_t(motion->x), extent.y + int32_t(motion->y) };
    }

    // The button goes down where the pointer is; it is never moved first.
    void mouse_event(uint32_t flags, int32_t data) override
    {
        for (const MouseButtonChange& change : MouseButtonChanges(flags))
            button(change.button, change.down);
        if (const int32_t notches = WheelSteps(flags, data)) {
            // Wayland scrolls down with a positive value.
            zwlr_virtual_pointer_v1_axis_source(m_pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
            zwlr_virtual_pointer_v1_axis_discrete(m_pointer, nowMs(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                wl_fixed_from_double(notches * kWheelNotchDistance), notches);
            zwlr_virtual_pointer_v1_frame(m_pointer);
        }
        m_connection->roundtrip();
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        const VirtualKeySyms syms = keysymsForVirtualKey(vk);
        if (!syms.plain)
            return;
        const bool down = !(flags & KEYEVENTF_KEYUP);
        uint32_t code = m_heldCode[vk];
        if (down || !code) {
            // The key that went down goes up, even if it was placed anew.
            code = m_keyboard->keymap().place({ syms.plain, syms.shifted }, m_keyboard->held());
            if (!code || !m_keyboard->sendKeymap())
                return;
        }
        m_heldCode[vk] = down ? code : 0;
        m_keyboard->key(code, down);
        m_connection->roundtrip();
    }

private:
    void button(MouseButtonId id, bool down)
    {
        zwlr_virtual_pointer_v1_button(m_pointer, nowMs(), evdevButton(id),
            down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(m_pointer);
    }

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandKeyboard> m_keyboard;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    ScreenPoint m_position {};
    std::array<uint32_t, 256> m_heldCode {}; // keycode each virtual key went down on
};

} // namespace

Result<std::unique_ptr<InputInjector>> makeWaylandInput(const std::string& display)
{
    auto connection = WaylandConnection::open(display, "input");
    if (!connection)
        return std::unexpected(connection.error());
    if (auto ok = (*connection)->require({ kVirtualPointerProtocol, kVirtualKeyboardProtocol, kXdgOutputProtocol });
        !ok)
        return fail("input: " + ok.error().message);
    auto keyboard = WaylandKeyboard::create(**connection, true);
    if (!keyboard)
        return std::unexpected(keyboard.error());
    return std::make_unique<WaylandInput>(std::move(*connection), std::move(*keyboard));
}

} // namespace clickwisp
