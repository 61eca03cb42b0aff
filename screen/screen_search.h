#pragma once

#include "core/error.h"
#include "core/geometry.h"
#include "screen/bitmap_data.h"

#include <string_view>

namespace clickwisp {

class ScreenSource;

// The per-channel tolerance for a similarity percentage s (100 = exact):
// ((100 - s) * 255) / 100, truncated toward zero. Above 100 it is negative
// and admits nothing.
int32_t SimilarityTolerance(int32_t similarity);

// Captures the rectangle from (left, top) to (right, bottom) and returns the
// screen point of the first pixel (top-most, then left-most) of the colour,
// exact for similarity 100 and otherwise within SimilarityTolerance.
// (-1, -1) when there is none, or when the capture failed. An error only
// when colorText is neither a colour name nor a number; nothing is captured
// then.
Result<ScreenPoint> FindColorOnScreen(ScreenSource& screen, std::string_view colorText, int32_t left, int32_t top,
    int32_t right, int32_t bottom, int32_t similarity);

// Captures the rectangle and returns the screen point of the centre (halves
// rounded down) of the first placement of picture; (-1, -1) when there is
// none or the capture failed. An empty picture is found at the rectangle's
// top-left corner.
ScreenPoint FindPictureOnScreen(ScreenSource& screen, const TBDBitmapData& picture, int32_t left, int32_t top,
    int32_t right, int32_t bottom, int32_t similarity);

// The same tolerance for the three channels (SimilarityTolerance).
ColorTolerance UniformTolerance(int32_t similarity);

// The screen area from (left, top) to (right, bottom) captured into the
// calling thread's capture buffer, which later captures reuse; a point found
// in pixels is offset by rect, the rectangle actually captured. The error
// names the area when the capture failed.
struct CapturedArea {
    const TBDBitmapData* pixels = nullptr;
    CaptureRect rect;
};
Result<CapturedArea> CaptureSearchArea(ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The same two searches for callers that tell the user what went wrong: a
// failed capture is an error here (naming the rectangle), not (-1, -1).
Result<ScreenPoint> FindColorOnScreenChecked(ScreenSource& screen, std::string_view colorText, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity);
Result<ScreenPoint> FindPictureOnScreenChecked(ScreenSource& screen, const TBDBitmapData& picture, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity);

} // namespace clickwisp
