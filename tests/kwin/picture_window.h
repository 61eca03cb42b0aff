#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

struct wl_display;

namespace clickwisp::test {

// A Wayland window of the tests' own that shows a known picture: red grows
// to the right, green downward, blue 0x40, and one magenta pixel at the
// mark. Where it opens is the compositor's choice (a KWin test session
// opens it at (0, 0)). It runs on a connection and a thread of its own,
// like any other program, until destroyed.
class WaylandPictureWindow {
public:
    WaylandPictureWindow(int width, int height, int markX, int markY);
    ~WaylandPictureWindow();
    WaylandPictureWindow(const WaylandPictureWindow&) = delete;
    WaylandPictureWindow& operator=(const WaylandPictureWindow&) = delete;

    // Whether the compositor took the window and its picture ("" or why not).
    const std::string& error() const { return m_error; }
    // 0xRRGGBB of the picture at (x, y), window coordinates.
    uint32_t colourAt(int x, int y) const;

    struct Surface; // the Wayland objects and their listeners

private:
    int m_width, m_height, m_markX, m_markY;
    std::string m_error;
    Surface* m_surface = nullptr;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

} // namespace clickwisp::test
