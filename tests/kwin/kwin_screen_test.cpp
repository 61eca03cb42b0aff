// Capture through ScreenShot2 against KWin's own picture of the workspace.
#include "platform/wayland/kwin_platform.h"
#include "tests/kwin/kwin_session.h"
#include "tests/kwin/picture_window.h"
#include "tests/kwin/workspace_shot.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

uint32_t pixelOf(const PixelView& view, int x, int y)
{
    const uint8_t* p = view.row(y) + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST(KwinScreen, CapturesWhatKwinShowsAndBlackOffTheScreen)
{
    REQUIRE_KWIN();
    test::WaylandPictureWindow window(640, 480, 300, 200); // at (0, 0)
    ASSERT_EQ(window.error(), "");
    auto screen = makeKwinScreen();
    ASSERT_TRUE(screen.has_value()) << screen.error().message;
    EXPECT_EQ((*screen)->screenSize(), (ScreenSize { 1280, 800 }));

    // Across the top-left corner of the screen: 5 columns and rows off it.
    const int width = 701, height = 503; // odd sizes: rows padded to 4 bytes
    const int32_t stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(size_t(stride) * height, 0x55);
    const PixelView view { pixels.data(), width, height, stride };
    ASSERT_TRUE((*screen)->capture(-5, -5, view));
    std::string error;
    const auto theirs = test::shootWorkspace(&error);
    ASSERT_TRUE(theirs) << error;
    ASSERT_EQ(theirs->width, 1280);

    // KWin's picture and the window's own colours agree with ours; off the
    // screen is black.
    size_t differences = 0, notThePicture = 0, black = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixelOf(view, x, y);
            if (x < 5 || y < 5) {
                black += pixel == 0;
                continue;
            }
            differences += pixel != theirs->at(x - 5, y - 5);
            if (x - 5 < 640 && y - 5 < 480)
                notThePicture += pixel != window.colourAt(x - 5, y - 5);
        }
    }
    EXPECT_EQ(differences, 0u);
    EXPECT_EQ(notThePicture, 0u);
    EXPECT_EQ(black, size_t(5 * width + 5 * (height - 5)));
    EXPECT_EQ(pixelOf(view, 305, 205), 0xFF00FFu);
}

} // namespace
} // namespace clickwisp
