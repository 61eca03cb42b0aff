#pragma once

#include "core/action.h"
#include "core/error.h"
#include "platform/desktop.h"
#include "screen/bitmap_data.h"

#include <memory>
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

// Performs the action on the desktop (delays are waited by the run engine).
// Fails only when a colour click's colour text does not convert.
Result<void> Execute(const TMouseObj& action, Desktop& desktop, PictureCache& pictures);
// The same with a picture decoded for this call only.
Result<void> Execute(const TMouseObj& action, Desktop& desktop);

} // namespace clickwisp
