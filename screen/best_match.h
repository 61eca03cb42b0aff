#pragma once

#include "core/error.h"
#include "core/geometry.h"
#include "screen/bitmap_data.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace clickwisp {

class ScreenSource;

// How close a colour or picture target comes to being found: the highest
// similarity (0 ... 100, the integer percent of SimilarityTolerance) at
// which the ordinary search finds it, and that search's answer there.
//
// At similarity 0 every colour matches every pixel, so a colour's best
// match on a capture of at least one pixel is never below 0 (then it is the
// top-left pixel), and a picture that fits on the capture is found at 0 at
// its top-left corner. A target found at no similarity at all (a picture
// larger than the capture, an empty capture) has similarity -1 and no place.
struct BestMatch {
    int32_t similarity = -1;
    std::optional<ScreenPoint> place;
};

// The highest s in 0 ... 100 for which search(s) (a std::optional of a
// point) has a value, and that value. search must find at s whenever it
// finds at some higher similarity, as the colour and picture searches do.
// Binary search: at most seven calls of search.
template <typename Search> BestMatch HighestSimilarity(Search search)
{
    // Invariant: found at low (or low == -1), not found at high (or high == 101).
    BestMatch best;
    int32_t low = -1;
    int32_t high = 101;
    while (high - low > 1) {
        const int32_t middle = (low + high) / 2;
        if (auto place = search(middle)) {
            low = middle;
            best = BestMatch { middle, place };
        } else {
            high = middle;
        }
    }
    return best;
}

// The ordinary searches at one similarity: exact at 100, within
// SimilarityTolerance below. Positions count from the capture's top-left.
std::optional<ScreenPoint> LocateColorAt(const TBDBitmapData& capture, uint32_t color, int32_t similarity);
std::optional<ScreenPoint> LocatePictureAt(
    const TBDBitmapData& capture, const TBDBitmapData& picture, int32_t similarity);

// The best match of a colour (0x00RRGGBB) or a picture on a capture; the
// place is the pixel, or the top-left corner of the placement.
BestMatch BestColorMatch(const TBDBitmapData& capture, uint32_t color);
BestMatch BestPictureMatch(const TBDBitmapData& capture, const TBDBitmapData& picture);

// The highest similarity at which the pixels a and b match (0 ... 100).
int32_t ColorSimilarity(uint32_t a, uint32_t b);
// The highest similarity at which picture with its top-left pixel on
// (left, top) matches capture; -1 when it does not lie wholly on capture.
int32_t PlacementSimilarity(const TBDBitmapData& capture, const TBDBitmapData& picture, int32_t left, int32_t top);

// One capture of the rectangle from (left, top) to (right, bottom), searched
// as FindColorOnScreen / FindPictureOnScreen search it, and explained.
// Points are screen points, as those functions give them (a picture's
// centre, halves rounded down).
struct ExplainedSearch {
    std::optional<ScreenPoint> found; // the answer at the asked similarity
    int32_t matchSimilarity = -1; // found: the highest similarity at which that place matches
    BestMatch best; // not found: the best match on the same capture
};

// Errors: a colour text that does not convert (nothing is captured), and a
// failed capture (naming the rectangle).
Result<ExplainedSearch> ExplainColorOnScreen(ScreenSource& screen, std::string_view colorText, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity);
Result<ExplainedSearch> ExplainPictureOnScreen(ScreenSource& screen, const TBDBitmapData& picture, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity);

} // namespace clickwisp
