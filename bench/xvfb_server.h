#pragma once

// A private Xvfb for the benchmarks, showing a picture as its root window
// background.
#include "screen/bitmap_data.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace clickwisp::bench {

// A private Xvfb showing a picture as its root window background.
class Server {
public:
    Server(int32_t width, int32_t height, bool sharedMemory, const TBDBitmapData& scene)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(fds[1]);
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                sharedMemory ? "+extension" : "-extension", "MIT-SHM", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd wait { fds[0], POLLIN, 0 };
        char c = 0;
        while (poll(&wait, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            return;
        m_name = ":" + number;
        paint(scene);
    }
    ~Server()
    {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_display != nullptr; }
    const std::string& name() const { return m_name; }
    // CPU time the server has used so far, in milliseconds (/proc, in clock
    // ticks): on a busy machine the wall time of a capture says little, the
    // work of both processes says what an idle one would take.
    double cpuMilliseconds() const
    {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string field;
        std::getline(stat, field, ')'); // pid and (command)
        unsigned long long user = 0, system = 0;
        for (int i = 3; i <= 15 && stat >> field; ++i) {
            if (i == 14)
                user = std::stoull(field);
            if (i == 15)
                system = std::stoull(field);
        }
        return double(user + system) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }

private:
    void paint(const TBDBitmapData& scene)
    {
        m_display = XOpenDisplay(m_name.c_str());
        if (!m_display)
            return;
        const int screen = DefaultScreen(m_display);
        const Window root = RootWindow(m_display, screen);
        const unsigned width = unsigned(scene.Width()), height = unsigned(scene.Height());
        Pixmap pixmap = XCreatePixmap(m_display, root, width, height, 24);
        std::vector<uint32_t> pixels(size_t(width) * height);
        for (int32_t y = 0; y < scene.Height(); ++y)
            for (int32_t x = 0; x < scene.Width(); ++x)
                pixels[size_t(y) * width + size_t(x)] = scene.PixelAt(x, y);
        XImage* image = XCreateImage(m_display, DefaultVisual(m_display, screen), 24, ZPixmap, 0,
            reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
        GC gc = XCreateGC(m_display, pixmap, 0, nullptr);
        XPutImage(m_display, pixmap, gc, image, 0, 0, 0, 0, width, height);
        XFreeGC(m_display, gc);
        image->data = nullptr; // owned by the vector
        XDestroyImage(image);
        XSetWindowBackgroundPixmap(m_display, root, pixmap);
        XClearWindow(m_display, root);
        XSync(m_display, False);
    }

    pid_t m_pid = -1;
    std::string m_name;
    Display* m_display = nullptr;
};

} // namespace clickwisp::bench
