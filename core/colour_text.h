#pragma once

#include "core/error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// Colour texts: a name of the 52-entry colour table (any letter case), or an
// integer, decimal or "$" hexadecimal. Values are 0x00BBGGRR (red in the low
// byte); system colours carry 0xFF in the top byte.

// The colour's value, or nothing when the text is neither a name nor a number.
std::optional<uint32_t> ColorFromText(std::string_view text);
// As ColorFromText, with an error that quotes the text.
Result<uint32_t> ConvertColorText(std::string_view text);
// The writer's form: the plain colour's name when one matches exactly,
// else "$" and 8 upper-case hexadecimal digits.
std::string ColorToText(uint32_t value);

} // namespace clickwisp
