// The list controller's files: loading and saving lists, and a config.xml
// that does not load.
#include "core/list_file.h"
#include "tests/app/controller_fixture.h"

namespace clickwisp {
namespace {

using test::ControllerTest;
using test::delayAction;

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

TEST_F(ControllerTest, BrokenConfigurationFallsBackAndIsReportedOnce)
{
    test::writeFile(dir / "config.xml", "<config versionNo=\"2.0\"><frame left=\"x\"");
    make();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.status[0], "Ready");
    EXPECT_EQ(ctrl->GetConfig().GetFrame().width(), 700);
    EXPECT_EQ(hotKeys->registered().size(), 4u);
}

} // namespace
} // namespace clickwisp
