// The list controller driven through a scripted window, without any toolkit.
#include "app/list_controller.h"
#include "app/run_report.h"

#include "core/list_file.h"
#include "platform/fake/fake_hot_keys.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_recorder.h"
#include "platform/fake/fake_waiter.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// A window that answers from a script and remembers what it was told.
class ScriptedView : public ControllerView {
public:
    std::deque<bool> answers; // Yes/No answers; Yes when empty
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> openNames, saveNames;
    int openDialogs = 0, saveDialogs = 0;
    std::function<bool(const std::string&, TBaseCtrlEX&, bool)> editor;
    std::vector<std::string> editorCaptions;
    bool optionsAnswer = true;
    std::string status[2];
    std::string statusTip[2];
    bool editingEnabled = true;
    bool recordingShown = false;
    int raised = 0;
    int selection = -1;
    std::vector<std::string> changes;

    bool askYesNo(const std::string& question) override
    {
        questions.push_back(question);
        if (answers.empty())
            return true;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showMessage(const std::string& text, MessageKind) override { messages.push_back(text); }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&, const std::string&) override
    {
        ++openDialogs;
        return pop(openNames);
    }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&, const std::string&) override
    {
        ++saveDialogs;
        return pop(saveNames);
    }
    bool showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool load) override
    {
        editorCaptions.push_back(caption);
        return editor ? editor(caption, action, load) : false;
    }
    bool showOptionsDialog() override { return optionsAnswer; }
    void setStatus(int panel, const std::string& text) override { status[panel] = text; }
    void setStatusTip(int panel, const std::string& text) override { statusTip[panel] = text; }
    void setEditingEnabled(bool enabled) override { editingEnabled = enabled; }
    void setRecordingShown(bool recording) override { recordingShown = recording; }
    void showAndRaise() override { ++raised; }
    void listReset() override { changes.push_back("reset"); }
    void rowsInserted(int first, int count) override { changes.push_back(fmt("insert", first, count)); }
    void rowsRemoved(int first, int count) override { changes.push_back(fmt("remove", first, count)); }
    void rowMoved(int from, int to) override { changes.push_back(fmt("move", from, to)); }
    void rowChanged(int row) override { changes.push_back(fmt("change", row, 1)); }
    void selectionChanged(int row) override { selection = row; }

private:
    static std::optional<std::string> pop(std::deque<std::optional<std::string>>& names)
    {
        if (names.empty())
            return std::nullopt;
        auto name = names.front();
        names.pop_front();
        return name;
    }
    static std::string fmt(const char* what, int a, int b)
    {
        return std::string(what) + " " + std::to_string(a) + " " + std::to_string(b);
    }
};

// The user-interface thread's queue: workers and sources post, the test drains.
class UiQueue {
public:
    void post(std::function<void()> call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
        m_arrived.notify_all();
    }
    // Runs queued calls until pred holds or the time is up.
    bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!pred()) {
            std::unique_lock lock(m_mutex);
            if (!m_arrived.wait_until(lock, deadline, [&] { return !m_calls.empty(); }))
                return false;
            auto call = std::move(m_calls.front());
            m_calls.pop_front();
            lock.unlock();
            call();
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_calls;
};

EVENTMSG event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time)
{
    return EVENTMSG { message, paramL, paramH, time, 0 };
}

std::unique_ptr<TBaseCtrlEX> delayAction(int32_t ms)
{
    return TBaseCtrlEX::CreateDelay(ms);
}

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest()
    {
        hotKeys = std::make_unique<FakeHotKeys>(trace);
        recorder = std::make_unique<FakeRecorder>(trace);
    }
    ~ControllerTest() override { ctrl.reset(); }

    TMouseCtrl& make(std::shared_ptr<Waiter> waiter = nullptr)
    {
        ControllerServices services;
        services.configPath = dir / "config.xml";
        services.hotKeys = hotKeys.get();
        services.recorder = recorder.get();
        services.playbackDesktop = [this] { return makeFakePlatform(FakeOptions { trace, {}, { 0, 0 }, true }); };
        services.waiter = waiter ? waiter : makeTraceWaiter(trace);
        services.post = [this](std::function<void()> call) { ui.post(std::move(call)); };
        ctrl = std::make_unique<TMouseCtrl>(view, std::move(services));
        ctrl->Start();
        return *ctrl;
    }
    // Fills the list with delay actions of 1, 2, ... ms, so rows are easy to tell apart.
    void fill(int count)
    {
        for (int i = 1; i <= count; ++i) {
            ctrl->Select(-1);
            ctrl->AddAction(delayAction(i));
        }
    }
    std::vector<int32_t> delays() const
    {
        std::vector<int32_t> out;
        for (const auto& action : ctrl->Actions())
            out.push_back(action->delay);
        return out;
    }
    bool traceHas(const std::string& line) const
    {
        auto lines = trace->lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    TempDir dir;
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    std::unique_ptr<FakeHotKeys> hotKeys;
    std::unique_ptr<FakeRecorder> recorder;
    ScriptedView view;
    UiQueue ui;
    std::unique_ptr<TMouseCtrl> ctrl;
};

// ---- editing ----

TEST_F(ControllerTest, NewActionInsertsAfterTheSelectionOrAppends)
{
    make();
    fill(5);
    view.editor = [](const std::string&, TBaseCtrlEX& action, bool load) {
        EXPECT_FALSE(load);
        action.actionType = atDelay;
        action.delay = 99;
        return true;
    };
    ctrl->Select(2);
    ctrl->NewAction();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 2, 3, 99, 4, 5 }));
    EXPECT_EQ(ctrl->Selected(), 2);
    EXPECT_EQ(view.editorCaptions.back(), "New Action");

    ctrl->Select(-1);
    ctrl->NewAction();
    EXPECT_EQ(delays().back(), 99);
    EXPECT_EQ(ctrl->Count(), 7);

    view.editor = [](const std::string&, TBaseCtrlEX& action, bool) {
        action.delay = 5555;
        return false; // Cancel
    };
    ctrl->NewAction();
    EXPECT_EQ(ctrl->Count(), 7);
}

TEST_F(ControllerTest, EditActionChangesTheSelectedRowOnlyOnOk)
{
    make();
    fill(3);
    ctrl->Select(-1);
    ctrl->EditAction();
    EXPECT_TRUE(view.editorCaptions.empty()) << "no selection: no editor";

    ctrl->Select(1);
    view.editor = [](const std::string& caption, TBaseCtrlEX& action, bool load) {
        EXPECT_EQ(caption, "Edit Action");
        EXPECT_TRUE(load);
        EXPECT_EQ(action.delay, 2) << "the editor starts from the selected action";
        action.delay = 200;
        return false;
    };
    ctrl->EditAction();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 2, 3 })) << "Cancel changes nothing";

    view.editor = [](const std::string&, TBaseCtrlEX& action, bool) {
        action.delay = 200;
        return true;
    };
    ctrl->EditAction();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 200, 3 }));
    EXPECT_EQ(view.changes.back(), "change 1 1");
    EXPECT_EQ(ctrl->GetCellText(1, 2), "Delay 200 ms");
}

TEST_F(ControllerTest, ListReplacedWhileEditingDropsTheEditSafely)
{
    make();
    fill(3);
    ctrl->Select(2);
    view.editor = [this](const std::string&, TBaseCtrlEX& action, bool) {
        ctrl->LoadRecording({}); // a hot key stopped a recording meanwhile
        action.delay = 7;
        return true;
    };
    ctrl->EditAction();
    EXPECT_EQ(ctrl->Count(), 0);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("not applied"), std::string::npos);
}

TEST_F(ControllerTest, DeleteAsksOnlyWithASelectionAndHonoursNo)
{
    make();
    fill(3);
    ctrl->Select(-1);
    ctrl->DeleteAction();
    EXPECT_TRUE(view.questions.empty());

    ctrl->Select(1);
    view.answers = { false };
    ctrl->DeleteAction();
    EXPECT_EQ(view.questions, std::vector<std::string> { "Are you sure to delete the click?" });
    EXPECT_EQ(ctrl->Count(), 3);

    ctrl->DeleteAction();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 3 }));
    EXPECT_EQ(ctrl->Selected(), 1) << "the row that took its place is selected";
    EXPECT_EQ(view.selection, 1);
    ctrl->DeleteAction();
    EXPECT_EQ(ctrl->Selected(), 0) << "deleting the last row selects the new last row";
    ctrl->DeleteAction();
    EXPECT_EQ(ctrl->Count(), 0);
    EXPECT_EQ(ctrl->Selected(), -1);
}

TEST_F(ControllerTest, ClearAsksEvenForAnEmptyList)
{
    make();
    ctrl->ClearList();
    EXPECT_EQ(view.questions, std::vector<std::string> { "Are you sure to clear the list?" });
    fill(2);
    view.answers = { false };
    ctrl->ClearList();
    EXPECT_EQ(ctrl->Count(), 2);
    ctrl->ClearList();
    EXPECT_EQ(ctrl->Count(), 0);
    EXPECT_EQ(view.changes.back(), "reset");
}

TEST_F(ControllerTest, MovesKeepTheSelectionAndRenumber)
{
    make();
    fill(3);
    ctrl->Select(0);
    ctrl->MoveUp();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 2, 3 }));
    ctrl->Select(2);
    ctrl->MoveDown();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 2, 3 }));

    ctrl->Select(1);
    ctrl->MoveDown();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 3, 2 }));
    EXPECT_EQ(ctrl->Selected(), 2);
    EXPECT_EQ(view.selection, 2);
    EXPECT_EQ(ctrl->GetCellText(2, 0), "3") << "column No. shows the moved action as 3";
    EXPECT_EQ(ctrl->GetCellText(2, 2), "Delay 2 ms");

    ctrl->MoveUp();
    ctrl->MoveUp();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 2, 1, 3 }));
    EXPECT_EQ(ctrl->Selected(), 0);

    ctrl->Select(-1);
    ctrl->MoveDown();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 2, 1, 3 }));
}

// ---- files ----

TEST_F(ControllerTest, LoadReplacesTheListOrKeepsItAndSaysWhy)
{
    make();
    fill(2);
    view.openNames = { std::nullopt };
    ctrl->LoadList();
    EXPECT_EQ(ctrl->Count(), 2) << "cancelled";

    view.openNames = { (dir / "missing.xml").string() };
    ctrl->LoadList();
    EXPECT_EQ(view.messages, std::vector<std::string> { "The file does not exist." });
    EXPECT_EQ(ctrl->Count(), 2);

    test::writeFile(dir / "notes.txt", "this is not XML <<<");
    view.openNames = { (dir / "notes.txt").string() };
    ctrl->LoadList();
    EXPECT_EQ(ctrl->Count(), 2) << "a file that does not parse keeps the list";
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_NE(view.messages[1].find("notes.txt"), std::string::npos) << view.messages[1];

    ActionList three;
    for (int i = 0; i < 3; ++i)
        three.push_back(delayAction(10 * (i + 1)));
    ASSERT_TRUE(SaveListFile(dir / "three.xml", three));
    ctrl->Select(1);
    view.openNames = { (dir / "three.xml").string() };
    ctrl->LoadList();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 10, 20, 30 }));
    EXPECT_EQ(ctrl->Selected(), -1);
    EXPECT_EQ(view.messages.size(), 2u);
}

TEST_F(ControllerTest, PartialLoadKeepsEarlierItemsAndNamesTheFailingOne)
{
    make();
    test::writeFile(dir / "broken.xml",
        "<list><item actionType=\"4\" delay=\"5\"/><item actionType=\"4\" delay=\"6\"/>"
        "<item delay=\"abc\"/><item delay=\"8\"/></list>");
    view.openNames = { (dir / "broken.xml").string() };
    ctrl->LoadList();
    EXPECT_EQ(delays(), (std::vector<int32_t> { 5, 6 }));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("item 3"), std::string::npos) << view.messages[0];
    EXPECT_NE(view.messages[0].find("abc"), std::string::npos) << view.messages[0];
}

TEST_F(ControllerTest, SaveAlwaysPromptsAndRespectsTheOverwriteAnswer)
{
    make();
    fill(2);
    const auto file = dir / "out.xml";
    view.saveNames = { file.string() };
    ctrl->SaveList();
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(view.questions.empty()) << "a new file needs no overwrite question";

    view.openNames = { file.string() };
    ctrl->LoadList();
    const std::string before = test::readFile(file);
    ctrl->Select(-1);
    ctrl->AddAction(delayAction(3));
    view.saveNames = { std::nullopt };
    ctrl->SaveList();
    EXPECT_EQ(view.saveDialogs, 2) << "a loaded list is not written back without the prompt";
    EXPECT_EQ(test::readFile(file), before);

    view.saveNames = { file.string() };
    view.answers = { false };
    ctrl->SaveList();
    EXPECT_EQ(view.questions.back(), "A file with the same name already exists,overwrite?");
    EXPECT_EQ(test::readFile(file), before) << "No leaves the file untouched";

    view.saveNames = { file.string() };
    ctrl->SaveList();
    auto reloaded = LoadListFile(file);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->actions.size(), 3u);
}

TEST_F(ControllerTest, SaveFailureIsShownAndNothingIsReportedAsSaved)
{
    make();
    fill(1);
    view.saveNames = { (dir / "no-such-folder" / "out.xml").string() };
    ctrl->SaveList();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("not saved"), std::string::npos);
    EXPECT_NE(view.messages[0].find("out.xml"), std::string::npos) << view.messages[0];
}

// ---- recording conversion and run copies ----

TEST_F(ControllerTest, RecordingBecomesEventsWithDelaysBetween)
{
    make();
    fill(4);
    ctrl->LoadRecording(
        { event(WM_LBUTTONDOWN, 10, 20, 1000), event(WM_LBUTTONUP, 10, 20, 1250), event(WM_KEYDOWN, 0x41, 0, 1250) });
    ASSERT_EQ(ctrl->Count(), 5);
    EXPECT_EQ(ctrl->Action(0).mouseAction, maButtonDown);
    EXPECT_EQ(ctrl->Action(1).actionType, atDelay);
    EXPECT_EQ(ctrl->Action(1).delay, 250);
    EXPECT_EQ(ctrl->Action(3).delay, 0);
    EXPECT_EQ(ctrl->Action(4).actionType, atKey);
    ctrl->LoadRecording({});
    EXPECT_EQ(ctrl->Count(), 0) << "a recording without events empties the list";
}

TEST_F(ControllerTest, RunCopiesDoNotFollowLaterEdits)
{
    make();
    fill(3);
    ActionList copies;
    copies.push_back(delayAction(1234)); // replaced, not appended to
    ctrl->MakeRunCopies(copies);
    ASSERT_EQ(copies.size(), 3u);
    ctrl->Select(0);
    ctrl->DeleteAction();
    view.editor = [](const std::string&, TBaseCtrlEX& action, bool) {
        action.delay = 777;
        return true;
    };
    ctrl->EditAction();
    EXPECT_EQ(copies[0]->delay, 1);
    EXPECT_EQ(copies[1]->delay, 2);
    EXPECT_EQ(copies[2]->delay, 3);
}

// ---- playback ----

TEST_F(ControllerTest, RunAndItsEndSetTextsControlsAndWindow)
{
    make();
    ctrl->Select(-1);
    ctrl->AddAction(delayAction(40));
    ctrl->Run();
    EXPECT_TRUE(ctrl->Running());
    EXPECT_EQ(view.status[0], "Running...");
    EXPECT_EQ(view.status[1], "Press CTRL+F3 to Stop Running Action List");
    EXPECT_FALSE(view.editingEnabled);
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press CTRL+F3 to Stop Running Action List");

    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    EXPECT_EQ(view.status[1], "Press CTRL+F2 to Run Action List");
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.raised, 1);
    EXPECT_TRUE(traceHas("Wait 40"));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ctrl->HintFor("Quit"), "Quit");
}

TEST_F(ControllerTest, RunWhileRunningStartsNoSecondWorkerAndStopLeavesStatusToTheNotice)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->Run();
    ctrl->Stop();
    EXPECT_FALSE(ctrl->Running());
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.status[0], "Running...") << "Stop leaves the texts to the end notice";

    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s)) << "the stop wakes a long wait";
    EXPECT_EQ(view.raised, 1) << "one worker, one notice";
    EXPECT_FALSE(ui.runUntil([&] { return view.raised > 1; }, 200ms));

    ctrl->Stop(); // after the end: only re-enables
    EXPECT_TRUE(view.editingEnabled);
    EXPECT_EQ(view.status[0], "Finished");
}

TEST_F(ControllerTest, LateNoticeOfAStoppedRunDoesNotEndANewerRun)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->Stop();
    ctrl->Run(); // started before the first run's notice was handled
    ASSERT_TRUE(ctrl->Running());
    ASSERT_FALSE(ui.runUntil([&] { return !ctrl->Running(); }, 300ms));
    EXPECT_TRUE(ctrl->Running());
    EXPECT_EQ(view.status[0], "Running...");
    EXPECT_FALSE(view.editingEnabled);

    ctrl->Stop();
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s));
    EXPECT_TRUE(view.editingEnabled);
}

TEST_F(ControllerTest, RunEndedByAnErrorFinishesAndNamesTheAction)
{
    make();
    ctrl->AddAction(delayAction(5));
    auto click = TBaseCtrlEX::Create();
    click->mousePoint = cpColor;
    click->fColor = "notAColour";
    ctrl->Select(-1);
    ctrl->AddAction(std::move(click));
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("Action 2"), std::string::npos) << view.messages[0];
}

TEST_F(ControllerTest, RunEndTellsTheClicksThatFoundNoTargetInTheStatusBar)
{
    make(); // a black fake screen
    const auto colourClick = [&](const char* colour) {
        auto click = TBaseCtrlEX::Create();
        click->mousePoint = cpColor;
        click->fColor = colour;
        click->fColorSimplar = 50;
        ctrl->Select(-1);
        ctrl->AddAction(std::move(click));
    };
    colourClick("$00000070"); // red 112: found at 50 %
    colourClick("$000000A0"); // red 160: best 37 % ((100 - 37) * 255 / 100 = 160)
    colourClick("clWhite");
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[0], "Finished");
    EXPECT_EQ(view.status[1], "2 clicks found no target \u2014 action 2: best 37 %");
    EXPECT_EQ(view.statusTip[1],
        "Action 2: colour $000000A0 not found (best 37 % at 0 0)\n"
        "Action 3: colour clWhite not found (best 0 % at 0 0)");
    EXPECT_TRUE(view.messages.empty()) << "no dialog";

    // A run that finds every target shows the hint again, without a tip.
    ctrl->Select(1);
    ctrl->DeleteAction();
    ctrl->Select(1);
    ctrl->DeleteAction();
    ctrl->Run();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_EQ(view.status[1], "Press CTRL+F2 to Run Action List");
    EXPECT_EQ(view.statusTip[1], "");
}

TEST(RunReport, OneMissAndATargetFoundAtNoSimilarity)
{
    TargetMiss miss { 4, "picture 30 x 20", BestMatch {} };
    const RunReport report = MakeRunReport({ miss });
    EXPECT_EQ(report.headline, "1 click found no target \u2014 action 4: no match at any similarity");
    EXPECT_EQ(report.details, "Action 4: picture 30 x 20 not found (found at no similarity)");
    EXPECT_EQ(MakeRunReport({}).headline, "");
}

TEST_F(ControllerTest, RunCopiesTheListSoEditsDuringARunDoNotReachIt)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(150));
    auto move = TBaseCtrlEX::Create();
    move->actionType = atMove;
    move->mouseMovePosX = 11;
    move->mouseMovePosY = 22;
    ctrl->Select(-1);
    ctrl->AddAction(std::move(move));
    ctrl->Run();
    ctrl->Select(1);
    view.editor = [](const std::string&, TBaseCtrlEX& action, bool) {
        action.mouseMovePosX = 99;
        return true;
    };
    ctrl->EditAction();
    ASSERT_TRUE(ui.runUntil([&] { return !ctrl->Running(); }));
    EXPECT_TRUE(traceHas("SetCursorPos 11 22")) << "the run plays what the list held when it started";
    EXPECT_FALSE(traceHas("SetCursorPos 99 22"));
}

// ---- hot keys ----

TEST_F(ControllerTest, HotKeysRegisterAtStartAndDispatchOnTheUiThread)
{
    make();
    EXPECT_EQ(hotKeys->registered().size(), 4u);
    EXPECT_TRUE(hotKeys->registered().count({ MOD_ALT, 0x71 }));
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x72 }));

    ctrl->AddAction(delayAction(1));
    ASSERT_TRUE(hotKeys->press(MOD_CONTROL, 0x71)); // CTRL+F2
    EXPECT_FALSE(ctrl->Running()) << "nothing happens off the UI thread";
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }));
    EXPECT_TRUE(traceHas("waitForRelease CTRL+F2 2000")) << "a hot-key run waits for the keys to be let go";

    ASSERT_TRUE(hotKeys->press(MOD_ALT, 0x72)); // ALT+F3 toggles while idle
    ASSERT_TRUE(ui.runUntil([&] { return ctrl->Recording(); }));
    EXPECT_EQ(view.status[0], "Recoding...");
}

TEST_F(ControllerTest, OptionsOkRegistersTheNewKeysAndCancelKeepsTheOld)
{
    make();
    view.optionsAnswer = false;
    ctrl->GetConfig().GetRunning().setStart(6);
    ctrl->ShowOptions();
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x71 }));

    view.optionsAnswer = true;
    ctrl->ShowOptions();
    EXPECT_TRUE(hotKeys->registered().count({ MOD_CONTROL, 0x76 })); // F7
    EXPECT_FALSE(hotKeys->registered().count({ MOD_CONTROL, 0x71 }));
    EXPECT_FALSE(hotKeys->press(MOD_CONTROL, 0x71));
}

TEST_F(ControllerTest, AKeyHeldByAnotherProgramIsReported)
{
    hotKeys->holdElsewhere(MOD_CONTROL, 0x72);
    make();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("CTRL+F3"), std::string::npos) << view.messages[0];
    EXPECT_EQ(hotKeys->registered().size(), 3u);
}

// ---- recording ----

TEST_F(ControllerTest, RecordToggleRecordsAndReplacesTheListAtTheStop)
{
    make();
    fill(2);
    ctrl->btnShadeClick();
    EXPECT_TRUE(ctrl->Recording());
    EXPECT_TRUE(view.recordingShown);
    EXPECT_EQ(view.status[0], "Recoding...");
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press ALT+F3 to Stop Record Mouse Action");
    EXPECT_EQ(ctrl->Count(), 2) << "nothing changes before the stop";

    ASSERT_TRUE(recorder->feed(event(WM_LBUTTONDOWN, 5, 6, 100)));
    ASSERT_TRUE(recorder->feed(event(WM_LBUTTONUP, 5, 6, 180)));
    ASSERT_TRUE(recorder->feed(event(WM_MOUSEMOVE, 7, 8, 200)));
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_FALSE(view.recordingShown);
    EXPECT_EQ(view.status[0], "Ready");
    ASSERT_EQ(ctrl->Count(), 5);
    EXPECT_EQ(ctrl->Action(1).delay, 80);
    EXPECT_EQ(ctrl->Action(4).actionType, atMove);
}

TEST_F(ControllerTest, RecordingHonoursFiltersAndTheHotKeysOwnPresses)
{
    make();
    ctrl->GetConfig().GetShade().setMousemove(false);
    ctrl->WMHotKey(MOD_ALT, 0x71); // ALT+F2 starts
    ASSERT_TRUE(ctrl->Recording());
    recorder->feed(event(WM_SYSKEYUP, 0x71, 0, 10)); // releases of the start key
    recorder->feed(event(WM_KEYUP, 0x12, 0, 11));
    recorder->feed(event(WM_MOUSEMOVE, 1, 1, 20));
    recorder->feed(event(WM_KEYDOWN, 0x41, 0, 30));
    recorder->feed(event(WM_KEYUP, 0x41, 0, 40));
    recorder->feed(event(WM_SYSKEYDOWN, 0x12, 0, 50)); // ALT+F3 stops
    recorder->feed(event(WM_SYSKEYDOWN, 0x72, 0, 60));
    ctrl->WMHotKey(MOD_ALT, 0x72);
    ASSERT_FALSE(ctrl->Recording());
    ASSERT_EQ(ctrl->Count(), 3) << "A down, delay, A up: no moves, no hot-key presses";
    EXPECT_EQ(ctrl->Action(0).key, 0x41);
    EXPECT_EQ(ctrl->Action(0).keyAction, kaDown);
    EXPECT_EQ(ctrl->Action(1).delay, 10);
    EXPECT_EQ(ctrl->Action(2).keyAction, kaUp);
}

TEST_F(ControllerTest, RecordingDoesNothingDuringARunAndReportsAFailedStart)
{
    make(makeSteadyWaiter());
    ctrl->AddAction(delayAction(60000));
    ctrl->Run();
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_EQ(ctrl->HintFor("Quit"), "Press CTRL+F3 to Stop Running Action List");
    ctrl->Stop();
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }, 3s));

    recorder->failNextStart("no RECORD extension on :9");
    ctrl->btnShadeClick();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_FALSE(view.recordingShown);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("no RECORD extension"), std::string::npos);
}

TEST_F(ControllerTest, WithoutARecorderTheToggleSaysWhy)
{
    ControllerServices services;
    services.configPath = dir / "config.xml";
    services.recorderProblem = "no display";
    services.post = [this](std::function<void()> call) { ui.post(std::move(call)); };
    TMouseCtrl bare(view, std::move(services));
    bare.Start();
    bare.btnShadeClick();
    EXPECT_FALSE(bare.Recording());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("no display"), std::string::npos);
}

// ---- configuration, start and shutdown ----

TEST_F(ControllerTest, ColumnsComeFromTheConfigurationByIndex)
{
    test::writeFile(dir / "config.xml",
        "<config versionNo=\"2.0\"><frame/><shade/><running start=\"1\" stop=\"2\"/><cols>"
        "<col Name=\"Action\" Width=\"200\" Index=\"0\" Visible=\"True\"/>"
        "<col Name=\"No.\" Width=\"40\" Index=\"1\" Visible=\"False\"/></cols></config>");
    make();
    ctrl->AddAction(delayAction(250));
    EXPECT_EQ(ctrl->GetCellText(0, 0), "Delay 250 ms");
    EXPECT_EQ(ctrl->GetCellText(0, 1), "1");
    EXPECT_EQ(ctrl->GetCellText(5, 1), "") << "rows past the end have no text";
}

TEST_F(ControllerTest, BrokenConfigurationFallsBackAndIsReportedOnce)
{
    test::writeFile(dir / "config.xml", "<config versionNo=\"2.0\"><frame left=\"x\"");
    make();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.status[0], "Ready");
    EXPECT_EQ(ctrl->GetConfig().GetFrame().width(), 700);
    EXPECT_EQ(hotKeys->registered().size(), 4u);
}

TEST_F(ControllerTest, ShutdownStopsARecordingIntoTheListAndWritesTheSettings)
{
    make();
    ctrl->btnShadeClick();
    recorder->feed(event(WM_RBUTTONDOWN, 3, 4, 10));
    ctrl->GetConfig().GetRunning().setSpeed(5);
    ctrl->Shutdown();
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_EQ(ctrl->Count(), 1);
    EXPECT_TRUE(hotKeys->registered().empty());
    EXPECT_NE(test::readFile(dir / "config.xml").find("speed=\"5\""), std::string::npos);
}

} // namespace
} // namespace clickwisp
