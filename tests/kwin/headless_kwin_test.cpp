// The KWin session the other cases stand on: a window gets the keyboard on
// the French layout, and the grants show KWin's hidden interfaces to this
// program.
#include "platform/wayland/wayland_connection.h"
#include "tests/kwin/kwin_session.h"
#include "tests/support/child_process.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <regex>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;

TEST(HeadlessKwin, ShowsFakeInputToAGrantedProgram)
{
    REQUIRE_KWIN();
    auto connection = WaylandConnection::open("", "test");
    ASSERT_TRUE(connection.has_value()) << connection.error().message;
    EXPECT_TRUE((*connection)->missing({ "org_kde_kwin_fake_input" }).empty());
}

TEST(HeadlessKwin, AWindowGetsTheKeyboardOnTheFrenchLayout)
{
    REQUIRE_KWIN();
    test::TempDir folder;
    const auto keymap = folder / "keymap";
    test::ChildProcess wev({ "stdbuf", "-oL", "wev", "-M", keymap.string() });
    ASSERT_TRUE(wev.waitForStdout("wl_keyboard] enter", 10s)) << wev.out() << wev.err();
    // On AZERTY the key right of 1 types é, the key right of Tab a.
    const std::string text = test::readFile(keymap);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(key <AE02>[^;]*eacute)"))) << text.substr(0, 2000);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(key <AD01>[^;]*\ba\b)")));
}

} // namespace
} // namespace clickwisp
