// Pointer, buttons, wheel and keys through the portal's Notify* calls. Keys
// of key actions go by key code on the session's own layout (the key whose
// plain symbol the virtual-key code names), so a portal that maps keysyms as
// if the layout were US cannot press another key.
#include "core/mouse_flags.h"
#include "core/virtual_keysyms.h"
#include "platform/keymap_keys.h"
#include "platform/portal/portal_parts.h"

#include <linux/input-event-codes.h>

#include <array>

namespace clickwisp {

namespace {

class PortalInput final : public InputInjector {
public:
    explicit PortalInput(std::shared_ptr<PortalDesktopSession> session)
        : m_session(std::move(session))
    {
    }

    // A program cannot read the pointer on Wayland: the last place we moved it to.
    ScreenPoint GetCursorPos() override { return m_position; }
    bool canReadPointer() const override { return false; }

    void SetCursorPos(int32_t x, int32_t y) override
    {
        const auto point = streamPoint(m_session->streams(), x, y);
        if (!point)
            return;
        m_session->moveTo(x, y);
        for (const auto& stream : m_session->streams()) {
            if (stream.node == point->node)
                m_position = { stream.x + int32_t(point->x), stream.y + int32_t(point->y) };
        }
    }

    void mouse_event(uint32_t flags, int32_t data) override
    {
        for (const MouseButtonChange& change : MouseButtonChanges(flags))
            m_session->button(evdevButton(change.button), change.down);
        if (const int32_t steps = WheelSteps(flags, data))
            m_session->wheel(steps);
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        const bool down = !(flags & KEYEVENTF_KEYUP);
        if (!down && m_heldCode[vk]) {
            // The key that went down goes up, even if the layout changed since.
            m_session->key(m_heldCode[vk], false);
            m_heldCode[vk] = 0;
            return;
        }
        const VirtualKeySyms syms = keysymsForVirtualKey(vk);
        if (!syms.plain)
            return;
        const KeymapKeys* keys = m_session->keys();
        std::optional<KeyStroke> stroke = keys ? keys->strokeForKeysym(syms.plain) : std::nullopt;
        if (!stroke && keys && syms.shifted)
            stroke = keys->strokeForKeysym(syms.shifted);
        if (!stroke) {
            // No key of the layout has it: the desktop may still find one.
            m_session->keysym(syms.plain, down);
            return;
        }
        m_session->key(stroke->keycode, down);
        m_heldCode[vk] = down ? stroke->keycode : 0;
    }

private:
    static uint32_t evdevButton(MouseButtonId button)
    {
        switch (button) {
        case MouseButtonId::Left: return BTN_LEFT;
        case MouseButtonId::Right: return BTN_RIGHT;
        default: return BTN_MIDDLE;
        }
    }

    std::shared_ptr<PortalDesktopSession> m_session;
    ScreenPoint m_position {};
    std::array<uint32_t, 256> m_heldCode {}; // evdev code each virtual key went down on
};

} // namespace

std::unique_ptr<InputInjector> makePortalSessionInput(std::shared_ptr<PortalDesktopSession> session)
{
    return std::make_unique<PortalInput>(std::move(session));
}

} // namespace clickwisp
