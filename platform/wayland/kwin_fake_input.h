#pragma once

#include "core/error.h"
#include "core/geometry.h"
#include "platform/wayland/wayland_connection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct org_kde_kwin_fake_input;

namespace clickwisp {

inline constexpr const char* kKwinFakeInputProtocol = "org_kde_kwin_fake_input";

// KWin's fake input device (org_kde_kwin_fake_input) on a connection of its
// own. KWin treats its events as its own input: the pointer moves in the
// compositor's logical coordinates and keys go through the user's keyboard
// layout. KWin offers the protocol only to programs whose installed .desktop
// file lists it in X-KDE-Wayland-Interfaces. One thread at a time.
class KwinFakeInput {
public:
    // Connects to display (empty: $WAYLAND_DISPLAY) and authenticates.
    // purpose starts the error message ("input"); the error says how KWin
    // grants the protocol when it is not offered.
    static Result<std::unique_ptr<KwinFakeInput>> open(const std::string& display, const std::string& purpose);
    ~KwinFakeInput();
    KwinFakeInput(const KwinFakeInput&) = delete;
    KwinFakeInput& operator=(const KwinFakeInput&) = delete;

    WaylandConnection& connection() { return *m_connection; }

    // Moves the pointer to (x, y) of the layout, clamped into the outputs'
    // extent; the point it went to, or none without outputs.
    std::optional<ScreenPoint> moveTo(int32_t x, int32_t y);
    // Presses or releases a pointer button (linux/input-event-codes.h: BTN_*).
    void button(uint32_t code, bool down);
    // Turns the wheel by notches (positive: toward the user, scrolling down).
    void wheel(int32_t notches);
    // Presses or releases the key of an evdev keycode (KEY_*).
    void key(uint32_t code, bool down);
    // Keys this device holds down, in the order pressed.
    const std::vector<uint32_t>& heldKeys() const { return m_held; }
    // Those of them that are modifier keys (Shift, Ctrl, Alt, Meta, AltGr).
    std::vector<uint32_t> heldModifiers() const;
    // Waits until KWin has handled what was sent; false when the connection broke.
    bool sync() { return m_connection->roundtrip(); }

private:
    KwinFakeInput() = default;

    std::unique_ptr<WaylandConnection> m_connection;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
    std::vector<uint32_t> m_held; // keys down, in the order pressed
};

} // namespace clickwisp
