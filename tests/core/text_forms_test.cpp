// Colour texts, integer texts and Base64.
#include "core/base64.h"
#include "core/colour_text.h"
#include "core/number_text.h"

#include <gtest/gtest.h>

#include <random>

namespace clickwisp {
namespace {

TEST(ColourText, NamesAreFoundInAnyLetterCase)
{
    EXPECT_EQ(ColorFromText("clBlack"), 0x00000000u);
    EXPECT_EQ(ColorFromText("CLRED"), 0x000000FFu);
    EXPECT_EQ(ColorFromText("clblue"), 0x00FF0000u);
    EXPECT_EQ(ColorFromText("clMoneyGreen"), 0x00C0DCC0u);
    EXPECT_EQ(ColorFromText("clSkyBlue"), 0x00F0CAA6u);
    EXPECT_EQ(ColorFromText("clCream"), 0x00F0FBFFu);
    EXPECT_EQ(ColorFromText("clMedGray"), 0x00A4A0A0u);
    EXPECT_EQ(ColorFromText("clScrollBar"), 0xFF000000u);
    EXPECT_EQ(ColorFromText("clinfobk"), 0xFF000018u);
    EXPECT_EQ(ColorFromText("clHotLight"), 0xFF00001Au) << "index 25 has no name";
    EXPECT_EQ(ColorFromText("clMenuBar"), 0xFF00001Eu);
    EXPECT_EQ(ColorFromText("clNone"), 0x1FFFFFFFu);
    EXPECT_EQ(ColorFromText("clDefault"), 0x20000000u);
}

TEST(ColourText, NumbersDecimalAndDollarHex)
{
    EXPECT_EQ(ColorFromText("$00FF00AA"), 0x00FF00AAu);
    EXPECT_EQ(ColorFromText("$ff"), 0xFFu);
    EXPECT_EQ(ColorFromText("255"), 255u);
    EXPECT_EQ(ColorFromText("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ColorFromText("$FFFFFFFF"), 0xFFFFFFFFu);
    for (const char* bad : { "", "clBlackish", "cl Black", "red", "$", "$1234567890", "0xFF", "12 ", "$GG" }) {
        EXPECT_FALSE(ColorFromText(bad).has_value()) << bad;
        auto converted = ConvertColorText(bad);
        ASSERT_FALSE(converted.has_value());
        EXPECT_NE(converted.error().message.find(std::string("'") + bad + "'"), std::string::npos);
    }
}

TEST(ColourText, WriterUsesPlainNamesOnlyOnExactMatch)
{
    EXPECT_EQ(ColorToText(0x00000000), "clBlack");
    EXPECT_EQ(ColorToText(0x000000FF), "clRed");
    EXPECT_EQ(ColorToText(0x00A4A0A0), "clMedGray");
    EXPECT_EQ(ColorToText(0x00000001), "$00000001");
    EXPECT_EQ(ColorToText(0x00abcdef), "$00ABCDEF");
    EXPECT_EQ(ColorToText(0xFF00000F), "$FF00000F") << "system colours are written as numbers";
    EXPECT_EQ(ColorToText(0x1FFFFFFF), "$1FFFFFFF");
    for (uint32_t value : { 0u, 0x80u, 0x123456u, 0xFF000005u, 0xFFFFFFFFu })
        EXPECT_EQ(ColorFromText(ColorToText(value)), value) << value;
}

TEST(NumberText, SignedDecimalAndHexWithinRange)
{
    EXPECT_EQ(ParseInt32("0"), 0);
    EXPECT_EQ(ParseInt32("-5"), -5);
    EXPECT_EQ(ParseInt32("+7"), 7);
    EXPECT_EQ(ParseInt32("007"), 7);
    EXPECT_EQ(ParseInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("$7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(ParseInt32("$80000000"), INT32_MIN);
    for (const char* bad : { "", "-", "+", "2147483648", "-2147483649", "99999999999", "99999999999999999999999", "1.5",
             " 1", "1 ", "1e3", "abc", "$", "$123456789", "$-1", "0x10", "1,000", "--1" })
        EXPECT_FALSE(ParseInt32(bad).has_value()) << bad;
}

TEST(Base64, KnownVectorsAndRoundTrips)
{
    auto encode = [](std::string_view text) {
        return Base64Encode(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    };
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    const std::vector<uint8_t> high = { 0xFB, 0xFF, 0xBF };
    EXPECT_EQ(Base64Encode(high), "+/+/");

    std::mt19937 random(42);
    for (size_t size = 0; size < 64; ++size) {
        std::vector<uint8_t> bytes(size);
        for (auto& b : bytes)
            b = uint8_t(random());
        auto decoded = Base64Decode(Base64Encode(bytes));
        ASSERT_TRUE(decoded.has_value()) << size;
        EXPECT_EQ(*decoded, bytes) << size;
    }
    // MIME line breaks and blanks are skipped.
    auto wrapped = Base64Decode("Zm9v\r\nYmFy\n Zg==\t");
    ASSERT_TRUE(wrapped.has_value());
    EXPECT_EQ(std::string(wrapped->begin(), wrapped->end()), "foobarf");
}

TEST(Base64, ReadsWhatOtherWritersWriteAndRejectsOnlyALoneCharacter)
{
    const std::pair<const char*, const char*> cases[] = {
        { "Zg", "f" }, // padding left out
        { "Zm9", "fo" },
        { "Zg=", "f" },
        { "Zm9v!", "foo" }, // characters outside the alphabet are skipped
        { "Zm9v-_", "foo" },
        { "Zm9vY\x80"
          "mFy",
            "foobar" },
        { "Zg==Zg==", "f" }, // the first padding ends the data
        { "Zg=a", "f" },
        { "Zg===", "f" },
        { "=Zg=", "" },
    };
    for (const auto& [text, bytes] : cases) {
        auto decoded = Base64Decode(text);
        ASSERT_TRUE(decoded.has_value()) << text;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), bytes) << text;
    }
    for (const char* bad : { "Z", "Zm9vY", "Z===", "Zm9v Y\n" })
        EXPECT_FALSE(Base64Decode(bad).has_value()) << bad;
    EXPECT_TRUE(Base64Decode("")->empty());
}

} // namespace
} // namespace clickwisp
