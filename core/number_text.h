#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// Reads a signed 32-bit integer: optional sign and decimal digits, or "$"
// followed by up to 8 hexadecimal digits (taken as a 32-bit pattern).
// No blanks, no fractions; out-of-range values are rejected, never wrapped.
std::optional<int32_t> ParseInt32(std::string_view text);

// Decimal text with a leading "-" for negatives.
std::string FormatInt(int64_t value);

} // namespace clickwisp
