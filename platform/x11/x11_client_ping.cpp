#include "platform/x11/x11_client_ping.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <poll.h>

namespace clickwisp {

namespace {

// The focus window or the nearest ancestor that takes pings; None if none.
Window pingTarget(Display* display, Atom ping)
{
    Window window = None;
    int revert = 0;
    XGetInputFocus(display, &window, &revert);
    const Window rootWindow = DefaultRootWindow(display);
    while (window != None && window != PointerRoot && window != rootWindow) {
        Atom* protocols = nullptr;
        int count = 0;
        if (XGetWMProtocols(display, window, &protocols, &count)) {
            const bool takesPing = std::find(protocols, protocols + count, ping) != protocols + count;
            XFree(protocols);
            if (takesPing)
                return window;
        }
        Window root = None, parent = None, *children = nullptr;
        unsigned childCount = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &childCount))
            return None;
        if (children)
            XFree(children);
        window = parent;
    }
    return None;
}

} // namespace

bool pingFocusedClient(Display* display, std::chrono::milliseconds timeout)
{
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const Window target = pingTarget(display, ping);
    if (target == None)
        return false;
    // The answer goes to the root window, to those who listen to its children.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    static std::atomic<long> serial { 0 };
    const long token = (++serial) & 0x7FFFFFFF;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(ping);
    event.xclient.data.l[1] = token;
    event.xclient.data.l[2] = long(target);
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);

    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!answered) {
        while (!answered && XPending(display)) {
            XNextEvent(display, &event);
            answered = event.type == ClientMessage && event.xclient.message_type == protocols
                && Atom(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == token
                && Window(event.xclient.data.l[2]) == target;
        }
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (answered || left.count() <= 0)
            break;
        pollfd wait { ConnectionNumber(display), POLLIN, 0 };
        poll(&wait, 1, int(left.count()) + 1);
    }
    XSelectInput(display, root, NoEventMask);
    XSync(display, True); // drops what arrived meanwhile
    return answered;
}

} // namespace clickwisp
