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
// Decodes Base64; line breaks and blanks are skipped. Nothing on a character
// outside the alphabet, misplaced padding or a truncated final group.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

} // namespace clickwisp
