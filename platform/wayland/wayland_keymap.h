#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace clickwisp {

// The keyboard layout we give our virtual keyboard: every key we press
// gets a keycode of its own, placed when first needed, so any keysym can be
// typed without the user's layout. When all keycodes are taken, the one
// used longest ago that is not held or kept is given the new key.
class WaylandKeymap {
public:
    // XKB keycodes we use (evdev codes 1 to 247).
    static constexpr uint32_t kFirstCode = 9;
    static constexpr uint32_t kLastCode = 255;

    // A key's symbols: plain, and with Shift (0: Shift does not change it).
    struct Key {
        uint32_t plain = 0;
        uint32_t shifted = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };

    // The keycode of key, placing it when it has none; codes in keep are
    // not taken. 0 when every keycode is kept.
    uint32_t place(Key key, const std::vector<uint32_t>& keep = {});
    // Places key for good: its keycode is never given to another key.
    uint32_t pin(Key key);
    // A keycode whose plain symbol is keysym (the symbol a key types with
    // no modifier), or 0.
    uint32_t find(uint32_t keysym) const;
    // Marks code as used now, for the choice of the next code to take.
    void touch(uint32_t code);
    // The key on code, {} for a free code.
    Key keyAt(uint32_t code) const;

    // Whether the layout changed since the last markSent().
    bool changed() const { return m_changed; }
    void markSent() { m_changed = false; }

    // The layout as an XKB keymap text: Shift, Control, Alt (Mod1), Num
    // Lock (Mod2) and Super (Mod4) act as modifiers, Caps Lock locks.
    std::string text() const;

private:
    struct Slot {
        Key key;
        uint64_t lastUse = 0;
        bool pinned = false;
    };
    Slot& slot(uint32_t code) { return m_slots[code - kFirstCode]; }
    const Slot& slot(uint32_t code) const { return m_slots[code - kFirstCode]; }

    std::array<Slot, kLastCode - kFirstCode + 1> m_slots {};
    uint64_t m_clock = 0;
    bool m_changed = true;
};

} // namespace clickwisp
