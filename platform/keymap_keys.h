#pragma once

#include "core/error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct xkb_keymap;

namespace clickwisp {

// How to type one symbol on a keyboard layout: the key (an evdev code, as
// in linux/input-event-codes.h: KEY_Q is 16) and the modifier keys to hold
// around it (evdev codes, in the order to press them).
struct KeyStroke {
    uint32_t keycode = 0;
    std::vector<uint32_t> modifiers;
    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The keys of one layout (an XKB keymap and one of its layouts, the group):
// for each keysym, the key that types it with the fewest modifier keys held
// (Shift, AltGr ...), checked by replaying the keys on the keymap's own
// state machine. Keys that need a lock (Caps Lock, Num Lock) or a dead key
// are not used: a symbol reached only so has no stroke.
class KeymapKeys {
public:
    // Indexes layout group of keymap (the keymap is not kept).
    KeymapKeys(xkb_keymap* keymap, uint32_t group);
    // From an XKB keymap text (the compositor's wl_keyboard keymap).
    static Result<std::unique_ptr<KeymapKeys>> fromText(const std::string& text, uint32_t group = 0);
    // From RMLVO names ("fr", "de" ...) with the system's XKB data.
    static Result<std::unique_ptr<KeymapKeys>> fromNames(const std::string& layout, const std::string& variant = {});

    // The stroke that types keysym, or none when the layout has no key for it.
    std::optional<KeyStroke> strokeForKeysym(uint32_t keysym) const;
    // The stroke that types ch (Return for CR and LF; Tab, BackSpace,
    // Escape and Delete for their control characters), or none.
    std::optional<KeyStroke> strokeFor(char32_t ch) const;
    // The layout's name, for messages ("French").
    const std::string& layoutName() const { return m_layoutName; }

private:
    std::unordered_map<uint32_t, KeyStroke> m_strokes;
    std::string m_layoutName;
};

} // namespace clickwisp
