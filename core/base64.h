#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace clickwisp {

// Base64 with the standard MIME alphabet (RFC 2045), "=" padding, no line breaks.
std::string Base64Encode(std::span<const uint8_t> bytes);
// Decodes Base64 as MIME readers do: characters outside the alphabet (line
// breaks, blanks, anything else) are skipped, the first "=" ends the data and
// padding may be missing. Nothing when the final group holds a single
// character, which cannot make a byte.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

} // namespace clickwisp
