#include "playback/type_text.h"
#include "tests/support/fake_desk.h"

#include <gmock/gmock.h>

using clickwisp::test::FakeDesk;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace clickwisp {
namespace {

TEST(DecodeUtf8, WellFormedSequencesAreOneCharacterEach)
{
    EXPECT_EQ(DecodeUtf8("abc"), U"abc");
    EXPECT_EQ(DecodeUtf8(""), U"");
    // Two, three and four bytes, and the edges of each length.
    EXPECT_EQ(DecodeUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), U"\u00E9\u20AC\U0001F600");
    EXPECT_EQ(DecodeUtf8("\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"),
        U"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF");
    EXPECT_EQ(DecodeUtf8(std::string_view("a\0b", 3)), std::u32string(U"a\0b", 3));
}

TEST(DecodeUtf8, IllFormedInputBecomesReplacementsWithoutLosingNeighbours)
{
    const char32_t R = 0xFFFD;
    // Stray continuation byte, bytes that never start a sequence.
    EXPECT_EQ(DecodeUtf8("a\x80z"), (std::u32string { U'a', R, U'z' }));
    EXPECT_EQ(DecodeUtf8("\xC0\xAF\xFF"), (std::u32string { R, R, R }));
    // Truncated sequence before an ASCII byte and at the very end.
    EXPECT_EQ(DecodeUtf8("\xE2\x82z"), (std::u32string { R, U'z' }));
    EXPECT_EQ(DecodeUtf8("x\xF0\x9F\x98"), (std::u32string { U'x', R }));
    // Overlong, surrogate, above U+10FFFF.
    EXPECT_EQ(DecodeUtf8("\xE0\x80\xAF"), (std::u32string { R, R, R }));
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), (std::u32string { R, R, R }));
    EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), (std::u32string { R, R, R, R }));
    // A lead byte followed by another lead: the second starts afresh.
    EXPECT_EQ(DecodeUtf8("\xC3\xC3\xA9"), (std::u32string { R, U'\u00E9' }));
}

TEST(TypeText, EmptyTextStillPressesEnter)
{
    FakeDesk desk;
    TypeText(*desk.platform.text, "");
    EXPECT_THAT(desk.lines(), ElementsAre("WM_KEYDOWN 0x0D"));
}

TEST(TypeText, NothingWithoutAFocusWindow)
{
    FakeDesk desk({ 0, 0 }, {}, false);
    TypeText(*desk.platform.text, "abc");
    TypeText(*desk.platform.text, "");
    EXPECT_THAT(desk.lines(), IsEmpty());
}

} // namespace
} // namespace clickwisp
