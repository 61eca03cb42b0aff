// clickwisp-cli find-color, find-picture and capture over a screen image.
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

using test::runProcess;

class ScreenCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = test::solidImage(300, 200, 0xFFFFFF);
        test::setPixel(*screen, 10, 5, 0xFF0000);
        test::setPixel(*screen, 3, 7, 0xFF0000);
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 9; ++x)
                test::setPixel(*screen, 200 + x, 150 + y, 0x102030u * uint32_t(x + y + 1));
        ASSERT_TRUE(test::writeBmp(screenFile(), *screen));
    }
    std::string screenFile() const { return (dir / "screen.bmp").string(); }
    test::ProcessResult cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), test::cliPath());
        return runProcess(args);
    }

    test::TempDir dir;
    std::unique_ptr<TBDBitmapData> screen;
};

TEST_F(ScreenCli, ExplainPrintsTheMatchOrTheBestSimilarityOnStderr)
{
    auto exact = cli({ "find-color", "clRed", "--explain", "--screen", screenFile() });
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_EQ(exact.out, "10 5\n");
    EXPECT_EQ(exact.err, "match 100% at 10 5\n");
    auto near = cli({ "find-color", "$000000F0", "--similar", "90", "--explain", "--screen", screenFile() });
    EXPECT_EQ(near.out, "10 5\n");
    EXPECT_EQ(near.err, "match 94% at 10 5\n"); // red 240 against 255: 15 is within 94 % (15), not 95 % (12)
    auto missed = cli({ "find-color", "$000000F0", "--explain", "--screen", screenFile() });
    EXPECT_EQ(missed.status, 1);
    EXPECT_EQ(missed.out, "");
    EXPECT_EQ(missed.err, "best 94% at 10 5\n");

    auto picture = test::cutOut(*screen, 8, 3, 5, 5);
    test::setPixel(*picture, 2, 2, 0xF00000);
    ASSERT_TRUE(test::writeBmp(dir / "picture.bmp", *picture));
    auto best = cli({ "find-picture", (dir / "picture.bmp").string(), "--explain", "--screen", screenFile() });
    EXPECT_EQ(best.status, 1);
    EXPECT_EQ(best.err, "best 94% at 10 5\n");
    auto tooLarge = cli(
        { "find-picture", (dir / "picture.bmp").string(), "--explain", "--area", "0,0,4,4", "--screen", screenFile() });
    EXPECT_EQ(tooLarge.status, 1);
    EXPECT_EQ(tooLarge.err, "best: found at no similarity (the picture is larger than the area)\n");
}

TEST_F(ScreenCli, CaptureWritesABmpThatFindPictureAccepts)
{
    const std::string out = (dir / "cut.bmp").string();
    auto captured = cli({ "capture", out, "--area", "198,149,12,8", "--screen", screenFile() });
    ASSERT_EQ(captured.status, 0) << captured.err;
    auto image = test::readBmp(out);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Width(), 12);
    ASSERT_EQ(image->Height(), 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 12; ++x)
            ASSERT_EQ(image->PixelAt(x, y), screen->PixelAt(198 + x, 149 + y)) << x << ", " << y;
    auto found = cli({ "find-picture", out, "--screen", screenFile() });
    EXPECT_EQ(found.out, "204 153\n");
}

TEST_F(ScreenCli, BadInputExitsTwoNamingWhatIsWrong)
{
    auto colour = cli({ "find-color", "white", "--screen", screenFile() });
    EXPECT_EQ(colour.status, 2);
    EXPECT_NE(colour.err.find("'white'"), std::string::npos) << colour.err;
    test::writeFile(dir / "bad.bmp", "BM not really");
    auto picture = cli({ "find-picture", (dir / "bad.bmp").string(), "--screen", screenFile() });
    EXPECT_EQ(picture.status, 2);
    EXPECT_NE(picture.err.find("bad.bmp"), std::string::npos) << picture.err;
    auto missing = cli({ "find-picture", (dir / "none.bmp").string(), "--screen", screenFile() });
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.bmp"), std::string::npos) << missing.err;
    auto badScreen = cli({ "find-color", "clRed", "--screen", (dir / "bad.bmp").string() });
    EXPECT_EQ(badScreen.status, 2);
    EXPECT_NE(badScreen.err.find("bad.bmp"), std::string::npos) << badScreen.err;
}

TEST_F(ScreenCli, WrongCommandLinesExit64AndNoDisplayExits69)
{
    for (const char* area : { "1,2,3", "1,2,3,x", "a,b,c,d", "1,2,3,4,5" }) {
        auto result = cli({ "find-color", "clRed", "--area", area, "--screen", screenFile() });
        EXPECT_EQ(result.status, 64) << area;
        EXPECT_NE(result.err.find("--area"), std::string::npos) << result.err;
    }
    EXPECT_EQ(cli({ "find-color", "clRed", "--similar", "much" }).status, 64);
#ifndef _WIN32 // Windows always has a desktop
    for (std::vector<std::string> verb : { std::vector<std::string> { "find-color", "clRed" },
             std::vector<std::string> { "capture", (dir / "x.bmp").string() } }) {
        verb.insert(verb.begin(), { "env", "-u", "DISPLAY", test::cliPath() });
        auto result = runProcess(verb);
        EXPECT_EQ(result.status, 69) << result.err;
        EXPECT_NE(result.err.find("display"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp"));
#endif
}

TEST_F(ScreenCli, AFailedWriteKeepsTheOldFile)
{
    // The target is a folder: the write fails, the folder and its contents stay.
    std::filesystem::create_directory(dir / "taken.bmp");
    test::writeFile(dir / "taken.bmp" / "inside", "kept");
    auto result = cli({ "capture", (dir / "taken.bmp").string(), "--screen", screenFile() });
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("taken.bmp"), std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(dir / "taken.bmp" / "inside"), "kept");
}

} // namespace
} // namespace clickwisp
