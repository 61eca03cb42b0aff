#pragma once

#include <X11/Xlib.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

namespace clickwisp {

// Which key types a keysym in the keyboard layout of one connection, and
// spare keycodes bound for a while to keysyms the layout lacks: two keysyms
// per spare keycode, one plain and one with Shift.
//
// A client reads the keyboard mapping when it handles a key event, which may
// be a while after we send it. So a bound keysym keeps its place until the
// place is needed for another keysym or this object is destroyed, and it is
// replaced or restored only a grace period after its last use.
class X11Keyboard {
public:
    struct Stroke {
        KeyCode code = 0; // 0: no key, and no spare keycode to bind
        bool shift = false;
        friend bool operator==(const Stroke&, const Stroke&) = default;
    };

    // Time a client is given to read a key event before the keysym of its
    // spare keycode changes.
    static constexpr std::chrono::milliseconds kGrace { 250 };

    explicit X11Keyboard(Display* display);
    // Gives every spare keycode its empty mapping back (after the grace period).
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Reads the layout's current group, keysyms and key types.
    void refresh();

    // The key of keysym in the current layout (the unshifted level first),
    // or a spare place already bound to it; code 0 when neither exists.
    Stroke find(KeySym keysym) const;
    // As find, binding a spare place when the layout has no key. Places in
    // keep are never taken (they carry keysyms still to be typed). With
    // plainOnly the keysym is bound only where no Shift is needed.
    Stroke bind(KeySym keysym, const std::vector<Stroke>& keep = {}, bool plainOnly = false);
    // Marks the spare places of strokes as used now.
    void touch(const std::vector<Stroke>& strokes);

    KeyCode shiftCode() const { return m_shift; }
    bool isSpare(KeyCode code) const { return m_spares.contains(code); }

private:
    struct Place {
        KeySym keysym = NoSymbol;
        std::chrono::steady_clock::time_point lastUse {};
    };
    using SparePlaces = std::array<Place, 2>; // plain, Shift

    // Adds one level of a key to m_layout; the unshifted key of a keysym wins.
    void addToLayout(KeySym sym, KeyCode code, bool shift);
    // Reads the layout through XKB; false when the server has no XKB.
    bool readXkbLayout();
    void readCoreLayout();
    void write(KeyCode code);
    static void waitForGrace(const Place& place);

    Display* m_display;
    std::unordered_map<KeySym, Stroke> m_layout;
    std::vector<KeyCode> m_empty; // keycodes with no keysym that we may claim
    std::map<KeyCode, SparePlaces> m_spares;
    std::unordered_map<KeySym, Stroke> m_boundBySym;
    KeyCode m_shift = 0;
};

} // namespace clickwisp
