// clickwisp-cli capture OUT.bmp: the screen, or a rectangle of it, as a
// 24-bit BMP file that find-picture and the action editor read.
#include "cli/screen_verbs.h"
#include "cli/verb.h"
#include "core/atomic_file.h"
#include "core/page_faults.h"

#include <memory>
#include <span>
#include <spanstream>

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
    // Encoded once into an array of the file's size: no growing stream, no
    // second copy.
    const size_t size = size_t(TBDBitmapData::kFileHeaderSize) + size_t(pixels.DataSize());
    const auto encoded = std::make_unique_for_overwrite<char[]>(size);
    FaultInPages(encoded.get(), size);
    std::ospanstream bmp(std::span<char>(encoded.get(), size));
    if (!pixels.SaveToStream(bmp) || size_t(bmp.span().size()) != size) {
        std::cerr << kPrefix << outFile << ": the image could not be encoded\n";
        return kExitRunError;
    }
    if (const auto written = WriteFileAtomically(outFile, std::string_view(encoded.get(), size)); !written) {
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
