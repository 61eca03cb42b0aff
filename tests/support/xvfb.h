#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace clickwisp::test {

// A private X server for one test process, started with -displayfd so that
// parallel tests never pick the same display number.
class XvfbServer {
public:
    // Starts Xvfb with one screen of width x height x 24 and the XTEST,
    // MIT-SHM and RECORD extensions, followed by any extra arguments (e.g.
    // {"-extension", "RECORD"} for a server without it). Check ok() before use.
    explicit XvfbServer(int width = 1920, int height = 1080, const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool ok() const { return !m_display.empty(); }
    // ":N", also exported as DISPLAY while the server runs (WAYLAND_DISPLAY
    // and CLICKWISP_BACKEND are removed, so X11 serves the programs under test).
    const std::string& display() const { return m_display; }
    const std::string& error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};

} // namespace clickwisp::test
