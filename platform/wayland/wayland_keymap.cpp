#include "platform/wayland/wayland_keymap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace clickwisp {

namespace {

std::string keysymName(uint32_t keysym)
{
    char name[64] = {};
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return "NoSymbol";
    return name;
}

// The real modifier a keysym sets through the modifier map, or null.
const char* modifierOf(uint32_t keysym)
{
    switch (keysym) {
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R: return "Shift";
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R: return "Control";
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
    case XKB_KEY_Meta_L:
    case XKB_KEY_Meta_R: return "Mod1";
    case XKB_KEY_Num_Lock: return "Mod2";
    case XKB_KEY_Super_L:
    case XKB_KEY_Super_R: return "Mod4";
    case XKB_KEY_Caps_Lock: return "Lock";
    default: return nullptr;
    }
}

bool isLetterPair(const WaylandKeymap::Key& key)
{
    return key.shifted && xkb_keysym_to_lower(key.plain) == key.plain && xkb_keysym_to_upper(key.plain) == key.shifted
        && key.plain != key.shifted;
}

} // namespace

uint32_t WaylandKeymap::find(uint32_t keysym) const
{
    for (uint32_t code = kFirstCode; code <= kLastCode; ++code) {
        if (slot(code).key.plain == keysym)
            return code;
    }
    return 0;
}

WaylandKeymap::Key WaylandKeymap::keyAt(uint32_t code) const
{
    if (code < kFirstCode || code > kLastCode)
        return {};
    return slot(code).key;
}

void WaylandKeymap::touch(uint32_t code)
{
    if (code >= kFirstCode && code <= kLastCode)
        slot(code).lastUse = ++m_clock;
}

uint32_t WaylandKeymap::place(Key key, const std::vector<uint32_t>& keep)
{
    if (key.plain == 0)
        return 0;
    uint32_t chosen = 0;
    for (uint32_t code = kFirstCode; code <= kLastCode; ++code) {
        if (slot(code).key == key)
            return code;
        const bool kept = slot(code).pinned || std::find(keep.begin(), keep.end(), code) != keep.end();
        if (kept)
            continue;
        // A free code wins; among taken ones, the one used longest ago.
        if (!chosen
            || (slot(chosen).key.plain != 0
                && (slot(code).key.plain == 0 || slot(code).lastUse < slot(chosen).lastUse)))
            chosen = code;
    }
    if (!chosen)
        return 0;
    slot(chosen).key = key;
    slot(chosen).lastUse = ++m_clock;
    m_changed = true;
    return chosen;
}

uint32_t WaylandKeymap::pin(Key key)
{
    const uint32_t code = place(key);
    if (code)
        slot(code).pinned = true;
    return code;
}

std::string WaylandKeymap::text() const
{
    std::string out = "xkb_keymap {\n";
    out += "xkb_keycodes \"clickwisp\" {\n  minimum = 8;\n  maximum = 255;\n";
    for (uint32_t code = kFirstCode; code <= kLastCode; ++code)
        out += "  <K" + std::to_string(code) + "> = " + std::to_string(code) + ";\n";
    out += "};\n";
    out += R"(xkb_types "clickwisp" {
  type "ONE_LEVEL" { modifiers = none; level_name[Level1] = "Any"; };
  type "TWO_LEVEL" { modifiers = Shift; map[Shift] = Level2; level_name[Level1] = "Base"; level_name[Level2] = "Shift"; };
  type "ALPHABETIC" { modifiers = Shift+Lock; map[Shift] = Level2; map[Lock] = Level2; level_name[Level1] = "Base"; level_name[Level2] = "Caps"; };
};
xkb_compatibility "clickwisp" {
  interpret Caps_Lock { action = LockMods(modifiers = Lock); };
  interpret Num_Lock { action = LockMods(modifiers = Mod2); };
  interpret Any + AnyOf(all) { action = SetMods(modifiers = modMapMods, clearLocks); };
};
)";
    out += "xkb_symbols \"clickwisp\" {\n";
    for (uint32_t code = kFirstCode; code <= kLastCode; ++code) {
        const Key& key = slot(code).key;
        if (key.plain == 0)
            continue;
        const std::string name = "<K" + std::to_string(code) + ">";
        if (key.shifted) {
            const char* type = isLetterPair(key) ? "ALPHABETIC" : "TWO_LEVEL";
            out += "  key " + name + " { type = \"" + type + "\", [ " + keysymName(key.plain) + ", "
                + keysymName(key.shifted) + " ] };\n";
        } else {
            out += "  key " + name + " { type = \"ONE_LEVEL\", [ " + keysymName(key.plain) + " ] };\n";
        }
        if (const char* modifier = modifierOf(key.plain))
            out += "  modifier_map " + std::string(modifier) + " { " + name + " };\n";
    }
    out += "};\n};\n";
    return out;
}

} // namespace clickwisp
