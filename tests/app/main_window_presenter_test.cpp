// The main window's columns from and to the configuration, and its place.
#include "app/main_window_presenter.h"

#include "config/config.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

constexpr const char* kConfig
    = "<config versionNo=\"2.0\"><cols>"
      "<col id=\"0\" Name=\"No.\" Align=\"center\" Color=\"\" Visible=\"False\" Width=\"40\" Index=\"7\"/>"
      "<col id=\"1\" Name=\"Type\" Align=\"Right\" Color=\"\" Visible=\"True\" Width=\"-3\" Index=\"-1\"/>"
      "<col id=\"2\" Name=\"Action\" Align=\"right\" Color=\"\" Visible=\"True\" Width=\"200\" Index=\"1\"/>"
      "</cols></config>";

std::vector<std::tuple<int32_t, bool, int>> tuples(const std::vector<ColumnState>& columns)
{
    std::vector<std::tuple<int32_t, bool, int>> out;
    for (const ColumnState& c : columns)
        out.emplace_back(c.width, c.visible, c.position);
    return out;
}

TEST(MainWindowPresenter, ColumnsShowWithinLimitsAndAHiddenOneKeepsItsWidth)
{
    test::TempDir dir;
    test::writeFile(dir / "config.xml", kConfig);
    TConfig config { dir / "config.xml" };
    ASSERT_FALSE(config.LoadWarning()) << *config.LoadWarning();
    using T = std::tuple<int32_t, bool, int>;
    EXPECT_EQ(
        tuples(ColumnsFromConfig(config)), (std::vector<T> { { 40, false, 2 }, { 0, true, 0 }, { 200, true, 1 } }));
    // "Right" is not "right".
    EXPECT_EQ((std::vector { ColumnAlignOf("center"), ColumnAlignOf("Right"), ColumnAlignOf("right") }),
        (std::vector { ColumnAlign::Centre, ColumnAlign::Left, ColumnAlign::Right }));

    StoreColumns({ { 0, false, 1 }, { 90, true, 2 }, { 250, true, 0 }, { 10, true, 3 } }, config);
    EXPECT_EQ(
        tuples(ColumnsFromConfig(config)), (std::vector<T> { { 40, false, 1 }, { 90, true, 2 }, { 250, true, 0 } }));
}

TEST(MainWindowPresenter, TheWindowIsCentredOnTheWholeDesktopButNotPastItsCorner)
{
    EXPECT_EQ(CentredOrigin({ -1920, 0 }, { 3840, 1080 }, { 800, 600 }), (ScreenPoint { -400, 240 }));
    EXPECT_EQ(CentredOrigin({ 0, 0 }, { 640, 480 }, { 800, 600 }), (ScreenPoint { 0, 0 }));
}

TEST(MainWindowPresenter, BoundsAreStoredAndAPlaceNobodyToldKeepsTheConfiguredOne)
{
    test::TempDir dir;
    TConfig config { dir / "config.xml" };
    StoreWindowBounds(ScreenPoint { -300, 20 }, { 800, 600 }, false, config);
    // Wayland: the program is not told where its window is.
    StoreWindowBounds(std::nullopt, { 1280, 697 }, true, config);
    const auto frame = config.GetFrame();
    EXPECT_EQ((std::vector { frame.left(), frame.top(), frame.width(), frame.height() }),
        (std::vector { -300, 20, 1280, 697 }));
    EXPECT_TRUE(frame.max());
}

TEST(MainWindowPresenter, ADesktopWithoutRecordingSaysWhatWorksAndDisablesRecord)
{
    EXPECT_FALSE(ControlEnabled(MainControl::Record, true, false));
    EXPECT_TRUE(ControlEnabled(MainControl::Load, true, false));
    EXPECT_TRUE(ControlEnabled(MainControl::Record, true, true));
    EXPECT_FALSE(ControlEnabled(MainControl::Record, false, true)) << "a run disables it as before";

    const DesktopLimits everything = DesktopLimitsOf("", "", "");
    EXPECT_EQ(everything.status + everything.notice + everything.recordHint, "");

    const DesktopLimits noRecorder = DesktopLimitsOf("Wayland does not let programs read global input", "", "");
    EXPECT_EQ(noRecorder.status, "Playback, the screen searches and the hot keys work; recording does not");
    EXPECT_EQ(noRecorder.recordHint, "Recording is not available: Wayland does not let programs read global input.");
    EXPECT_TRUE(noRecorder.notice.starts_with(noRecorder.recordHint + "\n")) << noRecorder.notice;
    EXPECT_EQ(noRecorder.notice.find("hot keys are not available"), std::string::npos);

    // Where sway binds the keys, their absence on the display is no loss.
    const DesktopLimits onSway = DesktopLimitsOf("no recorder.", "no X11 display", "sway");
    EXPECT_EQ(onSway.status, "Playback, the screen searches and the hot keys work; recording does not");
    EXPECT_EQ(onSway.recordHint, "Recording is not available: no recorder.");
    EXPECT_EQ(DesktopLimitsOf("", "no X11 display", "sway").notice, "");

    const DesktopLimits noKeys = DesktopLimitsOf("", "no X11 display", "");
    EXPECT_EQ(noKeys.status, "Playback, the screen searches and recording work; the hot keys do not");
    EXPECT_EQ(noKeys.recordHint, "");
    EXPECT_TRUE(noKeys.notice.starts_with("The global hot keys are not available: no X11 display.\n"));
}

TEST(MainWindowPresenter, TheAboutBoxNamesTheBackendInUseBesideThoseBuiltIn)
{
    EXPECT_EQ(AboutBackendsLine("x11, wayland", "wayland"), "Backend: wayland (built in: x11, wayland)");
    EXPECT_EQ(AboutBackendsLine("win32", "win32"), "Backend: win32 (built in: win32)");
    EXPECT_EQ(AboutBackendsLine("x11", ""), "Desktop backends: x11");
}

TEST(MainWindowPresenter, TheCaptionNamesTheListsFileAndMarksUnsavedChanges)
{
    const std::string product = "Clickwisp 9.1";
    EXPECT_EQ(WindowCaption(product, "", false), product) << "a new list with nothing to save";
    EXPECT_EQ(WindowCaption(product, "", true), "*Untitled - Clickwisp 9.1");
    EXPECT_EQ(WindowCaption(product, "/home/u/lists/demo.xml", false), "demo.xml - Clickwisp 9.1");
    EXPECT_EQ(WindowCaption(product, "/home/u/lists/demo.xml", true), "*demo.xml - Clickwisp 9.1");
    EXPECT_EQ(WindowCaption(product, "C:\\Users\\u\\demo.xml", true), "*demo.xml - Clickwisp 9.1");
    EXPECT_EQ(WindowCaption(product, "demo.xml", false), "demo.xml - Clickwisp 9.1");
}

TEST(MainWindowPresenter, ColumnOrderFollowsThePlacesAndKeepsTiesInConfiguredOrder)
{
    EXPECT_EQ(ColumnOrder({ { 40, false, 2 }, { 0, true, 0 }, { 200, true, 1 } }), (std::vector { 1, 2, 0 }));
    // Places clamped from a hand-edited file may repeat.
    EXPECT_EQ(
        ColumnOrder({ { 1, true, 2 }, { 1, true, 0 }, { 1, true, 2 }, { 1, true, 0 } }), (std::vector { 1, 3, 0, 2 }));
    EXPECT_TRUE(ColumnOrder({}).empty());
}

TEST(MainWindowPresenter, TrayIconTogglesTheWindowAndMinimisingHidesOnlyWithAnIcon)
{
    EXPECT_TRUE(TrayClickHides(true, false));
    EXPECT_FALSE(TrayClickHides(true, true)) << "a minimised window is brought back";
    EXPECT_FALSE(TrayClickHides(false, false));
    EXPECT_TRUE(MinimizeHides(true));
    EXPECT_FALSE(MinimizeHides(false)) << "no icon: the window must stay findable";
    EXPECT_EQ(TrayTip(""), "Clickwisp");
    EXPECT_EQ(TrayTip("ALT+F2 is taken"), "Clickwisp\nALT+F2 is taken");
}

TEST(MainWindowPresenter, FileFiltersSplitIntoNamesAndPatterns)
{
    using F = FileFilter;
    EXPECT_EQ(ParseFileFilter("XML File|*.XML"), (std::vector<F> { { "XML File", { "*.XML" } } }));
    EXPECT_EQ(ParseFileFilter("BMP File|*.bmp|Pictures|*.bmp;*.png;;*.jpg"),
        (std::vector<F> { { "BMP File", { "*.bmp" } }, { "Pictures", { "*.bmp", "*.png", "*.jpg" } } }));
    EXPECT_EQ(ParseFileFilter("Name without patterns"), (std::vector<F> {}));
    EXPECT_EQ(ParseFileFilter(""), (std::vector<F> {}));
}

} // namespace
} // namespace clickwisp
