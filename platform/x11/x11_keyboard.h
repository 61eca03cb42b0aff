#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

namespace clickwisp {

class SpareKeycodeWrite;

// Which key types a keysym in the keyboard layout of one connection, and
// spare keycodes (keycodes the layout leaves without keysyms) bound to
// keysyms the layout lacks: up to four keysyms per spare keycode, plain,
// with Shift, with the layout's AltGr (ISO_Level3_Shift) and with both.
//
// Every change of the keyboard mapping makes every X client (the window
// manager first) reload it, so bindings are changed in batches: one mapping
// change binds all the keysyms a stretch of text needs, another gives the
// spare keycodes their first mapping back.
//
// A client reads the mapping when it handles a key event, which may be a
// while after we send it, so a place is taken over for another keysym only
// a grace period after its last use, unless the caller knows the clients
// have caught up (markCaughtUp).
class X11Keyboard {
public:
    // A key press that types a keysym: the keycode and the level it needs.
    struct Stroke {
        KeyCode code = 0; // 0: no key
        uint8_t level = 0; // 0 plain, 1 Shift, 2 AltGr, 3 Shift+AltGr
        friend bool operator==(const Stroke&, const Stroke&) = default;
    };

    // Time a client is given to read a key event before the keysym of its
    // spare keycode changes.
    static constexpr std::chrono::milliseconds kGrace { 250 };

    // reserve: spare keycodes left unclaimed, for other connections that
    // play keys the layout lacks.
    explicit X11Keyboard(Display* display, size_t reserve = 0);
    // Gives every spare keycode its first mapping back (after the grace period).
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Reads the layout's current group, keysyms, key types and modifiers.
    void refresh();

    // The key of keysym in the current layout (the plain level first), or
    // a spare place bound to it, below levels; code 0 when neither exists.
    Stroke find(KeySym keysym, int levels = 4) const;
    // How many keysyms one bind() can hold: the spare places below levels.
    size_t capacity(int levels = 4) const;
    // Binds every keysym of wanted that has no key yet, in one change of
    // the mapping, onto free places or places whose keysym is not wanted
    // (the oldest first) on keycodes not in keep, below levels. False when
    // they do not fit (nothing is changed) or the server refused the change.
    bool bind(const std::vector<KeySym>& wanted, const std::vector<KeyCode>& keep = {}, int levels = 4);
    // Whether binding wanted has to take over places bound to other keysyms.
    bool needsTakeOver(const std::vector<KeySym>& wanted) const;
    // Gives every spare keycode its first mapping back, in one change.
    void restore();
    // Whether any spare keycode has a mapping of ours, to be restored.
    bool bound() const;

    // Marks the spare places of strokes as used now.
    void touch(const std::vector<Stroke>& strokes);
    // Clients have handled every key sent so far: places may change at once.
    void markCaughtUp();

    // The keys to hold for a level: Shift and AltGr (0 when the layout has none).
    KeyCode shiftCode() const { return m_shift; }
    KeyCode level3Code() const { return m_level3; }
    bool isSpare(KeyCode code) const { return m_spares.contains(code); }

private:
    struct Place {
        KeySym keysym = NoSymbol;
        std::chrono::steady_clock::time_point lastUse {};
    };
    struct Spare {
        std::array<Place, 4> places;
        bool written = false; // the server has a mapping of ours for it
    };

    void addToLayout(KeySym sym, KeyCode code, uint8_t level);
    bool readXkbLayout();
    void readCoreLayout();
    // The number of levels a spare keycode can carry on this server.
    int levelsAvailable() const;
    // Claims one more empty keycode; 0 when none is left to us.
    KeyCode claimAnother();
    // Writes the spare keycodes codes to the server, in one request; false
    // when the server refused it.
    bool write(const std::vector<KeyCode>& codes);
    bool writeXkb(KeyCode first, KeyCode last, const std::vector<KeyCode>& codes, const SpareKeycodeWrite& guard);
    bool writeCore(KeyCode first, KeyCode last, const std::vector<KeyCode>& codes);

    Display* m_display;
    size_t m_reserve;
    XkbDescPtr m_xkb = nullptr; // the server's map, when it has XKB
    int m_fourLevelType = -1; // XKB key type: plain, Shift, AltGr, Shift+AltGr
    unsigned m_level3Mask = 0; // the modifier AltGr sets
    std::unordered_map<KeySym, Stroke> m_layout;
    std::vector<KeyCode> m_empty; // keycodes with no keysym that we may claim
    std::map<KeyCode, Spare> m_spares;
    std::unordered_map<KeySym, Stroke> m_boundBySym;
    KeyCode m_shift = 0;
    KeyCode m_level3 = 0;
};

} // namespace clickwisp
