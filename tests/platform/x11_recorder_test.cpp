// The X11 recorder on a private X server, driven by independent clients
// (xdotool) and by XTest bursts.
#include "platform/x11/x11_platform.h"
#include "record/recorder.h"
#include "tests/support/process.h"
#include "tests/support/xdotool.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

// After gtest, whose names X11 macros (None, Bool) would spoil.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <thread>

namespace clickwisp {
namespace {

using test::runProcess;
using test::xdotool;
using test::XvfbServer;

class X11RecorderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new XvfbServer(1024, 768); }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server->ok()) << server->error(); }

    static XvfbServer* server;
};

XvfbServer* X11RecorderTest::server = nullptr;

std::vector<EVENTMSG> withoutMoves(const TEventList& events)
{
    std::vector<EVENTMSG> result;
    for (const auto& e : events) {
        if (e.message != WM_MOUSEMOVE)
            result.push_back(e);
    }
    return result;
}

TEST(X11RecorderOpen, ServerWithoutRecordExtensionIsReported)
{
    XvfbServer bare(640, 480, { "-extension", "RECORD" });
    ASSERT_TRUE(bare.ok()) << bare.error();
    auto recorder = makeX11Recorder(bare.display());
    ASSERT_FALSE(recorder);
    EXPECT_NE(recorder.error().message.find("RECORD"), std::string::npos) << recorder.error().message;
    EXPECT_NE(recorder.error().message.find(bare.display()), std::string::npos) << recorder.error().message;
}

TEST_F(X11RecorderTest, PointerButtonsWheelAndKeysOfAnotherClientBecomeEvents)
{
    auto source = makeX11Recorder(server->display());
    ASSERT_TRUE(source) << source.error().message;
    Recorder recorder(**source);
    ASSERT_TRUE(recorder.StartRecording(true, true));
    ASSERT_TRUE(xdotool({ "mousemove", "100", "200", "click", "1", "click", "3", "click", "4", "click", "5", "click",
        "8", "key", "a", "keydown", "alt", "key", "b", "keyup", "alt" }));
    recorder.StopRecording();

    const TEventList& all = recorder.RecordedEvents();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().message, WM_MOUSEMOVE);
    EXPECT_EQ(all.front().paramL, 100u);
    EXPECT_EQ(all.front().paramH, 200u);
    for (size_t i = 1; i < all.size(); ++i)
        EXPECT_LE(all[i - 1].time, all[i].time) << "event " << i;

    const auto events = withoutMoves(all);
    struct Expected {
        uint32_t message;
        uint32_t param; // x for the pointer, virtual-key code for keys
    };
    // Wheel turns are their presses; the side button (8) has no action and is left out.
    const Expected expected[] = {
        { WM_LBUTTONDOWN, 100 },
        { WM_LBUTTONUP, 100 },
        { WM_RBUTTONDOWN, 100 },
        { WM_RBUTTONUP, 100 },
        { WM_MOUSEWHEEL, 100 },
        { WM_MOUSEWHEEL, 100 },
        { WM_KEYDOWN, 'A' },
        { WM_KEYUP, 'A' },
        { WM_SYSKEYDOWN, 0x12 },
        { WM_SYSKEYDOWN, 'B' },
        { WM_SYSKEYUP, 'B' },
        { WM_SYSKEYUP, 0x12 },
    };
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].message, expected[i].message) << "event " << i;
        if (events[i].message >= WM_MOUSEMOVE) {
            EXPECT_EQ(events[i].paramL, expected[i].param) << "event " << i;
            EXPECT_EQ(events[i].paramH, 200u) << "event " << i;
        } else {
            EXPECT_EQ(events[i].paramL & 0xFF, expected[i].param) << "event " << i;
        }
    }
}

TEST_F(X11RecorderTest, BurstOfTenThousandSynthesisedEventsArrivesCompleteAndInOrder)
{
    constexpr int kEvents = 10000;
    auto source = makeX11Recorder(server->display());
    ASSERT_TRUE(source) << source.error().message;
    Recorder recorder(**source);
    ASSERT_TRUE(recorder.StartRecording(true, true));

    Display* display = XOpenDisplay(server->display().c_str());
    ASSERT_NE(display, nullptr);
    // Key presses and releases of A to Z in turn: the server merges pointer
    // moves still waiting in its input queue, but never keys, so every event
    // sent must arrive. A round trip every 100 events keeps the server's
    // queue short; the recorder still gets thousands a second.
    KeyCode keys[26];
    for (int k = 0; k < 26; ++k)
        keys[k] = XKeysymToKeycode(display, XK_a + KeySym(k));
    for (int i = 0; i < kEvents; ++i) {
        XTestFakeKeyEvent(display, keys[(i / 2) % 26], i % 2 == 0, CurrentTime);
        if (i % 100 == 99)
            XSync(display, False);
    }
    XSync(display, False);
    XCloseDisplay(display);
    recorder.StopRecording();

    const TEventList& events = recorder.RecordedEvents();
    ASSERT_EQ(events.size(), size_t(kEvents));
    for (int i = 0; i < kEvents; ++i) {
        ASSERT_EQ(events[size_t(i)].message, uint32_t(i % 2 == 0 ? WM_KEYDOWN : WM_KEYUP)) << "event " << i;
        ASSERT_EQ(events[size_t(i)].paramL & 0xFF, uint32_t('A' + (i / 2) % 26)) << "event " << i;
    }
}

TEST_F(X11RecorderTest, RecorderCanBeStartedAgainAndStopsDelivering)
{
    auto source = makeX11Recorder(server->display());
    ASSERT_TRUE(source) << source.error().message;
    Recorder recorder(**source);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(recorder.StartRecording(false, true)) << "round " << round;
        ASSERT_TRUE(xdotool({ "key", "q" }));
        recorder.StopRecording();
        ASSERT_TRUE(xdotool({ "key", "w" }));
        ASSERT_EQ(recorder.RecordedEvents().size(), 2u) << "round " << round;
        EXPECT_EQ(recorder.RecordedEvents()[0].paramL & 0xFF, uint32_t('Q'));
        EXPECT_EQ(recorder.drain(), 0u);
    }
}

} // namespace
} // namespace clickwisp
