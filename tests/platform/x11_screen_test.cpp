// Capture and search on a real X server: a private Xvfb whose root window
// is painted by the test's own Xlib connection or by xsetroot, checked
// against xwd (converted by ImageMagick) and known coordinates.
#include "platform/x11/x11_platform.h"
#include "screen/bitmap_data.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

namespace clickwisp {
namespace {

using test::runProcess;

// Shows an image as the root window's background for as long as it lives,
// through a connection of its own.
class RootPainter {
public:
    RootPainter(const std::string& display, const TBDBitmapData& image)
        : m_display(XOpenDisplay(display.c_str()))
    {
        if (!m_display)
            return;
        const int screen = DefaultScreen(m_display);
        const Window root = RootWindow(m_display, screen);
        m_pixmap = XCreatePixmap(m_display, root, unsigned(image.Width()), unsigned(image.Height()),
            unsigned(DefaultDepth(m_display, screen)));
        XImage* ximage
            = XCreateImage(m_display, DefaultVisual(m_display, screen), unsigned(DefaultDepth(m_display, screen)),
                ZPixmap, 0, nullptr, unsigned(image.Width()), unsigned(image.Height()), 32, 0);
        ximage->data = static_cast<char*>(std::malloc(size_t(ximage->bytes_per_line) * size_t(image.Height())));
        for (int32_t y = 0; y < image.Height(); ++y)
            for (int32_t x = 0; x < image.Width(); ++x)
                XPutPixel(ximage, x, y, pixelValue(*ximage, image.PixelAt(x, y)));
        GC gc = XCreateGC(m_display, m_pixmap, 0, nullptr);
        XPutImage(m_display, m_pixmap, gc, ximage, 0, 0, 0, 0, unsigned(image.Width()), unsigned(image.Height()));
        XFreeGC(m_display, gc);
        XDestroyImage(ximage);
        XSetWindowBackgroundPixmap(m_display, root, m_pixmap);
        XClearWindow(m_display, root);
        XSync(m_display, False);
    }
    ~RootPainter()
    {
        if (m_display) {
            XFreePixmap(m_display, m_pixmap);
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }

private:
    // 0x00RRGGBB in the server's pixel format (its masks), keeping the top
    // bits of each channel.
    static unsigned long pixelValue(const XImage& image, uint32_t rgb)
    {
        auto place = [](unsigned long mask, uint32_t channel) {
            int shift = 0, bits = 0;
            while (mask && !((mask >> shift) & 1))
                ++shift;
            while ((mask >> (shift + bits)) & 1)
                ++bits;
            return (static_cast<unsigned long>(channel) >> (8 - bits)) << shift;
        };
        return place(image.red_mask, (rgb >> 16) & 0xFF) | place(image.green_mask, (rgb >> 8) & 0xFF)
            | place(image.blue_mask, rgb & 0xFF);
    }

    Display* m_display;
    Pixmap m_pixmap = 0;
};

// A desktop-like test image: bands of colour, a grid of small tiles and a
// few single pixels that appear nowhere else.
std::unique_ptr<TBDBitmapData> testScene(int32_t width, int32_t height)
{
    auto image = test::solidImage(width, height, 0xF0F0F0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if ((x / 16 + y / 16) % 5 == 0)
                test::setPixel(*image, x, y, uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 3) & 0xFF) << 8 | 0x40);
    test::setPixel(*image, 321, 123, 0xFE0102);
    test::setPixel(*image, 600, 400, 0x0102FE);
    return image;
}

class X11Screen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.ok())
            GTEST_SKIP() << server.error();
        scene = testScene(640, 480);
        painter = std::make_unique<RootPainter>(server.display(), *scene);
        ASSERT_TRUE(painter->ok());
    }
    test::ProcessResult cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), test::cliPath());
        return runProcess(args);
    }

    test::XvfbServer server { 640, 480 };
    test::TempDir dir;
    std::unique_ptr<TBDBitmapData> scene;
    std::unique_ptr<RootPainter> painter;
};

TEST_F(X11Screen, CaptureMatchesWhatXwdSees)
{
    const std::string ours = (dir / "ours.bmp").string();
    auto captured = cli({ "capture", ours });
    ASSERT_EQ(captured.status, 0) << captured.err;
    auto xwd
        = runProcess({ "xwd", "-root", "-silent", "-display", server.display(), "-out", (dir / "root.xwd").string() });
    ASSERT_EQ(xwd.status, 0) << xwd.err;
    auto converted = runProcess(
        { "convert", (dir / "root.xwd").string(), "-type", "TrueColor", "BMP3:" + (dir / "xwd.bmp").string() });
    ASSERT_EQ(converted.status, 0) << converted.err;
    auto mine = test::readBmp(ours);
    auto theirs = test::readBmp(dir / "xwd.bmp");
    ASSERT_TRUE(mine && theirs);
    ASSERT_EQ(mine->Width(), 640);
    ASSERT_EQ(mine->Height(), 480);
    ASSERT_EQ(theirs->Width(), 640);
    ASSERT_EQ(theirs->Height(), 480);
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            ASSERT_EQ(mine->PixelAt(x, y), theirs->PixelAt(x, y)) << x << ", " << y;
            ASSERT_EQ(mine->PixelAt(x, y), scene->PixelAt(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(X11Screen, FindsPaintedColoursAndPictures)
{
    auto red = cli({ "find-color", "$000201FE" }); // 0x00BBGGRR
    EXPECT_EQ(red.status, 0) << red.err;
    EXPECT_EQ(red.out, "321 123\n");
    auto blue = cli({ "find-color", "$00FE0201", "--area", "500,300,140,180" });
    EXPECT_EQ(blue.out, "600 400\n");
    auto near = cli({ "find-color", "$000000F0", "--similar", "90" });
    EXPECT_EQ(near.out, "321 123\n");

    ASSERT_TRUE(test::writeBmp(dir / "tile.bmp", *test::cutOut(*scene, 590, 390, 21, 15)));
    auto picture = cli({ "find-picture", (dir / "tile.bmp").string() });
    EXPECT_EQ(picture.status, 0) << picture.err;
    EXPECT_EQ(picture.out, "600 397\n");
    auto elsewhere = cli({ "find-picture", (dir / "tile.bmp").string(), "--area", "0,0,600,480" });
    EXPECT_EQ(elsewhere.status, 1);
}

TEST_F(X11Screen, ReportsTheRootSizeAndFillsOffScreenPartsWithBlack)
{
    auto screen = makeX11Screen(server.display());
    ASSERT_TRUE(screen.has_value()) << screen.error().message;
    EXPECT_EQ((*screen)->screenSize(), (ScreenSize { 640, 480 }));
    // The editor reads one pixel through a 1 x 1 capture.
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(**screen, 321, 123, 1, 1));
    EXPECT_EQ(buffer.PixelAt(0, 0), 0xFE0102u);
    // A larger capture after it (the shared segment grows), partly off the screen.
    ASSERT_TRUE(buffer.CaptureScreen(**screen, 600, 440, 100, 60));
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            const uint32_t expected = (600 + x < 640 && 440 + y < 480) ? scene->PixelAt(600 + x, 440 + y) : 0;
            ASSERT_EQ(buffer.PixelAt(x, y), expected) << x << ", " << y;
        }
    }
    // Smaller again: the buffer is reused.
    const int allocations = buffer.AllocationCount();
    ASSERT_TRUE(buffer.CaptureScreen(**screen, 320, 123, 1, 1));
    EXPECT_EQ(buffer.PixelAt(0, 0), scene->PixelAt(320, 123));
    EXPECT_EQ(buffer.AllocationCount(), allocations);
}

// Displays without MIT-SHM (as over a network): captures go through
// XGetImage, and a 16-bit display's pixels are widened to 8 bits a channel.
TEST(X11ScreenWithoutSharedMemory, CapturesTrueColourAndSixteenBitDisplays)
{
    for (const char* depth : { "640x480x24", "640x480x16" }) {
        SCOPED_TRACE(depth);
        test::XvfbServer server(640, 480, { "-extension", "MIT-SHM", "-screen", "0", depth });
        if (!server.ok())
            GTEST_SKIP() << server.error();
        // Channels of 0 and 255 only: exact at any depth.
        auto scene = test::solidImage(640, 480, 0xFFFFFF);
        const uint32_t colours[] = { 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x000000, 0xFF00FF };
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 0; x < 640; ++x)
                if ((x / 40 + y / 30) % 2)
                    test::setPixel(*scene, x, y, colours[size_t(x / 40 + y / 30) % 6]);
        test::setPixel(*scene, 613, 301, 0x00FFFF);
        RootPainter painter(server.display(), *scene);
        ASSERT_TRUE(painter.ok());
        auto screen = makeX11Screen(server.display());
        ASSERT_TRUE(screen.has_value()) << screen.error().message;
        TBDBitmapData buffer;
        ASSERT_TRUE(buffer.CaptureScreen(**screen, 0, 0, 0, 0));
        ASSERT_EQ(buffer.Width(), 640);
        ASSERT_EQ(buffer.Height(), 480);
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 0; x < 640; ++x)
                ASSERT_EQ(buffer.PixelAt(x, y), scene->PixelAt(x, y)) << x << ", " << y;
        auto found = runProcess({ test::cliPath(), "find-color", "clAqua" });
        EXPECT_EQ(found.out, "613 301\n") << found.err;
    }
}

// Large captures come in pieces of rows that fit the processor's cache;
// handed in strips, they come a strip at a time from the bottom up.
TEST(X11ScreenLarge, CapturesA4kScreenWhole)
{
    test::XvfbServer server(3840, 2160);
    if (!server.ok())
        GTEST_SKIP() << server.error();
    auto scene = test::solidImage(3840, 2160, 0);
    for (int32_t y = 0; y < 2160; ++y)
        for (int32_t x = 0; x < 3840; ++x)
            test::setPixel(*scene, x, y, uint32_t(x) << 12 ^ uint32_t(y) * 7u);
    RootPainter painter(server.display(), *scene);
    ASSERT_TRUE(painter.ok());
    auto screen = makeX11Screen(server.display());
    ASSERT_TRUE(screen.has_value()) << screen.error().message;
    TBDBitmapData buffer;
    ASSERT_TRUE(buffer.CaptureScreen(**screen, 0, 0, 0, 0));
    ASSERT_EQ(buffer.Width(), 3840);
    ASSERT_EQ(buffer.Height(), 2160);
    for (int32_t y = 0; y < 2160; ++y)
        for (int32_t x = 0; x < 3840; ++x)
            ASSERT_EQ(buffer.PixelAt(x, y), scene->PixelAt(x, y) & 0xFFFFFF) << x << ", " << y;

    // Reaching beyond the screen: the rows come in pieces, the rest black.
    ASSERT_TRUE(buffer.CaptureScreen(**screen, 1000, 100, 3000, 2100));
    for (int32_t y = 0; y < 2100; ++y)
        for (int32_t x = 0; x < 3000; ++x)
            ASSERT_EQ(buffer.PixelAt(x, y), x < 2840 && y < 2060 ? scene->PixelAt(1000 + x, 100 + y) & 0xFFFFFF : 0u)
                << x << ", " << y;

    // In strips (as a capture written to a file goes): bottom strip first,
    // each one ending where the one before began, together the same rows.
    TBDBitmapData cut;
    ASSERT_TRUE(cut.SetSize(3001, 2100));
    int32_t expectedEnd = 2100, strips = 0;
    const bool striped = (*screen)->captureStrips(800, 50, 3001, 2100, [&](const PixelView& strip, int32_t firstRow) {
        EXPECT_EQ(firstRow + strip.height, expectedEnd);
        EXPECT_EQ(strip.stride, cut.Stride());
        std::memcpy(cut.Row(firstRow + strip.height - 1), strip.pixels, strip.bytes());
        expectedEnd = firstRow;
        ++strips;
        return true;
    });
    ASSERT_TRUE(striped);
    EXPECT_EQ(expectedEnd, 0);
    EXPECT_GT(strips, 1);
    for (int32_t y = 0; y < 2100; ++y)
        for (int32_t x = 0; x < 3001; ++x)
            ASSERT_EQ(cut.PixelAt(x, y), scene->PixelAt(800 + x, 50 + y) & 0xFFFFFF) << x << ", " << y;
}

TEST(X11ScreenOpen, NamesTheDisplayItCannotOpen)
{
    auto screen = makeX11Screen(":9876");
    ASSERT_FALSE(screen.has_value());
    EXPECT_NE(screen.error().message.find(":9876"), std::string::npos) << screen.error().message;
}

} // namespace
} // namespace clickwisp
