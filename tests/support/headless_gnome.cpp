#include "tests/support/headless_gnome.h"

#include "platform/dbus_connection.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace clickwisp::test {

namespace {

using namespace std::chrono_literals;
// A loaded two-core machine starts gnome-shell in 3 to 10 s.
constexpr auto kStartTimeout = 60s;
constexpr const char* kPython = "/usr/bin/python3"; // the system's, which has dbusmock

bool pathExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool waitForFile(const std::filesystem::path& path, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pathExists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool HeadlessGnome::installed(Shell shell)
{
    const bool common = onPath("pipewire") && onPath("wireplumber") && onPath("dbus-daemon")
        && pathExists("/usr/libexec/xdg-desktop-portal") && pathExists("/usr/libexec/xdg-desktop-portal-gnome");
    if (shell == Shell::Mutter)
        return common && onPath("mutter");
    return common && onPath("gnome-shell") && onPath("gsettings")
        && pathExists("/usr/lib/python3/dist-packages/dbusmock/templates/logind.py");
}

HeadlessGnome::HeadlessGnome(const Options& options)
    : m_error(start(options))
{
}

HeadlessGnome::~HeadlessGnome()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
        endProcessGroup(*it);
    m_sessionBus.reset();
    m_systemBus.reset();
    if (!m_runtimeDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_runtimeDir, ignored);
    }
}

std::vector<std::string> HeadlessGnome::environment() const
{
    const char* path = std::getenv("PATH");
    std::vector<std::string> out = {
        std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
        "HOME=" + m_runtimeDir.string(),
        "XDG_RUNTIME_DIR=" + m_runtimeDir.string(),
        "XDG_CONFIG_HOME=" + (m_runtimeDir / "config").string(),
        "XDG_CURRENT_DESKTOP=GNOME",
        "XDG_SESSION_TYPE=wayland",
        "WAYLAND_DISPLAY=" + m_waylandDisplay,
        "GDK_BACKEND=wayland",
        "LANG=C.UTF-8",
    };
    if (m_sessionBus)
        out.push_back("DBUS_SESSION_BUS_ADDRESS=" + m_sessionBus->address());
    if (m_systemBus)
        out.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + m_systemBus->address());
    return out;
}

std::vector<std::string> HeadlessGnome::command(
    const std::vector<std::string>& argv, const std::vector<std::string>& extra) const
{
    std::vector<std::string> full = { "env", "-i" };
    for (const auto& variable : environment())
        full.push_back(variable);
    full.insert(full.end(), extra.begin(), extra.end());
    full.insert(full.end(), argv.begin(), argv.end());
    return m_user.command(full);
}

ProcessResult HeadlessGnome::run(const std::vector<std::string>& argv, const std::vector<std::string>& extra) const
{
    return runProcess(command(argv, extra));
}

std::unique_ptr<ChildProcess> HeadlessGnome::spawn(
    const std::vector<std::string>& argv, const std::vector<std::string>& extra) const
{
    return std::make_unique<ChildProcess>(command(argv, extra));
}

pid_t HeadlessGnome::startLogged(
    const std::vector<std::string>& argv, const std::string& log, const std::vector<std::string>& extra)
{
    auto variables = environment();
    variables.insert(variables.end(), extra.begin(), extra.end());
    const pid_t pid = startProcessAs(m_user, argv, variables, m_runtimeDir / log);
    if (pid > 0)
        m_processes.push_back(pid);
    return pid;
}

bool HeadlessGnome::waitForName(const std::string& name, std::chrono::milliseconds timeout) const
{
    auto bus = DbusConnection::open(sessionBus());
    if (!bus)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if ((*bus)->nameHasOwner(name).value_or(false))
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

std::string HeadlessGnome::start(const Options& options)
{
    if (!m_user.error.empty())
        return m_user.error;
    char folder[] = "/tmp/clickwisp-gnome.XXXXXX";
    if (!mkdtemp(folder))
        return std::string("mkdtemp: ") + std::strerror(errno);
    m_runtimeDir = folder;
    if (!m_user.own(m_runtimeDir) || chmod(folder, 0700) != 0)
        return std::string("cannot hand ") + folder + " to the desktop's user: " + std::strerror(errno);
    m_waylandDisplay = "wayland-gnome";

    if (options.shell == Shell::GnomeShell) {
        // gnome-shell asks logind for the session: a mock on a bus of its own.
        m_systemBus = std::make_unique<PrivateBus>(PrivateBus::Options { m_runtimeDir, m_user, environment(), false });
        if (!m_systemBus->ok())
            return "system bus: " + m_systemBus->error();
    }
    m_sessionBus = std::make_unique<PrivateBus>(PrivateBus::Options { m_runtimeDir, m_user, environment(), true });
    if (!m_sessionBus->ok())
        return "session bus: " + m_sessionBus->error();

    startLogged({ "pipewire" }, "pipewire.log");
    if (!waitForFile(m_runtimeDir / "pipewire-0", kStartTimeout))
        return "pipewire made no socket:\n" + fileText(m_runtimeDir / "pipewire.log");
    startLogged({ "wireplumber" }, "wireplumber.log");
    return startShell(options);
}

std::string HeadlessGnome::startShell(const Options& options)
{
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    // The compositor must not see a display to nest in.
    const std::vector<std::string> compositor = { "env", "-u", "WAYLAND_DISPLAY" };
    if (options.shell == Shell::GnomeShell) {
        startLogged({ kPython, "-m", "dbusmock", "--system", "--template", "logind" }, "logind.log");
        const auto layout = run({ "gsettings", "set", "org.gnome.desktop.input-sources", "sources",
            "[('xkb', '" + options.layout + "')]" });
        if (layout.status != 0)
            return "gsettings cannot set the layout: " + layout.err;
        auto argv = compositor;
        argv.insert(argv.end(),
            { "gnome-shell", "--headless", "--virtual-monitor", size, "--wayland", "--no-x11",
                "--wayland-display=" + m_waylandDisplay });
        startLogged(argv, "compositor.log");
    } else {
        auto argv = compositor;
        argv.insert(argv.end(),
            { "mutter", "--headless", "--virtual-monitor", size, "--wayland", "--no-x11",
                "--wayland-display=" + m_waylandDisplay });
        startLogged(argv, "compositor.log");
    }
    const char* service = options.shell == Shell::GnomeShell ? "org.gnome.Shell" : "org.gnome.Mutter.RemoteDesktop";
    if (!waitForFile(m_runtimeDir / m_waylandDisplay, kStartTimeout) || !waitForName(service, kStartTimeout))
        return "the compositor did not come up:\n" + logs();
    return options.shell == Shell::GnomeShell ? hideOverview() : std::string();
}

// gnome-shell opens the overview at start, over every window; it is closed
// once its opening animation is over (closing it earlier can leave it stuck).
std::string HeadlessGnome::hideOverview() const
{
    auto bus = DbusConnection::open(sessionBus());
    if (!bus)
        return bus.error().message;
    auto active = [&] {
        auto value = (*bus)->property("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "OverviewActive");
        return value && value->get<bool>() && *value->get<bool>();
    };
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!active() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(1s);
    for (int attempt = 0; attempt < 50 && active(); ++attempt) {
        (*bus)->call({ "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
            { "org.gnome.Shell", "OverviewActive", DbusValue::variant(false) } });
        std::this_thread::sleep_for(200ms);
    }
    return active() ? "gnome-shell keeps its overview open" : "";
}

std::string HeadlessGnome::logs() const
{
    std::string out;
    for (const char* log : { "compositor.log", "pipewire.log", "wireplumber.log", "bus.log", "logind.log" }) {
        if (pathExists(m_runtimeDir / log))
            out += std::string("--- ") + log + ":\n" + fileText(m_runtimeDir / log);
    }
    return out;
}

} // namespace clickwisp::test
