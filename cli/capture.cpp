// clickwisp-cli capture OUT.bmp: the screen, or a rectangle of it, as a
// 24-bit BMP file that find-picture and the action editor read.
#include "cli/screen_verbs.h"
#include "cli/verb.h"
#include "screen/bitmap_file.h"

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
    // The pixels go to the file as they are captured: no whole copy.
    if (const auto written
        = WriteScreenCapture(*screen.source, area->left, area->top, area->width, area->height, outFile);
        !written) {
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
