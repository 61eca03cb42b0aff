#pragma once

#include "core/error.h"
#include "platform/screen_source.h"
#include "screen/bitmap_data.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace clickwisp {

// Reads an uncompressed 24-bit BMP file. The error names what the file is
// for and the file: "<what> <file>: cannot be opened" or "<what> <file>:
// not an uncompressed 24-bit BMP image".
Result<std::unique_ptr<TBDBitmapData>> LoadBitmapFile(const std::filesystem::path& file, std::string_view what);

// A BMP file as a still screen image, for the fake backend.
Result<ScreenImage> LoadScreenImage(const std::filesystem::path& file);

} // namespace clickwisp
