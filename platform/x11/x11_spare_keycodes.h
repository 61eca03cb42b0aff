#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <mutex>
#include <vector>

namespace clickwisp {

// The spare keycodes every X11Keyboard of this process has claimed, with
// the mapping each had before, so that the input and the text connection
// never bind the same keycode, and so that a program that must end at once
// can give them all back (restoreX11SpareKeycodes, x11_platform.h).

// A spare keycode's first mapping: its XKB entry and keysyms, or, on a
// server without XKB, no keysym at all.
struct SpareOriginal {
    bool xkb = false;
    XkbSymMapRec entry {};
    std::vector<KeySym> syms;
};

// Claims code on display's server for this process; false when another
// connection of ours has it.
bool claimSpareKeycode(Display* display, KeyCode code, SpareOriginal original);
// Forgets a claim, once the keycode has its first mapping back.
void releaseSpareKeycode(Display* display, KeyCode code);

// Held while a connection changes the mapping of its spare keycodes, so a
// restore from another thread comes before or after it, never between.
class SpareKeycodeWrite {
public:
    SpareKeycodeWrite();
    // False once the spare keycodes were given back for good: no more binding.
    bool allowed() const { return m_allowed; }
    // The first mapping of a claimed keycode.
    const SpareOriginal& original(Display* display, KeyCode code) const;

private:
    std::lock_guard<std::mutex> m_lock;
    bool m_allowed;
};

// Gives code of desc its first mapping, as the server will have it after
// an XkbChangeMap of the key symbols.
void applySpareOriginal(XkbDescPtr desc, KeyCode code, const SpareOriginal& original);

} // namespace clickwisp
