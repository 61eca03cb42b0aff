#include "tests/support/headless_sway.h"

#include "tests/support/desktop_user.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clickwisp::test {

namespace {

constexpr const char* kTestUser = "clickwisp-test";

// The socket names in folder: "wayland-N" and "sway-ipc.*.sock".
void findSockets(const std::filesystem::path& folder, std::string& wayland, std::string& ipc)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_socket(error))
            continue;
        if (name.starts_with("wayland-"))
            wayland = name;
        else if (name.starts_with("sway-ipc."))
            ipc = entry.path().string();
    }
}

} // namespace

bool HeadlessSway::installed()
{
    return onPath("sway");
}

HeadlessSway::HeadlessSway()
    : m_error(start())
{
}

std::string HeadlessSway::start()
{
    uid_t uid = geteuid();
    gid_t gid = getegid();
    const bool root = uid == 0;
    if (root) {
        const passwd* user = getpwnam(kTestUser);
        if (!user)
            return (std::string("no user ") + kTestUser + " to run sway as (scripts/install-deps.sh adds it)");
        uid = user->pw_uid;
        gid = user->pw_gid;
    }
    char folder[] = "/tmp/clickwisp-sway.XXXXXX";
    if (!mkdtemp(folder))
        return (std::string("mkdtemp: ") + std::strerror(errno));
    m_runtimeDir = folder;
    const std::filesystem::path config = m_runtimeDir / "config";
    std::ofstream(config) << "xwayland disable\n"
                             "default_border none\n"
                             "default_floating_border none\n"
                             "focus_follows_mouse no\n";
    if (chown(folder, uid, gid) != 0 || chmod(folder, 0700) != 0 || chown(config.c_str(), uid, gid) != 0)
        return (std::string("cannot hand ") + folder + " to the compositor's user: " + std::strerror(errno));
    const std::string log = (m_runtimeDir / "sway.log").string();

    m_pid = fork();
    if (m_pid < 0)
        return (std::string("fork: ") + std::strerror(errno));
    if (m_pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        const char* path = std::getenv("PATH");
        std::vector<std::string> environment = {
            std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
            "HOME=" + m_runtimeDir.string(),
            "XDG_RUNTIME_DIR=" + m_runtimeDir.string(),
            "WLR_BACKENDS=headless",
            "WLR_RENDERER=pixman",
            "WLR_LIBINPUT_NO_DEVICES=1",
        };
        std::vector<std::string> argv;
        if (root) {
            argv = { "setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid), "--init-groups" };
        }
        argv.insert(argv.end(), { "sway", "--config", config.string() });
        std::vector<char*> args, env;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        for (auto& e : environment)
            env.push_back(e.data());
        env.push_back(nullptr);
        execvpe(args[0], args.data(), env.data());
        _exit(127);
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (m_waylandDisplay.empty() || m_swaySocket.empty()) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            std::ifstream in(log);
            std::stringstream text;
            text << in.rdbuf();
            return ("sway ended at start-up:\n" + text.str());
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return ("sway made no sockets in " + m_runtimeDir.string() + " within 15 s");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        findSockets(m_runtimeDir, m_waylandDisplay, m_swaySocket);
    }
    setenv("WAYLAND_DISPLAY", m_waylandDisplay.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    setenv("SWAYSOCK", m_swaySocket.c_str(), 1);
    unsetenv("DISPLAY");
    // The IPC socket exists before sway answers on it.
    while (swaymsg({ "-t", "get_outputs" }).status != 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return ("sway does not answer on " + m_swaySocket);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

HeadlessSway::~HeadlessSway()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (waitpid(m_pid, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (!m_runtimeDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_runtimeDir, ignored);
    }
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SWAYSOCK");
}

ProcessResult HeadlessSway::swaymsg(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> argv = { "swaymsg", "-s", m_swaySocket };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProcess(argv);
}

} // namespace clickwisp::test
