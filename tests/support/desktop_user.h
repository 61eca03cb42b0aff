#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// Who runs a private desktop's programs (compositor, buses, portals): the
// user clickwisp-test when the tests run as root (scripts/install-deps.sh
// adds it; compositors refuse root or should not run as it), otherwise the
// caller. Programs that talk to the desktop portal must run as this user
// too: the portal refuses callers it cannot inspect.
struct DesktopUser {
    uid_t uid = 0;
    gid_t gid = 0;
    bool switched = false; // runs as clickwisp-test instead of the caller
    std::string error; // why no user could be found

    static DesktopUser forDesktop();
    // The user running the tests.
    static DesktopUser caller();
    // argv prefixed to run as this user (setpriv when switched).
    std::vector<std::string> command(const std::vector<std::string>& argv) const;
    // Makes path (a folder or file) owned by this user; false on failure.
    bool own(const std::filesystem::path& path) const;
};

// Starts argv as user with exactly the given environment, its standard
// input from /dev/null and its output appended to log. The process id, or
// -1 when it could not be started. It runs in a process group of its own.
pid_t startProcessAs(const DesktopUser& user, const std::vector<std::string>& argv,
    const std::vector<std::string>& environment, const std::filesystem::path& log);

// Ends a process started by startProcessAs and everything in its group:
// SIGTERM, SIGKILL after grace; then reaps it.
void endProcessGroup(pid_t pid, std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

// Whether program is an executable on the PATH.
bool onPath(const std::string& program);

} // namespace clickwisp::test
