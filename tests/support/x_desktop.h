#pragma once

// A desktop on a test X server, as a user has one: the openbox window
// manager and a GTK text field (zenity --entry) with the keyboard focus, and
// what such a user feels of our typing: how long a new window takes to
// appear, and how many keyboard mapping changes every client has to digest.
// Header-only, for the tests and the typing benchmarks.

#include "tests/support/child_process.h"
#include "tests/support/process.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace clickwisp::test {

// The text of a window's WM_NAME, or "".
inline std::string windowName(Display* display, Window window)
{
    char* name = nullptr;
    std::string out;
    if (XFetchName(display, window, &name) && name)
        out = name;
    if (name)
        XFree(name);
    return out;
}

// text in UTF-8, as list files and TypeText take it.
inline std::string utf8Of(const std::u32string& text)
{
    std::string out;
    for (char32_t ch : text) {
        if (ch < 0x80) {
            out.push_back(char(ch));
        } else if (ch < 0x800) {
            out.push_back(char(0xC0 | (ch >> 6)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        } else if (ch < 0x10000) {
            out.push_back(char(0xE0 | (ch >> 12)));
            out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (ch >> 18)));
            out.push_back(char(0x80 | ((ch >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        }
    }
    return out;
}

// distinct CJK characters (from U+4E00 on), each once, with an ASCII word
// after every tenth: a text far off any Latin keyboard layout.
inline std::u32string distinctCjkText(int distinct)
{
    std::u32string text;
    for (int i = 0; i < distinct; ++i) {
        text.push_back(char32_t(0x4E00 + i));
        if (i % 10 == 9)
            text += U" ok ";
    }
    return text;
}

// For the typing benchmarks: the distinct-character counts their command
// line names (10, 50, 100 and 300 when it names none), and the
// clickwisp-cli to measure: $CLICKWISP_CLI (an older build, for
// comparison) or the one built beside them.
inline std::vector<int> distinctCounts(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = { 10, 50, 100, 300 };
    return counts;
}
inline std::string cliToMeasure()
{
    const char* other = std::getenv("CLICKWISP_CLI");
    return other && *other ? other : cliPath();
}

// The keycodes whose keysyms include keysym (all of them: true), or that
// have no keysym at all (keysym NoSymbol), on a fresh connection: the
// server's mapping as any client reads it.
inline std::vector<int> keycodesWith(const std::string& displayName, KeySym keysym)
{
    std::vector<int> codes;
    Display* display = XOpenDisplay(displayName.c_str());
    if (!display)
        return codes;
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    KeySym* syms = XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    for (int code = minCode; syms && code <= maxCode; ++code) {
        const KeySym* row = syms + size_t(code - minCode) * size_t(perCode);
        const bool empty = std::all_of(row, row + perCode, [](KeySym k) { return k == NoSymbol; });
        if (keysym == NoSymbol ? empty : std::find(row, row + perCode, keysym) != row + perCode)
            codes.push_back(code);
    }
    if (syms)
        XFree(syms);
    XCloseDisplay(display);
    return codes;
}

// Polls check every 20 ms until it holds; false at the timeout.
template <class Check> bool pollUntil(Check check, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!check()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// openbox managing the display; stopped at destruction.
class OpenboxSession {
public:
    explicit OpenboxSession(const std::string& display)
        : m_display(XOpenDisplay(display.c_str()))
    {
        if (!m_display)
            return;
        m_openbox.emplace(std::vector<std::string> { "openbox", "--sm-disable" });
        const Atom check = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
        m_ok = pollUntil(
            [&] {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                XGetWindowProperty(m_display, DefaultRootWindow(m_display), check, 0, 1, False, XA_WINDOW, &type,
                    &format, &count, &after, &data);
                if (data)
                    XFree(data);
                return count == 1;
            },
            std::chrono::seconds(20));
    }
    ~OpenboxSession()
    {
        m_openbox.reset();
        if (m_display)
            XCloseDisplay(m_display);
    }
    OpenboxSession(const OpenboxSession&) = delete;
    OpenboxSession& operator=(const OpenboxSession&) = delete;

    bool ok() const { return m_ok; }

    // Maps a new top-level window and returns how long the window manager
    // took to let it appear (MapNotify); nullopt after timeout.
    std::optional<std::chrono::microseconds> timeToMapNewWindow(std::chrono::milliseconds timeout)
    {
        const Window window = XCreateSimpleWindow(
            m_display, DefaultRootWindow(m_display), 10, 10, 200, 100, 0, 0, WhitePixel(m_display, 0));
        XSelectInput(m_display, window, StructureNotifyMask);
        XSync(m_display, False);
        const auto start = std::chrono::steady_clock::now();
        XMapWindow(m_display, window);
        XFlush(m_display);
        std::optional<std::chrono::microseconds> took;
        pollUntil(
            [&] {
                XEvent event;
                while (XCheckTypedWindowEvent(m_display, window, MapNotify, &event))
                    took = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start);
                return took.has_value();
            },
            timeout);
        XDestroyWindow(m_display, window);
        XSync(m_display, False);
        return took;
    }

private:
    Display* m_display;
    std::optional<ChildProcess> m_openbox;
    bool m_ok = false;
};

// zenity's one-line GTK text field, titled title: Enter ends it and it
// prints what the field holds.
class ZenityEntry {
public:
    ZenityEntry(const std::string& display, const std::string& title)
        : m_zenity({ "zenity", "--entry", "--title=" + title, "--width=600" })
    {
        Display* d = XOpenDisplay(display.c_str());
        if (!d)
            return;
        // Focused: the focus window, or its ancestor, carries the title.
        m_ok = pollUntil(
            [&] {
                Window focus = None;
                int revert = 0;
                XGetInputFocus(d, &focus, &revert);
                for (Window w = focus; w != None && w != PointerRoot;) {
                    if (windowName(d, w) == title)
                        return true;
                    Window root = None, parent = None, *children = nullptr;
                    unsigned count = 0;
                    if (!XQueryTree(d, w, &root, &parent, &children, &count))
                        break;
                    if (children)
                        XFree(children);
                    w = parent == root ? None : parent;
                }
                return false;
            },
            std::chrono::seconds(30));
        XCloseDisplay(d);
    }

    bool ok() const { return m_ok; }

    // What the field held when Enter was pressed, without the newline;
    // nullopt when zenity did not end in time or failed.
    std::optional<std::string> text(std::chrono::milliseconds timeout)
    {
        if (!m_zenity.waitForExit(timeout) || m_zenity.status() != 0)
            return std::nullopt;
        std::string out = m_zenity.out();
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

private:
    ChildProcess m_zenity;
    bool m_ok = false;
};

// Counts the keyboard mapping changes the server announces, as a window
// manager sees them: one MappingNotify per change of the core keyboard.
// (The server sends them only to clients that ask for XKB's map
// notifications, as toolkits do; Xlib turns each into a MappingNotify.)
class KeymapChangeCounter {
public:
    explicit KeymapChangeCounter(const std::string& display)
        : m_display(XOpenDisplay(display.c_str()))
    {
        if (!m_display)
            return;
        XkbSelectEventDetails(m_display, XkbUseCoreKbd, XkbMapNotify, XkbKeySymsMask, XkbKeySymsMask);
        XSync(m_display, False);
    }
    ~KeymapChangeCounter()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    KeymapChangeCounter(const KeymapChangeCounter&) = delete;
    KeymapChangeCounter& operator=(const KeymapChangeCounter&) = delete;

    bool ok() const { return m_display != nullptr; }

    // Changes announced since the last call.
    int take()
    {
        XSync(m_display, False);
        int changes = 0;
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == MappingNotify && event.xmapping.request == MappingKeyboard)
                ++changes;
        }
        return changes;
    }

private:
    Display* m_display;
};

} // namespace clickwisp::test
