// clickwisp-cli play on GNOME through the desktop portal: a move, left and
// right clicks, a key with Ctrl and a text arrive exactly in wev, an
// independent client; a character the layout has no key for is reported,
// never typed as another.
#include "tests/gnome/gnome_screen.h"
#include "tests/support/consent_answerer.h"
#include "tests/support/wev.h"

#include <gmock/gmock.h>

namespace clickwisp::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// wev's window is a checkerboard of 8-pixel squares, the top-left one dark grey.
constexpr uint32_t kWevGrey = 0x666666;
constexpr int kWevSquare = 8;

TEST(PortalPlay, InputAndTextArriveExactlyAndWhatTheLayoutLacksIsReported)
{
    GNOME_DESKTOP_OR_SKIP();
    HeadlessGnome& desktop = *GnomeSession::desktop();
    const bool french = GnomeSession::options().layout == "fr";
    const auto out = desktop.runtimeDir() / "play";
    std::filesystem::create_directories(out);
    ASSERT_TRUE(desktop.user().own(out));

    auto wev = desktop.spawn({ "stdbuf", "-oL", "wev" });
    ASSERT_TRUE(wev->waitForStdout("configure", 20s)) << wev->err();
    std::this_thread::sleep_for(500ms); // drawn
    // Where the compositor put the window, from its own picture.
    const auto screen = compositorScreenshot(desktop, "wev");
    ASSERT_TRUE(screen);
    const auto corner = screen->findSquare(kWevGrey, kWevSquare);
    ASSERT_TRUE(corner) << "wev's window is not on the screen";
    const int x = corner->first, y = corner->second;

    // "Qaé" then "ж": the French layout has keys for the first three, the US one for two.
    writeFile(out / "list.xml",
        "<list>\n"
        "<item actionType=\"1\" mouseMovePosX=\""
            + std::to_string(x + 100) + "\" mouseMovePosY=\"" + std::to_string(y + 50)
            + "\"/>\n"
              "<item actionType=\"0\" mousePoint=\"0\" mouseButton=\"0\" mouseAction=\"0\"/>\n"
              "<item actionType=\"0\" mousePoint=\"1\" mouseClickPosX=\""
            + std::to_string(x + 117) + "\" mouseClickPosY=\"" + std::to_string(y + 59)
            + "\" mouseButton=\"1\" mouseAction=\"0\"/>\n"
              "<item actionType=\"0\" mousePoint=\"0\" mouseAction=\"4\"/>\n"
              "<item actionType=\"2\" key=\"17\" keyAction=\"0\"/>\n"
              "<item actionType=\"2\" key=\"67\" keyAction=\"2\"/>\n"
              "<item actionType=\"2\" key=\"17\" keyAction=\"1\"/>\n"
              "<item actionType=\"3\" typeText=\"Qa\xC3\xA9\xD0\xB6\"/>\n"
              // Shift held by a key action is let go for a text.
              "<item actionType=\"2\" key=\"16\" keyAction=\"0\"/>\n"
              "<item actionType=\"3\" typeText=\"z\"/>\n"
              "<item actionType=\"2\" key=\"16\" keyAction=\"1\"/>\n"
              "</list>\n");
    ASSERT_TRUE(desktop.user().own(out / "list.xml"));

    ConsentAnswerer answerer(desktop, ConsentAnswer::Share);
    const auto played = desktop.run({ cliPath(), "play", (out / "list.xml").string() });
    EXPECT_EQ(played.status, 0) << played.err << answerer.problem();
    const std::string lacking = french ? "\xD0\xB6" : "\xC3\xA9\xD0\xB6";
    EXPECT_THAT(played.err, HasSubstr("action 8: could not type \"" + lacking + "\""));
    EXPECT_THAT(played.err, HasSubstr("note: the desktop asks for permission at each session"));

    // Every key press, the last one the Shift of the final key action; a
    // loaded compositor may still be delivering them when play has ended.
    const size_t presses = french ? 11 : 10;
    EXPECT_TRUE(wev->waitForStdout([&](const std::string& out) { return WevLog(out).keys.size() >= presses; }, 10s))
        << wev->out();
    std::this_thread::sleep_for(300ms); // nothing more comes
    const WevLog log(wev->out());
    ASSERT_GE(log.motions.size(), 2u);
    EXPECT_EQ(log.motions.back(), 117 * 10000 + 59);
    EXPECT_NE(std::find(log.motions.begin(), log.motions.end(), 100 * 10000 + 50), log.motions.end());
    EXPECT_THAT(log.buttons, ElementsAre("left down", "left up", "right down", "right up"));
    // The wheel turns toward the user: scrolls down.
    ASSERT_FALSE(log.axes.empty());
    EXPECT_TRUE(log.axes.front().starts_with("vertical ")) << log.axes.front();
    EXPECT_GT(std::stod(log.axes.front().substr(9)), 0) << log.axes.front();
    // Exactly these keys, the text's on the layout's own keys: nothing in
    // place of the characters it lacks.
    if (french)
        EXPECT_THAT(log.keys,
            ElementsAre(
                "Control_L", "c", "Shift_L", "Q", "a", "eacute", "Return", "Shift_L", "z", "Return", "Shift_L"));
    else
        EXPECT_THAT(log.keys,
            ElementsAre("Control_L", "c", "Shift_L", "Q", "a", "Return", "Shift_L", "z", "Return", "Shift_L"));
    EXPECT_NE(wev->out().find("depressed: 00000004: Control"), std::string::npos);
    EXPECT_TRUE(log.typed.ends_with(french ? "Qa\xC3\xA9\rz\r" : "Qa\rz\r")) << log.typed;

    // --strict ends the run at the text, naming it.
    writeFile(out / "text.xml", "<list><item actionType=\"3\" typeText=\"\xD0\xB6\"/></list>\n");
    ASSERT_TRUE(desktop.user().own(out / "text.xml"));
    const auto strict = desktop.run({ cliPath(), "play", "--strict", (out / "text.xml").string() });
    EXPECT_EQ(strict.status, 3);
    EXPECT_THAT(strict.err, HasSubstr("Action 1: could not type \"\xD0\xB6\" (the keyboard layout has no key for it)"));
    EXPECT_EQ(answerer.answered(), 2); // version 1: a dialog for each run
}

} // namespace
} // namespace clickwisp::test
