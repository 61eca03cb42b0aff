#pragma once

#include "screen/bitmap_data.h"

#include <vector>

namespace clickwisp::search {

// One pixel of the picture tested before a placement is compared in full.
struct Probe {
    int32_t dx = 0; // position in the picture, from its top-left pixel
    int32_t dy = 0;
    uint32_t color = 0; // 0x00RRGGBB
};

// Up to maxProbes pixels of a non-empty picture, the rarest on the screen
// first (judged from a sample of screen pixels, exactly or within the
// tolerance), with different colours preferred, then spread-out positions.
std::vector<Probe> chooseProbes(
    const TBDBitmapData& screen, const TBDBitmapData& picture, const ColorTolerance* tolerance, size_t maxProbes = 4);

} // namespace clickwisp::search
