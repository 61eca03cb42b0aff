// The X11 backend and clickwisp-cli play on a private X server, checked by
// an independent client (xdotool) and by what a test window received.
#include "platform/x11/x11_platform.h"
#include "playback/type_text.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// After gtest: X.h defines None, which gtest also uses as a name.
#include "tests/support/x_desktop.h"
#include "tests/support/x_test_window.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <sys/wait.h>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using Button = test::XTestWindow::ButtonEvent;

class X11Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_xvfb.ok()) << m_xvfb.error();
        m_window = std::make_unique<test::XTestWindow>(m_xvfb.display(), 100, 100, 400, 300);
        ASSERT_TRUE(m_window->ok());
    }

    std::string pointerLocation()
    {
        auto result = test::runProcess({ "xdotool", "getmouselocation" });
        EXPECT_EQ(result.status, 0) << result.err;
        // "x:210 y:190 screen:0 window:..."
        return result.out.substr(0, result.out.find(" screen"));
    }

    // The keycodes that type keysym on the server now, read on a fresh connection.
    std::vector<int> keycodesOf(KeySym keysym) { return test::keycodesWith(m_xvfb.display(), keysym); }

    test::XvfbServer m_xvfb { 800, 600 };
    std::unique_ptr<test::XTestWindow> m_window;
};

TEST_F(X11Playback, PointerButtonsAndWheel)
{
    auto input = makeX11Input(m_xvfb.display());
    ASSERT_TRUE(input.has_value()) << input.error().message;
    InputInjector& in = **input;

    in.SetCursorPos(210, 190);
    EXPECT_EQ(in.GetCursorPos(), (ScreenPoint { 210, 190 }));
    EXPECT_EQ(pointerLocation(), "x:210 y:190");
    in.mouse_event(MOUSEEVENTF_LEFTDOWN, 0);
    in.mouse_event(MOUSEEVENTF_LEFTUP, 0);
    in.mouse_event(MOUSEEVENTF_RIGHTDOWN, 0);
    in.mouse_event(MOUSEEVENTF_RIGHTUP, 0);
    in.SetCursorPos(300, 250);
    in.mouse_event(MOUSEEVENTF_MIDDLEDOWN, 0);
    in.mouse_event(MOUSEEVENTF_MIDDLEUP, 0);
    in.mouse_event(MOUSEEVENTF_WHEEL, -30); // toward the user: button 5
    in.mouse_event(MOUSEEVENTF_WHEEL, 240); // away: one step of button 4
    in.mouse_event(MOUSEEVENTF_WHEEL, 0); // no turn, no event
    ASSERT_TRUE(m_window->waitForButtons(10, 5s));
    EXPECT_THAT(m_window->buttons(),
        ::testing::ElementsAre(Button { 1, true, 210, 190 }, Button { 1, false, 210, 190 },
            Button { 3, true, 210, 190 }, Button { 3, false, 210, 190 }, Button { 2, true, 300, 250 },
            Button { 2, false, 300, 250 }, Button { 5, true, 300, 250 }, Button { 5, false, 300, 250 },
            Button { 4, true, 300, 250 }, Button { 4, false, 300, 250 }));

    // The server keeps the pointer on the screen.
    in.SetCursorPos(5000, -40);
    EXPECT_EQ(in.GetCursorPos(), (ScreenPoint { 799, 0 }));
}

TEST_F(X11Playback, KeysByVirtualKeyCode)
{
    auto input = makeX11Input(m_xvfb.display());
    ASSERT_TRUE(input.has_value()) << input.error().message;
    InputInjector& in = **input;
    auto press = [&](uint8_t vk) {
        in.keybd_event(vk, 0);
        in.keybd_event(vk, KEYEVENTF_KEYUP);
    };
    press('H');
    press('1');
    in.keybd_event(0xA0, 0); // left Shift held for the next keys
    press('I');
    press(0xBA); // the ;: key
    in.keybd_event(0xA0, KEYEVENTF_KEYUP);
    press(0xBF); // the /? key
    press(0x6B); // numeric pad +
    press(0x0D);
    m_window->waitForText(7, 5s);
    EXPECT_EQ(m_window->text(), U"h1I:/+\n");
}

TEST_F(X11Playback, KeyMissingFromTheLayoutBorrowsASpareKeycode)
{
    // F24 has no key on this server's layout; a spare keycode plays it and
    // gets its empty mapping back when the backend closes.
    ASSERT_TRUE(keycodesOf(XK_F24).empty());
    {
        auto input = makeX11Input(m_xvfb.display());
        ASSERT_TRUE(input.has_value()) << input.error().message;
        (*input)->keybd_event(0x87, 0);
        EXPECT_EQ(keycodesOf(XK_F24).size(), 1u);
        (*input)->keybd_event(0x87, KEYEVENTF_KEYUP);
    }
    EXPECT_TRUE(keycodesOf(XK_F24).empty());
}

TEST_F(X11Playback, TypingAnyCharacterThenEnter)
{
    const std::u32string expected = U"Hello, W\u00F6rld! \u20AC 5 > 3 \u4F60\u597D \U0001F600 ~|\"\n";
    {
        auto text = makeX11Text(m_xvfb.display());
        ASSERT_TRUE(text.has_value()) << text.error().message;
        TypeText(**text, "Hello, W\xC3\xB6rld! \xE2\x82\xAC 5 > 3 \xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80 ~|\"");
        ASSERT_TRUE(m_window->waitForText(expected.size(), 5s)) << m_window->text().size();
        EXPECT_EQ(m_window->text(), expected);
    }
    // Spare keycodes are given back.
    for (KeySym keysym : { KeySym(0x01004F60), KeySym(0x0100597D), KeySym(0x0101F600) })
        EXPECT_TRUE(keycodesOf(keysym).empty()) << std::hex << keysym;
}

TEST_F(X11Playback, LineBreaksAndTabsArePressedAsKeys)
{
    auto text = makeX11Text(m_xvfb.display());
    ASSERT_TRUE(text.has_value()) << text.error().message;
    // CR LF is one line break; other control characters have no key.
    TypeText(**text, "one\r\ntwo\tthree\nfour\x01\r");
    const std::u32string expected = U"one\ntwo\tthree\nfour\n\n";
    ASSERT_TRUE(m_window->waitForText(expected.size(), 5s)) << m_window->text().size();
    EXPECT_EQ(m_window->text(), expected);
}

TEST_F(X11Playback, TypingMoreDistinctCharactersThanSpareKeycodes)
{
    // 80 different CJK characters, then a repeat of the first ones: more
    // than the spare keycodes one backend binds at a time.
    std::u32string expected;
    for (char32_t ch = 0x4E00; ch < 0x4E00 + 80; ++ch)
        expected.push_back(ch);
    expected += U"ab\u4E00\u4E01";
    const std::string utf8 = test::utf8Of(expected);
    expected.push_back(U'\n');
    auto text = makeX11Text(m_xvfb.display());
    ASSERT_TRUE(text.has_value()) << text.error().message;
    TypeText(**text, utf8);
    ASSERT_TRUE(m_window->waitForText(expected.size(), 10s)) << m_window->text().size();
    EXPECT_EQ(m_window->text(), expected);
}

TEST_F(X11Playback, HeldModifiersDoNotChangeTheTypedText)
{
    auto input = makeX11Input(m_xvfb.display());
    ASSERT_TRUE(input.has_value()) << input.error().message;
    auto text = makeX11Text(m_xvfb.display());
    ASSERT_TRUE(text.has_value()) << text.error().message;
    // Ctrl held by an earlier key action, Shift by the user (another client).
    (*input)->keybd_event(0x11, 0);
    Display* user = XOpenDisplay(m_xvfb.display().c_str());
    ASSERT_NE(user, nullptr);
    const KeyCode shift = XKeysymToKeycode(user, XK_Shift_L);
    XTestFakeKeyEvent(user, shift, True, CurrentTime);
    XSync(user, False);
    auto modifiersDown = [&] {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        XQueryPointer(user, DefaultRootWindow(user), &root, &child, &rootX, &rootY, &x, &y, &mask);
        return mask & (ShiftMask | ControlMask);
    };
    ASSERT_EQ(modifiersDown(), unsigned(ShiftMask | ControlMask));

    TypeText(**text, "abC1");
    ASSERT_TRUE(m_window->waitForText(5, 5s)) << m_window->text().size();
    EXPECT_EQ(m_window->text(), U"abC1\n");
    EXPECT_EQ(modifiersDown(), unsigned(ShiftMask | ControlMask)) << "both are held again after the text";

    XTestFakeKeyEvent(user, shift, False, CurrentTime);
    XSync(user, False);
    (*input)->keybd_event(0x11, KEYEVENTF_KEYUP);
    XCloseDisplay(user);
}

TEST_F(X11Playback, FocusDecidesWhetherAnythingIsTyped)
{
    auto text = makeX11Text(m_xvfb.display());
    ASSERT_TRUE(text.has_value()) << text.error().message;
    m_window->dropFocus();
    EXPECT_FALSE((*text)->focusWindowExists());
    TypeText(**text, "lost");
    // Focus that follows the pointer counts; the pointer is over the window.
    auto input = makeX11Input(m_xvfb.display());
    ASSERT_TRUE(input.has_value());
    (*input)->SetCursorPos(200, 200);
    m_window->focusFollowsPointer();
    EXPECT_TRUE((*text)->focusWindowExists());
    TypeText(**text, "kept");
    ASSERT_TRUE(m_window->waitForText(5, 5s));
    EXPECT_EQ(m_window->text(), U"kept\n");
}

TEST_F(X11Playback, PlayVerbMovesClicksAndTypes)
{
    test::TempDir dir;
    test::writeFile(dir / "list.xml", R"(<?xml version="1.0"?>
<list>
  <item actionType="1" mouseMovePosX="150" mouseMovePosY="150"/>
  <item actionType="0" mousePoint="1" mouseClickPosX="200" mouseClickPosY="180" mouseButton="0" mouseAction="0"/>
  <item actionType="4" delay="120"/>
  <item actionType="0" mousePoint="1" mouseClickPosX="210" mouseClickPosY="190" mouseAction="4"/>
  <item actionType="3" typeText="Gr&#252;&#223;e &#8364;1"/>
  <item actionType="2" key="321" keyAction="2"/>
</list>
)");
    auto result = test::runProcess({ test::cliPath(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(pointerLocation(), "x:210 y:190");
    ASSERT_TRUE(m_window->waitForButtons(4, 5s));
    EXPECT_THAT(m_window->buttons(),
        ::testing::ElementsAre(Button { 1, true, 200, 180 }, Button { 1, false, 200, 180 },
            Button { 5, true, 210, 190 }, Button { 5, false, 210, 190 }));
    ASSERT_TRUE(m_window->waitForText(10, 5s));
    EXPECT_EQ(m_window->text(), U"Gr\u00FC\u00DFe \u20AC1\na");
}

TEST_F(X11Playback, PlayVerbReleasesHeldInputWhenStopped)
{
    test::TempDir dir;
    test::writeFile(dir / "list.xml", R"(<?xml version="1.0"?>
<list>
  <item actionType="0" mousePoint="1" mouseClickPosX="220" mouseClickPosY="200" mouseAction="2"/>
  <item actionType="4" delay="60000"/>
</list>
)");
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execl(
            test::cliPath().c_str(), "clickwisp-cli", "play", (dir / "list.xml").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_TRUE(m_window->waitForButtons(1, 5s));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    ASSERT_TRUE(m_window->waitForButtons(2, 5s));
    EXPECT_THAT(
        m_window->buttons(), ::testing::ElementsAre(Button { 1, true, 220, 200 }, Button { 1, false, 220, 200 }));
}

TEST(X11PlaybackWithoutDisplay, PlayVerbExitsWithNoDisplayStatus)
{
    auto result = test::runProcess(
        { "env", "-u", "WAYLAND_DISPLAY", "DISPLAY=:9999", test::cliPath(), "play", "/nonexistent.xml" });
    // The file is read first: a missing file is bad input whatever the display.
    EXPECT_EQ(result.status, 2);
    test::TempDir dir;
    test::writeFile(dir / "list.xml", "<list><item actionType=\"1\"/></list>");
    result = test::runProcess(
        { "env", "-u", "WAYLAND_DISPLAY", "DISPLAY=:9999", test::cliPath(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(result.status, 69);
    EXPECT_THAT(result.err, ::testing::HasSubstr(":9999"));
}

} // namespace
} // namespace clickwisp
