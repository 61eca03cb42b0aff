// clickwisp-cli find-picture PICTURE.bmp: where a picture click would click.
#include "cli/screen_verbs.h"
#include "cli/verb.h"
#include "screen/screen_search.h"

namespace clickwisp::cli {
namespace {

constexpr const char* kPrefix = "clickwisp-cli find-picture: ";

int findPicture(const std::string& pictureFile, int32_t similarity, bool explain, const ScreenOptions& options)
{
    const auto area = readArea(kPrefix, options.area);
    if (!area)
        return kExitUsage;
    const auto picture = loadBmp(pictureFile, "picture");
    if (!picture) {
        std::cerr << kPrefix << picture.error().message << '\n';
        return kExitBadInput;
    }
    if (explain)
        return explainScreen(kPrefix, options, *area,
            [&](ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom) {
                return ExplainPictureOnScreen(screen, **picture, left, top, right, bottom, similarity);
            });
    return searchScreen(
        kPrefix, options, *area, [&](ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom) {
            return FindPictureOnScreenChecked(screen, **picture, left, top, right, bottom, similarity);
        });
}

const bool registered = registerVerb([](CLI::App& app) {
    struct Arguments {
        std::string picture;
        int32_t similarity = 100;
        bool explain = false;
        ScreenOptions screen;
    };
    auto args = std::make_shared<Arguments>();
    CLI::App* command
        = app.add_subcommand("find-picture", "Print where the centre of the first placement of a picture is");
    command->add_option("PICTURE", args->picture, "The picture: an uncompressed 24-bit BMP file")->required();
    command->add_option("--similar", args->similarity, "Similarity in percent; 100 is exact (default)");
    command->add_flag("--explain", args->explain,
        "Also print on stderr the similarity of the match, or \"best S% at X Y\" when not found");
    args->screen.addArea(*command, "to search");
    args->screen.addScreenImage(*command);
    command->footer("Prints \"X Y\", the screen point of the centre (halves rounded down) of the top-most,\n"
                    "then left-most, placement of the picture.\n"
                    "Exit status: 0 found, 1 not found, 2 picture or screen image not usable,\n"
                    "3 the capture failed, 64 wrong command line, 69 no display.");
    return Verb { command,
        [args] { return findPicture(args->picture, args->similarity, args->explain, args->screen); } };
});

} // namespace
} // namespace clickwisp::cli
