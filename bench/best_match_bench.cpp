// The cost of a best match (the highest similarity at which a target is
// found, by at most seven searches) on full HD screens, next to one ordinary
// search of the same target. Prints a table; run: best_match_bench [ROUNDS]
#include "bench/screen_scenes.h"
#include "screen/best_match.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace clickwisp::bench {
namespace {

// The median of rounds timed calls, in milliseconds.
double medianMs(int rounds, const std::function<void()>& call)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        call();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The picture with one pixel's red moved by change: found exactly nowhere.
Image changed(Image picture, int32_t change)
{
    const uint32_t p = picture->PixelAt(picture->Width() / 2, picture->Height() / 2);
    const int32_t red = int32_t(p >> 16);
    const int32_t moved = red + change <= 255 ? red + change : red - change;
    put(*picture, picture->Width() / 2, picture->Height() / 2, (p & 0xFFFF) | (uint32_t(moved) << 16));
    return picture;
}

void row(const char* scene, const std::string& target, int rounds, const std::function<BestMatch()>& best,
    const std::function<void()>& once)
{
    BestMatch result;
    const double bestMs = medianMs(rounds, [&] { result = best(); });
    const double onceMs = medianMs(rounds, once);
    const std::string place = result.place ? std::to_string(result.place->x) + "," + std::to_string(result.place->y)
                                           : std::string("nowhere");
    std::printf("%-8s %-34s %4d%% at %-10s %9.2f ms %9.2f ms\n", scene, target.c_str(), result.similarity,
        place.c_str(), bestMs, onceMs);
}

} // namespace
} // namespace clickwisp::bench

int main(int argc, char** argv)
{
    using namespace clickwisp;
    using namespace clickwisp::bench;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::printf("1920 x 1080, median of %d rounds\n", rounds);
    std::printf("%-8s %-34s %-17s %12s %12s\n", "scene", "target", "best match", "best match", "one search");
    struct Scene {
        const char* name;
        Image image;
    };
    Scene scenes[] = { { "desktop", desktopScene(1920, 1080) }, { "page", pageScene(1920, 1080) } };
    for (const Scene& scene : scenes) {
        const TBDBitmapData& screen = *scene.image;
        const uint32_t there = screen.PixelAt(1500, 900);
        const uint32_t absent = 0x7F00FF; // on neither scene
        row(
            scene.name, "colour on the screen", rounds, [&] { return BestColorMatch(screen, there); },
            [&] { (void)LocateColorAt(screen, there, 100); });
        row(
            scene.name, "colour absent", rounds, [&] { return BestColorMatch(screen, absent); },
            [&] { (void)LocateColorAt(screen, absent, 100); });
        for (int32_t side : { 16, 64 }) {
            const Image exact = cut(screen, 1500, 900, side, side);
            const Image near = changed(cut(screen, 1500, 900, side, side), 20);
            const Image far = changed(cut(screen, 1500, 900, side, side), 200);
            const std::string size = std::to_string(side) + " x " + std::to_string(side);
            row(
                scene.name, "picture " + size + " exact", rounds, [&] { return BestPictureMatch(screen, *exact); },
                [&] { (void)LocatePictureAt(screen, *exact, 100); });
            row(
                scene.name, "picture " + size + " one pixel off by 20", rounds,
                [&] { return BestPictureMatch(screen, *near); }, [&] { (void)LocatePictureAt(screen, *near, 100); });
            row(
                scene.name, "picture " + size + " one pixel off by 200", rounds,
                [&] { return BestPictureMatch(screen, *far); }, [&] { (void)LocatePictureAt(screen, *far, 100); });
        }
    }
    return 0;
}
