#include "core/colour_text.h"

#include "core/number_text.h"

#include <array>
#include <cstdio>

namespace clickwisp {
namespace {

struct NamedColour {
    std::string_view name;
    uint32_t value;
    bool plain; // the writer may use the name
};

constexpr uint32_t kSystem = 0xFF000000u;

constexpr std::array<NamedColour, 52> kColours { {
    { "clBlack", 0x00000000, true },
    { "clMaroon", 0x00000080, true },
    { "clGreen", 0x00008000, true },
    { "clOlive", 0x00008080, true },
    { "clNavy", 0x00800000, true },
    { "clPurple", 0x00800080, true },
    { "clTeal", 0x00808000, true },
    { "clGray", 0x00808080, true },
    { "clSilver", 0x00C0C0C0, true },
    { "clRed", 0x000000FF, true },
    { "clLime", 0x0000FF00, true },
    { "clYellow", 0x0000FFFF, true },
    { "clBlue", 0x00FF0000, true },
    { "clFuchsia", 0x00FF00FF, true },
    { "clAqua", 0x00FFFF00, true },
    { "clWhite", 0x00FFFFFF, true },
    { "clMoneyGreen", 0x00C0DCC0, true },
    { "clSkyBlue", 0x00F0CAA6, true },
    { "clCream", 0x00F0FBFF, true },
    { "clMedGray", 0x00A4A0A0, true },
    { "clScrollBar", kSystem | 0, false },
    { "clBackground", kSystem | 1, false },
    { "clActiveCaption", kSystem | 2, false },
    { "clInactiveCaption", kSystem | 3, false },
    { "clMenu", kSystem | 4, false },
    { "clWindow", kSystem | 5, false },
    { "clWindowFrame", kSystem | 6, false },
    { "clMenuText", kSystem | 7, false },
    { "clWindowText", kSystem | 8, false },
    { "clCaptionText", kSystem | 9, false },
    { "clActiveBorder", kSystem | 10, false },
    { "clInactiveBorder", kSystem | 11, false },
    { "clAppWorkSpace", kSystem | 12, false },
    { "clHighlight", kSystem | 13, false },
    { "clHighlightText", kSystem | 14, false },
    { "clBtnFace", kSystem | 15, false },
    { "clBtnShadow", kSystem | 16, false },
    { "clGrayText", kSystem | 17, false },
    { "clBtnText", kSystem | 18, false },
    { "clInactiveCaptionText", kSystem | 19, false },
    { "clBtnHighlight", kSystem | 20, false },
    { "cl3DDkShadow", kSystem | 21, false },
    { "cl3DLight", kSystem | 22, false },
    { "clInfoText", kSystem | 23, false },
    { "clInfoBk", kSystem | 24, false },
    { "clHotLight", kSystem | 26, false },
    { "clGradientActiveCaption", kSystem | 27, false },
    { "clGradientInactiveCaption", kSystem | 28, false },
    { "clMenuHighlight", kSystem | 29, false },
    { "clMenuBar", kSystem | 30, false },
    { "clNone", 0x1FFFFFFF, false },
    { "clDefault", 0x20000000, false },
} };

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<uint32_t> ColorFromText(std::string_view text)
{
    for (const auto& colour : kColours) {
        if (equalsIgnoringCase(colour.name, text))
            return colour.value;
    }
    if (auto number = ParseInt32(text))
        return static_cast<uint32_t>(*number);
    return std::nullopt;
}

Result<uint32_t> ConvertColorText(std::string_view text)
{
    if (auto value = ColorFromText(text))
        return *value;
    return fail("'" + std::string(text) + "' is not a colour name or number");
}

std::string ColorToText(uint32_t value)
{
    for (const auto& colour : kColours) {
        if (colour.plain && colour.value == value)
            return std::string(colour.name);
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%08X", value);
    return buffer;
}

} // namespace clickwisp
