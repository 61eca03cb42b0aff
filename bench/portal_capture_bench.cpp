// What a one-shot capture costs on GNOME through the desktop portal: the
// screen cast (a ScreenCast session with its grant kept, one PipeWire frame)
// against the Screenshot portal (a PNG file from the compositor), on a
// private headless gnome-shell 43. The figures are taken as the desktop's
// user (the portal serves no other), by this program run again as that user.
// Prints milliseconds: the median and the slowest of each.
#include "platform/portal/portal_session.h"
#include "platform/portal_request.h"
#include "tests/support/consent_answerer.h"
#include "tests/support/headless_gnome.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

namespace clickwisp::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 15;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const char* what, std::vector<double> times)
{
    if (times.empty()) {
        std::printf("%-58s failed\n", what);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-58s median %7.1f ms  slowest %7.1f ms  (%zu runs)\n", what, times[times.size() / 2], times.back(),
        times.size());
}

// As the desktop's user: a screen cast session opened, one capture, closed.
int benchScreenCast(const std::string& grantFolder)
{
    std::vector<double> open, first, whole, warm;
    const int32_t width = 1920, height = 1080;
    const int32_t stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(size_t(stride) * height);
    const PixelView view { pixels.data(), width, height, stride };
    PortalSessionOptions options;
    options.input = false;
    options.restoreTokenFile = grantFolder + "/portal-screen-cast.token";
    // The first session asks (the dialog is answered) and keeps the grant;
    // its later captures are those of an open session.
    auto granted = PortalDesktopSession::open(options);
    if (!granted || !(*granted)->capture(0, 0, view)) {
        std::cerr << (granted ? "no frame" : granted.error().message) << "\n";
        return 1;
    }
    for (int i = 0; i < kRounds; ++i) {
        const auto again = Clock::now();
        (*granted)->capture(0, 0, view);
        warm.push_back(msSince(again));
    }
    granted->reset();
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        auto session = PortalDesktopSession::open(options);
        if (!session) {
            std::cerr << session.error().message << "\n";
            return 1;
        }
        open.push_back(msSince(start));
        const auto captureStart = Clock::now();
        if (!(*session)->capture(0, 0, view))
            return 1;
        first.push_back(msSince(captureStart));
        whole.push_back(msSince(start));
    }
    report("screen cast: session opened (grant kept, no dialog)", open);
    report("screen cast: first frame copied (PipeWire connected)", first);
    report("screen cast: one-shot capture in all", whole);
    report("screen cast: later captures of an open session", warm);
    return 0;
}

// As the desktop's user: the Screenshot portal, without a dialog.
int benchScreenshot()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return 1;
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        auto answer = callPortalRequest(**bus,
            { "org.freedesktop.portal.Screenshot", "Screenshot", { "" }, { { "interactive", false } } },
            std::chrono::seconds(30));
        if (!answer || answer->outcome != PortalOutcome::Ok) {
            std::cerr << (answer ? "the Screenshot portal refused" : answer.error().message) << "\n";
            return 1;
        }
        times.push_back(msSince(start));
        if (const auto* uri = vardictGet<std::string>(answer->results, "uri"); uri && uri->starts_with("file://"))
            std::remove(uri->substr(7).c_str());
    }
    report("Screenshot portal: PNG file written (not yet decoded)", times);
    return 0;
}

} // namespace
} // namespace clickwisp::bench

int main(int argc, char** argv)
{
    using namespace clickwisp;
    if (argc == 3 && std::strcmp(argv[1], "--screen-cast") == 0)
        return bench::benchScreenCast(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--screenshot") == 0)
        return bench::benchScreenshot();

    if (!test::HeadlessGnome::installed(test::HeadlessGnome::Shell::GnomeShell)) {
        std::cout << "gnome-shell or the GNOME portal is not installed: no figures\n";
        return 0;
    }
    test::HeadlessGnome desktop({ test::HeadlessGnome::Shell::GnomeShell, "us", 1920, 1080 });
    if (!desktop.ok()) {
        std::cerr << desktop.error() << "\n";
        return 1;
    }
    test::ConsentAnswerer answerer(desktop, test::ConsentAnswer::Share);
    // The Screenshot portal asks once and keeps the answer in the permission
    // store: given there, as a user's earlier answer would have.
    auto bus = DbusConnection::open(desktop.sessionBus());
    if (!bus
        || !(*bus)->call({ "org.freedesktop.impl.portal.PermissionStore",
            "/org/freedesktop/impl/portal/PermissionStore", "org.freedesktop.impl.portal.PermissionStore",
            "SetPermission", { "screenshot", true, "screenshot", "", DbusValue::array("s", { "yes" }) } })) {
        std::cerr << "cannot grant the Screenshot permission\n";
        return 1;
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto grants = desktop.runtimeDir() / "grants";
    std::filesystem::create_directories(grants);
    desktop.user().own(grants);
    std::cout << "gnome-shell 43 headless, 1920 x 1080, one monitor\n";
    const auto cast = desktop.run({ self, "--screen-cast", grants.string() });
    std::cout << cast.out << cast.err;
    const auto shot = desktop.run({ self, "--screenshot" });
    std::cout << shot.out << shot.err;
    return cast.status == 0 && shot.status == 0 ? 0 : 1;
}
