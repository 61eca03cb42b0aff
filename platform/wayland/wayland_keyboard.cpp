#include "platform/wayland/wayland_keyboard.h"

#include "core/virtual_keysyms.h"
#include "platform/wayland/wayland_connection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace clickwisp {

namespace {

uint32_t nowMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// A sealed memory file holding text and its terminating zero, as the
// keymap request wants it; -1 on failure.
int keymapFile(const std::string& text)
{
    const int fd = memfd_create("clickwisp-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    const size_t size = text.size() + 1;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, text.c_str() + written, size - written);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        written += size_t(n);
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

} // namespace

Result<std::unique_ptr<WaylandKeyboard>> WaylandKeyboard::create(WaylandConnection& connection, bool withVirtualKeys)
{
    if (!connection.seat())
        return fail("keyboard: the Wayland compositor offers no seat");
    std::unique_ptr<WaylandKeyboard> keyboard(new WaylandKeyboard);
    keyboard->m_connection = &connection;
    keyboard->m_context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!keyboard->m_context)
        return fail("keyboard: xkbcommon could not start");
    keyboard->m_keyboard
        = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection.keyboardManager(), connection.seat());
    for (int vk = 1; withVirtualKeys && vk < 256; ++vk) {
        if (const VirtualKeySyms syms = keysymsForVirtualKey(uint8_t(vk)); syms.plain)
            keyboard->m_keymap.pin({ syms.plain, syms.shifted });
    }
    if (auto sent = keyboard->sendKeymap(); !sent)
        return std::unexpected(sent.error());
    if (!connection.roundtrip())
        return fail("keyboard: the Wayland compositor refused the virtual keyboard: " + connection.brokenReason());
    return keyboard;
}

WaylandKeyboard::~WaylandKeyboard()
{
    // Nothing stays pressed once we are gone.
    for (uint32_t code : std::vector<uint32_t>(m_held))
        key(code, false);
    if (m_keyboard) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection->roundtrip();
    }
    if (m_state)
        xkb_state_unref(m_state);
    if (m_xkbKeymap)
        xkb_keymap_unref(m_xkbKeymap);
    if (m_context)
        xkb_context_unref(m_context);
}

Result<void> WaylandKeyboard::sendKeymap()
{
    if (!m_keymap.changed() && m_state)
        return {};
    const std::string text = m_keymap.text();
    xkb_keymap* compiled
        = xkb_keymap_new_from_string(m_context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!compiled)
        return fail("keyboard: xkbcommon rejected the keymap for the virtual keyboard");
    const int fd = keymapFile(text);
    if (fd < 0) {
        xkb_keymap_unref(compiled);
        return fail("keyboard: cannot make a memory file for the keymap");
    }
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(text.size() + 1));
    close(fd);
    if (m_state)
        xkb_state_unref(m_state);
    if (m_xkbKeymap)
        xkb_keymap_unref(m_xkbKeymap);
    m_xkbKeymap = compiled;
    m_state = xkb_state_new(compiled);
    // Keys that are down stay down, and so do the modifiers they set.
    for (uint32_t code : m_held)
        xkb_state_update_key(m_state, code, XKB_KEY_DOWN);
    m_keymap.markSent();
    // A client reads a new keymap with no modifiers, and the compositor
    // passes on only modifiers that change: cleared, then set again.
    if (!m_held.empty())
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    std::fill(std::begin(m_sentModifiers), std::end(m_sentModifiers), ~0u);
    sendModifiers();
    return {};
}

void WaylandKeyboard::key(uint32_t code, bool down)
{
    auto it = std::find(m_held.begin(), m_held.end(), code);
    if (down && it == m_held.end())
        m_held.push_back(code);
    else if (!down && it != m_held.end())
        m_held.erase(it);
    m_keymap.touch(code);
    zwp_virtual_keyboard_v1_key(
        m_keyboard, nowMs(), code - 8, down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(m_state, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    sendModifiers();
}

void WaylandKeyboard::sendModifiers()
{
    const uint32_t now[4] = {
        xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE),
    };
    if (std::equal(std::begin(now), std::end(now), std::begin(m_sentModifiers)))
        return;
    std::copy(std::begin(now), std::end(now), std::begin(m_sentModifiers));
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, now[0], now[1], now[2], now[3]);
}

} // namespace clickwisp
