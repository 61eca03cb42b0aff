#pragma once

#include "core/error.h"
#include "platform/keymap_keys.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;

namespace clickwisp {

// The keyboard layout of a Wayland session as the compositor gives it to
// its clients (wl_keyboard's keymap), followed as it changes: the keys of
// the user's own layout, for desktops that type by key code (the desktop
// portal, KWin's fake input). One thread at a time.
class SessionLayout {
public:
    // Connects to display (empty: $WAYLAND_DISPLAY) and reads the keymap.
    // A seat without a keyboard is waited for up to waitForKeyboard (a
    // headless compositor gains one with the first virtual keyboard's
    // event). Fails, naming the display, without a seat, a keyboard or a
    // keymap.
    static Result<std::unique_ptr<SessionLayout>> open(
        const std::string& display = {}, std::chrono::milliseconds waitForKeyboard = {});
    ~SessionLayout();
    SessionLayout(const SessionLayout&) = delete;
    SessionLayout& operator=(const SessionLayout&) = delete;

    // Takes in what the compositor sent since (a new keymap, another active
    // layout); call before typing a text. Fails when the connection broke.
    Result<void> refresh();
    // The keys of the active layout, until the next refresh.
    const KeymapKeys& keys() const { return *m_keys; }
    // How many keymaps have been read, the first included.
    int keymapsRead() const { return m_keymapsRead; }

    struct Events; // the listeners of the seat and the keyboard

private:
    SessionLayout() = default;
    Result<void> rebuild();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    bool m_hasKeyboard = false;
    std::string m_keymapText; // the last keymap sent
    uint32_t m_group = 0; // the active layout, when the compositor says
    bool m_changed = false; // keymap or group changed since the last rebuild
    std::unique_ptr<KeymapKeys> m_keys;
    int m_keymapsRead = 0;
};

} // namespace clickwisp
