// What typing a text full of characters the keymap lacks costs a wlroots
// compositor and its clients, the Wayland side of typing_desktop: on a
// private headless sway, with wev holding the keyboard focus,
// `clickwisp-cli play` types a text with N distinct CJK characters mixed
// with ASCII; as soon as play has ended, a second wev is started and the
// time until sway has configured its window is measured. The keymaps the
// focused wev received during the text are counted.
//
//   ./typing_sway [N...]        (default: 10 50 100 300)
//
// It starts its own sway (as the user clickwisp-test when run as root).
// CLICKWISP_CLI names another clickwisp-cli to measure.
#include "tests/support/child_process.h"
#include "tests/support/headless_sway.h"
#include "tests/support/process.h"
#include "tests/support/x_desktop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace clickwisp;
using Clock = std::chrono::steady_clock;

// Lines of wev's output about its first wl_keyboard that hold part (wev
// binds the seat's keyboard once per capability announcement, and prints
// every event once per binding).
size_t keyboardLines(const std::string& log, const std::string& part)
{
    const size_t first = log.find("wl_keyboard] ");
    if (first == std::string::npos)
        return 0;
    const std::string prefix = log.substr(log.rfind('[', first), first - log.rfind('[', first));
    size_t count = 0;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string_view line(log.data() + start, end - start);
        if (line.starts_with(prefix) && line.find(part) != std::string_view::npos)
            ++count;
        start = end + 1;
    }
    return count;
}

std::unique_ptr<test::ChildProcess> focusedWev()
{
    auto wev = std::make_unique<test::ChildProcess>(std::vector<std::string> { "stdbuf", "-oL", "wev" });
    if (!wev->waitForStdout("xdg_toplevel] configure", std::chrono::seconds(20)))
        return nullptr;
    return wev;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<int> counts = test::distinctCounts(argc, argv);
    const std::string cli = test::cliToMeasure();

    test::HeadlessSway sway;
    if (!sway.ok()) {
        std::fprintf(stderr, "typing_sway: %s\n", sway.error().c_str());
        return 2;
    }
    test::TempDir dir;
    std::printf("clickwisp-cli play of a text into wev on a headless sway\n");
    std::printf("%9s %10s %8s %16s %s\n", "distinct", "play (s)", "keymaps", "next window (s)", "keys pressed");
    for (int count : counts) {
        const std::string text = test::utf8Of(test::distinctCjkText(count));
        test::writeFile(dir / "list.xml", "<list><item actionType=\"3\" typeText=\"" + text + "\"/></list>\n");
        auto wev = focusedWev();
        if (!wev) {
            std::fprintf(stderr, "typing_sway: wev did not open its window\n");
            return 2;
        }
        wev->waitForStdout("never", std::chrono::milliseconds(200)); // its start-up output
        const size_t keymapsBefore = keyboardLines(wev->out(), "keymap");
        const auto start = Clock::now();
        const auto played = test::runProcess({ cli, "play", (dir / "list.xml").string() });
        const double playSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto opened = Clock::now();
        test::ChildProcess next({ "stdbuf", "-oL", "wev" });
        const bool configured = next.waitForStdout("xdg_toplevel] configure", std::chrono::minutes(2));
        const double nextSeconds = std::chrono::duration<double>(Clock::now() - opened).count();
        wev->waitForStdout("sym: Return", std::chrono::seconds(30));
        const size_t keymaps = keyboardLines(wev->out(), "keymap") - keymapsBefore;
        const size_t typed = keyboardLines(wev->out(), "(pressed)");
        if (std::getenv("TYPING_SWAY_LOG"))
            test::writeFile(std::getenv("TYPING_SWAY_LOG"), wev->out());
        std::printf("%9d %10.2f %8zu %16.2f %zu of %zu%s\n", count, playSeconds, keymaps,
            configured ? nextSeconds : -1.0, typed, test::distinctCjkText(count).size() + 1,
            played.status != 0 ? "  PLAY FAILED" : "");
        std::fflush(stdout);
    }
    return 0;
}
