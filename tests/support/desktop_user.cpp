#include "tests/support/desktop_user.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clickwisp::test {

namespace {
constexpr const char* kTestUser = "clickwisp-test";
} // namespace

DesktopUser DesktopUser::caller()
{
    DesktopUser user;
    user.uid = geteuid();
    user.gid = getegid();
    return user;
}

DesktopUser DesktopUser::forDesktop()
{
    DesktopUser user = caller();
    if (user.uid != 0)
        return user;
    const passwd* entry = getpwnam(kTestUser);
    if (!entry) {
        user.error = std::string("no user ") + kTestUser + " to run the desktop as (scripts/install-deps.sh adds it)";
        return user;
    }
    user.uid = entry->pw_uid;
    user.gid = entry->pw_gid;
    user.switched = true;
    return user;
}

std::vector<std::string> DesktopUser::command(const std::vector<std::string>& argv) const
{
    if (!switched)
        return argv;
    std::vector<std::string> out
        = { "setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid), "--init-groups" };
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

bool DesktopUser::own(const std::filesystem::path& path) const
{
    return !switched || chown(path.c_str(), uid, gid) == 0;
}

pid_t startProcessAs(const DesktopUser& user, const std::vector<std::string>& argv,
    const std::vector<std::string>& environment, const std::filesystem::path& log)
{
    std::vector<std::string> command = user.command(argv);
    std::vector<std::string> variables = environment;
    std::vector<char*> args, env;
    for (auto& a : command)
        args.push_back(a.data());
    args.push_back(nullptr);
    for (auto& e : variables)
        env.push_back(e.data());
    env.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    setpgid(0, 0);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execvpe(args[0], args.data(), env.data());
    _exit(127);
}

void endProcessGroup(pid_t pid, std::chrono::milliseconds grace)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Programs of the group that outlived its leader (activated services).
    kill(-pid, SIGKILL);
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

} // namespace clickwisp::test
