#pragma once

#include "platform/text_target.h"

#include <string>
#include <string_view>

namespace clickwisp {

// Decodes UTF-8: each well-formed sequence of one to four bytes is one
// character. Anything else (a stray continuation byte, a truncated or
// overlong sequence, a surrogate, a value above U+10FFFF) becomes one
// U+FFFD per maximal ill-formed part, so no byte is read twice or skipped.
std::u32string DecodeUtf8(std::string_view text);

// Encodes characters as UTF-8; a value that is no character (a surrogate,
// above U+10FFFF) becomes U+FFFD.
std::string EncodeUtf8(std::u32string_view characters);

// Types text into the window that has the keyboard focus, character by
// character in text order, then presses Enter once. Without a focus window
// nothing is typed and no Enter follows.
void TypeText(TextTarget& target, std::string_view text);

} // namespace clickwisp
