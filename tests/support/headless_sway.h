#pragma once

#include "tests/support/process.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// A private sway for one test process: the headless backend with the pixman
// renderer and no input devices, so it needs no GPU, seat or terminal. Sway
// refuses to run as root: a test run as root starts it as the user
// clickwisp-test (scripts/install-deps.sh adds it). Its runtime folder is a
// fresh one (0700, owned by that user); the compositor's windows have no
// borders or title bars, so a window fills its output from (0, 0).
class HeadlessSway {
public:
    // Whether a sway program is installed: tests skip only when it is not.
    static bool installed();

    // Starts sway and waits for its sockets; exports WAYLAND_DISPLAY,
    // XDG_RUNTIME_DIR and SWAYSOCK and removes DISPLAY, so clients started by
    // the test, and the backend, reach this compositor only. Check ok().
    HeadlessSway();
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    const std::string& waylandDisplay() const { return m_waylandDisplay; }
    const std::string& swaySocket() const { return m_swaySocket; }
    // The compositor's runtime folder; files for its clients (a background
    // picture) go here, readable by its user.
    const std::filesystem::path& runtimeDir() const { return m_runtimeDir; }

    // Runs swaymsg with the given arguments against this compositor.
    ProcessResult swaymsg(const std::vector<std::string>& arguments) const;

private:
    // Starts the compositor; the error, or "" when it runs.
    std::string start();

    pid_t m_pid = -1;
    std::filesystem::path m_runtimeDir;
    std::string m_waylandDisplay;
    std::string m_swaySocket;
    std::string m_error;
};

} // namespace clickwisp::test
