#pragma once

#include <cstdint>

namespace clickwisp {

// Converts n 32-bit pixels (blue, green, red, unused byte) to n 3-byte
// pixels (blue, green, red), as a screen capture needs for the bottom-up
// 24-bit layout. src and dst must not overlap.
void PackPixels32To24(const uint8_t* src, uint8_t* dst, int32_t pixels);

} // namespace clickwisp
