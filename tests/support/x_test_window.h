#pragma once

// A small X client for end-to-end checks of synthesised input: one window
// that holds the keyboard focus and records what reaches it, the text its
// key presses type (a press with Ctrl or Alt held as "^" and the character)
// and its button events with their root positions. It
// runs on a thread and a connection of its own, like any other program.
// With answersPings it answers the window manager protocol's _NET_WM_PING,
// as GTK and Qt programs do.
// Header-only so the typing bench can use it too.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace clickwisp::test {

class XTestWindow {
public:
    struct ButtonEvent {
        unsigned button = 0;
        bool press = false;
        int x = 0, y = 0; // root position
        friend bool operator==(const ButtonEvent&, const ButtonEvent&) = default;
    };

    XTestWindow(const std::string& display, int x, int y, int width, int height, bool answersPings = false)
    {
        m_display = XOpenDisplay(display.c_str());
        m_control = XOpenDisplay(display.c_str());
        if (!m_display || !m_control || pipe(m_wake) != 0)
            return;
        XSetWindowAttributes attributes {};
        attributes.background_pixel = WhitePixel(m_display, DefaultScreen(m_display));
        attributes.override_redirect = True;
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), x, y, unsigned(width), unsigned(height), 0,
            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
        XSelectInput(m_display, m_window, KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
        if (answersPings) {
            m_ping = XInternAtom(m_display, "_NET_WM_PING", False);
            XSetWMProtocols(m_display, m_window, &m_ping, 1);
        }
        XMapRaised(m_display, m_window);
        XEvent event;
        do {
            XNextEvent(m_display, &event);
        } while (event.type != MapNotify);
        m_thread = std::thread([this] { loop(); });
        takeFocus();
        m_ok = true;
    }

    ~XTestWindow()
    {
        if (m_thread.joinable()) {
            const char byte = 0;
            ssize_t written = write(m_wake[1], &byte, 1);
            (void)written;
            m_thread.join();
        }
        if (m_wake[0] >= 0) {
            close(m_wake[0]);
            close(m_wake[1]);
        }
        if (m_control)
            XCloseDisplay(m_control);
        if (m_display)
            XCloseDisplay(m_display);
    }

    XTestWindow(const XTestWindow&) = delete;
    XTestWindow& operator=(const XTestWindow&) = delete;

    bool ok() const { return m_ok; }

    void takeFocus() { setFocus(m_window); }
    // No window has the focus at all (not even the one under the pointer).
    void dropFocus() { setFocus(None); }
    void focusFollowsPointer() { setFocus(PointerRoot); }

    std::u32string text() const
    {
        std::lock_guard lock(m_mutex);
        return m_text;
    }
    std::vector<ButtonEvent> buttons() const
    {
        std::lock_guard lock(m_mutex);
        return m_buttons;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_text.clear();
        m_buttons.clear();
    }

    // Waits until at least length characters arrived; false at the timeout.
    bool waitForText(size_t length, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_text.size() >= length; });
    }
    bool waitForButtons(size_t count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_buttons.size() >= count; });
    }

private:
    void setFocus(Window window)
    {
        XSetInputFocus(m_control, window, RevertToNone, CurrentTime);
        XSync(m_control, False);
    }

    // The character a key press types, as a text field would insert it.
    static char32_t charOf(KeySym keysym)
    {
        if (keysym == XK_Return || keysym == XK_KP_Enter)
            return U'\n';
        if (keysym == XK_Tab)
            return U'\t';
        if (keysym >= XK_KP_Multiply && keysym <= XK_KP_9)
            return char32_t(keysym - 0xFF80); // the pad's keysyms are ASCII + 0xFF80
        if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
            return char32_t(keysym);
        if (keysym >= 0x01000100 && keysym <= 0x0110FFFF)
            return char32_t(keysym - 0x01000000);
        return 0;
    }

    void loop()
    {
        const int fd = ConnectionNumber(m_display);
        for (;;) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                handle(event);
            }
            pollfd fds[2] = { { fd, POLLIN, 0 }, { m_wake[0], POLLIN, 0 } };
            poll(fds, 2, -1);
            if (fds[1].revents)
                return;
        }
    }

    void handle(XEvent& event)
    {
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            return;
        }
        if (event.type == ClientMessage && m_ping != None && Atom(event.xclient.data.l[0]) == m_ping) {
            const Window root = DefaultRootWindow(m_display);
            event.xclient.window = root;
            XSendEvent(m_display, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
            XFlush(m_display);
            return;
        }
        std::lock_guard lock(m_mutex);
        if (event.type == KeyPress) {
            char buffer[32];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
            if (char32_t ch = charOf(keysym)) {
                // A key pressed with Ctrl or Alt is a shortcut, not text: "^a".
                if (event.xkey.state & (ControlMask | Mod1Mask))
                    m_text.push_back(U'^');
                m_text.push_back(ch);
            }
        } else if (event.type == ButtonPress || event.type == ButtonRelease) {
            m_buttons.push_back(
                { event.xbutton.button, event.type == ButtonPress, event.xbutton.x_root, event.xbutton.y_root });
        }
        m_changed.notify_all();
    }

    Display* m_display = nullptr;
    Display* m_control = nullptr;
    Window m_window = 0;
    Atom m_ping = None;
    int m_wake[2] = { -1, -1 };
    bool m_ok = false;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::u32string m_text;
    std::vector<ButtonEvent> m_buttons;
};

} // namespace clickwisp::test
