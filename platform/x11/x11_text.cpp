// Typing through the XTEST extension: every character becomes a key press
// on the key that types it in the current layout (with Shift when that
// level needs it), or on a spare keycode bound to it for the purpose.
// Characters are gathered and sent with the Enter that ends the text, in
// batches without a round trip per character. Modifier keys that are down
// (held by earlier key actions or by the user) are let go for the text and
// pressed again after it, so the target receives exactly the characters.
//
// Every change of the keyboard mapping costs every X client a reload (the
// window manager regrabs its keys), so the spare keycodes are bound for a
// whole stretch of text at once and given back once, shortly after the
// last text, from a thread of the backend's own.
#include "platform/x11/x11_client_ping.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace clickwisp {

namespace {

// The keysym that types ch; NoSymbol for control characters without a key.
KeySym keysymForChar(char32_t ch)
{
    switch (ch) {
    case U'\n':
    case U'\r': return XK_Return;
    case U'\t': return XK_Tab;
    case U'\b': return XK_BackSpace;
    case 0x1B: return XK_Escape;
    case 0x7F: return XK_Delete;
    default: break;
    }
    if ((ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF))
        return KeySym(ch); // Latin-1 keysyms are the code points
    if (ch < 0xA0 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return NoSymbol;
    return KeySym(0x01000000 | ch);
}

// The keycodes of modifier keys that are down now. Lock keys are left
// alone: pressing one again would toggle its lock.
std::vector<KeyCode> heldModifiers(Display* display)
{
    char keys[32] = {};
    XQueryKeymap(display, keys);
    XModifierKeymap* map = XGetModifierMapping(display);
    std::vector<KeyCode> held;
    if (!map)
        return held;
    for (int modifier = 0; modifier < 8; ++modifier) {
        if (modifier == LockMapIndex)
            continue;
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode code = map->modifiermap[modifier * map->max_keypermod + i];
            if (!code || !(keys[code / 8] & (1 << (code % 8))))
                continue;
            const KeySym keysym = XkbKeycodeToKeysym(display, code, 0, 0);
            if (keysym == XK_Num_Lock || keysym == XK_Caps_Lock || keysym == XK_Shift_Lock || keysym == XK_Scroll_Lock)
                continue;
            if (std::find(held.begin(), held.end(), code) == held.end())
                held.push_back(code);
        }
    }
    XFreeModifiermap(map);
    return held;
}

// A thread that never takes a signal: they are for the program's own
// threads (clickwisp-cli reads SIGINT and SIGTERM through a signalfd, which
// needs them blocked in every thread). It inherits the mask at creation.
template <class Body> std::jthread startWithoutSignals(Body body)
{
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    std::jthread thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

class X11Text final : public TextTarget {
public:
    explicit X11Text(X11DisplayPtr display)
        : m_display(std::move(display))
        , m_keyboard(m_display.get(), kSparesLeftForKeys)
        , m_restorer(startWithoutSignals([this](std::stop_token stop) { restoreWhenDue(stop); }))
    {
    }

    bool focusWindowExists() override
    {
        std::lock_guard lock(m_mutex);
        Window focus = None;
        int revert = 0;
        XGetInputFocus(m_display.get(), &focus, &revert);
        return focus != None; // PointerRoot: the window under the pointer has it
    }

    void sendChar(char32_t ch) override
    {
        // CR LF is one line break, one Return.
        if (ch == U'\n' && m_lastChar == U'\r') {
            m_lastChar = 0;
            return;
        }
        m_lastChar = ch;
        if (KeySym keysym = keysymForChar(ch); keysym != NoSymbol)
            m_pending.push_back(keysym);
    }

    void sendEnter() override
    {
        m_pending.push_back(XK_Return);
        {
            std::lock_guard lock(m_mutex);
            m_restoreAt.reset();
            type(m_pending);
            // The next text may need the same characters: the spare keycodes
            // get their mapping back only once no text has come for a while.
            if (m_keyboard.bound())
                m_restoreAt = std::chrono::steady_clock::now() + X11Keyboard::kGrace;
        }
        m_wake.notify_all();
        m_pending.clear();
        m_lastChar = 0;
    }

private:
    // Spare keycodes typing leaves to the input connection, for key actions
    // the layout lacks (a held modifier it has no key for, F13-F24).
    static constexpr size_t kSparesLeftForKeys = 2;
    // How long a program that answers pings may take to handle our keys.
    static constexpr std::chrono::milliseconds kPingTimeout { 1000 };

    void type(const std::vector<KeySym>& keysyms);
    // The keysyms from next on that one binding of the spare keycodes can
    // type; returns the end of that stretch and the keysyms it needs bound.
    size_t stretch(const std::vector<KeySym>& keysyms, size_t next, std::vector<KeySym>& wanted) const;
    void press(const std::vector<X11Keyboard::Stroke>& strokes);
    void restoreWhenDue(std::stop_token stop);

    X11DisplayPtr m_display;
    X11Keyboard m_keyboard;
    std::vector<KeySym> m_pending;
    char32_t m_lastChar = 0;
    // The connection and the keyboard, shared by typing and restoring.
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::optional<std::chrono::steady_clock::time_point> m_restoreAt;
    std::jthread m_restorer; // last: stopped before the rest is destroyed
};

size_t X11Text::stretch(const std::vector<KeySym>& keysyms, size_t next, std::vector<KeySym>& wanted) const
{
    const size_t capacity = m_keyboard.capacity();
    wanted.clear();
    for (; next < keysyms.size(); ++next) {
        const X11Keyboard::Stroke stroke = m_keyboard.find(keysyms[next]);
        if (stroke.code && !m_keyboard.isSpare(stroke.code))
            continue; // on the layout
        if (std::find(wanted.begin(), wanted.end(), keysyms[next]) != wanted.end())
            continue;
        if (wanted.size() == capacity && capacity > 0)
            break;
        wanted.push_back(keysyms[next]);
    }
    return next;
}

// The text goes in stretches, each with one change of the keyboard mapping
// binding every character it needs that the layout lacks. Before a stretch
// takes over spare places the previous one used, the focused program must
// have read the previous keys: it says so by answering a ping, or it is
// given the grace period.
void X11Text::type(const std::vector<KeySym>& keysyms)
{
    m_keyboard.refresh();
    Display* d = m_display.get();
    const std::vector<KeyCode> held = heldModifiers(d);
    for (KeyCode code : held)
        XTestFakeKeyEvent(d, code, False, CurrentTime);
    size_t next = 0;
    std::vector<KeySym> wanted;
    while (next < keysyms.size()) {
        const size_t end = stretch(keysyms, next, wanted);
        if (m_keyboard.needsTakeOver(wanted) && pingFocusedClient(d, kPingTimeout))
            m_keyboard.markCaughtUp();
        m_keyboard.bind(wanted); // without spare keycodes, what the layout lacks is left out
        std::vector<X11Keyboard::Stroke> strokes;
        for (; next < end; ++next) {
            if (const X11Keyboard::Stroke stroke = m_keyboard.find(keysyms[next]); stroke.code)
                strokes.push_back(stroke);
        }
        press(strokes);
        XSync(d, False);
        m_keyboard.touch(strokes);
    }
    for (KeyCode code : held)
        XTestFakeKeyEvent(d, code, True, CurrentTime);
    XSync(d, False);
}

void X11Text::press(const std::vector<X11Keyboard::Stroke>& strokes)
{
    Display* d = m_display.get();
    // The keys that select a level: Shift for bit 0, AltGr for bit 1.
    const KeyCode levelKeys[2] = { m_keyboard.shiftCode(), m_keyboard.level3Code() };
    uint8_t down = 0;
    auto select = [&](uint8_t level) {
        for (int bit = 0; bit < 2; ++bit) {
            const uint8_t mask = uint8_t(1 << bit);
            if ((level & mask) != (down & mask) && levelKeys[bit])
                XTestFakeKeyEvent(d, levelKeys[bit], (level & mask) ? True : False, CurrentTime);
        }
        down = level;
    };
    for (const auto& stroke : strokes) {
        select(stroke.level);
        XTestFakeKeyEvent(d, stroke.code, True, CurrentTime);
        XTestFakeKeyEvent(d, stroke.code, False, CurrentTime);
    }
    select(0);
}

void X11Text::restoreWhenDue(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        if (!m_restoreAt) {
            m_wake.wait(lock, stop, [&] { return m_restoreAt.has_value(); });
            continue;
        }
        const auto due = *m_restoreAt;
        if (m_wake.wait_until(lock, stop, due, [&] { return m_restoreAt != due; }) || stop.stop_requested())
            continue; // a new text came, or the backend closes (and restores)
        m_keyboard.restore();
        XSync(m_display.get(), False);
        m_restoreAt.reset();
    }
}

} // namespace

Result<std::unique_ptr<TextTarget>> makeX11Text(const std::string& display)
{
    auto connection = openXTestDisplay(display, "typing");
    if (!connection)
        return std::unexpected(connection.error());
    return std::make_unique<X11Text>(std::move(*connection));
}

} // namespace clickwisp
