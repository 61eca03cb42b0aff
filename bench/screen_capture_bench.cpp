// Screen capture and whole colour/picture clicks (capture + search) on a
// private Xvfb showing a synthetic desktop, at full HD and 4K, through
// MIT-SHM and through plain XGetImage. Needs Xvfb; without it each case is
// skipped with a message.
#include "bench/screen_scenes.h"
#include "platform/x11/x11_platform.h"
#include "screen/pixel_kernels.h"
#include "screen/screen_search.h"

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <map>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clickwisp::bench {
namespace {

// A private Xvfb showing a picture as its root window background.
class Server {
public:
    Server(int32_t width, int32_t height, bool sharedMemory, const TBDBitmapData& scene)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(fds[1]);
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                sharedMemory ? "+extension" : "-extension", "MIT-SHM", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd wait { fds[0], POLLIN, 0 };
        char c = 0;
        while (poll(&wait, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            return;
        m_name = ":" + number;
        paint(scene);
    }
    ~Server()
    {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_display != nullptr; }
    const std::string& name() const { return m_name; }
    // CPU time the server has used so far, in milliseconds (/proc, in clock
    // ticks): on a busy machine the wall time of a capture says little, the
    // work of both processes says what an idle one would take.
    double cpuMilliseconds() const
    {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string field;
        std::getline(stat, field, ')'); // pid and (command)
        unsigned long long user = 0, system = 0;
        for (int i = 3; i <= 15 && stat >> field; ++i) {
            if (i == 14)
                user = std::stoull(field);
            if (i == 15)
                system = std::stoull(field);
        }
        return double(user + system) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }

private:
    void paint(const TBDBitmapData& scene)
    {
        m_display = XOpenDisplay(m_name.c_str());
        if (!m_display)
            return;
        const int screen = DefaultScreen(m_display);
        const Window root = RootWindow(m_display, screen);
        const unsigned width = unsigned(scene.Width()), height = unsigned(scene.Height());
        Pixmap pixmap = XCreatePixmap(m_display, root, width, height, 24);
        std::vector<uint32_t> pixels(size_t(width) * height);
        for (int32_t y = 0; y < scene.Height(); ++y)
            for (int32_t x = 0; x < scene.Width(); ++x)
                pixels[size_t(y) * width + size_t(x)] = scene.PixelAt(x, y);
        XImage* image = XCreateImage(m_display, DefaultVisual(m_display, screen), 24, ZPixmap, 0,
            reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
        GC gc = XCreateGC(m_display, pixmap, 0, nullptr);
        XPutImage(m_display, pixmap, gc, image, 0, 0, 0, 0, width, height);
        XFreeGC(m_display, gc);
        image->data = nullptr; // owned by the vector
        XDestroyImage(image);
        XSetWindowBackgroundPixmap(m_display, root, pixmap);
        XClearWindow(m_display, root);
        XSync(m_display, False);
    }

    pid_t m_pid = -1;
    std::string m_name;
    Display* m_display = nullptr;
};

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
