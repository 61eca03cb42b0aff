// CaptureScreen's rectangle rules, over the fake screen, and a BMP file as
// the fake screen.
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_data.h"
#include "screen/bitmap_file.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace clickwisp {
namespace {

TEST(CaptureScreen, MovesAnOffScreenCornerToZeroAndTakesTheRestForSizesBelowOne)
{
    auto trace = std::make_shared<FakeTrace>();
    auto screen = makeFakeScreen(trace, std::nullopt);
    EXPECT_EQ(screen->screenSize(), (ScreenSize { 1920, 1080 }));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(*screen, -5, 10, 0, 0));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 1070);
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 1920, 1080, -3, 5));
    EXPECT_EQ(buffer.Width(), 1920);
    EXPECT_EQ(buffer.Height(), 5);
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 1900, 1000, 0, 200));
    EXPECT_EQ(buffer.Width(), 20);
    EXPECT_EQ(buffer.Height(), 200); // larger values are kept
    const std::vector<std::string> expected { "CaptureScreen 0 10 1920 1070", "CaptureScreen 0 0 1920 5",
        "CaptureScreen 1900 1000 20 200" };
    EXPECT_EQ(trace->lines(), expected);
}

// The file is read where it lies (mapped); what a capture copies from it
// must be what the stream reader reads, the rest black, the rows' padding
// zero even in a reused array, and a file cut short is refused by name.
TEST(ScreenImageFile, CapturesGiveTheFilesPixelsAndACutFileIsRefused)
{
    test::TempDir temp;
    const std::filesystem::path dir = temp.path();
    auto image = test::solidImage(5, 3, 0x102030); // 15 bytes a row: one byte of padding
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            test::setPixel(*image, x, y, uint32_t(0x010203 * (1 + x + 5 * y)));
    std::string bytes;
    {
        std::ostringstream out;
        ASSERT_TRUE(image->SaveToStream(out));
        bytes = out.str();
    }
    const auto good = dir / "screen.bmp", cut = dir / "cut.bmp";
    std::ofstream(good, std::ios::binary) << bytes;
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 1);

    auto loaded = LoadScreenImage(good);
    ASSERT_TRUE(loaded) << loaded.error().message;
    auto screen = makeFakeScreen(nullptr, std::move(*loaded));
    EXPECT_EQ(screen->screenSize(), (ScreenSize { 5, 3 }));
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.SetSize(5, 3));
    std::memset(buffer.Pixels(), 0xAB, size_t(buffer.DataSize())); // a reused array's old contents
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 0, 0, 0, 0));
    for (int32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(std::memcmp(buffer.Row(y), image->Row(y), 15), 0) << "row " << y;
        EXPECT_EQ(buffer.Row(y)[15], 0) << "the padding of row " << y;
    }
    // Beyond the image: black.
    ASSERT_TRUE(buffer.CaptureScreen(*screen, 3, 1, 4, 4));
    EXPECT_EQ(buffer.PixelAt(0, 0), image->PixelAt(3, 1));
    EXPECT_EQ(buffer.PixelAt(1, 1), image->PixelAt(4, 2));
    EXPECT_EQ(buffer.PixelAt(2, 0), 0u);
    EXPECT_EQ(buffer.PixelAt(0, 2), 0u);

    auto refused = LoadScreenImage(cut);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "screen image " + cut.string() + ": not an uncompressed 24-bit BMP image");
    auto missing = LoadScreenImage(dir / "none.bmp");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "screen image " + (dir / "none.bmp").string() + ": cannot be opened");
}

} // namespace
} // namespace clickwisp
