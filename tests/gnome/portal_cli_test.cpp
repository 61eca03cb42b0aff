// clickwisp-cli on GNOME through the desktop portal, as a user runs it:
// the consent dialog answered from the test, the screen checked against
// the compositor's own screen cast, input and text read by wev.
#include "tests/gnome/gnome_screen.h"
#include "tests/support/consent_answerer.h"
#include "tests/support/wev.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

namespace clickwisp::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr const char* kColour = "12C456"; // the colour window's RRGGBB
constexpr uint32_t kColourRgb = 0x12C456;

class PortalCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        GNOME_DESKTOP_OR_SKIP();
        desktop = GnomeSession::desktop();
        out = desktop->runtimeDir() / "out";
        std::filesystem::create_directories(out);
        ASSERT_TRUE(desktop->user().own(out));
    }

    ProcessResult cli(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> argv = { cliPath() };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return desktop->run(argv);
    }

    std::unique_ptr<ChildProcess> showColourWindow() const
    {
        auto window = desktop->spawn({ "stdbuf", "-oL", "/usr/bin/python3",
            std::string(CLICKWISP_SOURCE_DIR) + "/tests/support/colour_window.py", kColour });
        EXPECT_TRUE(window->waitForStdout("shown", 30s)) << window->err();
        return window;
    }

    // A list file in the output folder.
    std::string list(const std::string& name, const std::string& items) const
    {
        writeFile(out / name, "<list>\n" + items + "</list>\n");
        desktop->user().own(out / name);
        return (out / name).string();
    }

    HeadlessGnome* desktop = nullptr;
    std::filesystem::path out;
};

TEST_F(PortalCli, TheVersionNamesThePortalAndRecordingSaysItCannot)
{
    const auto version = cli({ "--version" });
    EXPECT_THAT(version.out, HasSubstr("backends: x11, wayland, portal"));
    // Debian 12's portal (RemoteDesktop version 1) asks at each session, and says so.
    EXPECT_THAT(version.out,
        HasSubstr("active: portal: the desktop asks for permission at each session (its portal, RemoteDesktop "
                  "version 1, keeps no grant)"));

    const auto recorded = cli({ "record", (out / "recorded.xml").string() });
    EXPECT_EQ(recorded.status, 69);
    EXPECT_THAT(recorded.err, HasSubstr("GNOME and KDE on Wayland do not let programs read global input"));
    EXPECT_FALSE(std::filesystem::exists(out / "recorded.xml"));
}

TEST_F(PortalCli, ACaptureEqualsTheCompositorsOwnAndTheSecondAsksNoMore)
{
    auto window = showColourWindow();
    ConsentAnswerer answerer(*desktop, ConsentAnswer::Share);
    // The same moment: a capture between two equal screenshots of the compositor.
    bool compared = false;
    for (int attempt = 0; attempt < 3 && !compared; ++attempt) {
        const auto before = compositorScreenshot(*desktop, "before");
        const auto captured = cli({ "capture", (out / "capture.bmp").string() });
        ASSERT_EQ(captured.status, 0) << captured.err << answerer.problem();
        const auto after = compositorScreenshot(*desktop, "after");
        ASSERT_TRUE(before && after);
        if (!(*before == *after))
            continue; // the screen changed meanwhile
        const auto ours = readBmp(out / "capture.bmp");
        ASSERT_TRUE(ours);
        EXPECT_EQ(ours->width, 1920);
        EXPECT_EQ(ours->height, 1080);
        EXPECT_TRUE(*ours == *before) << "the capture differs from the compositor's own picture";
        EXPECT_TRUE(before->find(kColourRgb)) << "the colour window is not on the screen";
        compared = true;
    }
    EXPECT_TRUE(compared) << "the screen kept changing";
    // A screen cast alone keeps its grant (ScreenCast version 4): one dialog for every capture.
    EXPECT_EQ(answerer.answered(), 1);
}

TEST_F(PortalCli, FindColorFindsTheWindowsColourWhereTheCompositorShowsItFirst)
{
    auto window = showColourWindow();
    ConsentAnswerer answerer(*desktop, ConsentAnswer::Share);
    // The colour text is 0x00BBGGRR.
    const auto found = cli({ "find-color", "$56C412" });
    ASSERT_EQ(found.status, 0) << found.err << answerer.problem();
    const auto screen = compositorScreenshot(*desktop, "screen");
    ASSERT_TRUE(screen);
    const auto first = screen->find(kColourRgb);
    ASSERT_TRUE(first);
    EXPECT_EQ(found.out, std::to_string(first->first) + " " + std::to_string(first->second) + "\n");

    const auto missing = cli({ "find-color", "$123456" });
    EXPECT_EQ(missing.status, 1) << missing.err;

    // A colour click in a run searches the remote-desktop session's own screen.
    const auto clicked = cli({ "play", "--strict",
        list("colour.xml", "<item actionType=\"0\" mousePoint=\"2\" fColor=\"$56C412\" fColorSimplar=\"100\"/>\n") });
    EXPECT_EQ(clicked.status, 0) << clicked.err;
    const auto notThere = cli({ "play", "--strict",
        list("absent.xml", "<item actionType=\"0\" mousePoint=\"2\" fColor=\"$123456\" fColorSimplar=\"100\"/>\n") });
    EXPECT_EQ(notThere.status, 3);
    EXPECT_THAT(notThere.err, HasSubstr("Action 1: colour $123456 not found"));
}

TEST_F(PortalCli, ARefusedDialogIsExitStatus69AndNamesIt)
{
    ConsentAnswerer answerer(*desktop, ConsentAnswer::Cancel);
    const auto played = cli({ "play", list("move.xml", "<item actionType=\"1\"/>\n") });
    EXPECT_EQ(played.status, 69);
    EXPECT_THAT(
        played.err, HasSubstr("the desktop refused to let Clickwisp control the desktop: its dialog was cancelled"));
    EXPECT_EQ(answerer.answered(), 1);
}

} // namespace
} // namespace clickwisp::test
