#include "tests/support/xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clickwisp::test {

XvfbServer::XvfbServer(int width, int height, const std::vector<std::string>& extraArguments)
{
    int fds[2];
    if (pipe(fds) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    m_pid = fork();
    if (m_pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        std::vector<const char*> args { "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
            "tcp", "+extension", "XTEST", "+extension", "RECORD", "+extension", "MIT-SHM", "-ac", "-noreset" };
        for (const auto& argument : extraArguments)
            args.push_back(argument.c_str());
        args.push_back(nullptr);
        execvp("Xvfb", const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(fds[1]);
    if (m_pid < 0) {
        m_error = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        return;
    }
    std::string number;
    pollfd waitFor { fds[0], POLLIN, 0 };
    while (poll(&waitFor, 1, 20000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not start (is the xvfb package installed?)";
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return;
    }
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
    // A program under test would choose the caller's Wayland session over
    // this server (clickwisp-cli picks Wayland first).
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("CLICKWISP_BACKEND");
}

XvfbServer::~XvfbServer()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

} // namespace clickwisp::test
