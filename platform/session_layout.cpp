#include "platform/session_layout.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace clickwisp {

struct SessionLayout::Events {
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        auto* self = static_cast<SessionLayout*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) != 0 || self->m_seat)
            return;
        self->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min<uint32_t>(version, 5)));
        wl_seat_add_listener(self->m_seat, &kSeat, self);
    }
    static void globalRemove(void*, wl_registry*, uint32_t) { }

    static void capabilities(void* data, wl_seat* seat, uint32_t capabilities)
    {
        auto* self = static_cast<SessionLayout*>(data);
        self->m_hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
        if (self->m_hasKeyboard && !self->m_keyboard) {
            self->m_keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->m_keyboard, &kKeyboard, self);
        }
    }
    static void seatName(void*, wl_seat*, const char*) { }

    static void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
    {
        auto* self = static_cast<SessionLayout*>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                // The text ends with a NUL within size.
                const auto* text = static_cast<const char*>(mapped);
                self->m_keymapText.assign(text, strnlen(text, size));
                self->m_changed = true;
                munmap(mapped, size);
            }
        }
        close(fd);
    }
    static void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { }
    static void leave(void*, wl_keyboard*, uint32_t, wl_surface*) { }
    static void key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) { }
    // Sent only while a surface of ours has the focus.
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
    {
        auto* self = static_cast<SessionLayout*>(data);
        if (group != self->m_group) {
            self->m_group = group;
            self->m_changed = true;
        }
    }
    static void repeatInfo(void*, wl_keyboard*, int32_t, int32_t) { }

    static constexpr wl_registry_listener kRegistry = { global, globalRemove };
    static constexpr wl_seat_listener kSeat = { capabilities, seatName };
    static constexpr wl_keyboard_listener kKeyboard = { keymap, enter, leave, key, modifiers, repeatInfo };
};

Result<std::unique_ptr<SessionLayout>> SessionLayout::open(
    const std::string& display, std::chrono::milliseconds waitForKeyboard)
{
    std::unique_ptr<SessionLayout> layout(new SessionLayout);
    const char* env = std::getenv("WAYLAND_DISPLAY");
    const std::string label = !display.empty() ? display : (env && *env ? env : "wayland-0");
    layout->m_display = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!layout->m_display)
        return fail("keyboard layout: cannot connect to the Wayland display '" + label + "': " + std::strerror(errno));
    layout->m_registry = wl_display_get_registry(layout->m_display);
    wl_registry_add_listener(layout->m_registry, &Events::kRegistry, layout.get());
    // The globals, the seat's capabilities, the keyboard's keymap.
    for (int i = 0; i < 3; ++i) {
        if (wl_display_roundtrip(layout->m_display) < 0)
            return fail("keyboard layout: the Wayland display '" + label + "' closed the connection");
    }
    if (!layout->m_seat)
        return fail("keyboard layout: the Wayland display '" + label + "' offers no seat");
    const auto deadline = std::chrono::steady_clock::now() + waitForKeyboard;
    while ((!layout->m_hasKeyboard || layout->m_keymapText.empty()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (wl_display_roundtrip(layout->m_display) < 0)
            return fail("keyboard layout: the Wayland display '" + label + "' closed the connection");
    }
    if (!layout->m_hasKeyboard)
        return fail("keyboard layout: the seat of the Wayland display '" + label + "' has no keyboard");
    if (layout->m_keymapText.empty())
        return fail("keyboard layout: the Wayland display '" + label + "' sent no XKB keymap");
    if (auto built = layout->rebuild(); !built)
        return std::unexpected(built.error());
    return layout;
}

SessionLayout::~SessionLayout()
{
    if (m_keyboard)
        wl_keyboard_destroy(m_keyboard);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

Result<void> SessionLayout::rebuild()
{
    auto keys = KeymapKeys::fromText(m_keymapText, m_group);
    if (!keys)
        return std::unexpected(keys.error());
    m_keys = std::move(*keys);
    m_changed = false;
    ++m_keymapsRead;
    return {};
}

Result<void> SessionLayout::refresh()
{
    if (wl_display_roundtrip(m_display) < 0)
        return fail("keyboard layout: the Wayland connection broke");
    if (!m_changed)
        return {};
    return rebuild();
}

} // namespace clickwisp
