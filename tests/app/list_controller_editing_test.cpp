// The list controller's editing commands (new, edit, delete, clear, move)
// and the list's columns.
#include "tests/app/controller_fixture.h"

namespace clickwisp {
namespace {

using test::ControllerTest;
using test::delayAction;

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

} // namespace
} // namespace clickwisp
