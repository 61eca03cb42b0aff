// clickwisp-cli record end to end: a private X server, input from xdotool,
// the list file checked.
#include "core/list_file.h"
#include "tests/support/child_process.h"
#include "tests/support/process.h"
#include "tests/support/xdotool.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::runProcess;
using test::TempDir;
using test::xdotool;
using test::XvfbServer;

class RecordCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok()) << server.error();
        // A copy of the program in a folder of its own, so the config.xml
        // beside it is the test's alone.
        std::filesystem::copy_file(test::cliPath(), cli);
    }

    std::unique_ptr<ChildProcess> startRecording(std::vector<std::string> extra = {})
    {
        std::vector<std::string> argv { cli.string(), "record", output.string() };
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto child = std::make_unique<ChildProcess>(argv);
        EXPECT_TRUE(child->waitForStderr("Recording", 10s)) << child->err();
        return child;
    }

    static void finish(ChildProcess& child)
    {
        ASSERT_TRUE(child.waitForExit(20s)) << child.err();
        ASSERT_EQ(child.status(), 0) << child.err();
    }

    ActionList loadOutput()
    {
        auto loaded = LoadListFile(output);
        EXPECT_TRUE(loaded) << (loaded ? "" : loaded.error().message);
        if (!loaded)
            return {};
        EXPECT_FALSE(loaded->itemError);
        return std::move(loaded->actions);
    }

    XvfbServer server { 1024, 768 };
    TempDir folder;
    std::filesystem::path cli = folder / "clickwisp-cli";
    std::filesystem::path output = folder / "recorded.xml";
};

std::vector<const TBaseCtrlEX*> withoutMovesAndDelays(const ActionList& actions)
{
    std::vector<const TBaseCtrlEX*> result;
    for (const auto& a : actions) {
        if (a->actionType != atMove && a->actionType != atDelay)
            result.push_back(a.get());
    }
    return result;
}

void expectClick(const TBaseCtrlEX* action, uint8_t button, uint8_t kind, int x, int y)
{
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionType, atClick);
    EXPECT_EQ(action->mousePoint, cpFixed);
    EXPECT_EQ(action->mouseButton, button);
    EXPECT_EQ(action->mouseAction, kind);
    EXPECT_EQ(action->mouseClickPosX, x);
    EXPECT_EQ(action->mouseClickPosY, y);
}

void expectKey(const TBaseCtrlEX* action, int vk, uint8_t keyAction)
{
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionType, atKey);
    EXPECT_EQ(action->key, vk);
    EXPECT_EQ(action->keyAction, keyAction);
}

// Milliseconds of the delay actions between rows from and to.
int delayBetween(const ActionList& actions, const TBaseCtrlEX* from, const TBaseCtrlEX* to)
{
    int total = 0;
    bool inside = false;
    for (const auto& a : actions) {
        if (a.get() == to)
            break;
        if (inside && a->actionType == atDelay)
            total += a->delay;
        if (a.get() == from)
            inside = true;
    }
    return total;
}

TEST_F(RecordCliTest, HotKeyStopsRecordingOfClicksKeysAndGaps)
{
    auto child = startRecording();
    ASSERT_TRUE(xdotool({ "mousemove", "200", "300", "click", "1" }));
    const auto gapStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(xdotool({ "mousemove", "600", "500", "click", "3", "key", "b" }));
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gapStart);
    ASSERT_TRUE(xdotool({ "key", "alt+F3" }));
    finish(*child);

    const ActionList actions = loadOutput();
    const auto rows = withoutMovesAndDelays(actions);
    // The hot key's own presses are not in the list.
    ASSERT_EQ(rows.size(), 6u);
    expectClick(rows[0], abLeft, maButtonDown, 200, 300);
    expectClick(rows[1], abLeft, maButtonUp, 200, 300);
    expectClick(rows[2], abRight, maButtonDown, 600, 500);
    expectClick(rows[3], abRight, maButtonUp, 600, 500);
    expectKey(rows[4], 'B', kaDown);
    expectKey(rows[5], 'B', kaUp);

    const int recordedGap = delayBetween(actions, rows[1], rows[2]);
    EXPECT_GE(recordedGap, 390);
    EXPECT_LE(recordedGap, gap.count() + 20);

    // One delay between every two events.
    for (size_t i = 0; i < actions.size(); ++i)
        EXPECT_EQ(actions[i]->actionType == atDelay, i % 2 == 1) << "row " << i;
    const size_t events = (actions.size() + 1) / 2;
    EXPECT_NE(child->out().find("Recorded " + std::to_string(events) + " events, wrote "
                  + std::to_string(actions.size()) + " actions to " + output.string()),
        std::string::npos)
        << child->out();
    // The program never creates the GUI's settings file.
    EXPECT_FALSE(std::filesystem::exists(folder / "config.xml"));
}

TEST_F(RecordCliTest, DurationEndsRecordingAndFiltersLeaveOutMovesAndKeys)
{
    auto child = startRecording({ "--duration", "2", "--no-mouse-move", "--no-keyboard" });
    ASSERT_TRUE(xdotool({ "mousemove", "50", "60", "key", "x", "click", "2", "mousemove", "70", "80" }));
    finish(*child);

    const ActionList actions = loadOutput();
    ASSERT_EQ(actions.size(), 3u);
    expectClick(actions[0].get(), abMiddle, maButtonDown, 50, 60);
    EXPECT_EQ(actions[1]->actionType, atDelay);
    expectClick(actions[2].get(), abMiddle, maButtonUp, 50, 60);
}

TEST_F(RecordCliTest, SigtermStopsAndWritesTheRecording)
{
    auto child = startRecording({ "--no-mouse-move" });
    ASSERT_TRUE(xdotool({ "mousemove", "10", "20", "click", "1" }));
    child->signal(SIGTERM);
    finish(*child);
    const ActionList actions = loadOutput();
    const auto rows = withoutMovesAndDelays(actions);
    ASSERT_EQ(rows.size(), 2u);
    expectClick(rows[0], abLeft, maButtonDown, 10, 20);
    expectClick(rows[1], abLeft, maButtonUp, 10, 20);
}

TEST_F(RecordCliTest, StopKeyComesFromTheGuiSettings)
{
    const std::string config = "<config versionNo=\"2.0\"><shade mousemove=\"True\" keyboard=\"True\" start=\"1\" "
                               "stop=\"5\"/></config>";
    test::writeFile(folder / "config.xml", config);
    auto child = startRecording({ "--no-mouse-move" });
    EXPECT_NE(child->err().find("ALT+F6"), std::string::npos) << child->err();
    // ALT+F3 is an ordinary key now: recorded, and the recording goes on.
    ASSERT_TRUE(xdotool({ "key", "alt+F3" }));
    EXPECT_FALSE(child->waitForExit(500ms));
    ASSERT_TRUE(xdotool({ "key", "alt+F6" }));
    finish(*child);

    const ActionList actions = loadOutput();
    const auto rows = withoutMovesAndDelays(actions);
    ASSERT_EQ(rows.size(), 4u);
    expectKey(rows[0], 0x12, kaDown);
    expectKey(rows[1], 0x72, kaDown);
    // xdotool lets go of the keys in the order it pressed them.
    expectKey(rows[2], 0x12, kaUp);
    expectKey(rows[3], 0x72, kaUp);
    EXPECT_EQ(test::readFile(folder / "config.xml"), config);
}

TEST_F(RecordCliTest, MissingDisplayExitsWith69AndWritesNothing)
{
    auto result = runProcess({ "env", "DISPLAY=:985", cli.string(), "record", output.string() });
    EXPECT_EQ(result.status, 69);
    EXPECT_NE(result.err.find("':985'"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(RecordCliTest, UnwritableDestinationIsRefusedBeforeRecording)
{
    auto result = runProcess({ cli.string(), "record", (folder / "missing" / "out.xml").string(), "--duration", "1" });
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("does not exist"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Recording"), std::string::npos) << result.err;
}

TEST_F(RecordCliTest, BadDurationIsAUsageError)
{
    auto result = runProcess({ cli.string(), "record", output.string(), "--duration", "-3" });
    EXPECT_EQ(result.status, 64);
    EXPECT_FALSE(std::filesystem::exists(output));
}

} // namespace
} // namespace clickwisp
