#pragma once

#include "core/error.h"
#include "platform/screen_source.h"
#include "screen/bitmap_data.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>

namespace clickwisp::cli {

// The options the screen verbs share: --area X,Y,W,H and --screen IMAGE.bmp.
struct ScreenOptions {
    std::string area;
    std::string screenImage;

    void addArea(CLI::App& command, const std::string& what);
    void addScreenImage(CLI::App& command);
};

// The rectangle of --area (left, top, width, height); width or height below
// 1 take the rest of the screen. Without --area: the whole screen.
Result<CaptureRect> parseArea(const std::string& text);

// parseArea, printing the error after prefix.
std::optional<CaptureRect> readArea(const char* prefix, const std::string& text);

// The screen to search: the --screen image, or the X display. The exit
// status that goes with a failure is set in status.
struct OpenedScreen {
    std::unique_ptr<ScreenSource> source;
    int status = 0;
    std::string error;
};
OpenedScreen openScreen(const ScreenOptions& options);

// Loads a 24-bit BMP file; the error names the file.
Result<std::unique_ptr<TBDBitmapData>> loadBmp(const std::string& fileName, const std::string& what);

} // namespace clickwisp::cli
