// Screen capture on KDE Plasma: KWin's ScreenShot2, which the KWin backend
// uses, against the desktop portal's ways (Screenshot, and ScreenCast
// streams), on a private headless KWin 5.27 at 1920 x 1080. Prints figures;
// a way that fails here is reported with how it failed and how long that
// took. Run as root it becomes clickwisp-test, like the KWin tests: KWin
// grants ScreenShot2 by the program's executable.
//
//   kwin_capture_bench [ROUNDS]   (default 30)
#include "platform/portal_request.h"
#include "platform/wayland/kwin_platform.h"
#include "tests/support/headless_kwin.h"
#include "tests/support/process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace clickwisp;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Times rounds of body after one cold call; prints cold, median, min, max.
void timeRounds(const char* what, int rounds, const std::function<bool()>& body)
{
    auto start = Clock::now();
    if (!body()) {
        std::printf("%-44s failed\n", what);
        return;
    }
    const double cold = msSince(start);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        start = Clock::now();
        if (!body()) {
            std::printf("%-44s failed in round %d\n", what, i + 1);
            return;
        }
        times.push_back(msSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s cold %7.1f ms   median %7.1f   min %7.1f   max %7.1f  (%d rounds)\n", what, cold,
        times[times.size() / 2], times.front(), times.back(), rounds);
}

void screenShot2(int rounds)
{
    auto screen = makeKwinScreen();
    if (!screen) {
        std::printf("ScreenShot2: %s\n", screen.error().message.c_str());
        return;
    }
    for (auto [width, height, name] : { std::tuple { 1920, 1080, "ScreenShot2, whole screen 1920 x 1080" },
             std::tuple { 200, 200, "ScreenShot2, 200 x 200" } }) {
        const int32_t stride = (width * 3 + 3) & ~3;
        std::vector<uint8_t> pixels(size_t(stride) * size_t(height));
        const PixelView view { pixels.data(), width, height, stride };
        timeRounds(name, rounds, [&] { return (*screen)->capture(0, 0, view); });
    }
}

// clickwisp-cli capture as a script runs it once: start-up choice,
// connections, the first capture, the BMP file.
void oneShotCli(const std::string& cli, int rounds)
{
    test::TempDir dir;
    const std::string out = (dir / "shot.bmp").string();
    timeRounds("clickwisp-cli capture (a process each)", std::min(rounds, 10), [&] {
        return test::runProcess({ cli, "capture", out }).status == 0;
    });
}

void portalScreenshot()
{
    auto bus = DbusConnection::openSession();
    if (!bus) {
        std::printf("Screenshot portal: %s\n", bus.error().message.c_str());
        return;
    }
    const auto start = Clock::now();
    PortalCall call { "org.freedesktop.portal.Screenshot", "Screenshot", { "" }, { { "interactive", false } } };
    auto response = callPortalRequest(**bus, call, std::chrono::seconds(20));
    const double ms = msSince(start);
    if (!response)
        std::printf("Screenshot portal: failed after %.0f ms: %s\n", ms, response.error().message.c_str());
    else if (response->outcome != PortalOutcome::Ok)
        std::printf("Screenshot portal: answered %s after %.0f ms\n",
            response->outcome == PortalOutcome::Refused ? "refused" : "ended", ms);
    else
        std::printf("Screenshot portal: a picture after %.0f ms\n", ms);
}

void portalScreenCast()
{
    auto bus = DbusConnection::openSession();
    if (!bus) {
        std::printf("ScreenCast portal: %s\n", bus.error().message.c_str());
        return;
    }
    const auto start = Clock::now();
    auto session = PortalSession::create(**bus, "org.freedesktop.portal.ScreenCast", {}, std::chrono::seconds(20));
    if (!session) {
        std::printf(
            "ScreenCast portal: no session after %.0f ms: %s\n", msSince(start), session.error().message.c_str());
        return;
    }
    PortalCall select { "org.freedesktop.portal.ScreenCast", "SelectSources", { (*session)->handle() },
        { { "types", uint32_t(1) }, { "multiple", true } } };
    auto selected = callPortalRequest(**bus, select, std::chrono::seconds(20));
    if (!selected || selected->outcome != PortalOutcome::Ok) {
        std::printf("ScreenCast portal: SelectSources failed after %.0f ms%s\n", msSince(start),
            selected ? "" : (": " + selected.error().message).c_str());
        return;
    }
    PortalCall started { "org.freedesktop.portal.ScreenCast", "Start", { (*session)->handle(), "" }, {} };
    auto streams = callPortalRequest(**bus, started, std::chrono::seconds(20));
    const double ms = msSince(start);
    if (!streams || streams->outcome != PortalOutcome::Ok) {
        std::printf("ScreenCast portal: Start failed after %.0f ms%s\n", ms,
            streams ? "" : (": " + streams.error().message).c_str());
        return;
    }
    const auto found = streams->results.find("streams");
    const auto* items = found == streams->results.end() ? nullptr : found->second.items();
    std::printf("ScreenCast portal: %zu stream(s) %.0f ms after the session began (a frame would follow through "
                "PipeWire)\n",
        items ? items->size() : size_t(0), ms);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    if (const std::string problem = test::HeadlessKwin::becomeSessionUser(); !problem.empty()) {
        std::fprintf(stderr, "kwin_capture_bench: %s\n", problem.c_str());
        return 1;
    }
    if (!test::HeadlessKwin::installed()) {
        std::printf("kwin_wayland is not installed: no figures\n");
        return 0;
    }
    // The command-line tool as a package installs it: without debug
    // information, which KWin reads through at every connection.
    test::TempDir programs;
    const std::string cli = (programs / "clickwisp-cli").string();
    test::runProcess({ "strip", "--strip-debug", "-o", cli, test::cliPath() });
    test::HeadlessKwinOptions options;
    options.width = 1920;
    options.height = 1080;
    options.pipewire = true;
    options.grants = { test::KwinGrant { std::filesystem::read_symlink("/proc/self/exe") }, test::KwinGrant { cli } };
    test::HeadlessKwin kwin(options);
    if (!kwin.ok()) {
        std::fprintf(stderr, "kwin_capture_bench: %s\n", kwin.error().c_str());
        return 1;
    }
    std::printf("KWin 5.27 --virtual, 1920 x 1080, software rendering\n");
    screenShot2(rounds);
    oneShotCli(cli, rounds);
    portalScreenshot();
    portalScreenCast();
    return 0;
}
