// The keys that type each character on real XKB layouts (the system's XKB
// data): the French layout moves letters, puts digits on Shift and "@" on
// AltGr; characters no key has get no stroke.
#include "platform/keymap_keys.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace clickwisp {

// Found by GoogleTest through the type's namespace.
void PrintTo(const KeyStroke& stroke, std::ostream* out)
{
    *out << "key " << stroke.keycode;
    for (uint32_t modifier : stroke.modifiers)
        *out << " + " << modifier;
}

namespace {

std::unique_ptr<KeymapKeys> layout(const std::string& name, const std::string& variant = {})
{
    auto keys = KeymapKeys::fromNames(name, variant);
    if (!keys)
        ADD_FAILURE() << keys.error().message;
    return keys ? std::move(*keys) : nullptr;
}

KeyStroke stroke(uint32_t keycode, std::vector<uint32_t> modifiers = {})
{
    return { keycode, std::move(modifiers) };
}

TEST(KeymapKeys, AFrenchLayoutTypesEachCharacterOnItsOwnKey)
{
    const auto fr = layout("fr");
    ASSERT_TRUE(fr);
    EXPECT_EQ(fr->layoutName(), "French");
    EXPECT_EQ(fr->strokeFor(U'q'), stroke(KEY_A));
    EXPECT_EQ(fr->strokeFor(U'Q'), stroke(KEY_A, { KEY_LEFTSHIFT }));
    EXPECT_EQ(fr->strokeFor(U'a'), stroke(KEY_Q));
    EXPECT_EQ(fr->strokeFor(U'\u00e9'), stroke(KEY_2)); // é
    EXPECT_EQ(fr->strokeFor(U'1'), stroke(KEY_1, { KEY_LEFTSHIFT }));
    EXPECT_EQ(fr->strokeFor(U'@'), stroke(KEY_0, { KEY_RIGHTALT }));
    EXPECT_EQ(fr->strokeFor(U'\u20ac'), stroke(KEY_E, { KEY_RIGHTALT })); // €
    EXPECT_EQ(fr->strokeFor(U' '), stroke(KEY_SPACE));
    EXPECT_EQ(fr->strokeFor(U'\n'), stroke(KEY_ENTER));
    EXPECT_EQ(fr->strokeFor(U'\r'), stroke(KEY_ENTER));
    EXPECT_EQ(fr->strokeFor(U'\t'), stroke(KEY_TAB));
}

TEST(KeymapKeys, ACharacterNoKeyTypesHasNoStroke)
{
    const auto fr = layout("fr");
    const auto us = layout("us");
    ASSERT_TRUE(fr && us);
    EXPECT_EQ(fr->strokeFor(U'\u0436'), std::nullopt); // ж
    EXPECT_EQ(us->strokeFor(U'\u00e9'), std::nullopt); // é
    // "ê" needs a dead key on French: not a stroke of its own.
    EXPECT_EQ(fr->strokeFor(U'\u00ea'), std::nullopt);
    EXPECT_EQ(us->strokeFor(U'\x01'), std::nullopt);
    EXPECT_EQ(us->strokeFor(U'\U0001F600'), std::nullopt);
}

TEST(KeymapKeys, ModifierAndNamedKeysAreFoundByKeysym)
{
    const auto us = layout("us");
    ASSERT_TRUE(us);
    EXPECT_EQ(us->strokeForKeysym(0xffe3), stroke(KEY_LEFTCTRL)); // Control_L
    EXPECT_EQ(us->strokeForKeysym(0xffe1), stroke(KEY_LEFTSHIFT)); // Shift_L
    EXPECT_EQ(us->strokeForKeysym(0xffbe), stroke(KEY_F1)); // F1
    // Digits come from the main row, not the keypad, which needs Num Lock.
    EXPECT_EQ(us->strokeFor(U'7'), stroke(KEY_7));
    EXPECT_EQ(us->strokeFor(U'A'), stroke(KEY_A, { KEY_LEFTSHIFT }));
    // "<" is Shift+comma and the plain key beside left Shift: the fewest modifiers win.
    EXPECT_EQ(us->strokeFor(U'<'), stroke(KEY_102ND));
}

TEST(KeymapKeys, CyrillicAndGermanLayoutsHaveTheirOwnKeys)
{
    const auto ru = layout("ru");
    const auto de = layout("de");
    ASSERT_TRUE(ru && de);
    EXPECT_EQ(ru->strokeFor(U'\u0436'), stroke(KEY_SEMICOLON)); // ж
    EXPECT_EQ(de->strokeFor(U'z'), stroke(KEY_Y));
    EXPECT_EQ(de->strokeFor(U'\u00df'), stroke(KEY_MINUS)); // ß
}

TEST(KeymapKeys, ABadKeymapOrLayoutNameIsAnError)
{
    auto text = KeymapKeys::fromText("xkb_keymap { nonsense");
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().message, "keyboard layout: the compositor's keymap does not compile");
    auto names = KeymapKeys::fromNames("no-such-layout");
    ASSERT_FALSE(names);
    EXPECT_EQ(names.error().message, "keyboard layout: no XKB layout 'no-such-layout'");
}

} // namespace
} // namespace clickwisp
