#include "tests/support/headless_kwin.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clickwisp::test {

namespace {

using namespace std::chrono_literals;

constexpr const char* kSocket = "wayland-kwin";

std::string joined(const std::vector<std::string>& items, char separator)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : std::string(1, separator)) + item;
    return out;
}

} // namespace

bool HeadlessKwin::installed()
{
    return onPath("kwin_wayland") && onPath("dbus-daemon") && onPath("dbus-send");
}

std::string HeadlessKwin::becomeSessionUser()
{
    const DesktopUser user = DesktopUser::forDesktop();
    if (!user.error.empty() || !user.switched)
        return user.error;
    const passwd* entry = getpwuid(user.uid);
    if (!entry || initgroups(entry->pw_name, user.gid) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0)
        return std::string("cannot become the user ") + std::to_string(user.uid) + ": " + std::strerror(errno);
    // A changed user makes the process undumpable, which hides its
    // /proc/PID/exe from KWin.
    prctl(PR_SET_DUMPABLE, 1);
    return {};
}

HeadlessKwin::HeadlessKwin(HeadlessKwinOptions options)
{
    m_error = start(options);
}

std::string HeadlessKwin::start(const HeadlessKwinOptions& options)
{
    m_user = DesktopUser::forDesktop();
    if (!m_user.error.empty())
        return m_user.error;
    char folder[] = "/tmp/clickwisp-kwin.XXXXXX";
    if (!mkdtemp(folder))
        return std::string("mkdtemp: ") + std::strerror(errno);
    m_runtimeDir = folder;
    if (chmod(folder, 0700) != 0 || !m_user.own(m_runtimeDir))
        return std::string("cannot hand ") + folder + " to the session's user: " + std::strerror(errno);
    if (auto problem = writeConfiguration(options); !problem.empty())
        return problem;

    m_waylandDisplay = kSocket;
    m_busAddress = "unix:path=" + (m_runtimeDir / "bus").string();
    const char* path = std::getenv("PATH");
    const std::string dir = m_runtimeDir.string();
    m_environment = {
        std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
        "HOME=" + dir,
        "XDG_RUNTIME_DIR=" + dir,
        "XDG_CONFIG_HOME=" + dir + "/config",
        "XDG_DATA_HOME=" + dir + "/share",
        "XDG_CACHE_HOME=" + dir + "/cache",
        "XDG_CURRENT_DESKTOP=KDE",
        "XDG_SESSION_TYPE=wayland",
        "WAYLAND_DISPLAY=" + m_waylandDisplay,
        "DBUS_SESSION_BUS_ADDRESS=" + m_busAddress,
    };

    // The bus first: KWin registers on it, and the services it starts on
    // demand (the portals, Qt programs) take its environment.
    PrivateBus::Options bus;
    bus.folder = m_runtimeDir;
    bus.user = m_user;
    bus.environment = m_environment;
    bus.environment.push_back("QT_QPA_PLATFORM=wayland");
    bus.activation = true;
    m_bus = std::make_unique<PrivateBus>(bus);
    if (!m_bus->ok())
        return m_bus->error();
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    if (options.pipewire) {
        if (launch({ "pipewire" }, "pipewire.log") < 0 || launch({ "wireplumber" }, "wireplumber.log") < 0)
            return "cannot start pipewire: " + std::string(std::strerror(errno));
    }

    // A plain copy loses the file capability; KWin's Qt platform plugin
    // wants the program's name to end in kwin_wayland.
    const auto kwinCopy = m_runtimeDir / "kwin_wayland";
    const auto installedKwin = runProcess({ "sh", "-c", "command -v kwin_wayland" }).out;
    std::error_code copyError;
    std::filesystem::copy_file(installedKwin.substr(0, installedKwin.find('\n')), kwinCopy, copyError);
    if (copyError)
        return "cannot copy kwin_wayland: " + copyError.message();
    m_user.own(kwinCopy);
    m_kwin = launch({ kwinCopy.string(), "--virtual", "--width", std::to_string(options.width), "--height",
                        std::to_string(options.height), "--socket", m_waylandDisplay, "--no-lockscreen" },
        "kwin.log");
    if (m_kwin < 0)
        return "cannot start kwin_wayland: " + std::string(std::strerror(errno));
    while (!std::filesystem::exists(m_runtimeDir / m_waylandDisplay)) {
        if (waitpid(m_kwin, nullptr, WNOHANG) == m_kwin) {
            m_kwin = -1;
            return "kwin_wayland ended at start-up:\n" + log();
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return "kwin_wayland made no socket within 15 s:\n" + log();
        std::this_thread::sleep_for(10ms);
    }
    if (!waitForBusName("org.kde.KWin", m_kwin))
        return "kwin_wayland did not take its D-Bus name within 15 s:\n" + log();

    setenv("WAYLAND_DISPLAY", m_waylandDisplay.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.c_str(), 1);
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    unsetenv("DISPLAY");
    unsetenv("SWAYSOCK");
    return {};
}

std::string HeadlessKwin::writeConfiguration(const HeadlessKwinOptions& options)
{
    const auto config = m_runtimeDir / "config";
    const auto applications = m_runtimeDir / "share" / "applications";
    std::error_code error;
    std::filesystem::create_directories(config, error);
    std::filesystem::create_directories(applications, error);
    std::filesystem::create_directories(m_runtimeDir / "cache", error);
    if (error)
        return "cannot make the session's folders: " + error.message();
    // Windows appear at once, without opening animations that a screenshot
    // could catch half way.
    writeFile(config / "kdeglobals", "[KDE]\nAnimationDurationFactor=0\n");
    writeFile(config / "kxkbrc",
        "[Layout]\nUse=true\nLayoutList=" + options.layout + "\nVariantList=" + options.variant + "\n");
    if (options.windowsAtOrigin) {
        writeFile(config / "kwinrulesrc",
            "[General]\ncount=1\nrules=1\n\n[1]\nDescription=Test windows at the origin\n"
            "position=0,0\npositionrule=2\ntypes=1\nwmclassmatch=0\n");
    }
    for (const auto& grant : options.grants)
        writeGrant(grant);
    for (const auto& path : { config, config / "kdeglobals", config / "kxkbrc", config / "kwinrulesrc",
             m_runtimeDir / "share", applications, m_runtimeDir / "cache" }) {
        if (std::filesystem::exists(path))
            m_user.own(path);
    }
    return {};
}

pid_t HeadlessKwin::launch(const std::vector<std::string>& argv, const std::string& logName)
{
    const pid_t pid = startProcessAs(m_user, argv, m_environment, m_runtimeDir / logName);
    if (pid > 0)
        m_children.push_back(pid);
    return pid;
}

bool HeadlessKwin::waitForBusName(const std::string& name, pid_t owner) const
{
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto answer = dbusSend({ "--print-reply=literal", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus.NameHasOwner", "string:" + name });
        if (answer.out.find("true") != std::string::npos)
            return true;
        if (owner > 0 && waitpid(owner, nullptr, WNOHANG) == owner)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

HeadlessKwin::~HeadlessKwin()
{
    // KWin first: its clients (the portals) may still call it.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        endProcessGroup(*it);
    m_bus.reset();
    if (!m_runtimeDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_runtimeDir, ignored);
    }
    if (ok()) {
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        unsetenv("XDG_CURRENT_DESKTOP");
    }
}

std::string HeadlessKwin::log() const
{
    return readFile(m_runtimeDir / "kwin.log");
}

std::vector<std::string> HeadlessKwin::asSessionUser(std::vector<std::string> argv) const
{
    return m_user.command(argv);
}

ProcessResult HeadlessKwin::dbusSend(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> argv = { "dbus-send", "--bus=" + m_busAddress };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProcess(asSessionUser(argv));
}

std::filesystem::path HeadlessKwin::grantFile(const std::filesystem::path& executable) const
{
    std::string name = "clickwisp-test-grant" + std::to_string(std::hash<std::string>()(executable.string()));
    return m_runtimeDir / "share" / "applications" / (name + ".desktop");
}

void HeadlessKwin::writeGrant(const KwinGrant& grant) const
{
    std::error_code error;
    const auto executable = std::filesystem::weakly_canonical(grant.executable, error);
    const auto file = grantFile(grant.executable);
    // Exec= quotes a path with blanks; KWin splits it as a shell would.
    std::string exec = executable.string();
    if (exec.find(' ') != std::string::npos)
        exec = '"' + exec + '"';
    writeFile(file,
        "[Desktop Entry]\nType=Application\nName=" + grant.executable.filename().string() + "\nExec=" + exec
            + "\nNoDisplay=true\nX-KDE-Wayland-Interfaces=" + joined(grant.waylandInterfaces, ',')
            + "\nX-KDE-DBUS-Restricted-Interfaces=" + joined(grant.dbusInterfaces, ',') + "\n");
    m_user.own(file);
}

void HeadlessKwin::grant(const KwinGrant& grant)
{
    writeGrant(grant);
    // KWin's service cache notices a changed folder by its time stamp.
    std::this_thread::sleep_for(2s);
}

void HeadlessKwin::revoke(const std::filesystem::path& executable)
{
    std::error_code ignored;
    std::filesystem::remove(grantFile(executable), ignored);
    std::this_thread::sleep_for(2s);
}

bool HeadlessKwin::setLayout(const std::string& layout, const std::string& variant)
{
    const auto kxkbrc = m_runtimeDir / "config" / "kxkbrc";
    writeFile(kxkbrc, "[Layout]\nUse=true\nLayoutList=" + layout + "\nVariantList=" + variant + "\n");
    m_user.own(kxkbrc);
    return dbusSend({ "--type=signal", "/Layouts", "org.kde.keyboard.reloadConfig" }).status == 0;
}

} // namespace clickwisp::test
