#pragma once

#include "screen/bitmap_data.h"

#include <vector>

namespace clickwisp::search {

// A rectangle of the picture whose pixels all lie in a narrow colour box.
struct UniformArea {
    int32_t left = 0; // in the picture, from its top-left pixel
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t low = 0; // per channel, the lowest and highest value inside (0x00RRGGBB)
    uint32_t high = 0;
};

// Up to maxAreas disjoint rectangles of near-uniform colour, the largest
// first: within each, every channel lies within half its tolerance of one
// of the picture's frequent colours (exactly that colour for an exact
// search). Rectangles under 16 pixels are left out.
std::vector<UniformArea> findUniformAreas(
    const TBDBitmapData& picture, const ColorTolerance* tolerance, size_t maxAreas = 6);

// Rules out placements of a picture in time that depends on the screen's
// size only: a placement can match only if every screen pixel under each
// uniform area lies within the tolerance of that area's colour box. For each
// area the screen pixels outside the box are marked, and the marks are
// widened by the area's width and height (bit-parallel erosion), so each
// placement is kept or dropped in one bit operation per area. It never drops
// a placement that matches; what it keeps still needs the full comparison.
class AreaFilter {
public:
    AreaFilter(const TBDBitmapData& picture, const ColorTolerance* tolerance);

    // Whether the picture has areas to filter with.
    bool useful() const { return !m_areas.empty(); }
    const std::vector<UniformArea>& areas() const { return m_areas; }

    // Works out the placements with tops from fromTop on that pass every
    // area. The screen is at least as large as the picture.
    void apply(const TBDBitmapData& screen, int32_t fromTop);

    // The placements (pixel mask, kernels layout) with this top that passed.
    const uint64_t* row(int32_t top) const { return m_kept + size_t(top - m_fromTop) * m_keptWords; }

private:
    std::vector<UniformArea> m_areas;
    ColorTolerance m_tolerance {};
    int32_t m_pictureWidth = 0;
    int32_t m_pictureHeight = 0;
    int32_t m_fromTop = 0;
    size_t m_keptWords = 0;
    // One mask per placement row, in an array kept per thread: a search
    // does not pay for mapping fresh memory.
    const uint64_t* m_kept = nullptr;
};

} // namespace clickwisp::search
