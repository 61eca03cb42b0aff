// The fast searches against the plain scan, on thousands of random screens
// and pictures, with every SIMD variant this processor runs and every path
// of the exact picture search.
#include "screen/area_filter.h"
#include "screen/picture_search.h"
#include "screen/pixel_kernels.h"
#include "tests/support/images.h"
#include "tests/support/reference_search.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace clickwisp {
namespace {

using test::setPixel;

std::string show(const std::optional<ScreenPoint>& p)
{
    return p ? "(" + std::to_string(p->x) + ", " + std::to_string(p->y) + ")" : "not found";
}

std::vector<kernels::Level> levels()
{
    std::vector<kernels::Level> all { kernels::Level::Scalar };
    if (kernels::bestLevel() >= kernels::Level::Sse2)
        all.push_back(kernels::Level::Sse2);
    if (kernels::bestLevel() >= kernels::Level::Avx2)
        all.push_back(kernels::Level::Avx2);
    return all;
}

// Restores the best SIMD level when a test ends.
struct LevelGuard {
    ~LevelGuard() { kernels::setLevel(kernels::bestLevel()); }
};

class Generator : public test::RandomPixels {
public:
    using RandomPixels::RandomPixels;

    // Screens of the kinds that trouble searches: noise over a few colours,
    // one colour with a few dots, colours close to each other, full noise.
    std::unique_ptr<TBDBitmapData> screen(int32_t width, int32_t height)
    {
        const uint32_t base = anyColor();
        auto image = test::solidImage(width, height, base);
        std::vector<uint32_t> palette;
        const int kind = between(0, 3);
        const int colours = between(2, 4);
        for (int i = 0; i < colours; ++i)
            palette.push_back(kind == 2 ? near(base, 20) : anyColor());
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint32_t c = base;
                switch (kind) {
                case 0: c = palette[size_t(between(0, colours - 1))]; break;
                case 1: c = chance(3) ? palette[0] : base; break;
                case 2: c = palette[size_t(between(0, colours - 1))]; break;
                default: c = anyColor(); break;
                }
                setPixel(*image, x, y, c);
            }
        }
        return image;
    }

    // A picture: cut from the screen (planted), cut and then changed in one
    // channel of one pixel by change, or of its own.
    std::unique_ptr<TBDBitmapData> picture(const TBDBitmapData& screen, int32_t change)
    {
        const int32_t w = chance(10) ? screen.Width() : between(1, std::min(screen.Width(), 12));
        const int32_t h = chance(10) ? screen.Height() : between(1, std::min(screen.Height(), 9));
        const int kind = between(0, 9);
        if (kind < 7) {
            auto cut = test::cutOut(screen, between(0, screen.Width() - w), between(0, screen.Height() - h), w, h);
            if (kind >= 4) {
                const int32_t x = between(0, w - 1), y = between(0, h - 1);
                const int shift = 8 * between(0, 2);
                const uint32_t p = cut->PixelAt(x, y);
                const int32_t channel = int32_t((p >> shift) & 0xFF);
                const int32_t moved = channel + change <= 255 ? channel + change : channel - change;
                if (moved >= 0 && moved <= 255)
                    setPixel(*cut, x, y, (p & ~(0xFFu << shift)) | (uint32_t(moved) << shift));
            }
            return cut;
        }
        if (kind == 7)
            return test::solidImage(w, h, screen.PixelAt(0, 0));
        auto own = test::solidImage(w, h, 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                setPixel(*own, x, y, screen.PixelAt(between(0, screen.Width() - 1), between(0, screen.Height() - 1)));
        return own;
    }

    // Screens on which a mostly uniform picture fails late at most
    // placements, at a place that moves with the placement: a dot grid,
    // ruled lines (a spreadsheet), text lines (a document), tiled windows
    // (chrome), random specks. Small periods keep the plain scan quick.
    std::unique_ptr<TBDBitmapData> lateFailureScreen(int32_t width, int32_t height)
    {
        const uint32_t paper = chance(60) ? 0xFFFFFF : anyColor();
        const uint32_t ink = chance(50) ? near(paper, 40) : anyColor();
        auto image = test::solidImage(width, height, paper);
        const int kind = between(0, 4);
        const int32_t across = between(6, 24), down = between(6, 24);
        const int32_t phaseX = between(0, across - 1), phaseY = between(0, down - 1);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const bool onX = (x + phaseX) % across == 0, onY = (y + phaseY) % down == 0;
                bool inked = false;
                switch (kind) {
                case 0: inked = onX && onY; break; // dots
                case 1: inked = onX || onY; break; // lines
                case 2: inked = (y + phaseY) % down < 3 && chance(40); break; // text rows
                case 3: inked = onX || onY || ((y + phaseY) % down == 1 && chance(30)); break; // frames and titles
                default: inked = chance(2); break; // specks
                }
                if (inked)
                    setPixel(*image, x, y, kind == 2 || kind == 3 ? near(ink, 30) : ink);
            }
        }
        return image;
    }

    // A picture for such a screen: the paper colour, the same with faint
    // noise, a cut of the screen, or a cut with one pixel of paper inked.
    std::unique_ptr<TBDBitmapData> lateFailurePicture(const TBDBitmapData& screen)
    {
        const int32_t w = between(1, std::min(screen.Width(), 40));
        const int32_t h = between(1, std::min(screen.Height(), 40));
        const uint32_t paper = screen.PixelAt(screen.Width() - 1, screen.Height() - 1);
        const int kind = between(0, 3);
        if (kind <= 1) {
            auto plain = test::solidImage(w, h, paper);
            for (int32_t y = 0; kind == 1 && y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    setPixel(*plain, x, y, near(paper, between(0, 6)));
            return plain;
        }
        auto cut = test::cutOut(screen, between(0, screen.Width() - w), between(0, screen.Height() - h), w, h);
        if (kind == 3)
            setPixel(*cut, between(0, w - 1), between(0, h - 1), screen.PixelAt(between(0, screen.Width() - 1), 0));
        return cut;
    }

    // Textured screens without uniform areas, on which pictures nearly match
    // under small shifts: a one-pixel checkerboard of two close colours with
    // darker and lighter dots, tiles of a small random pattern of a few
    // colours, smooth gradients (across, down or both, with faint noise), and
    // steep ramps that start again every few pixels.
    std::unique_ptr<TBDBitmapData> texturedScreen(int32_t width, int32_t height)
    {
        const uint32_t base = anyColor();
        auto image = test::solidImage(width, height, base);
        const int kind = between(0, 3);
        const uint32_t other = near(base, 30);
        const int32_t tileW = between(2, 5), tileH = between(2, 5), period = between(3, 9);
        std::vector<uint32_t> tile;
        for (int32_t i = 0; i < tileW * tileH; ++i)
            tile.push_back(chance(50) ? base : chance(50) ? other : near(base, 60));
        const int32_t stepX = between(-12, 12), stepY = between(-12, 12);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint32_t c = base;
                if (kind == 0) {
                    c = (x + y) % 2 ? other : base;
                    if (x % period == period - 1 && y % period == period - 1)
                        c = near(c, 60);
                } else if (kind == 1) {
                    c = tile[size_t((y % tileH) * tileW + x % tileW)];
                } else if (kind == 2) {
                    int32_t v = (x * stepX + y * stepY) / 4 + between(-2, 2);
                    v = std::clamp(128 + v, 0, 255);
                    c = uint32_t(v) * 0x010101u ^ (base & 0x0F0F0F);
                } else {
                    const int32_t v = std::clamp(((x % (4 * period)) * 255) / (4 * period) + between(-2, 2), 0, 255);
                    c = (uint32_t(v) << 16) | (base & 0xFFFF);
                }
                setPixel(*image, x, y, c);
            }
        }
        return image;
    }

    ColorTolerance tolerance()
    {
        static const int32_t similarities[] = { 95, 90, 85, 60, 99, 0 };
        if (chance(15)) // channels of their own
            return ColorTolerance { between(0, 40), between(0, 40), between(0, 40) };
        if (chance(5))
            return ColorTolerance { -1, -1, -1 }; // similarity above 100
        const int32_t s = similarities[between(0, 5)];
        const int32_t t = ((100 - s) * 255) / 100;
        return ColorTolerance { t, t, t };
    }
};

TEST(SearchAgreement, PictureSearchesReturnWhatThePlainScanReturns)
{
    LevelGuard guard;
    Generator gen(20240611);
    search::Tuning hashFirst;
    hashFirst.hashOnly = true;
    search::Tuning noBudget;
    // The first failed confirmation hands over to the area filter, the next
    // one to the hash search.
    noBudget.confirmBudget = 0;
    noBudget.nearConfirmBudget = 0;
    search::Tuning thinBands;
    thinBands.bandRows = 1;
    int found = 0, cases = 0;
    for (int round = 0; round < 1500; ++round) {
        const int32_t width = gen.chance(20) ? gen.between(1, 4) : gen.between(1, 150);
        const int32_t height = gen.chance(20) ? gen.between(1, 4) : gen.between(1, 60);
        auto screen = gen.screen(width, height);
        const ColorTolerance tolerance = gen.tolerance();
        const int32_t t = std::max(tolerance.red, 0);
        auto picture = gen.picture(*screen, gen.chance(50) ? t : t + 1);
        SCOPED_TRACE("round " + std::to_string(round) + ": screen " + std::to_string(width) + "x"
            + std::to_string(height) + ", picture " + std::to_string(picture->Width()) + "x"
            + std::to_string(picture->Height()) + ", tolerance " + std::to_string(tolerance.red) + "/"
            + std::to_string(tolerance.green) + "/" + std::to_string(tolerance.blue));
        const auto exact = reference::LocatePicture(*screen, *picture);
        const auto near = reference::LocatePictureNear(*screen, *picture, tolerance);
        found += exact.has_value() + near.has_value();
        for (kernels::Level level : levels()) {
            kernels::setLevel(level);
            SCOPED_TRACE(kernels::levelName(level));
            EXPECT_EQ(show(screen->LocatePicture(*picture)), show(exact));
            EXPECT_EQ(show(screen->LocatePictureNear(*picture, tolerance)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, nullptr, noBudget)), show(exact));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, thinBands)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, noBudget)), show(near));
            cases += 5;
        }
        EXPECT_EQ(show(search::findPicture(*screen, *picture, nullptr, hashFirst)), show(exact));
        ++cases;
        if (HasFailure())
            break;
    }
    // The generator must produce hits as well as misses to test anything.
    EXPECT_GT(found, 1000);
    EXPECT_LT(found, 2800);
    EXPECT_GT(cases, 6000);
}

TEST(SearchAgreement, PictureSearchesAgreeWhereEveryPlacementFailsLate)
{
    LevelGuard guard;
    Generator gen(8086);
    search::Tuning filterAtOnce;
    filterAtOnce.confirmBudget = 0;
    filterAtOnce.nearConfirmBudget = 0;
    filterAtOnce.patternSkipBytes = -1;
    search::Tuning filterInThinBands = filterAtOnce;
    filterInThinBands.bandRows = 1;
    filterInThinBands.patternSkipBytes = 1 << 20;
    int found = 0, absent = 0;
    for (int round = 0; round < 400; ++round) {
        auto screen = gen.lateFailureScreen(gen.between(8, 120), gen.between(8, 80));
        auto picture = gen.lateFailurePicture(*screen);
        const ColorTolerance tolerance = gen.tolerance();
        SCOPED_TRACE("round " + std::to_string(round) + ": screen " + std::to_string(screen->Width()) + "x"
            + std::to_string(screen->Height()) + ", picture " + std::to_string(picture->Width()) + "x"
            + std::to_string(picture->Height()) + ", tolerance " + std::to_string(tolerance.red) + "/"
            + std::to_string(tolerance.green) + "/" + std::to_string(tolerance.blue));
        const auto exact = reference::LocatePicture(*screen, *picture);
        const auto near = reference::LocatePictureNear(*screen, *picture, tolerance);
        found += near.has_value();
        absent += !near.has_value();
        for (kernels::Level level : levels()) {
            kernels::setLevel(level);
            SCOPED_TRACE(kernels::levelName(level));
            EXPECT_EQ(show(screen->LocatePicture(*picture)), show(exact));
            EXPECT_EQ(show(screen->LocatePictureNear(*picture, tolerance)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, nullptr, filterAtOnce)), show(exact));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, filterAtOnce)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, filterInThinBands)), show(near));
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(found, 80);
    EXPECT_GT(absent, 80);
}

TEST(SearchAgreement, PictureSearchesAgreeOnTexturesAndGradients)
{
    LevelGuard guard;
    Generator gen(31337);
    // The pattern filter at once, with its patterns always (the other leaves
    // them out when what its single pixels keep is cheap to compare).
    search::Tuning filterAtOnce;
    filterAtOnce.confirmBudget = 0;
    filterAtOnce.nearConfirmBudget = 0;
    filterAtOnce.patternSkipBytes = -1;
    search::Tuning filterInThinBands = filterAtOnce;
    filterInThinBands.bandRows = 1;
    filterInThinBands.patternSkipBytes = 1 << 20;
    int found = 0, absent = 0;
    for (int round = 0; round < 400; ++round) {
        auto screen = gen.texturedScreen(gen.between(8, 120), gen.between(8, 80));
        const ColorTolerance tolerance = gen.tolerance();
        // Changed by the tolerance itself (still a match) or beyond it.
        const int32_t t = std::max(tolerance.red, 0);
        auto picture = gen.picture(*screen, gen.chance(50) ? t : t + gen.between(1, 40));
        SCOPED_TRACE("round " + std::to_string(round) + ": screen " + std::to_string(screen->Width()) + "x"
            + std::to_string(screen->Height()) + ", picture " + std::to_string(picture->Width()) + "x"
            + std::to_string(picture->Height()) + ", tolerance " + std::to_string(tolerance.red) + "/"
            + std::to_string(tolerance.green) + "/" + std::to_string(tolerance.blue));
        const auto near = reference::LocatePictureNear(*screen, *picture, tolerance);
        const auto exact = reference::LocatePicture(*screen, *picture);
        found += near.has_value();
        absent += !near.has_value();
        for (kernels::Level level : levels()) {
            kernels::setLevel(level);
            SCOPED_TRACE(kernels::levelName(level));
            EXPECT_EQ(show(screen->LocatePicture(*picture)), show(exact));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, nullptr, filterAtOnce)), show(exact));
            EXPECT_EQ(show(screen->LocatePictureNear(*picture, tolerance)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, filterAtOnce)), show(near));
            EXPECT_EQ(show(search::findPicture(*screen, *picture, &tolerance, filterInThinBands)), show(near));
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(found, 80);
    EXPECT_GT(absent, 80);
}

// The pattern filter keeps every placement that matches; when each class
// of the picture is one colour and every row is taken, nothing else.
TEST(PatternFilter, KeepsEveryMatchAndWhenExactOnlyTheMatches)
{
    LevelGuard guard;
    Generator gen(4711);
    int kept = 0, dropped = 0, exactRounds = 0, skipped = 0;
    for (int round = 0; round < 300; ++round) {
        auto screen = gen.chance(70) ? gen.texturedScreen(gen.between(8, 100), gen.between(8, 60))
                                     : gen.lateFailureScreen(gen.between(8, 100), gen.between(8, 60));
        ColorTolerance tolerance = gen.tolerance();
        tolerance = { std::max(tolerance.red, 0), std::max(tolerance.green, 0), std::max(tolerance.blue, 0) };
        auto picture = gen.picture(*screen, gen.chance(50) ? tolerance.red : tolerance.red + gen.between(1, 40));
        search::PatternFilter filter(*picture, tolerance);
        if (!filter.useful())
            continue;
        kernels::setLevel(gen.chance(50) ? kernels::bestLevel() : kernels::Level::Scalar);
        const int32_t fromTop = gen.between(0, screen->Height() - picture->Height());
        // Half the time it starts from what the area filter (applied from an
        // earlier top) keeps; a quarter of the time it may leave out its
        // patterns.
        search::AreaFilter areas(*picture, &tolerance);
        const bool within = areas.useful() && gen.chance(50);
        if (within)
            areas.apply(*screen, gen.between(0, fromTop));
        const bool mayLeaveOut = gen.chance(25);
        filter.apply(*screen, fromTop, within ? &areas : nullptr, mayLeaveOut ? 1 << 20 : -1);
        exactRounds += filter.exact();
        skipped += filter.skippedPatterns();
        ASSERT_TRUE(mayLeaveOut || !filter.skippedPatterns());
        auto bit = [](const uint64_t* row, int32_t left) {
            return (row[size_t(3 * left) / 64] >> (size_t(3 * left) % 64)) & 1;
        };
        for (int32_t top = fromTop; top <= screen->Height() - picture->Height(); ++top) {
            const uint64_t* row = filter.row(top);
            for (int32_t left = 0; left <= screen->Width() - picture->Width(); ++left) {
                const bool keeps = bit(row, left);
                const bool matches = reference::MatchPictureNearAt(*screen, *picture, tolerance, left, top);
                kept += keeps;
                dropped += !keeps;
                ASSERT_TRUE(keeps || !matches) << "round " << round << ": a match at " << left << ", " << top;
                if (within) {
                    ASSERT_TRUE(!keeps || bit(areas.row(top), left))
                        << "round " << round << ": kept what the area filter dropped at " << left << ", " << top;
                }
                if (filter.exact()) {
                    ASSERT_EQ(keeps, matches) << "round " << round << ": exact filter at " << left << ", " << top;
                }
            }
        }
    }
    EXPECT_GT(kept, 1000);
    EXPECT_GT(dropped, 10000);
    EXPECT_GT(exactRounds, 30);
    EXPECT_GT(skipped, 10);
}

// The filter keeps every placement that matches; for a picture of one
// colour, which one area covers, it keeps nothing else.
TEST(AreaFilter, KeepsEveryMatchAndForAPlainPictureOnlyTheMatches)
{
    LevelGuard guard;
    Generator gen(1999);
    int kept = 0, dropped = 0;
    for (int round = 0; round < 300; ++round) {
        auto screen = gen.chance(70) ? gen.lateFailureScreen(gen.between(8, 100), gen.between(8, 60))
                                     : gen.screen(gen.between(8, 100), gen.between(8, 60));
        auto picture = gen.chance(50) ? gen.lateFailurePicture(*screen)
                                      : test::solidImage(gen.between(4, std::min(screen->Width(), 30)),
                                          gen.between(4, std::min(screen->Height(), 30)), screen->PixelAt(0, 0));
        ColorTolerance tolerance = gen.tolerance();
        tolerance = { std::max(tolerance.red, 0), std::max(tolerance.green, 0), std::max(tolerance.blue, 0) };
        const bool exact = gen.chance(25);
        search::AreaFilter filter(*picture, exact ? nullptr : &tolerance);
        if (!filter.useful())
            continue;
        bool plain = true;
        for (int32_t y = 0; y < picture->Height(); ++y)
            for (int32_t x = 0; x < picture->Width(); ++x)
                plain = plain && picture->PixelAt(x, y) == picture->PixelAt(0, 0);
        kernels::setLevel(gen.chance(50) ? kernels::bestLevel() : kernels::Level::Scalar);
        const int32_t fromTop = gen.between(0, screen->Height() - picture->Height());
        filter.apply(*screen, fromTop);
        for (int32_t top = fromTop; top <= screen->Height() - picture->Height(); ++top) {
            const uint64_t* row = filter.row(top);
            for (int32_t left = 0; left <= screen->Width() - picture->Width(); ++left) {
                const bool keeps = (row[size_t(3 * left) / 64] >> (size_t(3 * left) % 64)) & 1;
                const bool matches = exact ? reference::MatchPictureAt(*screen, *picture, left, top)
                                           : reference::MatchPictureNearAt(*screen, *picture, tolerance, left, top);
                kept += keeps;
                dropped += !keeps;
                ASSERT_TRUE(keeps || !matches) << "round " << round << ": a match at " << left << ", " << top;
                if (plain) {
                    ASSERT_EQ(keeps, matches) << "round " << round << ": plain picture at " << left << ", " << top;
                }
            }
        }
    }
    EXPECT_GT(kept, 1000);
    EXPECT_GT(dropped, 10000);
}

TEST(SearchAgreement, ColourSearchesReturnWhatThePlainScanReturns)
{
    LevelGuard guard;
    Generator gen(777);
    int found = 0;
    for (int round = 0; round < 1500; ++round) {
        const int32_t width = gen.chance(20) ? gen.between(1, 4) : gen.between(1, 300);
        const int32_t height = gen.between(1, 40);
        auto screen = gen.screen(width, height);
        const ColorTolerance tolerance = gen.tolerance();
        const uint32_t onScreen = screen->PixelAt(gen.between(0, width - 1), gen.between(0, height - 1));
        const uint32_t color = gen.chance(50) ? onScreen : gen.chance(50) ? gen.near(onScreen, 30) : gen.anyColor();
        SCOPED_TRACE("round " + std::to_string(round) + ": colour " + std::to_string(color));
        const auto exact = reference::LocateColor(*screen, color);
        const auto near = reference::LocateColorNear(*screen, color, tolerance);
        found += exact.has_value() + near.has_value();
        for (kernels::Level level : levels()) {
            kernels::setLevel(level);
            SCOPED_TRACE(kernels::levelName(level));
            EXPECT_EQ(show(screen->LocateColor(color)), show(exact));
            EXPECT_EQ(show(screen->LocateColorNear(color, tolerance)), show(near));
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(found, 1000);
    EXPECT_LT(found, 2800);
}

TEST(SearchAgreement, PictureMatchesAgreeOnEveryPlacement)
{
    LevelGuard guard;
    Generator gen(4242);
    for (int round = 0; round < 300; ++round) {
        auto screen = gen.screen(gen.between(1, 90), gen.between(1, 12));
        auto picture = gen.picture(*screen, gen.between(0, 30));
        const ColorTolerance tolerance = gen.tolerance();
        for (kernels::Level level : levels()) {
            kernels::setLevel(level);
            for (int32_t top = -2; top <= screen->Height(); ++top) {
                for (int32_t left = -2; left <= screen->Width(); ++left) {
                    ASSERT_EQ(screen->MatchPictureAt(*picture, left, top),
                        reference::MatchPictureAt(*screen, *picture, left, top))
                        << "round " << round << " at " << left << ", " << top;
                    ASSERT_EQ(screen->MatchPictureNearAt(*picture, tolerance, left, top),
                        reference::MatchPictureNearAt(*screen, *picture, tolerance, left, top))
                        << "round " << round << " at " << left << ", " << top;
                }
            }
        }
    }
}

} // namespace
} // namespace clickwisp
