#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

namespace clickwisp {

// Which key types a keysym in the keyboard layout of one connection, and
// spare keycodes bound for a while to keysyms the layout lacks.
//
// A bound spare keycode stays bound until its keycode is needed for another
// keysym or this object is destroyed, and it is only rebound or restored a
// grace period after its last use: a client reads the keyboard mapping when
// it handles the key event, which may be later than we send it.
class X11Keyboard {
public:
    struct Stroke {
        KeyCode code = 0; // 0: no key, and no spare keycode to bind
        bool shift = false;
    };

    // Time a client is given to read a key event before its spare keycode
    // changes meaning.
    static constexpr std::chrono::milliseconds kGrace{100};

    explicit X11Keyboard(Display* display);
    // Restores every spare keycode still bound (after the grace period).
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Reads the layout's current group, keysyms and key types.
    void refresh();

    // The key of keysym in the current layout (the unshifted level first),
    // or a spare keycode already bound to it; code 0 when neither exists.
    Stroke find(KeySym keysym) const;
    // As find, binding a spare keycode when the layout has no key. A spare
    // in avoid is never taken (they carry keysyms still to be typed).
    Stroke bind(KeySym keysym, const std::vector<KeyCode>& avoid = {});
    // Marks the spare keycodes in codes as used now.
    void touch(const std::vector<KeyCode>& codes);

    KeyCode shiftCode() const { return m_shift; }
    bool isSpare(KeyCode code) const { return m_bound.contains(code); }

private:
    // Gives code back its empty mapping; the caller releases the claim.
    void restore(KeyCode code);
    void waitForGrace(KeyCode code);

    Display* m_display;
    std::unordered_map<KeySym, Stroke> m_layout;
    std::vector<KeyCode> m_empty; // keycodes with no keysym that we may claim
    std::map<KeyCode, KeySym> m_bound;
    std::unordered_map<KeySym, KeyCode> m_boundBySym;
    std::map<KeyCode, std::chrono::steady_clock::time_point> m_lastUse;
    KeyCode m_shift = 0;
};

} // namespace clickwisp
