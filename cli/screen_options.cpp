#include "cli/screen_options.h"

#include "cli/desktop_backend.h"
#include "cli/verb.h"
#include "core/number_text.h"
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_file.h"

#include <iostream>
#include <vector>

namespace clickwisp::cli {

void ScreenOptions::addArea(CLI::App& command, const std::string& what)
{
    command.add_option(
        "--area", area, "Rectangle " + what + ": left,top,width,height in screen pixels (default: the whole screen)");
}

void ScreenOptions::addScreenImage(CLI::App& command)
{
    command.add_option("--screen", screenImage, "Use this 24-bit BMP image as the screen (no display needed)");
}

Result<CaptureRect> parseArea(const std::string& text)
{
    if (text.empty())
        return CaptureRect { 0, 0, 0, 0 };
    std::vector<int32_t> values;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto value = ParseInt32(part);
        if (!value)
            return fail("--area '" + text + "': '" + part + "' is not an integer (expected X,Y,W,H)");
        values.push_back(*value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (values.size() != 4)
        return fail("--area '" + text + "': expected four integers X,Y,W,H");
    return CaptureRect { values[0], values[1], values[2], values[3] };
}

OpenedScreen openScreen(const ScreenOptions& options)
{
    const bool fromImage = !options.screenImage.empty();
    if (fromImage) {
        auto image = LoadScreenImage(options.screenImage);
        if (!image)
            return OpenedScreen { nullptr, kExitBadInput, image.error().message };
        return OpenedScreen { makeFakeScreen(nullptr, std::move(*image)), kExitOk, {} };
    }
    auto source = makeDesktopScreen();
    if (!source)
        return OpenedScreen { nullptr, kExitNoDisplay, source.error().message };
    return OpenedScreen { std::move(*source), kExitOk, {} };
}

std::optional<CaptureRect> readArea(const char* prefix, const std::string& text)
{
    auto area = parseArea(text);
    if (!area) {
        std::cerr << prefix << area.error().message << '\n';
        return std::nullopt;
    }
    return *area;
}

Result<std::unique_ptr<TBDBitmapData>> loadBmp(const std::string& fileName, const std::string& what)
{
    auto image = LoadBitmapFile(fileName, what);
    if (!image && image.error().message.ends_with(": not an uncompressed 24-bit BMP image"))
        return fail(image.error().message + ", or cut short");
    return image;
}

} // namespace clickwisp::cli
