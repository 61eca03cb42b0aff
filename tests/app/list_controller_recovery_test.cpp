// The list controller keeping what is not saved: the list's saved state,
// the recovery files beside config.xml, the next start, the session's end.
#include "core/list_file.h"
#include "tests/app/controller_fixture.h"

#include <algorithm>

namespace clickwisp {
namespace {

namespace fs = std::filesystem;
using test::ControllerTest;
using test::delayAction;
using test::event;

class RecoveryTest : public ControllerTest {
protected:
    fs::path current() const { return dir / "recovery.xml"; }
    fs::path previous() const { return dir / "recovery.1.xml"; }
    // What a save of the list would write now.
    std::string saveText() const { return ListToText(ctrl->Actions()); }
    // Waits until the recovery file (or another) holds text; "" waits for it to go.
    bool recoveryBecomes(const std::string& text) { return fileBecomes(current(), text); }
    bool fileBecomes(const fs::path& file, const std::string& text)
    {
        return ui.runUntil([&] { return text.empty() ? !fs::exists(file) : test::readFile(file) == text; });
    }
    // The program closes and starts again on the same settings folder.
    void restart()
    {
        ctrl->Shutdown();
        ctrl.reset();
        view = test::ScriptedView();
        make();
    }
    std::string save(const std::string& name)
    {
        view.saveNames = { (dir / name).string() };
        ctrl->SaveList();
        return test::readFile(dir / name);
    }
    void load(const std::string& name)
    {
        view.openNames = { (dir / name).string() };
        ctrl->LoadList();
    }
    void record(std::initializer_list<uint32_t> times)
    {
        ctrl->btnShadeClick();
        for (uint32_t time : times)
            recorder->feed(event(WM_LBUTTONDOWN, 5, 6, time));
        ctrl->btnShadeClick();
    }
};

TEST_F(RecoveryTest, EveryChangeMarksTheListUnsavedAndASaveOrLoadMarksItSaved)
{
    make();
    EXPECT_FALSE(ctrl->ListModified());
    EXPECT_FALSE(view.listModified);
    EXPECT_EQ(view.status[1], "") << "a new empty list has nothing to save";

    fill(3);
    EXPECT_TRUE(view.listModified);
    EXPECT_EQ(view.listFile, "");
    EXPECT_EQ(view.status[1], "Not saved");
    save("a.xml");
    EXPECT_FALSE(view.listModified);
    EXPECT_EQ(view.listFile, (dir / "a.xml").string());
    EXPECT_EQ(view.status[1], "");

    // Each command that changes the list, after a save.
    view.editor = [](const std::string&, TBaseCtrlEX& action, bool) {
        action.delay = 99;
        return true;
    };
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        { "new", [&] { ctrl->NewAction(); } },
        { "edit",
            [&] {
                ctrl->Select(0);
                ctrl->EditAction();
            } },
        { "delete",
            [&] {
                ctrl->Select(0);
                ctrl->DeleteAction();
            } },
        { "move up",
            [&] {
                ctrl->Select(1);
                ctrl->MoveUp();
            } },
        { "move down",
            [&] {
                ctrl->Select(0);
                ctrl->MoveDown();
            } },
        { "record",
            [&] {
                record({ 10, 20 });
            } },
    };
    for (const auto& [name, command] : commands) {
        save("a.xml");
        ASSERT_FALSE(ctrl->ListModified()) << name;
        command();
        EXPECT_TRUE(ctrl->ListModified()) << name;
        EXPECT_TRUE(view.listModified) << name;
        EXPECT_EQ(view.status[1], "Not saved") << name;
    }

    load("a.xml");
    EXPECT_FALSE(view.listModified) << "a loaded list is the file's";
    EXPECT_EQ(view.listFile, (dir / "a.xml").string());
    // Deleting every row of a loaded list still differs from its file.
    while (ctrl->Count() > 0) {
        ctrl->Select(0);
        ctrl->DeleteAction();
    }
    EXPECT_TRUE(view.listModified);

    test::writeFile(dir / "part.xml", "<list><item actionType=\"4\"/><item delay=\"x\"/></list>");
    load("part.xml");
    EXPECT_EQ(ctrl->Count(), 1);
    EXPECT_TRUE(view.listModified) << "a load that stopped at an item is not the file's content";
    EXPECT_EQ(view.listFile, (dir / "part.xml").string());

    ctrl->ClearList();
    EXPECT_FALSE(view.listModified) << "cleared: a new list again";
    EXPECT_EQ(view.listFile, "");
    record({});
    EXPECT_FALSE(view.listModified) << "a recording without events leaves nothing to save";
}

TEST_F(RecoveryTest, TheUnsavedListIsKeptAsASaveWouldWriteItUntilSavedOrEmptied)
{
    make();
    fill(2);
    const std::string kept = saveText();
    ASSERT_TRUE(recoveryBecomes(kept));
    EXPECT_EQ(save("a.xml"), kept) << "the recovery file holds what a save writes";
    EXPECT_TRUE(recoveryBecomes("")) << "saved: nothing to recover";

    ctrl->Select(-1);
    ctrl->AddAction(delayAction(7));
    const std::string three = saveText();
    EXPECT_TRUE(recoveryBecomes(three)) << "changed again: back";
}

TEST_F(RecoveryTest, LoadClearOrRecordingOverAnUnsavedListKeepItOneStepBack)
{
    make();
    ActionList file;
    file.push_back(delayAction(50));
    ASSERT_TRUE(SaveListFile(dir / "file.xml", file));

    fill(2);
    const std::string two = saveText();
    load("file.xml");
    EXPECT_TRUE(fileBecomes(previous(), two)) << "replaced by a load";
    EXPECT_TRUE(recoveryBecomes(""));

    record({ 10 });
    const std::string recorded = saveText();
    ASSERT_TRUE(recoveryBecomes(recorded));
    EXPECT_EQ(test::readFile(previous()), two) << "a saved list that is replaced needs no step back";

    view.answers = { false };
    ctrl->ClearList();
    EXPECT_EQ(ctrl->Count(), 1) << "Clear still asks, and No keeps the list";
    ctrl->ClearList();
    EXPECT_EQ(view.questions, (std::vector<std::string>(2, "Are you sure to clear the list?")));
    EXPECT_TRUE(fileBecomes(previous(), recorded)) << "the cleared list is one step back";
    EXPECT_TRUE(recoveryBecomes("")) << "emptied: nothing to recover";

    fill(1);
    const std::string one = saveText();
    ASSERT_TRUE(recoveryBecomes(one));
    record({ 5, 9 });
    EXPECT_TRUE(recoveryBecomes(saveText())) << "the recording is kept";
    EXPECT_TRUE(fileBecomes(previous(), one)) << "and the list it replaced one step back";
}

TEST_F(RecoveryTest, AStartRecoversWhatAClosedOrKilledProgramDidNotSave)
{
    make();
    fill(3);
    const std::string kept = saveText();
    // Closing asks nothing and leaves the list for the next start.
    restart();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(delays(), (std::vector<int32_t> { 1, 2, 3 }));
    EXPECT_TRUE(ctrl->ListModified());
    EXPECT_TRUE(view.listModified);
    EXPECT_EQ(view.listFile, "");
    EXPECT_TRUE(view.status[1].starts_with("Recovered the unsaved list from ")) << view.status[1];
    EXPECT_TRUE(view.status[1].ends_with(" \u2014 Save to keep it, Clear to drop it")) << view.status[1];
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(save("b.xml"), kept) << "saved byte for byte as before";

    // Killed: no shutdown, the file as the last write left it.
    ctrl->Select(-1);
    ctrl->AddAction(delayAction(4));
    const std::string four = saveText();
    ASSERT_TRUE(recoveryBecomes(four));
    ctrl.reset();
    view = test::ScriptedView();
    make();
    EXPECT_EQ(saveText(), four);
    EXPECT_TRUE(view.listModified);

    // Closed after saving: the next start is empty and says nothing.
    save("c.xml");
    restart();
    EXPECT_EQ(ctrl->Count(), 0);
    EXPECT_FALSE(view.listModified);
    EXPECT_EQ(view.status[1], "");
    EXPECT_FALSE(fs::exists(current()));
}

TEST_F(RecoveryTest, ADamagedRecoveryFileIsKeptAsideAndTheProgramStartsEmpty)
{
    for (const std::string damaged :
        { "<list><item delay=\"1\"", "<list><item actionType=\"4\"/><item delay=\"abc\"/></list>" }) {
        test::writeFile(current(), damaged);
        make();
        EXPECT_EQ(ctrl->Count(), 0) << damaged;
        EXPECT_FALSE(view.listModified);
        EXPECT_FALSE(fs::exists(current()));
        EXPECT_EQ(test::readFile(dir / "recovery.xml.bad"), damaged);
        EXPECT_TRUE(view.status[1].starts_with("The unsaved list of the last run could not be recovered: "))
            << view.status[1];
        EXPECT_NE(view.status[1].find("recovery.xml.bad"), std::string::npos) << view.status[1];
        EXPECT_TRUE(view.messages.empty()) << "a notice, not a box";
        ctrl.reset();
        view = test::ScriptedView();
    }
    // A file without actions has nothing to say.
    test::writeFile(current(), ListToText({}));
    make();
    EXPECT_EQ(view.status[1], "");
    EXPECT_FALSE(fs::exists(current()));
}

TEST_F(RecoveryTest, AFileThatCannotBeWrittenIsSaidOnceAndTriedAgain)
{
    make();
    ActionList file;
    file.push_back(delayAction(50));
    ASSERT_TRUE(SaveListFile(dir / "file.xml", file));
    fs::create_directory(current()); // in the way of the recovery files
    fs::create_directory(previous());
    for (int i = 0; i < 3; ++i) {
        fill(1);
        ui.runUntil([] { return false; }, std::chrono::milliseconds(100));
    }
    const auto told = std::count_if(view.panel1Texts.begin(), view.panel1Texts.end(),
        [](const std::string& text) { return text.starts_with("The unsaved list cannot be kept for recovery: "); });
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(view.messages.empty()) << "never a box per change";

    // Out of the way again: written without a further change.
    fs::remove(current());
    EXPECT_TRUE(recoveryBecomes(saveText()));
    const std::string three = saveText();
    load("file.xml");
    fs::remove(previous());
    EXPECT_TRUE(fileBecomes(previous(), three)) << "the list the load replaced";

    // Closing says it in a box: the list is about to go.
    ASSERT_TRUE(recoveryBecomes("")) << "the loaded list is saved";
    fs::create_directory(current());
    fill(1);
    ctrl->Shutdown();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(view.messages[0].starts_with("The unsaved list could not be kept for the next start: "))
        << view.messages[0];
}

TEST_F(RecoveryTest, WritesAtMostOncePerIntervalAndAtOnceWhenTheSessionIsSaved)
{
    recoveryInterval = std::chrono::hours(1);
    make();
    fill(1);
    ASSERT_TRUE(recoveryBecomes(saveText())) << "the first change is written at once";
    const std::string first = saveText();
    fill(1);
    ui.runUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(test::readFile(current()), first) << "the next waits for the interval";
    ctrl->SaveSession(false);
    EXPECT_EQ(test::readFile(current()), saveText()) << "current when the session is saved";
}

TEST_F(RecoveryTest, TheSessionsEndWritesTheSettingsAndTheListWithoutABox)
{
    make();
    ctrl->GetConfig().GetFrame().setWidth(812);
    ctrl->btnShadeClick();
    recorder->feed(event(WM_LBUTTONDOWN, 5, 6, 100));
    ctrl->SaveSession(false);
    EXPECT_EQ(TConfig(dir / "config.xml").GetFrame().width(), 812);
    EXPECT_TRUE(ctrl->Recording()) << "a saved session may go on";

    ctrl->SaveSession(true);
    EXPECT_FALSE(ctrl->Recording()) << "the session ends: the recording becomes the list";
    EXPECT_FALSE(view.recordingShown);
    ASSERT_EQ(ctrl->Count(), 1);
    EXPECT_EQ(test::readFile(current()), saveText());

    fs::remove(dir / "config.xml");
    fs::create_directory(dir / "config.xml"); // in the way of the settings
    ctrl->SaveSession(true);
    EXPECT_TRUE(view.status[1].starts_with("The settings could not be saved: ")) << view.status[1];
    EXPECT_TRUE(view.messages.empty()) << "no box while the session ends";
}

TEST(RecoveredNotice, SaysWhenTheListWasKept)
{
    std::tm today {};
    today.tm_year = 124;
    today.tm_yday = 130;
    std::tm written = today;
    written.tm_hour = 14;
    written.tm_min = 2;
    EXPECT_EQ(RecoveredNotice(written, today),
        "Recovered the unsaved list from 14:02 \u2014 Save to keep it, Clear to drop it");
    written.tm_yday = 129;
    written.tm_mon = 4;
    written.tm_mday = 9;
    EXPECT_EQ(RecoveredNotice(written, today),
        "Recovered the unsaved list from 2024-05-09 14:02 \u2014 Save to keep it, Clear to drop it");
}

} // namespace
} // namespace clickwisp
