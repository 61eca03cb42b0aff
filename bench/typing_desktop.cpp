// What typing a text full of characters the keyboard layout lacks costs the
// rest of the desktop. On a private Xvfb with the openbox window manager and
// a GTK text field (zenity --entry) holding the focus, `clickwisp-cli play`
// types a text with N distinct CJK characters mixed with ASCII; as soon as
// play has ended, a new top-level window is mapped and the time until the
// window manager lets it appear is measured. An independent client counts the
// keyboard mapping changes, and the GTK field's text is compared with what
// was typed.
//
//   ./typing_desktop [N...]        (default: 10 50 100 300)
//
// It starts its own X server; DISPLAY is not used. CLICKWISP_CLI names
// another clickwisp-cli to measure (an older build, for comparison).
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

// After the headers above: X.h defines None.
#include "tests/support/x_desktop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace clickwisp;
using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv)
{
    const std::vector<int> counts = test::distinctCounts(argc, argv);

    test::XvfbServer xvfb(1024, 768);
    if (!xvfb.ok()) {
        std::fprintf(stderr, "typing_desktop: %s\n", xvfb.error().c_str());
        return 2;
    }
    test::OpenboxSession openbox(xvfb.display());
    if (!openbox.ok()) {
        std::fprintf(stderr, "typing_desktop: openbox did not start on %s\n", xvfb.display().c_str());
        return 2;
    }
    test::KeymapChangeCounter changes(xvfb.display());
    const std::string cli = test::cliToMeasure();
    test::TempDir dir;
    std::printf("clickwisp-cli play of a text into zenity --entry under openbox on Xvfb %s\n", xvfb.display().c_str());
    std::printf("%9s %10s %12s %16s %s\n", "distinct", "play (s)", "map changes", "next window (s)", "text");
    for (int count : counts) {
        const std::string text = test::utf8Of(test::distinctCjkText(count));
        test::writeFile(dir / "list.xml",
            "<?xml version=\"1.0\"?>\n<list><item actionType=\"3\" typeText=\"" + text + "\"/></list>\n");
        test::ZenityEntry entry(xvfb.display(), "typing " + std::to_string(count));
        if (!entry.ok()) {
            std::fprintf(stderr, "typing_desktop: zenity did not take the focus\n");
            return 2;
        }
        changes.take();
        const auto start = Clock::now();
        const auto played = test::runProcess({ cli, "play", (dir / "list.xml").string() });
        const double playSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto mapped = openbox.timeToMapNewWindow(std::chrono::minutes(3));
        const int changed = changes.take();
        const auto got = entry.text(std::chrono::seconds(60));
        const char* verdict = played.status != 0 ? "PLAY FAILED"
            : !got                               ? "NO TEXT"
            : *got == text                       ? "exact"
                                                 : "DIFFERS";
        std::printf("%9d %10.2f %12d %16.2f %s\n", count, playSeconds, changed,
            mapped ? double(mapped->count()) / 1e6 : -1.0, verdict);
        std::fflush(stdout);
    }
    return 0;
}
