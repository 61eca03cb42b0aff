#include "platform/keymap_keys.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <bit>
#include <tuple>

namespace clickwisp {

namespace {

// XKB keycodes are evdev codes plus 8.
constexpr uint32_t kEvdevOffset = 8;

// Keys that are held to change the level of others; locks and latches are
// left out (holding them does not give a level for the next key alone).
bool isHeldModifier(xkb_keysym_t sym)
{
    return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Control_R) || (sym >= XKB_KEY_Meta_L && sym <= XKB_KEY_Hyper_R)
        || sym == XKB_KEY_ISO_Level3_Shift || sym == XKB_KEY_ISO_Level5_Shift || sym == XKB_KEY_Mode_switch;
}

bool isKeypad(xkb_keysym_t sym)
{
    return sym >= XKB_KEY_KP_Space && sym <= XKB_KEY_KP_Equal;
}

struct Deleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
template <class T> using Owned = std::unique_ptr<T, Deleter>;

// A fresh state on the given layout with nothing held.
Owned<xkb_state> stateOn(xkb_keymap* keymap, uint32_t group)
{
    Owned<xkb_state> state(xkb_state_new(keymap));
    if (state)
        xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
    return state;
}

xkb_keysym_t levelSym(xkb_keymap* keymap, xkb_keycode_t code, uint32_t group, uint32_t level)
{
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap, code, group, level, &syms) == 1 ? syms[0] : XKB_KEY_NoSymbol;
}

struct ModifierKey {
    xkb_keycode_t code = 0;
    xkb_mod_mask_t mask = 0; // the single modifier it sets while held
};

// The modifier keys of real keyboards, in the order we prefer them (a
// keymap may also give a modifier to a key no keyboard has, like <LVL3>).
constexpr uint32_t kRealModifierKeys[] = { 42, 54, 29, 97, 56, 100, 125, 126 }; // Shift, Ctrl, Alt, Meta: left, right

size_t preference(xkb_keycode_t code)
{
    const auto* at = std::ranges::find(kRealModifierKeys, code - kEvdevOffset);
    return size_t(at - std::begin(kRealModifierKeys));
}

// Every key whose plain symbol is a held modifier, with the modifier it
// sets, the keys of real keyboards first.
std::vector<ModifierKey> modifierKeys(xkb_keymap* keymap, uint32_t group)
{
    std::vector<ModifierKey> keys;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        if (!isHeldModifier(levelSym(keymap, code, group, 0)))
            continue;
        auto state = stateOn(keymap, group);
        if (!state)
            continue;
        xkb_state_update_key(state.get(), code, XKB_KEY_DOWN);
        const xkb_mod_mask_t mask = xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
        if (std::popcount(mask) == 1)
            keys.push_back({ code, mask });
    }
    std::ranges::stable_sort(keys, {}, [](const ModifierKey& key) { return preference(key.code); });
    return keys;
}

// Keys beyond the main block and the usual extra keys (multimedia, "EuroSign"
// keys) are on few keyboards: any main key wins over them.
constexpr uint32_t kLastCommonKey = 127; // KEY_COMPOSE

struct Candidate {
    KeyStroke stroke;
    bool keypad = false;
    auto rank() const
    {
        return std::make_tuple(stroke.keycode > kLastCommonKey, stroke.modifiers.size(), keypad, stroke.keycode);
    }
};

} // namespace

KeymapKeys::KeymapKeys(xkb_keymap* keymap, uint32_t group)
{
    if (group >= xkb_keymap_num_layouts(keymap))
        group = 0;
    if (const char* name = xkb_keymap_layout_get_name(keymap, group))
        m_layoutName = name;
    const auto modifiers = modifierKeys(keymap, group);
    xkb_mod_mask_t locks = 0;
    for (const char* lock : { XKB_MOD_NAME_CAPS, XKB_MOD_NAME_NUM }) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, lock);
        if (index != XKB_MOD_INVALID)
            locks |= xkb_mod_mask_t(1) << index;
    }

    std::unordered_map<uint32_t, Candidate> best;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        if (code < kEvdevOffset)
            continue;
        const bool keypad = isKeypad(levelSym(keymap, code, group, 0));
        const uint32_t levels = xkb_keymap_num_levels_for_key(keymap, code, group);
        for (uint32_t level = 0; level < levels; ++level) {
            const xkb_keysym_t sym = levelSym(keymap, code, group, level);
            if (sym == XKB_KEY_NoSymbol)
                continue;
            xkb_mod_mask_t masks[16];
            const size_t count = xkb_keymap_key_get_mods_for_level(keymap, code, group, level, masks, 16);
            for (size_t m = 0; m < count; ++m) {
                if (masks[m] & locks)
                    continue;
                Candidate candidate { { code - kEvdevOffset, {} }, keypad };
                std::vector<xkb_keycode_t> held;
                bool reachable = true;
                for (xkb_mod_mask_t rest = masks[m]; rest && reachable; rest &= rest - 1) {
                    const xkb_mod_mask_t bit = rest & -rest;
                    const auto key
                        = std::ranges::find_if(modifiers, [&](const ModifierKey& k) { return k.mask == bit; });
                    reachable = key != modifiers.end();
                    if (reachable)
                        held.push_back(key->code);
                }
                if (!reachable)
                    continue;
                // The keymap's own state machine must agree that these keys type sym.
                auto state = stateOn(keymap, group);
                if (!state)
                    continue;
                for (xkb_keycode_t modifier : held) {
                    xkb_state_update_key(state.get(), modifier, XKB_KEY_DOWN);
                    candidate.stroke.modifiers.push_back(modifier - kEvdevOffset);
                }
                if (xkb_state_key_get_one_sym(state.get(), code) != sym)
                    continue;
                auto [it, added] = best.try_emplace(sym, candidate);
                if (!added && candidate.rank() < it->second.rank())
                    it->second = candidate;
            }
        }
    }
    for (auto& [sym, candidate] : best)
        m_strokes.emplace(sym, std::move(candidate.stroke));
}

Result<std::unique_ptr<KeymapKeys>> KeymapKeys::fromText(const std::string& text, uint32_t group)
{
    Owned<xkb_context> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context)
        return fail("keyboard layout: xkbcommon cannot start");
    Owned<xkb_keymap> keymap(xkb_keymap_new_from_string(
        context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return fail("keyboard layout: the compositor's keymap does not compile");
    return std::make_unique<KeymapKeys>(keymap.get(), group);
}

Result<std::unique_ptr<KeymapKeys>> KeymapKeys::fromNames(const std::string& layout, const std::string& variant)
{
    // Every name given, so XKB_DEFAULT_* of the environment play no part.
    Owned<xkb_context> context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return fail("keyboard layout: xkbcommon cannot start");
    const xkb_rule_names names { "evdev", "pc105", layout.c_str(), variant.c_str(), "" };
    Owned<xkb_keymap> keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return fail("keyboard layout: no XKB layout '" + layout + (variant.empty() ? "" : "(" + variant + ")") + "'");
    return std::make_unique<KeymapKeys>(keymap.get(), 0);
}

std::optional<KeyStroke> KeymapKeys::strokeForKeysym(uint32_t keysym) const
{
    const auto it = m_strokes.find(keysym);
    if (it == m_strokes.end())
        return std::nullopt;
    return it->second;
}

std::optional<KeyStroke> KeymapKeys::strokeFor(char32_t ch) const
{
    // A line break is the Return key (xkbcommon gives Linefeed for LF);
    // characters without a keysym of their own get one no key has.
    const uint32_t keysym = ch == U'\n' ? XKB_KEY_Return : xkb_utf32_to_keysym(uint32_t(ch));
    if (!keysym)
        return std::nullopt;
    return strokeForKeysym(keysym);
}

} // namespace clickwisp
