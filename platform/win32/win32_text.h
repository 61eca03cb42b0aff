#pragma once

// What typing sends, kept apart from SendInput so it can be checked alone.
#include <cstdint>
#include <string>

namespace clickwisp {

// The UTF-16 code units of one character: one, or a surrogate pair beyond
// U+FFFF. Empty for what no window can receive (a lone surrogate, a value
// above U+10FFFF).
std::u16string Utf16Units(char32_t ch);

} // namespace clickwisp
