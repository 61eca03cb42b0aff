// Best match: the highest similarity at which a colour or picture is found,
// checked against the plain scan tried at every similarity from 100 down.
#include "platform/fake/fake_platform.h"
#include "screen/best_match.h"
#include "screen/bitmap_file.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/reference_search.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace clickwisp {
namespace {

using test::setPixel;

ColorTolerance toleranceOf(int32_t similarity)
{
    const int32_t t = ((100 - similarity) * 255) / 100;
    return ColorTolerance { t, t, t };
}

// The oracle: the plain search at 100, 99, ... 0; the first that finds wins.
BestMatch plainBest(const std::function<std::optional<ScreenPoint>(int32_t)>& search)
{
    for (int32_t s = 100; s >= 0; --s)
        if (auto place = search(s))
            return BestMatch { s, place };
    return BestMatch {};
}

std::string show(const BestMatch& best)
{
    if (!best.place)
        return std::to_string(best.similarity) + "% nowhere";
    return std::to_string(best.similarity) + "% at " + std::to_string(best.place->x) + ","
        + std::to_string(best.place->y);
}

class Cases : public test::RandomPixels {
public:
    using RandomPixels::RandomPixels;
    // A few colours close to each other, so that matches come at every level.
    std::unique_ptr<TBDBitmapData> screen(int32_t width, int32_t height)
    {
        const uint32_t base = anyColor();
        const int32_t spread = between(0, 3) == 0 ? 255 : between(5, 80);
        auto image = test::solidImage(width, height, base);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                setPixel(*image, x, y, near(base, spread));
        return image;
    }
    // Cut from the screen and shaken by up to spread (0: an exact copy).
    std::unique_ptr<TBDBitmapData> picture(const TBDBitmapData& screen, int32_t spread)
    {
        const int32_t w = between(1, std::min(screen.Width(), 5));
        const int32_t h = between(1, std::min(screen.Height(), 4));
        auto cut = test::cutOut(screen, between(0, screen.Width() - w), between(0, screen.Height() - h), w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                setPixel(*cut, x, y, near(cut->PixelAt(x, y), spread));
        return cut;
    }
};

TEST(BestMatch, BinarySearchFindsEveryThresholdInSevenSearchesAtMost)
{
    for (int32_t threshold = -1; threshold <= 100; ++threshold) {
        int searches = 0;
        const BestMatch best = HighestSimilarity([&](int32_t s) -> std::optional<ScreenPoint> {
            ++searches;
            return s <= threshold ? std::optional<ScreenPoint>(ScreenPoint { s, -s }) : std::nullopt;
        });
        EXPECT_EQ(show(best),
            show(threshold < 0 ? BestMatch {} : BestMatch { threshold, ScreenPoint { threshold, -threshold } }));
        EXPECT_LE(searches, 7) << "threshold " << threshold;
    }
}

TEST(BestMatch, PictureAgreesWithThePlainScanAtEverySimilarity)
{
    Cases cases(1606);
    int exact = 0, between = 0, nowhere = 0;
    for (int round = 0; round < 400; ++round) {
        auto screen = cases.screen(cases.between(1, 30), cases.between(1, 12));
        const int kind = cases.between(0, 9);
        auto picture = kind == 0 ? test::solidImage(screen->Width() + 1, 1, 0) // larger than the screen
                                 : cases.picture(*screen, kind < 3 ? 0 : cases.between(1, 120));
        const BestMatch expected = plainBest([&](int32_t s) {
            return s == 100 ? reference::LocatePicture(*screen, *picture)
                            : reference::LocatePictureNear(*screen, *picture, toleranceOf(s));
        });
        const BestMatch best = BestPictureMatch(*screen, *picture);
        ASSERT_EQ(show(best), show(expected)) << "round " << round;
        exact += best.similarity == 100;
        between += best.similarity >= 0 && best.similarity < 100;
        nowhere += !best.place;
        if (best.place) {
            EXPECT_EQ(PlacementSimilarity(*screen, *picture, best.place->x, best.place->y), best.similarity);
        }
    }
    // The cases must cover exact copies, near ones and pictures that fit nowhere.
    EXPECT_GT(exact, 60);
    EXPECT_GT(between, 150);
    EXPECT_GT(nowhere, 15);
}

TEST(BestMatch, ColourAgreesWithThePlainScanAndSimilarityZeroTakesTheFirstPixel)
{
    Cases cases(2718);
    int exact = 0, zero = 0;
    for (int round = 0; round < 400; ++round) {
        auto screen = cases.screen(cases.between(1, 40), cases.between(1, 10));
        const uint32_t onScreen = screen->PixelAt(cases.between(0, screen->Width() - 1), 0);
        const int kind = cases.between(0, 3);
        if (kind == 2) { // no red on the screen: a full red is found only at 0 %
            for (int32_t y = 0; y < screen->Height(); ++y)
                for (int32_t x = 0; x < screen->Width(); ++x)
                    setPixel(*screen, x, y, screen->PixelAt(x, y) & 0xFFFFu);
        }
        const uint32_t color = kind == 0 ? onScreen
            : kind == 1                  ? cases.near(onScreen, cases.between(1, 100))
            : kind == 2                  ? 0xFF0000u | (cases.anyColor() & 0xFFFFu)
                                         : cases.anyColor();
        const BestMatch expected = plainBest([&](int32_t s) {
            return s == 100 ? reference::LocateColor(*screen, color)
                            : reference::LocateColorNear(*screen, color, toleranceOf(s));
        });
        const BestMatch best = BestColorMatch(*screen, color);
        ASSERT_EQ(show(best), show(expected)) << "round " << round << " colour " << color;
        ASSERT_TRUE(best.place.has_value()); // similarity 0 finds every colour
        if (best.similarity == 0) {
            EXPECT_EQ(show(best), "0% at 0,0");
        }
        EXPECT_EQ(ColorSimilarity(screen->PixelAt(best.place->x, best.place->y), color), best.similarity);
        exact += best.similarity == 100;
        zero += best.similarity == 0;
    }
    EXPECT_GT(exact, 80);
    EXPECT_GT(zero, 60);
    TBDBitmapData empty;
    EXPECT_EQ(show(BestColorMatch(empty, 0)), "-1% nowhere");
}

TEST(BestMatch, ExplainedSearchesGiveScreenPointsFromOneCapture)
{
    auto image = test::solidImage(40, 30, 0x102030);
    setPixel(*image, 25, 20, 0x80FF00); // $00FF80 as a colour text ($BBGGRR)
    setPixel(*image, 30, 5, 0x80F000);
    test::TempDir dir;
    ASSERT_TRUE(test::writeBmp(dir / "screen.bmp", *image));
    auto loaded = LoadScreenImage(dir / "screen.bmp");
    ASSERT_TRUE(loaded.has_value());
    auto trace = std::make_shared<FakeTrace>();
    auto screen = makeFakeScreen(trace, std::move(*loaded));

    // Found at 90 % at (30, 5) in the rectangle from (10, 2); that pixel matches up to 94 %.
    auto found = ExplainColorOnScreen(*screen, "$00FF80", 10, 2, 40, 30, 90);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->found, (ScreenPoint { 30, 5 }));
    EXPECT_EQ(found->matchSimilarity, 94);
    EXPECT_FALSE(found->best.place.has_value());
    // Exact: the exact pixel lies below the rectangle; the best is the near one.
    auto missed = ExplainColorOnScreen(*screen, "$00FF80", 0, 0, 40, 20, 100);
    ASSERT_TRUE(missed.has_value());
    EXPECT_FALSE(missed->found.has_value());
    EXPECT_EQ(missed->best.similarity, 94);
    EXPECT_EQ(missed->best.place, (ScreenPoint { 30, 5 }));
    EXPECT_EQ(trace->lines().size(), 2u); // one capture each
    EXPECT_FALSE(ExplainColorOnScreen(*screen, "clNothing", 0, 0, 40, 30, 100).has_value());
    EXPECT_EQ(trace->lines().size(), 2u);

    // A 3 x 3 picture of the exact pixel on the background; the rectangle leaves
    // out its exact placement. Points are its centre on the screen.
    auto picture = test::cutOut(*image, 29, 4, 3, 3);
    setPixel(*picture, 1, 1, 0x80FF00);
    auto near = ExplainPictureOnScreen(*screen, *picture, 5, 0, 40, 20, 100);
    ASSERT_TRUE(near.has_value());
    EXPECT_FALSE(near->found.has_value());
    EXPECT_EQ(near->best.similarity, 94);
    EXPECT_EQ(near->best.place, (ScreenPoint { 30, 5 }));
    auto hit = ExplainPictureOnScreen(*screen, *picture, 5, 0, 40, 20, 90);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->found, (ScreenPoint { 30, 5 }));
    EXPECT_EQ(hit->matchSimilarity, 94);
}

} // namespace
} // namespace clickwisp
