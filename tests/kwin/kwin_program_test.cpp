// The desktop program on KDE Plasma: its hot keys are bound through KDE's
// global shortcuts, a press starts its run, and closing the program gives
// the keys back to the windows.
#include "tests/kwin/kwin_session.h"
#include "tests/support/child_process.h"
#include "tests/support/desktop_program.h"
#include "tests/support/process.h"
#include "tests/support/wev.h"

#include <gtest/gtest.h>

#include <csignal>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

#ifdef CLICKWISP_GUI_PATH

// Hot keys CTRL+F5 (start) and CTRL+F6 (stop) for playback, ALT+F6 and
// ALT+F7 for recording, which KWin leaves free; the notice of what the
// desktop lacks already given.
const test::PreparedConfig kConfig {
    .shadeStart = 5, .shadeStop = 6, .runStart = 4, .runStop = 5, .limitsNoticed = true
};

TEST(KwinProgram, TheRunKeyStartsARunThroughKdesGlobalShortcutsUntilTheProgramCloses)
{
    REQUIRE_KWIN();
    if (test::KwinSession::gui().empty())
        GTEST_SKIP() << "the desktop program is not built";
    test::forgetTheProgramsShortcuts();
    test::TempDir dir;
    // The program with its settings beside it.
    std::filesystem::copy_file(test::KwinSession::gui(), dir / "clickwisp");
    test::writeFile(dir / "config.xml", test::PreparedConfigXml(kConfig));
    test::writeFile(dir / "status.log", "");
    auto statusLines = [&] { return test::readFile(dir / "status.log"); };
    auto has = [&](const std::string& line) { return statusLines().find(line + "\n") != std::string::npos; };

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("CLICKWISP_STATUS_LOG", (dir / "status.log").c_str(), 1);
    test::ChildProcess program({ (dir / "clickwisp").string() });
    unsetenv("CLICKWISP_STATUS_LOG");
    unsetenv("QT_QPA_PLATFORM");
    ASSERT_TRUE(test::waitUntil([&] { return has("0: Ready"); })) << statusLines() << program.err();
    // Not granted KWin's interfaces (a copy outside /usr/bin), it asks the
    // portal; the hot keys are KDE's either way.
    EXPECT_NE(statusLines().find("2: Playback, the screen searches and the hot keys work; recording does not. Hot keys "
                                 "(KDE's global shortcuts): Start recording Alt+F6, Stop recording Alt+F7, Start "
                                 "playback Ctrl+F5, Stop playback Ctrl+F6"),
        std::string::npos)
        << statusLines();
    EXPECT_FALSE(has("0: Running..."));

    // CTRL+F5 on KWin's seat: KWin holds it, so the focused window never
    // sees it, and the program starts its (empty) run.
    auto wev = test::startWev();
    test::writeFile(dir / "keys.xml", R"(<list>
<item actionType="2" key="17" keyAction="0" delay="0"/>
<item actionType="2" key="116" keyAction="2" delay="0"/>
<item actionType="2" key="17" keyAction="1" delay="0"/>
</list>
)");
    auto press = [&] { // CTRL+F5
        const auto played = test::runProcess({ test::KwinSession::cli(), "play", (dir / "keys.xml").string() });
        EXPECT_EQ(played.status, 0) << played.err;
    };
    press();
    ASSERT_TRUE(test::waitUntil([&] { return has("0: Running..."); })) << statusLines();
    EXPECT_TRUE(test::waitUntil([&] { return has("0: Finished"); })) << statusLines();
    EXPECT_EQ(wev->out().find("sym: F5"), std::string::npos) << wev->out();

    // Closed (the session's end sends SIGTERM): KDE holds the key no more.
    program.signal(SIGTERM);
    ASSERT_TRUE(program.waitForExit(10s));
    EXPECT_EQ(program.status(), 0);
    press();
    EXPECT_TRUE(wev->waitForStdout("sym: F5", 10s)) << wev->out();
}

#endif

} // namespace
} // namespace clickwisp
