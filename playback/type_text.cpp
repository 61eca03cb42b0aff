#include "playback/type_text.h"

namespace clickwisp {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::u32string DecodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        // Length and the allowed range of the second byte, which rules out
        // overlong forms, surrogates and values above U+10FFFF up front.
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        char32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t taken = 1;
        bool complete = true;
        for (; taken < length; ++taken) {
            if (i + taken >= text.size()) {
                complete = false;
                break;
            }
            const auto byte = static_cast<unsigned char>(text[i + taken]);
            const bool inRange = taken == 1 ? (byte >= low && byte <= high) : isContinuation(byte);
            if (!inRange) {
                complete = false;
                break;
            }
            value = (value << 6) | (byte & 0x3F);
        }
        out.push_back(complete ? value : kReplacement);
        i += taken;
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view characters)
{
    std::string out;
    for (char32_t ch : characters) {
        if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
            ch = kReplacement;
        if (ch < 0x80) {
            out += char(ch);
        } else if (ch < 0x800) {
            out += char(0xC0 | (ch >> 6));
            out += char(0x80 | (ch & 0x3F));
        } else if (ch < 0x10000) {
            out += char(0xE0 | (ch >> 12));
            out += char(0x80 | ((ch >> 6) & 0x3F));
            out += char(0x80 | (ch & 0x3F));
        } else {
            out += char(0xF0 | (ch >> 18));
            out += char(0x80 | ((ch >> 12) & 0x3F));
            out += char(0x80 | ((ch >> 6) & 0x3F));
            out += char(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

void TypeText(TextTarget& target, std::string_view text)
{
    if (!target.focusWindowExists())
        return;
    for (char32_t ch : DecodeUtf8(text))
        target.sendChar(ch);
    target.sendEnter();
}

} // namespace clickwisp
