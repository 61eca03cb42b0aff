// Screen capture and whole colour/picture clicks (capture + search) on a
// private Xvfb showing a synthetic desktop, at full HD and 4K, through
// MIT-SHM and through plain XGetImage. Needs Xvfb; without it each case is
// skipped with a message.
#include "bench/screen_scenes.h"
#include "bench/xvfb_server.h"
#include "platform/x11/x11_platform.h"
#include "screen/pixel_kernels.h"
#include "screen/screen_search.h"

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <map>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clickwisp::bench {
namespace {

std::map<std::string, std::unique_ptr<Server>> g_servers;
std::vector<Image> g_images;

const ColorTolerance kTolerance { SimilarityTolerance(90), SimilarityTolerance(90), SimilarityTolerance(90) };

template <typename Body> void registerOn(const std::string& name, const std::string& server, Body body)
{
    benchmark::RegisterBenchmark(name.c_str(),
        [server, body](benchmark::State& state) {
            Server& s = *g_servers.at(server);
            if (!s.ok()) {
                state.SkipWithError("Xvfb could not be started: no capture figures");
                return;
            }
            auto screen = makeX11Screen(s.name());
            if (!screen) {
                state.SkipWithError(screen.error().message.c_str());
                return;
            }
            const double serverBefore = s.cpuMilliseconds();
            body(state, **screen);
            state.counters["server_cpu_ms"] = benchmark::Counter(
                (s.cpuMilliseconds() - serverBefore) / double(std::max<int64_t>(state.iterations(), 1)));
        })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.3)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

void registerAll()
{
    for (const auto& [width, height] : { std::pair { 1920, 1080 }, std::pair { 3840, 2160 } }) {
        const std::string resolution = std::to_string(width) + "x" + std::to_string(height);
        g_images.push_back(desktopScene(width, height));
        const TBDBitmapData& scene = *g_images.back();
        g_servers[resolution] = std::make_unique<Server>(width, height, true, scene);
        g_servers[resolution + "/noshm"] = std::make_unique<Server>(width, height, false, scene);

        for (const char* kind : { "", "/noshm" }) {
            registerOn(std::string("capture") + (*kind ? "/xgetimage/" : "/mit-shm/") + resolution, resolution + kind,
                [](benchmark::State& state, ScreenSource& screen) {
                    TBDBitmapData buffer;
                    for (auto _ : state)
                        if (!buffer.CaptureScreen(screen, 0, 0, 0, 0))
                            state.SkipWithError("capture failed");
                });
        }
        // In strips, as the capture command writes a file: each strip
        // copied on into one screen-sized array, as a capture would fill it.
        registerOn(
            "capture/mit-shm-strips/" + resolution, resolution, [](benchmark::State& state, ScreenSource& screen) {
                TBDBitmapData buffer;
                const ScreenSize size = screen.screenSize();
                if (!buffer.SetSize(size.width, size.height))
                    return state.SkipWithError("no memory");
                for (auto _ : state) {
                    const bool captured = screen.captureStrips(
                        0, 0, size.width, size.height, [&](const PixelView& strip, int32_t firstRow) {
                            std::memcpy(buffer.Row(firstRow + strip.height - 1), strip.pixels, strip.bytes());
                            return true;
                        });
                    if (!captured)
                        state.SkipWithError("capture failed");
                }
            });
        // A colour click on a pixel near the bottom-right corner.
        const uint32_t rgb = scene.PixelAt(width - 3, height - 2);
        const std::string colourText = "$" + [&] {
            char text[9];
            std::snprintf(text, sizeof text, "%08X", SwapRedBlue(rgb));
            return std::string(text);
        }();
        for (int32_t similarity : { 100, 90 }) {
            registerOn("click/colour/similar" + std::to_string(similarity) + "/" + resolution, resolution,
                [colourText, width, height, similarity](benchmark::State& state, ScreenSource& screen) {
                    ScreenPoint at {};
                    for (auto _ : state)
                        at = FindColorOnScreen(screen, colourText, 0, 0, width, height, similarity).value();
                    state.SetLabel("at " + std::to_string(at.x) + "," + std::to_string(at.y));
                });
        }
        // Picture clicks: 64 x 64 from the bottom-right window, present and
        // absent (one pixel changed).
        const int32_t left = width / 2 + width / 3 - 72, top = height / 2 + height / 3 - 72;
        g_images.push_back(cut(scene, left, top, 64, 64));
        const TBDBitmapData* present = g_images.back().get();
        g_images.push_back(cut(scene, left, top, 64, 64));
        put(*g_images.back(), 32, 32, present->PixelAt(32, 32) ^ 0x808080);
        const TBDBitmapData* absent = g_images.back().get();
        for (const auto& [what, picture] : { std::pair { "present", present }, std::pair { "absent", absent } }) {
            for (int32_t similarity : { 100, 90 }) {
                registerOn(
                    std::string("click/picture64/similar") + std::to_string(similarity) + "/" + what + "/" + resolution,
                    resolution,
                    [picture = picture, width, height, similarity](benchmark::State& state, ScreenSource& screen) {
                        ScreenPoint at {};
                        for (auto _ : state)
                            at = FindPictureOnScreen(screen, *picture, 0, 0, width, height, similarity);
                        state.SetLabel("at " + std::to_string(at.x) + "," + std::to_string(at.y));
                    });
            }
        }
    }
    // Whole 4K clicks on screens where every placement of a white picture
    // fails late: a spreadsheet and a document.
    g_images.push_back(blank(64, 64, 0xFFFFFF));
    const TBDBitmapData* white = g_images.back().get();
    for (const auto& [name, scene] : { std::pair { "spreadsheet", spreadsheetScene(3840, 2160) },
             std::pair { "document", documentScene(3840, 2160) } }) {
        const std::string server = std::string(name) + "/3840x2160";
        g_servers[server] = std::make_unique<Server>(3840, 2160, true, *scene);
        for (int32_t similarity : { 100, 90 }) {
            registerOn(std::string("click/") + name + "/white64/similar" + std::to_string(similarity) + "/3840x2160",
                server, [white, similarity](benchmark::State& state, ScreenSource& screen) {
                    ScreenPoint at {};
                    for (auto _ : state)
                        at = FindPictureOnScreen(screen, *white, 0, 0, 3840, 2160, similarity);
                    state.SetLabel("at " + std::to_string(at.x) + "," + std::to_string(at.y));
                });
        }
    }
}

} // namespace
} // namespace clickwisp::bench

int main(int argc, char** argv)
{
    std::cout << "SIMD level: " << clickwisp::kernels::levelName(clickwisp::kernels::activeLevel()) << "\n";
    clickwisp::bench::registerAll();
    for (const auto& [name, server] : clickwisp::bench::g_servers)
        if (!server->ok())
            std::cout << "Xvfb for " << name << " could not be started: its cases are skipped\n";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    clickwisp::bench::g_servers.clear();
    return 0;
}
