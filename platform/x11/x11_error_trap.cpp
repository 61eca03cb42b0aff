#include "platform/x11/x11_error_trap.h"

#include <map>
#include <mutex>
#include <utility>

namespace clickwisp {

namespace {

std::mutex g_mutex;
std::map<Display*, int> g_trapped; // display -> first error code caught
XErrorHandler g_previous = nullptr;

int onError(Display* display, XErrorEvent* event)
{
    {
        std::lock_guard lock(g_mutex);
        auto it = g_trapped.find(display);
        if (it != g_trapped.end()) {
            if (it->second == 0)
                it->second = event->error_code;
            return 0;
        }
    }
    return g_previous ? g_previous(display, event) : 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : m_display(display)
{
    static std::once_flag installed;
    std::call_once(installed, [] { g_previous = XSetErrorHandler(onError); });
    std::lock_guard lock(g_mutex);
    g_trapped[m_display] = 0;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(m_display, False);
    std::lock_guard lock(g_mutex);
    g_trapped.erase(m_display);
}

int X11ErrorTrap::sync()
{
    XSync(m_display, False);
    std::lock_guard lock(g_mutex);
    return std::exchange(g_trapped[m_display], 0);
}

} // namespace clickwisp
