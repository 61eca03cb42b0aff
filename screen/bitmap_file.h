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

// Writes the screen rectangle CaptureRectangle gives for the arguments as a
// 24-bit BMP file, atomically, the pixels going to the file as they are
// captured (no whole copy is held where the backend captures in strips).
// The error names the rectangle or the file.
Result<void> WriteScreenCapture(
    ScreenSource& screen, int32_t left, int32_t top, int32_t width, int32_t height, const std::filesystem::path& file);

// A BMP file as a still screen image, for the fake backend.
Result<ScreenImage> LoadScreenImage(const std::filesystem::path& file);

} // namespace clickwisp
