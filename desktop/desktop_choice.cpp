#include "desktop/desktop_choice.h"

#include "config/config.h"
#include "platform/x11/x11_platform.h"
#ifdef CLICKWISP_HAVE_WAYLAND
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_platform.h"
#endif
#ifdef CLICKWISP_HAVE_PORTAL
#include "platform/portal/portal_platform.h"
#endif
#ifdef CLICKWISP_HAVE_KWIN
#include "platform/wayland/kwin_platform.h"
#endif

#include <cstdlib>
#include <optional>

namespace clickwisp {

std::string environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

namespace {

// What --version says of a portal of that RemoteDesktop version.
std::string portalNote(uint32_t version)
{
    if (version >= 2)
        return "";
    return "the desktop asks for permission at each session (its portal, RemoteDesktop version "
        + std::to_string(version) + ", keeps no grant)";
}

std::string joined(const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

} // namespace

DesktopEnvironment currentDesktopEnvironment()
{
    DesktopEnvironment environment;
    environment.waylandDisplay = environmentVariable("WAYLAND_DISPLAY");
    environment.x11Display = environmentVariable("DISPLAY");
    environment.requested = environmentVariable("CLICKWISP_BACKEND");
#ifdef CLICKWISP_HAVE_WAYLAND
    // One connection answers both questions: KWin reads our executable for
    // each connection, which takes a while for a large one.
    auto connection = std::make_shared<std::optional<Result<std::unique_ptr<WaylandConnection>>>>();
    auto connected = [connection]() -> Result<std::unique_ptr<WaylandConnection>>& {
        if (!*connection)
            *connection = WaylandConnection::open("", "Wayland");
        return **connection;
    };
    environment.missingWaylandProtocols = [connected]() -> Result<std::vector<std::string>> {
        auto& opened = connected();
        if (!opened)
            return std::unexpected(opened.error());
        return missingWaylandProtocols(**opened);
    };
#else
    environment.missingWaylandProtocols
        = []() -> Result<std::vector<std::string>> { return fail("this build of Clickwisp has no Wayland backend"); };
#endif
#ifdef CLICKWISP_HAVE_PORTAL
    environment.remoteDesktopPortal = [] { return remoteDesktopPortalVersion(); };
#else
    environment.remoteDesktopPortal
        = []() -> Result<uint32_t> { return fail("this build of Clickwisp has no portal backend"); };
#endif
#ifdef CLICKWISP_HAVE_KWIN
    environment.kwinOffer = [connected] {
        auto& opened = connected();
        if (!opened)
            return KwinOffer::NotKwin;
        switch (offeredByKwin(**opened)) {
        case KwinFakeInputOffer::Offered: return KwinOffer::FakeInput;
        case KwinFakeInputOffer::NotToThisProgram: return KwinOffer::NotToThisProgram;
        case KwinFakeInputOffer::NotKwin: break;
        }
        return KwinOffer::NotKwin;
    };
#else
    environment.kwinOffer = [] { return KwinOffer::NotKwin; };
#endif
    return environment;
}

Result<BackendChoice> chooseBackend(const DesktopEnvironment& environment)
{
    if (environment.requested == "x11" || environment.requested == "wayland" || environment.requested == "kwin"
        || environment.requested == "portal")
        return BackendChoice { environment.requested, "chosen by CLICKWISP_BACKEND" };
    if (!environment.requested.empty())
        return fail(
            "CLICKWISP_BACKEND: '" + environment.requested + "' is not a backend (known: x11, wayland, kwin, portal)");
    if (environment.waylandDisplay.empty())
        return BackendChoice { "x11", "" };
    auto missing = environment.missingWaylandProtocols();
    if (missing && missing->empty())
        return BackendChoice { "wayland", "" };
    std::string reason
        = missing ? "the Wayland compositor does not offer " + joined(*missing) : missing.error().message;
    std::string kwinRefused; // why KWin's own interfaces do not serve, when it is KWin
    if (missing && environment.kwinOffer) {
        switch (environment.kwinOffer()) {
        case KwinOffer::FakeInput: return BackendChoice { "kwin", "" };
        case KwinOffer::NotToThisProgram:
            kwinRefused = "KWin does not let this program use its fake input (no installed .desktop file names it)";
            reason = kwinRefused;
            break;
        case KwinOffer::NotKwin: break;
        }
    }
    const Result<uint32_t> portal
        = environment.remoteDesktopPortal ? environment.remoteDesktopPortal() : fail("no desktop portal");
    if (portal) {
        const std::string note = portalNote(*portal);
        if (kwinRefused.empty() || note.empty())
            return BackendChoice { "portal", kwinRefused.empty() ? note : kwinRefused };
        return BackendChoice { "portal", kwinRefused + "; " + note };
    }
    if (!environment.x11Display.empty())
        return BackendChoice { "x11", reason + "; using X11 (XWayland), which reaches only X11 windows" };
    return BackendChoice { "wayland", reason };
}

DesktopBackend desktopBackendFor(const BackendChoice& choice)
{
    DesktopBackend backend;
    backend.choice = choice;
#ifdef CLICKWISP_HAVE_WAYLAND
    if (choice.name == "wayland") {
        backend.openPlayback = [] { return openWaylandPlayback(); };
        backend.makeInput = [] { return makeWaylandInput(); };
        backend.makeScreen = [] { return makeWaylandScreen(); };
        backend.makeRecorder = [] { return makeWaylandRecorder(); };
        backend.makeHotKeys = [] { return makeWaylandHotKeys(); };
        return backend;
    }
#endif
#ifdef CLICKWISP_HAVE_KWIN
    if (choice.name == "kwin") {
        backend.openPlayback = [] { return openKwinPlayback(); };
        backend.makeInput = [] { return makeKwinInput(); };
        backend.makeScreen = [] { return makeKwinScreen(); };
        backend.makeRecorder = [] { return makeWaylandRecorder(); };
        backend.makeHotKeys = [] { return makeWaylandHotKeys(); };
        return backend;
    }
#endif
#ifdef CLICKWISP_HAVE_PORTAL
    if (choice.name == "portal") {
        PortalOptions options;
        // Beside config.xml: the grants that spare the next dialog.
        options.grantFolder = TConfig::DefaultConfigPath().parent_path();
        auto portal = std::make_shared<PortalBackend>(options);
        backend.openPlayback = [portal] { return portal->openPlayback(); };
        backend.makeInput = [portal] { return portal->makeInput(); };
        backend.makeScreen = [portal] { return portal->makeScreen(); };
        backend.makeRecorder = [] { return makePortalRecorder(); };
        backend.makeHotKeys = [] { return makePortalHotKeys(); };
        if (auto version = remoteDesktopPortalVersion())
            backend.notice = portalNote(*version);
        return backend;
    }
#endif
    if (choice.name != "x11") {
        // A Wayland choice in a build without the backend.
        const std::string message = "this build of Clickwisp has no " + choice.name + " backend";
        backend.openPlayback = [message]() -> Result<Platform> { return fail(message); };
        backend.makeInput = [message]() -> Result<std::unique_ptr<InputInjector>> { return fail(message); };
        backend.makeScreen = [message]() -> Result<std::unique_ptr<ScreenSource>> { return fail(message); };
        backend.makeRecorder = [message]() -> Result<std::unique_ptr<InputRecorder>> { return fail(message); };
        backend.makeHotKeys = [message]() -> Result<std::unique_ptr<HotKeySource>> { return fail(message); };
        return backend;
    }
    backend.openPlayback = [] { return openX11Playback(); };
    backend.makeInput = [] { return makeX11Input(); };
    backend.makeScreen = [] { return makeX11Screen(); };
    backend.makeRecorder = [] { return makeX11Recorder(); };
    backend.makeHotKeys = [] { return makeX11HotKeys(); };
    return backend;
}

void restoreDesktopNow()
{
    // A Wayland virtual keyboard's keymap goes with its connection.
    restoreX11SpareKeycodes();
}

Result<DesktopBackend> openDesktopBackend()
{
    auto choice = chooseBackend(currentDesktopEnvironment());
    if (!choice)
        return std::unexpected(choice.error());
    return desktopBackendFor(*choice);
}

} // namespace clickwisp
