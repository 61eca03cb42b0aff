// clickwisp-cli capture OUT.bmp: the screen, or a rectangle of it, as a
// 24-bit BMP file that find-picture and the action editor read.
#include "cli/screen_verbs.h"
#include "cli/verb.h"
#include "core/atomic_file.h"

#include <array>
#include <string_view>

namespace clickwisp::cli {
namespace {

constexpr const char* kPrefix = "clickwisp-cli capture: ";

int capture(const std::string& outFile, const ScreenOptions& options)
{
    const auto area = readArea(kPrefix, options.area);
    if (!area)
        return kExitUsage;
    OpenedScreen screen = openScreen(options);
    if (!screen.source) {
        std::cerr << kPrefix << screen.error << '\n';
        return screen.status;
    }
    TBDBitmapData pixels;
    if (!pixels.CaptureScreen(*screen.source, area->left, area->top, area->width, area->height)) {
        std::cerr << kPrefix << "capturing the screen rectangle " << options.area << " failed\n";
        return kExitRunError;
    }
    // The header and the pixel array as they are: no encoded copy.
    const std::array<uint8_t, TBDBitmapData::kFileHeaderSize> header = pixels.FileHeader();
    const std::string_view pieces[2] = { std::string_view(reinterpret_cast<const char*>(header.data()), header.size()),
        std::string_view(reinterpret_cast<const char*>(pixels.Pixels()), size_t(pixels.DataSize())) };
    if (const auto written = WriteFileAtomically(outFile, pieces); !written) {
        std::cerr << kPrefix << written.error().message << '\n';
        return kExitRunError;
    }
    return kExitOk;
}

const bool registered = registerVerb([](CLI::App& app) {
    struct Arguments {
        std::string out;
        ScreenOptions screen;
    };
    auto args = std::make_shared<Arguments>();
    CLI::App* command = app.add_subcommand("capture", "Write the screen, or a rectangle of it, as a 24-bit BMP file");
    command->add_option("OUT", args->out, "The BMP file to write (replaced atomically)")->required();
    args->screen.addArea(*command, "to capture");
    args->screen.addScreenImage(*command);
    command->footer("Left or top outside the screen become 0; width or height below 1 take the rest of the\n"
                    "screen; parts beyond the screen come out black.\n"
                    "Exit status: 0 written, 2 screen image not usable, 3 capture or write failed,\n"
                    "64 wrong command line, 69 no display.");
    return Verb { command, [args] { return capture(args->out, args->screen); } };
});

} // namespace
} // namespace clickwisp::cli
