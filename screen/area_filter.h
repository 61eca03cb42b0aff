#pragma once

#include "screen/bitmap_data.h"
#include "screen/pixel_kernels.h"

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
    int32_t fromTop() const { return m_fromTop; }

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

// Placements x, x + stride, ... x + (count - 1) * stride (of pixels or rows).
struct Progression {
    int32_t start = 0;
    int32_t stride = 1;
    int32_t count = 1;
};

// Rules out placements of a textured picture (one without uniform areas, or
// whose areas leave too much to compare) in time that depends on the
// screen's size and on the picture's structure, not on where placements
// fail. The picture's colours fall into up to 16 classes, each a colour box
// no wider than the tolerance; a placement can match only if every screen
// pixel under a picture pixel of class k lies within the tolerance of k's
// box. Picture rows with the same classes in the same places form one
// pattern. Per screen row and pattern, the pixels in each class's box are
// marked and the marks of the class's pixels in the pattern, taken as
// arithmetic progressions (runs, checkerboard steps), are ANDed by doubling;
// the pattern's rows, also as progressions, are ANDed the same way down the
// screen. Patterns are taken, the most frequent first, while their cost
// stays within a fixed number of row operations per screen row; leaving
// rows or pixels out only keeps more. It never drops a placement that
// matches; what it keeps still needs the full comparison. Up to eight
// pixels that differ from each of their neighbours by more than the
// tolerance (edges, single changed pixels: where nearly matching shifted
// placements fail) are checked on their own first. Pictures of more than
// 2^20 pixels (few placements) get no filter.
class PatternFilter {
public:
    PatternFilter(const TBDBitmapData& picture, const ColorTolerance& tolerance);

    bool useful() const { return !m_chosen.empty() || !m_points.empty(); }
    // Every picture pixel is in a class of one colour and every row is
    // taken: the filter keeps exactly the placements that match.
    bool exact() const { return m_exact && !m_skippedPatterns; }

    // As AreaFilter::apply, starting from the placements within kept (when
    // given; it was applied from fromTop or earlier) instead of all of them.
    // When the placements left after the single pixels would cost at most
    // skipPatternsBytes to compare in full, the patterns are not worked out:
    // they would cost more than they save. Negative: always worked out.
    void apply(const TBDBitmapData& screen, int32_t fromTop, const AreaFilter* within = nullptr,
        int64_t skipPatternsBytes = -1);
    // Whether the last apply left the patterns out.
    bool skippedPatterns() const { return m_skippedPatterns; }
    const uint64_t* row(int32_t top) const { return m_kept + size_t(top - m_fromTop) * m_keptWords; }

private:
    struct ClassRun {
        int32_t colourClass;
        std::vector<Progression> across;
    };
    struct Pattern {
        std::vector<ClassRun> classes;
        std::vector<Progression> down; // the picture rows with this pattern
        int32_t firstRow = 0;
        int32_t lastRow = 0;
    };
    // Pixels unlike all their neighbours (by more than the tolerance):
    // where placements shifted by a pixel or two fail. Each is checked on
    // its own, before the patterns.
    struct Point {
        int32_t dx;
        int32_t dy;
        kernels::PixelProbe box;
    };
    std::vector<Point> m_points;
    std::vector<kernels::PixelProbe> m_boxes; // per class
    std::vector<Pattern> m_chosen;
    bool m_exact = false;
    bool m_skippedPatterns = false;
    int32_t m_pictureWidth = 0;
    int32_t m_pictureHeight = 0;
    int32_t m_fromTop = 0;
    size_t m_keptWords = 0;
    const uint64_t* m_kept = nullptr;
};

} // namespace clickwisp::search
