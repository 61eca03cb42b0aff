#pragma once

#include "core/error.h"
#include "core/geometry.h"
#include "platform/screen_source.h"
#include "screen/bitmap_data.h"

#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// The action editor's "Test" of a colour or picture target: one capture of
// the whole screen, searched with the editor's current values as a click
// would search it. Nothing of the action changes.
struct TargetCheck {
    bool found = false;
    // Found: the click point. Not found: the click point of the best match
    // (none when the target is found at no similarity).
    std::optional<ScreenPoint> point;
    int32_t bestSimilarity = -1; // not found: the best match's similarity
    // "Found at (x : y)", "Not found — best 87 % at (x : y)", or
    // "Not found at any similarity".
    std::string text;
    // The screen rectangle to mark: the picture's placement, or a square
    // around the pixel. Width 0 when there is nothing to mark.
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The side of the square marked around a colour's pixel.
inline constexpr int32_t kColorMarkSide = 15;

// Errors: a colour text that does not convert, a failed capture.
Result<TargetCheck> CheckColorTarget(ScreenSource& screen, std::string_view colorText, int32_t similarity);
Result<TargetCheck> CheckPictureTarget(ScreenSource& screen, const TBDBitmapData& picture, int32_t similarity);

} // namespace clickwisp
