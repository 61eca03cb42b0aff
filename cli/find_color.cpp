// clickwisp-cli find-color COLOR: where a colour click would click.
#include "cli/screen_verbs.h"
#include "cli/verb.h"
#include "core/colour_text.h"
#include "screen/screen_search.h"

namespace clickwisp::cli {
namespace {

constexpr const char* kPrefix = "clickwisp-cli find-color: ";

int findColor(const std::string& color, int32_t similarity, bool explain, const ScreenOptions& options)
{
    const auto area = readArea(kPrefix, options.area);
    if (!area)
        return kExitUsage;
    // A bad colour is reported before the screen is touched.
    if (const auto value = ConvertColorText(color); !value) {
        std::cerr << kPrefix << value.error().message << '\n';
        return kExitBadInput;
    }
    if (explain)
        return explainScreen(kPrefix, options, *area,
            [&](ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom) {
                return ExplainColorOnScreen(screen, color, left, top, right, bottom, similarity);
            });
    return searchScreen(
        kPrefix, options, *area, [&](ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom) {
            return FindColorOnScreenChecked(screen, color, left, top, right, bottom, similarity);
        });
}

const bool registered = registerVerb([](CLI::App& app) {
    struct Arguments {
        std::string color;
        int32_t similarity = 100;
        bool explain = false;
        ScreenOptions screen;
    };
    auto args = std::make_shared<Arguments>();
    CLI::App* command = app.add_subcommand("find-color", "Print where the first pixel of a colour is on the screen");
    command->add_option("COLOR", args->color, "Colour name (clRed, any letter case), decimal, or $ and hexadecimal")
        ->required();
    command->add_option("--similar", args->similarity, "Similarity in percent; 100 is exact (default)");
    command->add_flag("--explain", args->explain,
        "Also print on stderr the similarity of the match, or \"best S% at X Y\" when not found");
    args->screen.addArea(*command, "to search");
    args->screen.addScreenImage(*command);
    command->footer("Prints \"X Y\", the screen point of the top-most, then left-most, pixel of the colour.\n"
                    "Exit status: 0 found, 1 not found, 2 colour text or screen image not usable,\n"
                    "3 the capture failed, 64 wrong command line, 69 no display.");
    return Verb { command, [args] { return findColor(args->color, args->similarity, args->explain, args->screen); } };
});

} // namespace
} // namespace clickwisp::cli
