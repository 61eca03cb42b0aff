// Colour and picture search on synthetic full HD and 4K screens: the fast
// searches, the plain scan they must agree with, and (when built with
// OpenCV) matchTemplate + minMaxLoc, the way most desktop automation tools
// search. Run: screen_search_bench [--benchmark_filter=REGEX]
// Add --plain=0 to leave out the plain scan (it takes seconds per case on
// the near-uniform page).
#include "bench/screen_scenes.h"
#include "screen/pixel_kernels.h"
#include "screen/screen_search.h"
#include "tests/support/reference_search.h"

#include <benchmark/benchmark.h>

#ifdef CLICKWISP_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

#include <cstring>
#include <deque>
#include <functional>
#include <iostream>
#include <string>

namespace clickwisp::bench {
namespace {

using Found = std::optional<ScreenPoint>;

std::string show(const Found& p)
{
    return p ? std::to_string(p->x) + "," + std::to_string(p->y) : "none";
}

struct Case {
    std::string name;
    std::function<Found()> fast;
    std::function<Found()> plain;
    bool runPlain = true;
};

void registerCase(const Case& c, bool withPlain)
{
    // Where the fast search finds it, worked out when the case first runs.
    auto result = std::make_shared<std::optional<Found>>();
    auto answer = [c, result] {
        if (!*result)
            *result = c.fast();
        return **result;
    };
    benchmark::RegisterBenchmark(c.name.c_str(),
        [c, answer](benchmark::State& state) {
            const Found at = answer();
            for (auto _ : state)
                benchmark::DoNotOptimize(c.fast());
            state.SetLabel("at " + show(at));
        })
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime() // as for OpenCV
        ->MinTime(0.2)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    if (!withPlain || !c.runPlain)
        return;
    benchmark::RegisterBenchmark((c.name + "/plain").c_str(),
        [c, answer](benchmark::State& state) {
            Found plain;
            for (auto _ : state)
                plain = c.plain();
            if (show(plain) != show(answer()))
                state.SkipWithError(("fast search found " + show(answer()) + ", plain scan " + show(plain)).c_str());
            state.SetLabel("at " + show(plain));
        })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

struct Screen {
    std::string name;
    Image image;
};

const ColorTolerance kTolerance { SimilarityTolerance(90), SimilarityTolerance(90), SimilarityTolerance(90) };

void colourCases(const Screen& screen, const std::string& resolution, bool withPlain)
{
    const TBDBitmapData& s = *screen.image;
    // Present: one planted pixel near the bottom-right corner, so the scan
    // goes through nearly everything. Absent: magenta.
    const uint32_t planted = s.PixelAt(s.Width() - 3, s.Height() - 2);
    for (const auto& [what, color] :
        { std::pair { std::string("present"), planted }, std::pair { std::string("absent"), 0xFF00FFu } }) {
        const std::string base = "colour/" + screen.name + "/";
        registerCase({ base + "exact/" + what + "/" + resolution, [&s, color = color] { return s.LocateColor(color); },
                         [&s, color = color] { return reference::LocateColor(s, color); } },
            withPlain);
        registerCase({ base + "similar90/" + what + "/" + resolution,
                         [&s, color = color] { return s.LocateColorNear(color, kTolerance); },
                         [&s, color = color] { return reference::LocateColorNear(s, color, kTolerance); } },
            withPlain);
    }
}

// OpenCV's matchTemplate (TM_SQDIFF) + minMaxLoc on the same images, when
// the benchmark is built with OpenCV; its time hardly depends on the content.
void openCvCase([[maybe_unused]] const std::string& name, [[maybe_unused]] const TBDBitmapData& s,
    [[maybe_unused]] const TBDBitmapData& picture)
{
#ifdef CLICKWISP_HAVE_OPENCV
    // Both images as they lie in memory (bottom-up): the same work.
    const cv::Mat screenMat(s.Height(), s.Width(), CV_8UC3, const_cast<uint8_t*>(s.Pixels()), size_t(s.Stride()));
    const cv::Mat pictureMat(
        picture.Height(), picture.Width(), CV_8UC3, const_cast<uint8_t*>(picture.Pixels()), size_t(picture.Stride()));
    benchmark::RegisterBenchmark(name.c_str(),
        [screenMat, pictureMat](benchmark::State& state) {
            cv::Mat scores;
            for (auto _ : state) {
                cv::matchTemplate(screenMat, pictureMat, scores, cv::TM_SQDIFF);
                double low = 0;
                cv::Point where;
                cv::minMaxLoc(scores, &low, nullptr, &where, nullptr);
                benchmark::DoNotOptimize(where);
            }
        })
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime() // OpenCV may use several threads: all of them count
        ->MinTime(0.5);
#endif
}

struct PictureShape {
    int32_t width;
    int32_t height;
    int32_t left; // where it is cut from
    int32_t top;
};

std::vector<std::shared_ptr<TBDBitmapData>> g_pictures;

void pictureCases(const Screen& screen, const std::vector<PictureShape>& pictureShapes, const std::string& resolution,
    bool withPlain, bool plainAt4k)
{
    const TBDBitmapData& s = *screen.image;
    for (const PictureShape& shape : pictureShapes) {
        auto present = std::shared_ptr<TBDBitmapData>(cut(s, shape.left, shape.top, shape.width, shape.height));
        // Absent: one pixel changed. A text pixel turned white on the page
        // and the middle pixel turned to the other stripe's grey on the
        // stripes (every colour of the picture stays common); elsewhere the
        // middle pixel moved by 1 (exact) or by 60 (beyond the tolerance).
        auto absentExact = std::shared_ptr<TBDBitmapData>(cut(s, shape.left, shape.top, shape.width, shape.height));
        auto absentNear = std::shared_ptr<TBDBitmapData>(cut(s, shape.left, shape.top, shape.width, shape.height));
        int32_t cx = shape.width / 2, cy = shape.height / 2;
        for (int32_t y = 0; y < shape.height && screen.name == "page"; ++y)
            for (int32_t x = 0; x < shape.width; ++x)
                if (present->PixelAt(x, y) == grey(0x10)) {
                    cx = x;
                    cy = y;
                }
        const uint32_t p = present->PixelAt(cx, cy);
        if (screen.name == "page") {
            put(*absentExact, cx, cy, 0xFFFFFF);
            put(*absentNear, cx, cy, 0xFFFFFF);
        } else if (screen.name == "stripes") { // the other stripe's colour: common too
            put(*absentExact, cx, cy, p ^ 0x3F3F3F);
            put(*absentNear, cx, cy, p ^ 0x3F3F3F);
        } else {
            put(*absentExact, cx, cy, (p & 0xFF) == 0xFF ? p - 1 : p + 1);
            put(*absentNear, cx, cy, (p & 0xFF) >= 0x80 ? p - 60 : p + 60);
        }
        g_pictures.insert(g_pictures.end(), { present, absentExact, absentNear });
        const std::string base
            = "picture/" + screen.name + "/" + std::to_string(shape.width) + "x" + std::to_string(shape.height) + "/";
        const bool plain = withPlain && (plainAt4k || s.Width() <= 1920);
        const TBDBitmapData* pictures[2][2]
            = { { present.get(), absentExact.get() }, { present.get(), absentNear.get() } };
        for (int near = 0; near < 2; ++near) {
            for (int absent = 0; absent < 2; ++absent) {
                const TBDBitmapData* picture = pictures[near][absent];
                const std::string name
                    = base + (near ? "similar90/" : "exact/") + (absent ? "absent/" : "present/") + resolution;
                if (near)
                    registerCase(
                        { name, [&s, picture] { return s.LocatePictureNear(*picture, kTolerance); },
                            [&s, picture] { return reference::LocatePictureNear(s, *picture, kTolerance); }, plain },
                        withPlain);
                else
                    registerCase({ name, [&s, picture] { return s.LocatePicture(*picture); },
                                     [&s, picture] { return reference::LocatePicture(s, *picture); }, plain },
                        withPlain);
            }
        }
        if (shape.width > 1)
            openCvCase(base + "opencv-matchTemplate/" + resolution, s, *present);
    }
}

// Screens where every placement of a mostly uniform picture fails late, at
// a place that moves with the placement (bench/screen_scenes.h), with white
// pictures and pictures cut from the screen (as they are, and with one pixel
// changed to another of the screen's colours), exact and with similarity 90.
// "at" in the output tells where each is found.
// The plain scan takes minutes here; the agreement tests check the answers.
struct Family {
    std::string name;
    Image screen;
    std::vector<std::pair<std::string, std::shared_ptr<TBDBitmapData>>> pictures;
};

std::shared_ptr<TBDBitmapData> white(int32_t width, int32_t height)
{
    return std::shared_ptr<TBDBitmapData>(blank(width, height, 0xFFFFFF));
}

// A picture cut from near the bottom-right corner, and the same with one
// pixel changed to another colour of the screen (so every colour of it stays
// common): the middle pixel turned white, or to dark if it is white.
void cutPair(Family& f, int32_t width, int32_t height, int32_t left, int32_t top, uint32_t dark)
{
    auto present = std::shared_ptr<TBDBitmapData>(cut(*f.screen, left, top, width, height));
    auto absent = std::shared_ptr<TBDBitmapData>(cut(*f.screen, left, top, width, height));
    const uint32_t middle = present->PixelAt(width / 2, height / 2);
    put(*absent, width / 2, height / 2, middle == 0xFFFFFF ? dark : 0xFFFFFF);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    f.pictures.push_back({ "cut" + size, present });
    f.pictures.push_back({ "cut" + size + "-changed", absent });
}

std::deque<Family> g_families;

void adversarialCases(int32_t width, int32_t height, const std::string& resolution)
{
    // The dot grid without one dot near the bottom-right corner: a white
    // 64 x 64 picture fits only there; 128 x 128 nowhere.
    const int32_t missingX = 31 + 64 * ((width * 7 / 8) / 64), missingY = 31 + 64 * ((height * 7 / 8) / 64);
    g_families.push_back({ "dotgrid", dotGridScene(width, height, missingX, missingY), {} });
    g_families.back().pictures
        = { { "white64x64", white(64, 64) }, { "white128x128", white(128, 128) }, { "white256x256", white(256, 256) } };
    g_families.push_back({ "spreadsheet", spreadsheetScene(width, height), {} });
    g_families.back().pictures = { { "white64x64", white(64, 64) }, { "white256x16", white(256, 16) } };
    cutPair(g_families.back(), 99, 19, width - 300 + 1, height - 100 + 1, 0xD4D4D4);
    g_families.push_back({ "document", documentScene(width, height), {} });
    g_families.back().pictures = { { "white64x64", white(64, 64) }, { "white200x10", white(200, 10) } };
    cutPair(g_families.back(), 64, 64, width - 200, height - 100, grey(0x10));
    g_families.push_back({ "chrome", chromeScene(width, height), {} });
    g_families.back().pictures = { { "white256x160", white(256, 160) } };
    cutPair(g_families.back(), 64, 64, width - 300 - 64 - 4, height - 400 + 10, 0x707070);
    g_families.push_back({ "specks", specksScene(width, height), {} });
    g_families.back().pictures = { { "white64x64", white(64, 64) }, { "white128x128", white(128, 128) } };
    g_families.push_back({ "checker", checkerScene(width, height), {} });
    auto checker = std::shared_ptr<TBDBitmapData>(blank(64, 64, 0));
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x)
            put(*checker, x, y, (x + y) % 2 ? grey(124) : grey(100));
    g_families.back().pictures = { { "checker64x64", checker } };
    // Gradients: a cut near the bottom-right corner, and the same with the
    // middle pixel's red moved by 60 (beyond the tolerance).
    for (const bool steep : { false, true }) {
        g_families.push_back({ steep ? "steepgradient" : "gradient", gradientScene(width, height, steep), {} });
        Family& f = g_families.back();
        for (const int32_t size : { 16, 64, 256 }) {
            auto present
                = std::shared_ptr<TBDBitmapData>(cut(*f.screen, width - size - 90, height - size - 50, size, size));
            auto absent
                = std::shared_ptr<TBDBitmapData>(cut(*f.screen, width - size - 90, height - size - 50, size, size));
            const uint32_t middle = present->PixelAt(size / 2, size / 2);
            put(*absent, size / 2, size / 2, (middle >> 16) >= 128 ? middle - 0x3C0000 : middle + 0x3C0000);
            const std::string name = "cut" + std::to_string(size) + "x" + std::to_string(size);
            f.pictures.push_back({ name, present });
            f.pictures.push_back({ name + "-changed", absent });
        }
    }
    for (const Family& f : g_families) {
        if (f.screen->Width() != width)
            continue;
        const TBDBitmapData& s = *f.screen;
        for (const auto& [label, picture] : f.pictures) {
            const TBDBitmapData* p = picture.get();
            const std::string base = "picture/" + f.name + "/" + label + "/";
            registerCase({ base + "exact/" + resolution, [&s, p] { return s.LocatePicture(*p); }, {}, false }, false);
            registerCase({ base + "similar90/" + resolution, [&s, p] { return s.LocatePictureNear(*p, kTolerance); },
                             {}, false },
                false);
            openCvCase(base + "opencv-matchTemplate/" + resolution, s, *p);
        }
    }
}

std::deque<Screen> g_screens; // a deque: references stay valid as it grows

void registerAll(bool withPlain)
{
    for (const auto& [width, height] : { std::pair { 1920, 1080 }, std::pair { 3840, 2160 } }) {
        const std::string resolution = std::to_string(width) + "x" + std::to_string(height);
        g_screens.push_back({ "desktop", desktopScene(width, height) });
        const Screen& desktop = g_screens.back();
        g_screens.push_back({ "page", pageScene(width, height) });
        const Screen& page = g_screens.back();
        colourCases(desktop, resolution, withPlain);
        // Cut from the bottom-right window, so a hit comes late in the scan.
        std::vector<PictureShape> desktopShapes;
        for (const auto& [w, h] : { std::pair { 1, 1 }, std::pair { 16, 16 }, std::pair { 64, 64 },
                 std::pair { 200, 100 }, std::pair { 256, 256 } })
            desktopShapes.push_back({ w, h, width / 2 + width / 3 - w - 8, height / 2 + height / 3 - h - 8 });
        pictureCases(desktop, desktopShapes, resolution, withPlain, false);
        // Mostly white, the text at the top: the end of the page's last text
        // line and the white below it and to its right. The plain scan
        // compares the picture bottom row first, so on every placement in a
        // white part of the page it goes through the white rows before it
        // fails.
        auto hasText = [&](int32_t y) {
            for (int32_t x = 0; x < width; ++x)
                if (page.image->PixelAt(x, y) != 0xFFFFFF)
                    return true;
            return false;
        };
        int32_t lastText = height - 1;
        while (lastText > 0 && !hasText(lastText))
            --lastText;
        int32_t lineEnd = 0; // the right end of that line
        for (int32_t y = lastText - 10; y <= lastText; ++y)
            for (int32_t x = 0; x < width; ++x)
                if (page.image->PixelAt(x, y) != 0xFFFFFF)
                    lineEnd = std::max(lineEnd, x);
        std::vector<PictureShape> pageShapes;
        for (int32_t size : { 16, 64, 256 })
            pageShapes.push_back({ size, size, std::clamp(lineEnd - size / 2, 0, width - size),
                std::min(lastText - 10, height - size) });
        pictureCases(page, pageShapes, resolution, withPlain, false);
        // Stripes: the picture's middle pixel has the other stripe's colour,
        // so it is nowhere; its other pixels match at every other row.
        g_screens.push_back({ "stripes", stripesScene(width, height) });
        pictureCases(g_screens.back(), { { 64, 64, width / 2, height / 2 } }, resolution, withPlain, false);
        adversarialCases(width, height, resolution);
    }
}

} // namespace
} // namespace clickwisp::bench

int main(int argc, char** argv)
{
    bool withPlain = true;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain=0") == 0)
            withPlain = false;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    std::cout << "SIMD level: " << clickwisp::kernels::levelName(clickwisp::kernels::activeLevel()) << "\n";
    clickwisp::bench::registerAll(withPlain);
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
