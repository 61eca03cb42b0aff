#include "core/base64.h"

#include <array>

namespace clickwisp {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> makeDecodeTable()
{
    std::array<int8_t, 256> table {};
    for (auto& entry : table)
        entry = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr auto kDecode = makeDecodeTable();

} // namespace

std::string Base64Encode(std::span<const uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += kAlphabet[group & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = uint32_t(bytes[i]) << 16;
        if (rest == 2)
            group |= uint32_t(bytes[i + 1]) << 8;
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text)
{
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    int count = 0; // sextets in the current group
    for (char c : text) {
        // The first "=" marks the end of the data; what follows is not read.
        if (c == '=')
            break;
        const int value = kDecode[static_cast<uint8_t>(c)];
        if (value < 0)
            continue; // line breaks, blanks and anything else outside the alphabet
        group = (group << 6) | uint32_t(value);
        if (++count == 4) {
            out.push_back(uint8_t(group >> 16));
            out.push_back(uint8_t(group >> 8));
            out.push_back(uint8_t(group));
            group = 0;
            count = 0;
        }
    }
    // A final group of two or three sextets holds one or two bytes, with or
    // without its padding; one sextet alone holds no whole byte.
    if (count == 1)
        return std::nullopt;
    if (count == 2)
        out.push_back(uint8_t(group >> 4));
    if (count == 3) {
        out.push_back(uint8_t(group >> 10));
        out.push_back(uint8_t(group >> 2));
    }
    return out;
}

} // namespace clickwisp
