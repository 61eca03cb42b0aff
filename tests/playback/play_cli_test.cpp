// clickwisp-cli play --dry-run: the calls a list makes, printed one a line.
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace clickwisp {
namespace {

using test::runProcess;
using test::TempDir;
using test::writeFile;

class PlayCli : public ::testing::Test {
protected:
    std::string list(const std::string& items)
    {
        const auto path = m_dir / ("list" + std::to_string(m_count++) + ".xml");
        writeFile(path, "<?xml version=\"1.0\"?>\n<list>\n" + items + "</list>\n");
        return path.string();
    }
    test::ProcessResult play(std::vector<std::string> args)
    {
        args.insert(args.begin(), { test::cliPath(), "play" });
        return runProcess(args);
    }

    TempDir m_dir;
    int m_count = 0;
};

TEST_F(PlayCli, DryRunPrintsEachCallStartingFromTheGivenPointer)
{
    auto result = play({ list("<item actionType=\"0\"/>\n<item actionType=\"3\" typeText=\"&#233;\"/>\n"), "--dry-run",
        "--pointer", "-3,1080" });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
        "SetCursorPos -3 1080\nmouse_event 0x0002 0\nmouse_event 0x0004 0\nWM_IME_CHAR 0x00E9\nWM_KEYDOWN 0x0D\n");
}

TEST_F(PlayCli, RepeatIntervalAndSpeed)
{
    const auto file = list("<item actionType=\"4\" delay=\"1000\"/>\n");
    EXPECT_EQ(play({ file, "--dry-run", "--repeat", "3", "--speed", "9" }).out,
        "Wait 100\nWait 1000\nWait 100\nWait 1000\nWait 100\n");
    EXPECT_EQ(play({ file, "--dry-run", "--repeat", "2", "--interval", "250", "--speed", "-9" }).out,
        "Wait 10000\nWait 250\nWait 10000\n");
    for (const char* once : { "0", "-5", "once" })
        EXPECT_EQ(play({ file, "--dry-run", "--repeat", once }).out, "Wait 1000\n") << once;
}

TEST_F(PlayCli, ScreenImageIsTheFakeScreen)
{
    // A 30 x 20 white screen with one red pixel.
    auto image = test::solidImage(30, 20, 0xFFFFFF);
    test::setPixel(*image, 7, 12, 0xFF0000);
    ASSERT_TRUE(test::writeBmp(m_dir / "screen.bmp", *image));
    auto result = play({ list("<item actionType=\"0\" mousePoint=\"2\" fColor=\"$0000FF\"/>\n"), "--dry-run",
        "--screen", (m_dir / "screen.bmp").string() });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "CaptureScreen 0 0 30 20\nSetCursorPos 7 12\nmouse_event 0x0002 0\nmouse_event 0x0004 0\n");

    writeFile(m_dir / "broken.bmp", "BM not really");
    result = play({ list("<item actionType=\"1\"/>\n"), "--dry-run", "--screen", (m_dir / "broken.bmp").string() });
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("broken.bmp"));
    EXPECT_EQ(result.out, "");
}

TEST_F(PlayCli, WaitSearchesAgainUntilTheScreenShowsTheTargetAndStrictFails)
{
    // The red pixel appears on the fourth capture.
    auto white = test::solidImage(30, 20, 0xFFFFFF);
    auto red = test::solidImage(30, 20, 0xFFFFFF);
    test::setPixel(*red, 7, 12, 0xFF0000);
    ASSERT_TRUE(test::writeBmp(m_dir / "white.bmp", *white));
    ASSERT_TRUE(test::writeBmp(m_dir / "red.bmp", *red));
    const auto file = list("<item actionType=\"0\" mousePoint=\"2\" fColor=\"clRed\"/>\n");
    const std::vector<std::string> screens { "--dry-run", "--screen", (m_dir / "white.bmp").string(), "--screen",
        (m_dir / "red.bmp").string(), "--screen-captures", "3" };
    const auto with = [&](std::vector<std::string> options) {
        options.insert(options.begin(), file);
        options.insert(options.end(), screens.begin(), screens.end());
        return play(options);
    };
    const std::string capture = "CaptureScreen 0 0 30 20\n";
    const std::string click = "SetCursorPos 7 12\nmouse_event 0x0002 0\nmouse_event 0x0004 0\n";

    auto waited = with({ "--wait", "1" });
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_EQ(waited.out, capture + "Wait 50\n" + capture + "Wait 50\n" + capture + "Wait 50\n" + capture + click);
    // Without --wait the click searches once and does nothing; --strict makes that an error.
    auto plain = with({});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, capture);
    auto strict = with({ "--strict", "--wait", "0.1" });
    EXPECT_EQ(strict.status, 3);
    EXPECT_EQ(strict.out, capture + "Wait 50\n" + capture + "Wait 50\n" + capture);
    EXPECT_THAT(strict.err, HasSubstr("Action 1: colour clRed not found (best 0 % at 0 0)")) << strict.err;
    auto strictFound = with({ "--strict", "--wait", "0.15" });
    EXPECT_EQ(strictFound.status, 0) << strictFound.err;
    EXPECT_THAT(strictFound.out, HasSubstr(click));
    EXPECT_EQ(with({ "--wait", "-1" }).status, 64);
}

TEST_F(PlayCli, ErrorEndsTheRunWithStatus3)
{
    const auto file = list(R"(<item actionType="1" mouseMovePosX="1" mouseMovePosY="1"/>
<item actionType="2" key="16" keyAction="0"/>
<item actionType="0" mousePoint="2" fColor="clNotAColour"/>
<item actionType="1" mouseMovePosX="2" mouseMovePosY="2"/>
)");
    auto result = play({ file, "--dry-run", "--repeat", "forever" });
    EXPECT_EQ(result.status, 3);
    // The held Shift is let go; nothing after the failing action plays.
    EXPECT_EQ(result.out, "SetCursorPos 1 1\nkeybd_event 0x10 0\nkeybd_event 0x10 2\n");
    EXPECT_THAT(result.err, HasSubstr("Action 3"));
    EXPECT_THAT(result.err, HasSubstr("clNotAColour"));
}

TEST_F(PlayCli, InputThatDoesNotLoadOrParse)
{
    auto result = play({ (m_dir / "missing.xml").string(), "--dry-run" });
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("missing.xml"));

    writeFile(m_dir / "bad.xml", "<list><item actionType=\"1\"");
    EXPECT_EQ(play({ (m_dir / "bad.xml").string(), "--dry-run" }).status, 2);

    result = play({ list("<item actionType=\"1\"/>\n<item delay=\"abc\"/>\n"), "--dry-run" });
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("abc"));
    EXPECT_EQ(result.out, ""); // nothing plays from a list that did not load

    const auto file = list("<item actionType=\"1\"/>\n");
    for (std::vector<std::string> args : { std::vector<std::string> { "--repeat", "twice" }, { "--repeat", "$10" },
             { "--pointer", "5" }, { "--pointer", "a,b" }, { "--speed", "10" }, { "--interval", "soon" } }) {
        args.insert(args.begin(), { file, "--dry-run" });
        result = play(args);
        EXPECT_EQ(result.status, 64) << args[2] << " " << args[3];
        EXPECT_EQ(result.out, "");
    }
    // The fake desktop's options without --dry-run.
    EXPECT_EQ(play({ file, "--pointer", "1,1" }).status, 64);
}

} // namespace
} // namespace clickwisp
