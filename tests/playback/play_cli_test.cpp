// clickwisp-cli play --dry-run: the calls a list makes, printed one a line.
#include "tests/playback/fake_desk.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>

#include <thread>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ::testing::HasSubstr;

namespace clickwisp {
namespace {

using test::readFile;
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

TEST_F(PlayCli, TraceOfEveryKindOfCall)
{
    const auto file = list(R"(<item actionType="1" mouseMovePosX="10" mouseMovePosY="20"/>
<item actionType="0" mousePoint="1" mouseClickPosX="700" mouseClickPosY="400" mouseButton="1" mouseAction="1"/>
<item actionType="0" mousePoint="1" mouseClickPosX="500" mouseClickPosY="300" mouseAction="4"/>
<item actionType="4" delay="1000"/>
<item actionType="3" typeText="a&#233;&#x1F600;"/>
<item actionType="2" key="321" keyAction="2"/>
<item actionType="0" mousePoint="2" fColor="clRed"/>
<item actionType="0"/>
)");
    auto result = play({ file, "--dry-run", "--pointer", "5,6", "--speed", "1" });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
        "SetCursorPos 10 20\n"
        "SetCursorPos 700 400\n"
        "mouse_event 0x0008 0\nmouse_event 0x0010 0\nmouse_event 0x0008 0\nmouse_event 0x0010 0\n"
        "SetCursorPos 500 300\nmouse_event 0x0800 -30\n"
        "Wait 500\n"
        "WM_IME_CHAR 0x0061\nWM_IME_CHAR 0x00E9\nWM_IME_CHAR 0x1F600\nWM_KEYDOWN 0x0D\n"
        "keybd_event 0x41 0\nkeybd_event 0x41 2\n"
        "CaptureScreen 0 0 1920 1080\n"
        "SetCursorPos 500 300\nmouse_event 0x0002 0\nmouse_event 0x0004 0\n");
    // Where the pointer starts, when nothing has moved it yet.
    result = play({ list("<item actionType=\"0\"/>\n"), "--dry-run", "--pointer", "-3,1080" });
    EXPECT_EQ(result.out, "SetCursorPos -3 1080\nmouse_event 0x0002 0\nmouse_event 0x0004 0\n");
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
    std::string bmp = test::SolidBmp(30, 20, 0xFFFFFF);
    TBDBitmapData image;
    std::istringstream in(bmp);
    ASSERT_TRUE(image.LoadFromStream(in));
    uint8_t* red = image.Row(12) + 7 * 3;
    red[0] = 0, red[1] = 0, red[2] = 0xFF;
    std::ostringstream out;
    image.SaveToStream(out);
    writeFile(m_dir / "screen.bmp", out.str());

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

#ifndef _WIN32 // POSIX signals
TEST_F(PlayCli, ForeverStopsCleanlyOnSignal)
{
    const auto file = list("<item actionType=\"1\" mouseMovePosX=\"1\" mouseMovePosY=\"2\"/>\n"
                           "<item actionType=\"4\" delay=\"0\"/>\n");
    for (int signal : { SIGTERM, SIGINT }) {
        const auto output = m_dir / ("out" + std::to_string(signal));
        pid_t pid = fork();
        if (pid == 0) {
            int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 1);
            execl(test::cliPath().c_str(), "clickwisp-cli", "play", file.c_str(), "--dry-run", "--repeat", "forever",
                "--interval", "0", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Output shows the run is under way, so the signal is the verb's to handle.
        auto size = [&] {
            std::error_code missing;
            auto bytes = std::filesystem::file_size(output, missing);
            return missing ? 0 : bytes;
        };
        for (int i = 0; i < 500 && size() < 4096; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << signal << " status " << status;
        // Whole lines only, in pass order, stopped before or after a whole action.
        const std::string out = readFile(output);
        ASSERT_FALSE(out.empty());
        ASSERT_EQ(out.back(), '\n');
        std::istringstream lines(out);
        std::string line;
        size_t n = 0;
        while (std::getline(lines, line))
            EXPECT_EQ(line, n++ % 2 == 0 ? "SetCursorPos 1 2" : "Wait 0") << "line " << n;
        EXPECT_GT(n, 2u);
    }
}
#endif

} // namespace
} // namespace clickwisp
