// The Wayland backend's pieces that need no compositor: the output layout
// rules, our keymap (checked by compiling it with xkbcommon, as the
// compositor and its clients do) and the characters' keysyms.
#include "core/virtual_keysyms.h"
#include "core/win_codes.h"
#include "platform/wayland/wayland_keymap.h"
#include "platform/wayland/wayland_keysyms.h"
#include "platform/wayland/wayland_layout.h"
#include "platform/wayland/wayland_pointer.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <linux/input-event-codes.h>
#include <memory>
#include <string_view>

namespace clickwisp {
namespace {

TEST(WaylandLayout, ExtentPrimaryAndMotionOverOutputsLeftOfAndAboveTheFirst)
{
    const std::vector<WaylandOutput> outputs = {
        { "LEFT", -640, -360, 640, 360, 2 },
        { "MAIN", 0, 0, 1280, 720, 1 },
    };
    EXPECT_EQ(layoutExtent(outputs), (LayoutRect { -640, -360, 1920, 1080 }));
    // The output at (0, 0) is primary even when announced second.
    ASSERT_NE(primaryOutput(outputs), nullptr);
    EXPECT_EQ(primaryOutput(outputs)->name, "MAIN");
    // Without one there, the first.
    EXPECT_EQ(primaryOutput({ { "A", 100, 0, 10, 10, 1 }, { "B", 0, 10, 10, 10, 1 } })->name, "A");
    EXPECT_EQ(primaryOutput({}), nullptr);

    const LayoutRect extent = layoutExtent(outputs);
    EXPECT_EQ(absoluteMotion(extent, 0, 0), (AbsoluteMotion { 640, 360, 1920, 1080 }));
    EXPECT_EQ(absoluteMotion(extent, -640, -360), (AbsoluteMotion { 0, 0, 1920, 1080 }));
    // Off the layout: clamped to its last pixel, as a real pointer stops there.
    EXPECT_EQ(absoluteMotion(extent, 5000, -5000), (AbsoluteMotion { 1919, 0, 1920, 1080 }));
    EXPECT_FALSE(absoluteMotion(LayoutRect {}, 1, 1).has_value());

    EXPECT_EQ(intersect({ -10, -10, 20, 20 }, { 0, 0, 1280, 720 }), (LayoutRect { 0, 0, 10, 10 }));
    EXPECT_TRUE(intersect({ -10, -10, 10, 10 }, { 0, 0, 1280, 720 }).empty());

    // A capture's parts: each output that meets the rectangle, its own part.
    EXPECT_EQ(primaryScreenSize(outputs), (ScreenSize { 1280, 720 }));
    EXPECT_EQ(primaryScreenSize({}), (ScreenSize {}));
    const auto parts = outputParts(outputs, { -5, -5, 10, 10 });
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].output->name, "LEFT");
    EXPECT_EQ(parts[0].part, (LayoutRect { -5, -5, 5, 5 }));
    EXPECT_EQ(parts[1].part, (LayoutRect { 0, 0, 5, 5 }));
    EXPECT_TRUE(outputParts(outputs, { 1280, 0, 10, 10 }).empty());
}

// The keymap as the compositor compiles it.
struct Compiled {
    explicit Compiled(const WaylandKeymap& keymap)
    {
        context.reset(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
        const std::string text = keymap.text();
        compiled.reset(xkb_keymap_new_from_string(
            context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
    // The keysym of code at level, or 0.
    uint32_t keysym(uint32_t code, int level) const
    {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(compiled.get(), code, 0, level, &syms);
        return count == 1 ? syms[0] : 0;
    }
    // The keysym code types while the key of modifierCode is held.
    uint32_t keysymWith(uint32_t modifierCode, uint32_t code) const
    {
        std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(compiled.get()), xkb_state_unref);
        xkb_state_update_key(state.get(), modifierCode, XKB_KEY_DOWN);
        return xkb_state_key_get_one_sym(state.get(), code);
    }
    bool modifierActive(uint32_t code, const char* name) const
    {
        std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(compiled.get()), xkb_state_unref);
        xkb_state_update_key(state.get(), code, XKB_KEY_DOWN);
        return xkb_state_mod_name_is_active(state.get(), name, XKB_STATE_MODS_EFFECTIVE) == 1;
    }

    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context { nullptr, xkb_context_unref };
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> compiled { nullptr, xkb_keymap_unref };
};

TEST(WaylandKeymap, KeysOfVirtualCodesAndCharactersCompileWithTheirModifiers)
{
    WaylandKeymap keymap;
    const auto place = [&](uint8_t vk) {
        const VirtualKeySyms syms = keysymsForVirtualKey(vk);
        return keymap.pin({ syms.plain, syms.shifted });
    };
    const uint32_t shift = place(0x10), control = place(0xA3), alt = place(0x12), super = place(0x5B);
    const uint32_t letter = place('A'), digit = place('1'), slash = place(0xBF);
    const uint32_t euro = keymap.place({ keysymForCharacter(U'€'), 0 });
    const uint32_t zhe = keymap.place({ keysymForCharacter(U'ж'), 0 });
    // The same key again is the same keycode; Shift_L of 0xA0 is 0x10's key.
    EXPECT_EQ(place(0xA0), shift);
    EXPECT_EQ(keymap.find(XKB_KEY_a), letter);

    const Compiled compiled(keymap);
    ASSERT_NE(compiled.compiled, nullptr) << keymap.text();
    EXPECT_EQ(compiled.keysym(letter, 0), uint32_t(XKB_KEY_a));
    EXPECT_EQ(compiled.keysymWith(shift, letter), uint32_t(XKB_KEY_A));
    EXPECT_EQ(compiled.keysymWith(shift, digit), uint32_t(XKB_KEY_exclam));
    EXPECT_EQ(compiled.keysymWith(shift, slash), uint32_t(XKB_KEY_question));
    EXPECT_EQ(compiled.keysym(euro, 0), uint32_t(XKB_KEY_EuroSign));
    EXPECT_EQ(compiled.keysym(zhe, 0), uint32_t(XKB_KEY_Cyrillic_zhe));
    // Shift does not change a one-level key.
    EXPECT_EQ(compiled.keysymWith(shift, euro), uint32_t(XKB_KEY_EuroSign));
    EXPECT_TRUE(compiled.modifierActive(shift, XKB_MOD_NAME_SHIFT));
    EXPECT_TRUE(compiled.modifierActive(control, XKB_MOD_NAME_CTRL));
    EXPECT_TRUE(compiled.modifierActive(alt, XKB_MOD_NAME_ALT));
    EXPECT_TRUE(compiled.modifierActive(super, XKB_MOD_NAME_LOGO));
    EXPECT_FALSE(compiled.modifierActive(letter, XKB_MOD_NAME_SHIFT));
}

TEST(WaylandKeymap, AFullKeymapGivesTheKeyUsedLongestAgoNeverAPinnedOrKeptOne)
{
    WaylandKeymap keymap;
    const uint32_t pinned = keymap.pin({ XKB_KEY_Shift_L, 0 });
    // Every keycode but the pinned one gets a character of its own.
    std::vector<uint32_t> codes;
    for (uint32_t i = 0; i < WaylandKeymap::kLastCode - WaylandKeymap::kFirstCode; ++i)
        codes.push_back(keymap.place({ 0x1000400 + i, 0 }));
    std::vector<uint32_t> distinct(codes);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(distinct.size(), codes.size());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), 0u) == codes.end());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), pinned) == codes.end());
    keymap.markSent();

    // The oldest is codes[0]; it was used again, so codes[1] goes, unless kept.
    keymap.touch(codes[0]);
    const uint32_t next = keymap.place({ XKB_KEY_EuroSign, 0 }, { codes[1] });
    EXPECT_EQ(next, codes[2]);
    EXPECT_TRUE(keymap.changed());
    EXPECT_EQ(keymap.keyAt(next), (WaylandKeymap::Key { XKB_KEY_EuroSign, 0 }));
    EXPECT_EQ(keymap.find(0x1000400 + 2), 0u);
    EXPECT_EQ(keymap.keyAt(pinned).plain, uint32_t(XKB_KEY_Shift_L));

    // Nothing to give when everything is kept.
    std::vector<uint32_t> all(codes);
    all.push_back(next);
    EXPECT_EQ(keymap.place({ XKB_KEY_sterling, 0 }, all), 0u);
}

TEST(WaylandKeysyms, CharactersAndEveryVirtualKeysSymbolsAreKeysymsXkbKnows)
{
    EXPECT_EQ(keysymForCharacter(U'\r'), uint32_t(XKB_KEY_Return));
    EXPECT_EQ(keysymForCharacter(U'\t'), uint32_t(XKB_KEY_Tab));
    EXPECT_EQ(keysymForCharacter(U'a'), uint32_t(XKB_KEY_a));
    EXPECT_EQ(keysymForCharacter(U'é'), uint32_t(XKB_KEY_eacute));
    EXPECT_EQ(keysymForCharacter(U'😀'), 0x1000000u | 0x1F600u);
    EXPECT_EQ(keysymForCharacter(char32_t(0x01)), 0u);
    EXPECT_EQ(keysymForCharacter(char32_t(0xD800)), 0u);
    EXPECT_EQ(keysymForCharacter(char32_t(0x110000)), 0u);

    // The shared table's numbers are keysyms with a name (xkbcommon writes
    // unknown ones as hex), so every code plays as a key a client knows.
    for (int vk = 1; vk < 256; ++vk) {
        const VirtualKeySyms syms = keysymsForVirtualKey(uint8_t(vk));
        for (uint32_t keysym : { syms.plain, syms.shifted }) {
            char name[64] = {};
            if (keysym && xkb_keysym_get_name(keysym, name, sizeof name) > 0)
                EXPECT_NE(std::string_view(name).substr(0, 2), "0x") << vk;
            else
                EXPECT_EQ(keysym, 0u) << vk;
        }
    }
}

} // namespace
} // namespace clickwisp
