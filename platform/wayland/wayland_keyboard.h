#pragma once

#include "core/error.h"
#include "platform/wayland/wayland_keymap.h"

#include <cstdint>
#include <memory>
#include <vector>

struct zwp_virtual_keyboard_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace clickwisp {

class WaylandConnection;

// A virtual keyboard (zwp_virtual_keyboard_v1) with our own keymap. The
// compositor does not work out modifiers from a virtual keyboard's keys, so
// we do, with xkbcommon on the same keymap, and send them after each key.
class WaylandKeyboard {
public:
    // Creates the keyboard on the connection's seat and sends the first
    // keymap, with the keys of every virtual-key code when withVirtualKeys:
    // a key action then never changes the keymap, which would make clients
    // forget the modifiers held.
    static Result<std::unique_ptr<WaylandKeyboard>> create(WaylandConnection& connection, bool withVirtualKeys);
    ~WaylandKeyboard();
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    WaylandKeymap& keymap() { return m_keymap; }
    // Sends the keymap when it changed since it was last sent.
    Result<void> sendKeymap();
    // Presses (down) or releases the key of an XKB keycode, then sends the
    // modifiers when they changed. Does not wait for the compositor.
    void key(uint32_t code, bool down);
    // Keycodes that are down now.
    const std::vector<uint32_t>& held() const { return m_held; }

private:
    WaylandKeyboard() = default;
    void sendModifiers();

    WaylandConnection* m_connection = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    xkb_context* m_context = nullptr;
    xkb_keymap* m_xkbKeymap = nullptr;
    xkb_state* m_state = nullptr;
    WaylandKeymap m_keymap;
    std::vector<uint32_t> m_held;
    uint32_t m_sentModifiers[4] = { ~0u, ~0u, ~0u, ~0u };
};

} // namespace clickwisp
