// clickwisp-cli on the headless KWin, as a user runs it: KWin grants it
// fake input and ScreenShot2 by its .desktop file, so it plays, finds and
// captures with no dialog; a copy that no .desktop file names is not
// granted and does not choose KWin.
#include "screen/bitmap_file.h"
#include "tests/kwin/kwin_session.h"
#include "tests/kwin/picture_window.h"
#include "tests/kwin/workspace_shot.h"
#include "tests/support/process.h"
#include "tests/support/wev.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

// The colour text of 0xRRGGBB ("$BBGGRR", the toolkit's order).
std::string colourText(uint32_t rgb)
{
    char text[16];
    std::snprintf(text, sizeof text, "$%06X", ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16));
    return text;
}

TEST(KwinCli, NamesKwinFindsAndCapturesWhatKwinShows)
{
    REQUIRE_KWIN();
    const auto version = test::runProcess({ test::KwinSession::cli(), "--version" });
    EXPECT_NE(version.out.find(", kwin; active: kwin)"), std::string::npos) << version.out << version.err;

    test::WaylandPictureWindow window(640, 480, 300, 200); // at (0, 0)
    ASSERT_EQ(window.error(), "");
    const auto mark = test::runProcess({ test::KwinSession::cli(), "find-color", "$FF00FF" });
    EXPECT_EQ(mark.status, 0) << mark.err;
    EXPECT_EQ(mark.out, "300 200\n");
    // A colour of the gradient: the first pixel of it, row by row.
    const uint32_t colour = window.colourAt(403, 117);
    std::string first;
    for (int y = 0; y < 480 && first.empty(); ++y) {
        for (int x = 0; x < 640 && first.empty(); ++x) {
            if (window.colourAt(x, y) == colour)
                first = std::to_string(x) + " " + std::to_string(y) + "\n";
        }
    }
    const auto found = test::runProcess({ test::KwinSession::cli(), "find-color", colourText(colour) });
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, first);

    test::TempDir dir;
    const auto captured = test::runProcess(
        { test::KwinSession::cli(), "capture", "--area", "600,300,200,200", (dir / "part.bmp").string() });
    ASSERT_EQ(captured.status, 0) << captured.err;
    std::string error;
    const auto theirs = test::shootWorkspace(&error);
    ASSERT_TRUE(theirs) << error;
    const auto image = LoadScreenImage(dir / "part.bmp");
    ASSERT_TRUE(image.has_value()) << image.error().message;
    ASSERT_EQ(image->pixels.width, 200);
    ASSERT_EQ(image->pixels.height, 200);
    size_t differences = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const uint8_t* p = image->pixels.row(y) + 3 * x;
            differences += (uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]) != theirs->at(600 + x, 300 + y);
        }
    }
    EXPECT_EQ(differences, 0u);
}

TEST(KwinCli, PlaysIntoAWindowOnTheFrenchLayoutAndCannotRecord)
{
    REQUIRE_KWIN();
    test::TempDir dir;
    auto wev = test::startWev();
    test::writeFile(dir / "list.xml", R"(<?xml version="1.0" encoding="utf-8"?><list versionNo="1.0">
<item actionType="1" mouseMovePosX="321" mouseMovePosY="123" delay="0"/>
<item actionType="0" mousePoint="0" mouseButton="0" mouseAction="0" delay="0"/>
<item actionType="0" mousePoint="0" mouseButton="1" mouseAction="0" delay="0"/>
<item actionType="2" key="17" keyAction="0" delay="0"/>
<item actionType="2" key="67" keyAction="2" delay="0"/>
<item actionType="2" key="17" keyAction="1" delay="0"/>
<item actionType="3" typeText="Qaéжb" delay="0"/>
</list>
)");
    const auto played = test::runProcess({ test::KwinSession::cli(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(played.status, 0) << played.err;
    // The French layout has no key for "ж": left out, and said.
    EXPECT_NE(
        played.err.find("action 7: could not type \"ж\" (the keyboard layout has no key for it)"), std::string::npos)
        << played.err;
    ASSERT_TRUE(wev->waitForStdout("sym: Return", 10s)) << wev->out();
    const test::WevLog log(wev->out());
    ASSERT_FALSE(log.motions.empty());
    EXPECT_EQ(log.motions.back(), 321 * 10000 + 123);
    EXPECT_EQ(log.buttons, (std::vector<std::string> { "left down", "left up", "right down", "right up" }));
    EXPECT_EQ(log.keys, (std::vector<std::string> { "Control_L", "c", "Shift_L", "Q", "a", "eacute", "b", "Return" }));
    EXPECT_NE(wev->out().find("depressed: 00000004"), std::string::npos); // Control held for the c

    // A strict run ends at that text, an error.
    const auto strict = test::runProcess({ test::KwinSession::cli(), "play", "--strict", (dir / "list.xml").string() });
    EXPECT_EQ(strict.status, 3) << strict.err;
    EXPECT_NE(strict.err.find("could not type \"ж\""), std::string::npos) << strict.err;

    const auto recorded = test::runProcess({ test::KwinSession::cli(), "record", (dir / "recorded.xml").string() });
    EXPECT_EQ(recorded.status, 69);
    EXPECT_NE(recorded.err.find("recording needs an X11 session"), std::string::npos) << recorded.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "recorded.xml"));
}

TEST(KwinCli, AProgramNoDesktopFileNamesIsNotGranted)
{
    REQUIRE_KWIN();
    test::TempDir dir;
    const auto copy = dir / "clickwisp-cli";
    std::filesystem::copy_file(test::KwinSession::cli(), copy);
    const auto version = test::runProcess({ copy.string(), "--version" });
    // KWin's portal serves it instead, with the reason.
    EXPECT_NE(version.out.find("active: portal"), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("KWin does not let this program use its fake input"), std::string::npos) << version.out;
    const auto forced = [&] {
        setenv("CLICKWISP_BACKEND", "kwin", 1);
        auto result = test::runProcess({ copy.string(), "find-color", "$FF00FF" });
        unsetenv("CLICKWISP_BACKEND");
        return result;
    }();
    EXPECT_EQ(forced.status, 69);
    EXPECT_NE(forced.err.find("KWin does not let this program use org.kde.KWin.ScreenShot2"), std::string::npos)
        << forced.err;
}

} // namespace
} // namespace clickwisp
