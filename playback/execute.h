#pragma once

#include "core/action.h"
#include "core/error.h"
#include "platform/desktop.h"
#include "screen/best_match.h"
#include "screen/bitmap_data.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace clickwisp {

// Decodes a picture text (Base64 of a BMP file image). Bad Base64 or a
// rejected BMP gives an empty 0 x 0 buffer; a BMP cut short keeps its
// header's size, the missing pixels black.
std::unique_ptr<TBDBitmapData> DecodePicture(std::string_view pictureText);

// The decoded pictures of the picture clicks of one run: each action's
// fBMP is decoded on its first use and kept while the cache lives. The
// actions must outlive the cache and keep their fBMP. One thread at a time.
class PictureCache {
public:
    // The decoded fBMP of action; null when fBMP is empty.
    const TBDBitmapData* Get(const TMouseObj& action);

private:
    std::unordered_map<const TMouseObj*, std::unique_ptr<TBDBitmapData>> m_pictures;
};

// A colour or picture click that found no target, and how close it came.
struct TargetMiss {
    int actionNumber = 0; // 1-based; set by the run engine
    std::string target; // "colour clRed", "picture 24 x 16"
    BestMatch best; // on the same capture; the place as the click would take it

    // "colour clRed not found (best 87 % at 120 45)"; "(found at no
    // similarity)" when the picture fits nowhere.
    std::string describe() const;
};

// Whether the action is a click on a colour or a picture.
bool ClicksOnTarget(const TMouseObj& action);

// Performs the action on the desktop (delays are waited by the run engine).
// Fails only when a colour click's colour text does not convert. A colour or
// picture click that finds no target does nothing, and fills *miss when
// miss is given (its actionNumber is left alone); its best match only when
// findBest is true (up to seven more searches of the same capture).
Result<void> Execute(const TMouseObj& action, Desktop& desktop, PictureCache& pictures, TargetMiss* miss = nullptr,
    bool findBest = true);
// The same with a picture decoded for this call only.
Result<void> Execute(const TMouseObj& action, Desktop& desktop);

} // namespace clickwisp
