// CaptureScreen's rectangle rules, over the fake screen, a BMP file as the
// fake screen, and a capture written straight to a file.
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
#include <vector>

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

// A screen that hands its captures in strips of three rows, as a backend
// that keeps only a strip at a time does, and can fail at a given strip.
class StripedScreen final : public ScreenSource {
public:
    explicit StripedScreen(std::unique_ptr<ScreenSource> screen, int failAtStrip = -1)
        : m_screen(std::move(screen))
        , m_failAt(failAtStrip)
    {
    }
    ScreenSize screenSize() override { return m_screen->screenSize(); }
    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        return m_screen->capture(left, top, target);
    }
    bool captureStrips(int32_t left, int32_t top, int32_t width, int32_t height, const StripSink& take) override
    {
        const int32_t stride = (width * 3 + 3) & ~3;
        std::vector<uint8_t> pixels(size_t(3 * stride), 0xAB);
        int strip = 0;
        for (int32_t bottom = height; bottom > 0; ++strip) {
            const int32_t first = std::max(0, bottom - 3);
            const PixelView view { pixels.data(), width, bottom - first, stride };
            if (strip == m_failAt || !capture(left, top + first, view) || !take(view, first))
                return false;
            bottom = first;
        }
        return true;
    }

private:
    std::unique_ptr<ScreenSource> m_screen;
    int m_failAt;
};

// The file holds the rectangle CaptureRectangle gives, byte for byte what
// the in-memory capture saves, whether the backend hands it whole or in
// strips; a failed capture leaves the old file and says which rectangle.
TEST(ScreenCaptureFile, WritesWhatACaptureSavesWholeOrInStripsAndAFailureKeepsTheOldFile)
{
    test::TempDir temp;
    auto image = test::solidImage(7, 10, 0); // 21 bytes a row: three of padding
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 7; ++x)
            test::setPixel(*image, x, y, uint32_t(0x030201 * (1 + x + 7 * y)) ^ 0x800000);
    // The screen file with its rows' padding zero, and one with it not.
    std::string clean = test::bmpBytes(*image), dirty = clean;
    for (size_t row = 0; row < 10; ++row)
        for (size_t pad = 21; pad < 24; ++pad) {
            clean[TBDBitmapData::kFileHeaderSize + row * 24 + pad] = 0;
            dirty[TBDBitmapData::kFileHeaderSize + row * 24 + pad] = char(0xEE);
        }
    test::writeFile(temp / "screen.bmp", clean);
    auto fakeScreen = [&] {
        auto screenImage = LoadScreenImage(temp / "screen.bmp");
        EXPECT_TRUE(screenImage) << screenImage.error().message;
        return makeFakeScreen(nullptr, std::move(*screenImage));
    };
    struct Case {
        int32_t left, top, width, height;
    };
    // A cut of 7 rows (two full strips and one of one row), one reaching
    // beyond the screen (black there), a sole row, and the whole screen.
    for (const Case c : { Case { 1, 2, 5, 7 }, Case { 4, 6, 5, 6 }, Case { 2, 9, 3, 1 }, Case { 0, 0, 0, 0 } }) {
        const std::string where = std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.width)
            + "," + std::to_string(c.height);
        auto reference = fakeScreen();
        TBDBitmapData expected;
        ASSERT_TRUE(expected.CaptureScreen(*reference, c.left, c.top, c.width, c.height));
        auto whole = fakeScreen();
        ASSERT_TRUE(WriteScreenCapture(*whole, c.left, c.top, c.width, c.height, temp / "whole.bmp")) << where;
        EXPECT_EQ(test::readFile(temp / "whole.bmp"), test::bmpBytes(expected)) << where;
        StripedScreen striped(fakeScreen());
        ASSERT_TRUE(WriteScreenCapture(striped, c.left, c.top, c.width, c.height, temp / "striped.bmp")) << where;
        EXPECT_EQ(test::readFile(temp / "striped.bmp"), test::bmpBytes(expected)) << where;
    }

    EXPECT_EQ(test::readFile(temp / "whole.bmp"), clean); // the last whole one: 0,0,0,0
    // From the file whose padding is not zero, the capture's is.
    test::writeFile(temp / "dirty.bmp", dirty);
    auto dirtyImage = LoadScreenImage(temp / "dirty.bmp");
    ASSERT_TRUE(dirtyImage) << dirtyImage.error().message;
    auto dirtyScreen = makeFakeScreen(nullptr, std::move(*dirtyImage));
    ASSERT_TRUE(WriteScreenCapture(*dirtyScreen, 0, 0, 0, 0, temp / "whole.bmp"));
    EXPECT_EQ(test::readFile(temp / "whole.bmp"), clean);
    std::filesystem::remove(temp / "dirty.bmp");

    test::writeFile(temp / "old.bmp", "the old file");
    StripedScreen failing(fakeScreen(), 1);
    auto failed = WriteScreenCapture(failing, 1, 2, 5, 7, temp / "old.bmp");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "capturing the screen rectangle 1,2,5,7 failed");
    EXPECT_EQ(test::readFile(temp / "old.bmp"), "the old file");
    auto unwritable = WriteScreenCapture(*fakeScreen(), 0, 0, 0, 0, temp / "none" / "out.bmp");
    ASSERT_FALSE(unwritable);
    EXPECT_NE(unwritable.error().message.find("out.bmp"), std::string::npos) << unwritable.error().message;
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(temp.path()))
        ++entries;
    EXPECT_EQ(entries, 4); // screen, whole, striped, old: no temporary file left
}

} // namespace
} // namespace clickwisp
