// The Win32 backend against a window of the tests' own: what it injects,
// types, captures, records and receives as hot keys, observed through the
// window's messages and low-level hooks (under Wine, GetCursorPos does not
// follow injected moves, so nothing here relies on it).
#include "core/key_names.h"
#include "platform/win32/win32_capture_area.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_text.h"
#include "playback/type_text.h"

#include "tests/support/process.h"
#include "tests/win32/test_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace clickwisp {
namespace {

using test::TestWindow;
using test::WindowMessage;

template <typename T> std::unique_ptr<T> made(Result<std::unique_ptr<T>> result)
{
    EXPECT_TRUE(result.has_value()) << (result ? "" : result.error().message);
    return result ? std::move(*result) : nullptr;
}

std::vector<WPARAM> charsOf(const std::vector<WindowMessage>& messages)
{
    std::vector<WPARAM> chars;
    for (const auto& m : messages) {
        if (m.message == WM_CHAR)
            chars.push_back(m.wParam);
    }
    return chars;
}

TEST(Win32Text, Utf16UnitsOfACharacter)
{
    EXPECT_EQ(Utf16Units(U'a'), u"a");
    EXPECT_EQ(Utf16Units(U'\u20AC'), u"\u20AC");
    EXPECT_EQ(Utf16Units(U'\U0001F600'), (std::u16string { char16_t(0xD83D), char16_t(0xDE00) }));
    EXPECT_EQ(Utf16Units(U'\U0010FFFF'), (std::u16string { char16_t(0xDBFF), char16_t(0xDFFF) }));
    EXPECT_TRUE(Utf16Units(char32_t(0xD800)).empty()) << "a lone surrogate is no character";
    EXPECT_TRUE(Utf16Units(char32_t(0x110000)).empty());
}

TEST(Win32Capture, AreaOnAVirtualScreenStartingBelowZero)
{
    // A monitor left of and above the primary one.
    const ScreenRect screen { -1920, -200, 3840, 1280 };
    const CaptureArea inside = ClipToScreen({ -100, -50, 200, 100 }, screen);
    EXPECT_EQ(inside.source, (ScreenRect { -100, -50, 200, 100 }));
    EXPECT_EQ(inside.targetX, 0);
    EXPECT_EQ(inside.targetY, 0);

    const CaptureArea leftEdge = ClipToScreen({ -1950, -210, 100, 50 }, screen);
    EXPECT_EQ(leftEdge.source, (ScreenRect { -1920, -200, 70, 40 }));
    EXPECT_EQ(leftEdge.targetX, 30);
    EXPECT_EQ(leftEdge.targetY, 10);

    const CaptureArea rightEdge = ClipToScreen({ 1900, 1000, 100, 100 }, screen);
    EXPECT_EQ(rightEdge.source, (ScreenRect { 1900, 1000, 20, 80 }));
    EXPECT_EQ(rightEdge.targetX, 0);

    EXPECT_TRUE(ClipToScreen({ -3000, 0, 1080, 10 }, screen).empty()) << "ends where the screen starts";
    EXPECT_TRUE(ClipToScreen({ INT32_MAX - 5, 0, 100, 100 }, screen).empty()) << "no wrap-around";
    EXPECT_TRUE(ClipToScreen({ 0, 0, 0, 10 }, screen).empty());
}

// One window for all cases: under Wine making and closing one takes seconds.
class Win32Desktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        enableDpiAwareness();
        s_window = new TestWindow;
    }
    static void TearDownTestSuite()
    {
        delete s_window;
        s_window = nullptr;
    }
    void SetUp() override
    {
        SetForegroundWindow(window.handle());
        window.forget();
    }

    static TestWindow* s_window;
    TestWindow& window = *s_window;
};

TestWindow* Win32Desktop::s_window = nullptr;

TEST_F(Win32Desktop, DpiAwarenessFallsBackWhenTheStrongestIsRefused)
{
    // Wine refuses per-monitor V2; on Windows 10 and later it is taken.
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    const DpiAwareness awareness = enableDpiAwareness();
    EXPECT_NE(awareness, DpiAwareness::Unaware);
    if (wine) {
        EXPECT_NE(awareness, DpiAwareness::PerMonitorV2);
    }
}

TEST_F(Win32Desktop, KeysAndButtonsReachTheWindowUnderThePointer)
{
    auto input = made(makeWin32Input());
    ASSERT_TRUE(input);
    const ScreenPoint at = window.toScreen(50, 60);
    input->SetCursorPos(at.x, at.y);
    input->mouse_event(MOUSEEVENTF_LEFTDOWN, 0);
    input->mouse_event(MOUSEEVENTF_LEFTUP, 0);
    input->mouse_event(MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP, 0);
    input->mouse_event(MOUSEEVENTF_WHEEL, -30);
    const auto mouse = window.waitForCount(
        { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MOUSEWHEEL }, 5);
    ASSERT_EQ(mouse.size(), 5u);
    EXPECT_EQ(mouse[0].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(GET_X_LPARAM(mouse[0].lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(mouse[0].lParam), 60);
    EXPECT_EQ(mouse[1].message, UINT(WM_LBUTTONUP));
    EXPECT_EQ(mouse[2].message, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(mouse[3].message, UINT(WM_RBUTTONUP));
    EXPECT_EQ(mouse[4].message, UINT(WM_MOUSEWHEEL));
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(mouse[4].wParam), -30);

    input->keybd_event(0x41, 0);
    input->keybd_event(0x41, KEYEVENTF_KEYUP);
    const auto keys = window.waitForCount({ WM_KEYDOWN, WM_KEYUP, WM_CHAR }, 3);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(keys[0].wParam, WPARAM(0x41));
    EXPECT_NE((keys[0].lParam >> 16) & 0xFF, 0) << "the scan code goes with the key";
    EXPECT_EQ(keys[1], (WindowMessage { WM_CHAR, 'a', keys[1].lParam }));
    EXPECT_EQ(keys[2].message, UINT(WM_KEYUP));
}

TEST_F(Win32Desktop, TypedTextArrivesAsCharactersOnAnyLayout)
{
    auto text = made(makeWin32Text());
    ASSERT_TRUE(text);
    ASSERT_TRUE(text->focusWindowExists());
    TypeText(*text, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\tz\r\n"); // a é € 😀 tab z CR LF
    const auto messages = window.waitFor({ WM_CHAR, WM_KEYDOWN }, [](const auto& seen) {
        return std::count_if(seen.begin(), seen.end(), [](const auto& m) { return m.message == WM_CHAR; }) >= 9;
    });
    EXPECT_EQ(charsOf(messages), (std::vector<WPARAM> { 'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, '\t', 'z', '\r', '\r' }))
        << "one Return for CR LF, one for the end of the text";
    int returns = 0;
    for (const auto& m : messages)
        returns += m.message == WM_KEYDOWN && m.wParam == VK_RETURN;
    EXPECT_EQ(returns, 2);
}

TEST_F(Win32Desktop, HeldModifiersAreReleasedAroundTypingAndPressedAgain)
{
    auto text = made(makeWin32Text());
    ASSERT_TRUE(text);
    test::injectKey(VK_LCONTROL, false);
    TypeText(*text, "x");
    const auto messages = window.waitForCount({ WM_CHAR }, 2);
    EXPECT_EQ(charsOf(messages), (std::vector<WPARAM> { 'x', '\r' })) << "not CTRL+X (0x18)";
    EXPECT_TRUE(GetAsyncKeyState(VK_LCONTROL) & 0x8000) << "the user's CTRL is down again";
    test::injectKey(VK_LCONTROL, true);
}

TEST_F(Win32Desktop, CaptureReadsThePaintedWindowAndBlackOffTheScreen)
{
    auto screen = made(makeWin32Screen());
    ASSERT_TRUE(screen);
    const ScreenSize size = screen->screenSize();
    EXPECT_EQ(size, (ScreenSize { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) }));
    EXPECT_GT(size.width, 0);

    RedrawWindow(window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const ScreenPoint corner = window.toScreen(TestWindow::kSquareLeft - 2, TestWindow::kSquareTop - 2);
    constexpr int32_t side = TestWindow::kSquareSize + 4;
    std::vector<uint8_t> pixels(size_t(side) * side * 3);
    const PixelView view { pixels.data(), side, side, side * 3 };
    // The window may take a moment to be painted on the screen.
    bool painted = false;
    for (int attempt = 0; attempt < 50 && !painted; ++attempt) {
        ASSERT_TRUE(screen->capture(corner.x, corner.y, view));
        painted = view.row(2)[2 * 3 + 2] == GetRValue(TestWindow::kSquare);
        if (!painted)
            Sleep(50);
    }
    auto pixelAt = [&](int x, int y) {
        const uint8_t* p = view.row(y) + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    EXPECT_EQ(pixelAt(0, 0), TestWindow::kBackground);
    EXPECT_EQ(pixelAt(2, 2), TestWindow::kSquare);
    EXPECT_EQ(pixelAt(side - 3, side - 3), TestWindow::kSquare);
    EXPECT_EQ(pixelAt(side - 1, side - 1), TestWindow::kBackground);

    // Half the rectangle lies left of the virtual screen.
    const int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN) - 5;
    std::vector<uint8_t> edge(10 * 3 * 2, 0x77);
    const PixelView edgeView { edge.data(), 10, 2, 30 };
    ASSERT_TRUE(screen->capture(left, 0, edgeView));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(edgeView.row(0)[x * 3], 0) << "off the screen is black, x " << x;
}

class Recorded {
public:
    void add(const EVENTMSG& event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
    }
    std::vector<EVENTMSG> waitForCount(size_t count)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            {
                std::lock_guard lock(m_mutex);
                if (m_events.size() >= count)
                    break;
            }
            Sleep(20);
        }
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::vector<EVENTMSG> m_events;
};

TEST_F(Win32Desktop, RecorderTurnsOtherInputIntoEventsAndLeavesOurOwnOut)
{
    auto recorder = made(makeWin32Recorder());
    ASSERT_TRUE(recorder);
    Recorded recorded;
    ASSERT_TRUE(recorder->start([&](const EVENTMSG& event) { recorded.add(event); }));

    auto input = made(makeWin32Input());
    const ScreenPoint at = window.toScreen(20, 20);
    input->SetCursorPos(at.x, at.y);
    input->mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0); // ours: left out
    input->keybd_event(0x43, 0);
    input->keybd_event(0x43, KEYEVENTF_KEYUP);
    test::injectButton(MOUSEEVENTF_RIGHTDOWN);
    test::injectButton(MOUSEEVENTF_RIGHTUP);
    test::injectKey(0x42, false);
    test::injectKey(0x42, true);
    const auto events = recorded.waitForCount(4);
    recorder->stop();

    std::vector<EVENTMSG> kept;
    for (const auto& e : events) {
        if (e.message != WM_MOUSEMOVE)
            kept.push_back(e);
    }
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].message, uint32_t(WM_RBUTTONDOWN));
    EXPECT_EQ(kept[1].message, uint32_t(WM_RBUTTONUP));
    EXPECT_EQ(kept[2].message, uint32_t(WM_KEYDOWN));
    EXPECT_EQ(kept[2].paramL & 0xFF, 0x42u);
    EXPECT_EQ(kept[3].message, uint32_t(WM_KEYUP));
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_LE(kept[i - 1].time, kept[i].time) << "one millisecond clock";

    // Stopped: nothing more arrives.
    test::injectKey(0x42, false);
    test::injectKey(0x42, true);
    Sleep(100);
    EXPECT_EQ(recorded.waitForCount(0).size(), events.size());
}

TEST_F(Win32Desktop, HotKeysArriveAndATakenOneIsReportedByName)
{
    auto hotKeys = made(makeWin32HotKeys());
    ASSERT_TRUE(hotKeys);
    std::mutex mutex;
    std::vector<std::pair<uint32_t, uint32_t>> pressed;
    hotKeys->setHandler([&](uint32_t modifiers, uint32_t vk) {
        std::lock_guard lock(mutex);
        pressed.emplace_back(modifiers, vk);
    });
    constexpr uint32_t vkF7 = 0x76;
    ASSERT_TRUE(hotKeys->registerHotKey(1, MOD_CONTROL, vkF7));

    auto other = made(makeWin32HotKeys());
    ASSERT_TRUE(other);
    auto taken = other->registerHotKey(7, MOD_CONTROL, vkF7);
    ASSERT_FALSE(taken.has_value());
    EXPECT_NE(taken.error().message.find(HotKeyText(MOD_CONTROL, vkF7)), std::string::npos) << taken.error().message;

    test::injectKey(VK_CONTROL, false);
    test::injectKey(WORD(vkF7), false);
    test::injectKey(WORD(vkF7), true);
    test::injectKey(VK_CONTROL, true);
    for (int attempt = 0; attempt < 100; ++attempt) {
        {
            std::lock_guard lock(mutex);
            if (!pressed.empty())
                break;
        }
        Sleep(20);
    }
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(pressed, (std::vector<std::pair<uint32_t, uint32_t>> { { MOD_CONTROL, vkF7 } }));
    }
    EXPECT_TRUE(hotKeys->waitForRelease(MOD_CONTROL, vkF7, std::chrono::milliseconds(500)));

    // Released: the other source may take it now.
    hotKeys->unregisterHotKey(1);
    EXPECT_TRUE(other->registerHotKey(7, MOD_CONTROL, vkF7));
}

// clickwisp-cli.exe on the live desktop: what it plays reaches the window,
// what it finds is the window's paint, what it records is other programs'
// input until its stop hot key (ALT+F3 without a config.xml).
TEST_F(Win32Desktop, CliPlaysAClickAndTypingIntoTheWindow)
{
    test::TempDir dir;
    const ScreenPoint at = window.toScreen(30, 40);
    test::writeFile(dir / "list.xml",
        "<?xml version=\"1.0\"?>\n<list>\n<item actionType=\"0\" mousePoint=\"1\" mouseClickPosX=\""
            + std::to_string(at.x) + "\" mouseClickPosY=\"" + std::to_string(at.y)
            + "\"/>\n<item actionType=\"3\" typeText=\"h&#xE9;\"/>\n</list>\n");
    const auto result = test::runProcess({ test::cliPath(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(result.status, 0) << result.err;
    const auto clicks = window.waitForCount({ WM_LBUTTONDOWN, WM_LBUTTONUP }, 2);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(GET_X_LPARAM(clicks[0].lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(clicks[0].lParam), 40);
    EXPECT_EQ(charsOf(window.waitForCount({ WM_CHAR }, 3)), (std::vector<WPARAM> { 'h', 0xE9, '\r' }));
}

TEST_F(Win32Desktop, CliFindsThePaintedSquare)
{
    RedrawWindow(window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const ScreenPoint corner = window.toScreen(TestWindow::kSquareLeft, TestWindow::kSquareTop);
    char colour[16];
    std::snprintf(colour, sizeof colour, "$%08lX", static_cast<unsigned long>(TestWindow::kSquare));
    const auto result = test::runProcess({ test::cliPath(), "find-color", colour });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, std::to_string(corner.x) + " " + std::to_string(corner.y) + "\n");
}

TEST_F(Win32Desktop, CliRecordsInjectedInputUntilItsHotKey)
{
    test::TempDir dir;
    const std::string file = (dir / "recorded.xml").string();
    std::atomic<bool> ended { false };
    test::ProcessResult result;
    std::thread cli([&] {
        result = test::runProcess({ test::cliPath(), "record", file, "--no-mouse-move", "--duration", "30" });
        ended = true;
    });
    // The recorder is ready some time after the start: a right click, then
    // the hot key, until the program ends.
    const auto start = std::chrono::steady_clock::now();
    while (!ended) {
        Sleep(700);
        test::injectButton(MOUSEEVENTF_RIGHTDOWN);
        test::injectButton(MOUSEEVENTF_RIGHTUP);
        Sleep(100);
        test::injectKey(VK_MENU, false);
        test::injectKey(VK_F3, false);
        test::injectKey(VK_F3, true);
        test::injectKey(VK_MENU, true);
    }
    cli.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25)) << "ended by the hot key";
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("ALT+F3"), std::string::npos) << result.err;
    const std::string list = test::readFile(file);
    EXPECT_NE(list.find("mouseButton=\"1\" mouseAction=\"2\""), std::string::npos) << list;
    EXPECT_EQ(list.find("key=\"114\""), std::string::npos) << "the hot key's F3 is cut: " << list;
}

} // namespace
} // namespace clickwisp
