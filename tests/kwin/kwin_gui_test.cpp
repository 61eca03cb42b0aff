// The desktop program as a native Wayland client on KWin 5.27 without
// Plasma's shell, started as a user starts it (no QT_QPA_PLATFORM, no
// DISPLAY). KWin itself tells what windows it has (a KWin script reading
// its window list); a bare KWin has no tray, and the program runs without
// one: minimised, its window comes back from the compositor.
#include "build_info.h"
#include "tests/kwin/kwin_session.h"
#include "tests/support/child_process.h"
#include "tests/support/desktop_program.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

// Runs a KWin script (JavaScript) once; what it prints goes to KWin's log.
void runKwinScript(const test::HeadlessKwin& kwin, const std::filesystem::path& folder, const std::string& code)
{
    static int count = 0;
    const std::string name = "clickwisp-test-" + std::to_string(++count);
    const auto file = folder / (name + ".js");
    test::writeFile(file, code);
    const auto loaded = kwin.dbusSend({ "--print-reply", "--dest=org.kde.KWin", "/Scripting",
        "org.kde.kwin.Scripting.loadScript", "string:" + file.string(), "string:" + name });
    // The reply's "int32 <id>".
    const size_t at = loaded.out.find("int32 ");
    ASSERT_NE(at, std::string::npos) << loaded.out << loaded.err;
    const std::string id = loaded.out.substr(at + 6, loaded.out.find_first_not_of("0123456789", at + 6) - at - 6);
    ASSERT_FALSE(id.empty()) << loaded.out;
    // KWin 5.27 serves a loaded script at /<id>, later ones at /Scripting/Script<id>.
    auto ran = kwin.dbusSend({ "--print-reply", "--dest=org.kde.KWin", "/" + id, "org.kde.kwin.Script.run" });
    if (ran.status != 0)
        ran = kwin.dbusSend(
            { "--print-reply", "--dest=org.kde.KWin", "/Scripting/Script" + id, "org.kde.kwin.Script.run" });
    ASSERT_EQ(ran.status, 0) << ran.err;
}

// KWin's windows as its scripts see them: one line each, "caption|minimized".
std::vector<std::string> kwinWindows(const test::HeadlessKwin& kwin, const std::filesystem::path& folder)
{
    const std::string marker = "windows-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    runKwinScript(kwin, folder,
        "var list = workspace.clientList(); var text = '';\n"
        "for (var i = 0; i < list.length; ++i) text += '\\n' + list[i].caption + '|' + list[i].minimized;\n"
        "print('"
            + marker + "' + text + '\\n" + marker + "-end');\n");
    std::vector<std::string> windows;
    test::waitUntil([&] { return kwin.log().find(marker + "-end") != std::string::npos; }, 5s);
    const std::string log = kwin.log();
    const size_t from = log.find(marker + "\n");
    const size_t to = log.find(marker + "-end");
    if (from == std::string::npos || to == std::string::npos)
        return windows;
    std::stringstream lines(log.substr(from + marker.size() + 1, to - from - marker.size() - 1));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            windows.push_back(line);
    return windows;
}

TEST(KwinGui, TheProgramIsANativeWindowWithoutATrayAndComesBackFromMinimised)
{
    REQUIRE_KWIN();
    test::HeadlessKwin& kwin = *test::KwinSession::kwin();
    if (std::string(CLICKWISP_GUI_PATH).empty())
        GTEST_SKIP() << "the desktop program is not built";
    test::TempDir dir;
    std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
    test::writeFile(
        dir / "config.xml", test::PreparedConfigXml({ .runStart = 4, .runStop = 5, .limitsNoticed = true }));
    test::writeFile(dir / "status.log", "");
    auto status = [&] { return test::readFile(dir / "status.log"); };
    const std::string caption = kProductCaption;
    auto shown = [&](const char* minimized) {
        const auto windows = kwinWindows(kwin, dir.path());
        return std::find(windows.begin(), windows.end(), caption + "|" + minimized) != windows.end();
    };

    // A bare KWin runs no tray: nobody on the session bus hosts one.
    const auto watcher = kwin.dbusSend({ "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
        "org.freedesktop.DBus.NameHasOwner", "string:org.kde.StatusNotifierWatcher" });
    EXPECT_NE(watcher.out.find("boolean false"), std::string::npos) << watcher.out << watcher.err;

    test::ChildProcess program({ "env", "-u", "QT_QPA_PLATFORM", "-u", "DISPLAY", "XDG_SESSION_TYPE=wayland",
        test::QtWaylandLeakOptions(dir.path()), "CLICKWISP_STATUS_LOG=" + (dir / "status.log").string(),
        (dir / "clickwisp").string() });
    ASSERT_TRUE(test::waitUntil([&] { return status().find("0: Ready\n") != std::string::npos; }))
        << status() << program.err();
    ASSERT_TRUE(test::waitUntil([&] { return shown("false"); }))
        << kwin.log().substr(kwin.log().size() > 3000 ? kwin.log().size() - 3000 : 0);

    // Minimised by the desktop (no tray to hide into), restored by it.
    runKwinScript(kwin, dir.path(),
        "var list = workspace.clientList();\n"
        "for (var i = 0; i < list.length; ++i) if (list[i].caption == '"
            + caption + "') list[i].minimized = true;\n");
    ASSERT_TRUE(test::waitUntil([&] { return shown("true"); }));
    runKwinScript(kwin, dir.path(),
        "var list = workspace.clientList();\n"
        "for (var i = 0; i < list.length; ++i) if (list[i].caption == '"
            + caption + "') list[i].minimized = false;\n");
    EXPECT_TRUE(test::waitUntil([&] { return shown("false"); }));

    program.signal(SIGTERM);
    ASSERT_TRUE(program.waitForExit(15s)) << status();
    EXPECT_EQ(program.status(), 0);
    EXPECT_TRUE(test::waitUntil([&] { return !shown("false") && !shown("true"); }));
}

} // namespace
} // namespace clickwisp
