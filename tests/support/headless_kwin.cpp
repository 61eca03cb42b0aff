#include "tests/support/headless_kwin.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clickwisp::test {

namespace {

using namespace std::chrono_literals;

constexpr const char* kTestUser = "clickwisp-test";
constexpr const char* kSocket = "wayland-kwin";

std::filesystem::path onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return std::filesystem::path(dir) / program;
    }
    return {};
}

std::string joined(const std::vector<std::string>& items, char separator)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : std::string(1, separator)) + item;
    return out;
}

// The session bus: the stock session configuration, and root may connect
// too, so a test run as root can watch and call what its clients do.
std::string busConfiguration()
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <include>/usr/share/dbus-1/session.conf</include>\n"
           "  <policy context=\"default\"><allow user=\"root\"/></policy>\n"
           "</busconfig>\n";
}

} // namespace

bool HeadlessKwin::installed()
{
    return !onPath("kwin_wayland").empty() && !onPath("dbus-daemon").empty() && !onPath("dbus-send").empty();
}

std::string HeadlessKwin::becomeSessionUser()
{
    if (geteuid() != 0)
        return {};
    const passwd* user = getpwnam(kTestUser);
    if (!user)
        return std::string("no user ") + kTestUser + " to run as (scripts/install-deps.sh adds it)";
    if (initgroups(user->pw_name, user->pw_gid) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
        return std::string("cannot become ") + kTestUser + ": " + std::strerror(errno);
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
    m_uid = geteuid();
    m_gid = getegid();
    if (m_uid == 0) {
        const passwd* user = getpwnam(kTestUser);
        if (!user)
            return std::string("no user ") + kTestUser + " to run KWin as (scripts/install-deps.sh adds it)";
        m_uid = user->pw_uid;
        m_gid = user->pw_gid;
        m_switchUser = true;
    }
    char folder[] = "/tmp/clickwisp-kwin.XXXXXX";
    if (!mkdtemp(folder))
        return std::string("mkdtemp: ") + std::strerror(errno);
    m_runtimeDir = folder;
    if (chmod(folder, 0700) != 0)
        return std::string("chmod ") + folder + ": " + std::strerror(errno);
    handOver(m_runtimeDir);
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
    std::vector<std::string> bus
        = { "dbus-daemon", "--nofork", "--config-file=" + dir + "/bus.conf", "--address=" + m_busAddress };
    m_environment.push_back("QT_QPA_PLATFORM=wayland");
    const pid_t busPid = launch(bus, "dbus.log");
    m_environment.pop_back();
    if (busPid < 0)
        return "cannot start dbus-daemon: " + std::string(std::strerror(errno));
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (!std::filesystem::exists(m_runtimeDir / "bus")) {
        if (waitpid(busPid, nullptr, WNOHANG) == busPid)
            return "dbus-daemon ended at start-up: " + readFile(m_runtimeDir / "dbus.log");
        if (std::chrono::steady_clock::now() >= deadline)
            return "dbus-daemon made no socket within 15 s";
        std::this_thread::sleep_for(10ms);
    }
    if (options.pipewire) {
        if (launch({ "pipewire" }, "pipewire.log") < 0 || launch({ "wireplumber" }, "wireplumber.log") < 0)
            return "cannot start pipewire: " + std::string(std::strerror(errno));
    }

    // A plain copy loses the file capability; KWin's Qt platform plugin
    // wants the program's name to end in kwin_wayland.
    const auto kwinCopy = m_runtimeDir / "kwin_wayland";
    std::error_code copyError;
    std::filesystem::copy_file(onPath("kwin_wayland"), kwinCopy, copyError);
    if (copyError)
        return "cannot copy kwin_wayland: " + copyError.message();
    handOver(kwinCopy);
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
    writeFile(m_runtimeDir / "bus.conf", busConfiguration());
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
    for (const auto& path : { m_runtimeDir / "bus.conf", config, config / "kdeglobals", config / "kxkbrc",
             config / "kwinrulesrc", m_runtimeDir / "share", applications, m_runtimeDir / "cache" }) {
        if (std::filesystem::exists(path))
            handOver(path);
    }
    return {};
}

pid_t HeadlessKwin::launch(const std::vector<std::string>& argv, const std::string& logName)
{
    const std::string logPath = (m_runtimeDir / logName).string();
    const pid_t pid = fork();
    if (pid != 0) {
        if (pid > 0) {
            if (m_group < 0)
                m_group = pid;
            setpgid(pid, m_group); // also in the child: whichever runs first
            m_children.push_back(pid);
        }
        return pid;
    }
    setpgid(0, m_group < 0 ? 0 : m_group);
    const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (m_switchUser) {
        const passwd* user = getpwuid(m_uid);
        if (!user || initgroups(user->pw_name, m_gid) != 0 || setgid(m_gid) != 0 || setuid(m_uid) != 0)
            _exit(126);
    }
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = m_environment;
    std::vector<char*> args, env;
    for (auto& a : arguments)
        args.push_back(a.data());
    args.push_back(nullptr);
    for (auto& e : environment)
        env.push_back(e.data());
    env.push_back(nullptr);
    execvpe(args[0], args.data(), env.data());
    _exit(127);
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
    if (m_group > 0) {
        kill(-m_group, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        for (pid_t child : m_children) {
            while (waitpid(child, nullptr, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() >= deadline) {
                    kill(-m_group, SIGKILL);
                    waitpid(child, nullptr, 0);
                    break;
                }
                std::this_thread::sleep_for(10ms);
            }
        }
        // Services the bus started for the session (the portals) share the
        // group; whatever did not end at SIGTERM ends now.
        kill(-m_group, SIGKILL);
    }
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
    if (!m_switchUser)
        return argv;
    std::vector<std::string> wrapped
        = { "setpriv", "--reuid=" + std::to_string(m_uid), "--regid=" + std::to_string(m_gid), "--init-groups" };
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
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
    handOver(file);
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
    handOver(kxkbrc);
    return dbusSend({ "--type=signal", "/Layouts", "org.kde.keyboard.reloadConfig" }).status == 0;
}

void HeadlessKwin::handOver(const std::filesystem::path& path) const
{
    if (m_switchUser && chown(path.c_str(), m_uid, m_gid) != 0)
        std::fprintf(stderr, "HeadlessKwin: chown %s: %s\n", path.c_str(), std::strerror(errno));
}

} // namespace clickwisp::test
