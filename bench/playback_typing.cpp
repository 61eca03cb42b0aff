// How fast the X11 backend types into a window: characters per second from
// the start of TypeText until a test window (another connection, reading
// its key presses like any program) has received the last one. Each text
// is typed into a window that answers _NET_WM_PING, as GTK and Qt programs
// do, and into one that does not (xterm, for one), which is given a grace
// period whenever spare keycodes change their characters within a text.
//
//   xvfb-run -a ./playback_typing [CHARS] [ROUNDS]
//
// It types into whatever display DISPLAY names, so run it on a private
// server as above, never on your desktop.
#include "platform/x11/x11_platform.h"
#include "playback/type_text.h"
#include "tests/support/x_desktop.h"
#include "tests/support/x_test_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace clickwisp;
using Clock = std::chrono::steady_clock;

// length characters cycling through alphabet.
std::u32string cycle(const std::u32string& alphabet, size_t length)
{
    std::u32string text;
    for (size_t i = 0; i < length; ++i)
        text.push_back(alphabet[i % alphabet.size()]);
    return text;
}

struct Case {
    const char* name;
    std::u32string text;
};

} // namespace

int main(int argc, char** argv)
{
    const size_t length = argc > 1 ? size_t(std::atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::fprintf(stderr, "playback_typing: DISPLAY is not set; run it as: xvfb-run -a %s\n", argv[0]);
        return 2;
    }
    auto text = makeX11Text(display);
    if (!text) {
        std::fprintf(stderr, "playback_typing: %s\n", text.error().message.c_str());
        return 2;
    }

    std::u32string cjk300;
    for (char32_t ch = 0x4E00; ch < 0x4E00 + 300; ++ch)
        cjk300.push_back(ch);
    std::u32string emoji;
    for (char32_t ch = 0x1F600; ch < 0x1F600 + 40; ++ch)
        emoji.push_back(ch);
    const std::vector<Case> cases = {
        { "ASCII prose (on the layout, with Shift)",
            cycle(U"The quick brown fox, 42 times: \"Jumps!\" over the lazy dog? ", length) },
        { "Latin-1 and symbols off the layout (10 distinct)",
            cycle(U"\u00E9\u00E8\u00FC\u00DF\u00F1\u20AC\u00A9\u00B0"
                  U"\u00BD\u00E7",
                length) },
        { "Mixed ASCII and 12 off-layout characters",
            cycle(U"Gr\u00FC\u00DFe aus K\u00F6ln \u4F60\u597D \U0001F600 \u00E9t\u00E9 \u20AC5 \u00C5ngstr\u00F6m ",
                length) },
        { "Emoji, 40 distinct", cycle(emoji, length) },
        { "300 distinct CJK characters, each once", cjk300 },
        { "300 distinct CJK characters cycling (worst case)", cycle(cjk300, length) },
    };

    std::printf(
        "Typing %zu characters (+ Enter) into a test window on %s, median of %d rounds\n", length, display, rounds);
    for (const bool answersPings : { true, false }) {
        test::XTestWindow window(display, 0, 0, 300, 200, answersPings);
        if (!window.ok()) {
            std::fprintf(stderr, "playback_typing: cannot open a test window on %s\n", display);
            return 2;
        }
        std::printf("%s\n",
            answersPings ? "Into a window that answers pings (as GTK and Qt programs do):"
                         : "Into a window that does not answer pings:");
        for (const auto& c : cases) {
            const std::string utf8 = test::utf8Of(c.text);
            std::vector<double> rates;
            bool correct = true;
            for (int round = 0; round < rounds; ++round) {
                window.clear();
                const auto start = Clock::now();
                TypeText(**text, utf8);
                const bool all = window.waitForText(c.text.size() + 1, std::chrono::seconds(120));
                const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                const std::u32string got = window.text();
                if (correct && (!all || got != c.text + U"\n")) {
                    const std::u32string want = c.text + U"\n";
                    size_t at = 0;
                    while (at < got.size() && at < want.size() && got[at] == want[at])
                        ++at;
                    std::fprintf(stderr,
                        "  round %d: %zu of %zu characters arrived, first difference at %zu "
                        "(got U+%04X, expected U+%04X)\n",
                        round, got.size(), want.size(), at, at < got.size() ? unsigned(got[at]) : 0u,
                        at < want.size() ? unsigned(want[at]) : 0u);
                }
                correct = correct && all && got == c.text + U"\n";
                rates.push_back(double(c.text.size() + 1) / seconds);
            }
            std::sort(rates.begin(), rates.end());
            std::printf("  %-60s %9.0f chars/s (min %.0f, max %.0f)%s\n", c.name, rates[rates.size() / 2],
                rates.front(), rates.back(), correct ? "" : "  TEXT DIFFERS");
        }
    }
    return 0;
}
