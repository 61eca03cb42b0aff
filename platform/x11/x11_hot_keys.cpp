// Global hot keys through passive key grabs on the root window. The
// connection belongs to a thread that waits for the grabbed key presses;
// registration from other threads takes the same lock around Xlib calls.
// Before the X11 headers, whose macros (None) would spoil its names.
#include "core/key_names.h"

#include "platform/x11/x11_display_label.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_keymap.h"
#include "platform/x11/x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace clickwisp {

namespace {

struct Grab {
    uint32_t modifiers = 0;
    uint32_t vk = 0;
    KeyCode keycode = 0;
    unsigned xModifiers = 0;
};

class X11HotKeys : public HotKeySource {
public:
    X11HotKeys(Display* display, int wakeRead, int wakeWrite);
    ~X11HotKeys() override;

    std::string name() const override { return "X11"; }
    void setHandler(Handler handler) override;
    Result<void> registerHotKey(int id, uint32_t modifiers, uint32_t vk) override;
    void unregisterHotKey(int id) override;
    bool waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout) override;

private:
    void run();
    unsigned maskOfKeysym(KeySym keysym) const;
    std::vector<KeyCode> keycodesOfModifiers(uint32_t modifiers) const;
    std::vector<unsigned> lockVariants() const;
    void ungrab(const Grab& grab);

    Display* m_display;
    Window m_root;
    int m_wakeRead;
    int m_wakeWrite;
    unsigned m_altMask = Mod1Mask;
    unsigned m_numLockMask = 0;

    std::mutex m_xMutex; // every Xlib call on m_display
    std::map<int, Grab> m_grabs;
    std::set<KeyCode> m_down; // grabbed keys held now, to skip auto-repeat

    std::mutex m_handlerMutex;
    Handler m_handler;

    std::thread m_thread;
};

X11HotKeys::X11HotKeys(Display* display, int wakeRead, int wakeWrite)
    : m_display(display)
    , m_root(DefaultRootWindow(display))
    , m_wakeRead(wakeRead)
    , m_wakeWrite(wakeWrite)
{
    // Held keys repeat as presses only, so a repeat is a press of a key
    // already down and is dropped: holding ALT+F2 toggles recording once.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    if (unsigned alt = maskOfKeysym(XK_Alt_L))
        m_altMask = alt;
    m_numLockMask = maskOfKeysym(XK_Num_Lock);
    XSelectInput(m_display, m_root, KeyPressMask | KeyReleaseMask);
    XFlush(m_display);
    m_thread = std::thread([this] { run(); });
}

X11HotKeys::~X11HotKeys()
{
    char wake = 1;
    ssize_t written = write(m_wakeWrite, &wake, 1);
    (void)written;
    m_thread.join();
    {
        std::lock_guard lock(m_xMutex);
        for (const auto& [id, grab] : m_grabs)
            ungrab(grab);
        XSync(m_display, False);
    }
    XCloseDisplay(m_display);
    close(m_wakeRead);
    close(m_wakeWrite);
}

// The modifier bit (Mod1Mask ...) that a keysym's key sets; 0 when none.
unsigned X11HotKeys::maskOfKeysym(KeySym keysym) const
{
    const KeyCode keycode = XKeysymToKeycode(m_display, keysym);
    if (keycode == 0)
        return 0;
    XModifierKeymap* map = XGetModifierMapping(m_display);
    unsigned mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == keycode)
                mask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

std::vector<KeyCode> X11HotKeys::keycodesOfModifiers(uint32_t modifiers) const
{
    std::vector<KeyCode> keycodes;
    XModifierKeymap* map = XGetModifierMapping(m_display);
    for (int modifier = 0; modifier < 8; ++modifier) {
        const unsigned bit = 1u << modifier;
        const bool wanted
            = ((modifiers & MOD_ALT) && bit == m_altMask) || ((modifiers & MOD_CONTROL) && bit == ControlMask);
        for (int i = 0; wanted && i < map->max_keypermod; ++i) {
            if (KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + i])
                keycodes.push_back(keycode);
        }
    }
    XFreeModifiermap(map);
    return keycodes;
}

// The lock states a grab must also cover to work whatever Caps and Num Lock are.
std::vector<unsigned> X11HotKeys::lockVariants() const
{
    std::vector<unsigned> variants { 0, LockMask };
    if (m_numLockMask) {
        variants.push_back(m_numLockMask);
        variants.push_back(m_numLockMask | LockMask);
    }
    return variants;
}

void X11HotKeys::ungrab(const Grab& grab)
{
    for (unsigned variant : lockVariants())
        XUngrabKey(m_display, grab.keycode, grab.xModifiers | variant, m_root);
}

void X11HotKeys::setHandler(Handler handler)
{
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

Result<void> X11HotKeys::registerHotKey(int id, uint32_t modifiers, uint32_t vk)
{
    const std::string combination = HotKeyText(modifiers, vk);
    unregisterHotKey(id);
    std::lock_guard lock(m_xMutex);
    const KeySym keysym = vk <= 0xFF ? keysymForVirtualKey(uint8_t(vk)) : NoSymbol;
    const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(m_display, keysym);
    if (keycode == 0)
        return fail("hot key " + combination + ": no key of this keyboard produces it");
    Grab grab { modifiers, vk, keycode, 0 };
    if (modifiers & MOD_ALT)
        grab.xModifiers |= m_altMask;
    if (modifiers & MOD_CONTROL)
        grab.xModifiers |= ControlMask;
    for (const auto& [otherId, other] : m_grabs) {
        if (other.keycode == keycode && other.xModifiers == grab.xModifiers)
            return fail("hot key " + combination + " is already registered");
    }
    X11ErrorTrap trap(m_display);
    for (unsigned variant : lockVariants())
        XGrabKey(m_display, keycode, grab.xModifiers | variant, m_root, False, GrabModeAsync, GrabModeAsync);
    if (const int error = trap.sync(); error != 0) {
        ungrab(grab);
        trap.sync();
        if (error == BadAccess)
            return fail("hot key " + combination + " is used by another program");
        return fail("hot key " + combination + " could not be registered (X error " + std::to_string(error) + ")");
    }
    m_grabs[id] = grab;
    return {};
}

void X11HotKeys::unregisterHotKey(int id)
{
    std::lock_guard lock(m_xMutex);
    auto it = m_grabs.find(id);
    if (it == m_grabs.end())
        return;
    ungrab(it->second);
    // Synced, so the key is free for other programs when this returns.
    XSync(m_display, False);
    m_grabs.erase(it);
}

bool X11HotKeys::waitForRelease(uint32_t modifiers, uint32_t vk, std::chrono::milliseconds timeout)
{
    std::vector<KeyCode> keycodes;
    {
        std::lock_guard lock(m_xMutex);
        keycodes = keycodesOfModifiers(modifiers);
        if (KeySym keysym = vk <= 0xFF ? keysymForVirtualKey(uint8_t(vk)) : NoSymbol; keysym != NoSymbol) {
            if (KeyCode keycode = XKeysymToKeycode(m_display, keysym))
                keycodes.push_back(keycode);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        char keys[32];
        {
            std::lock_guard lock(m_xMutex);
            XQueryKeymap(m_display, keys);
        }
        bool held = false;
        for (KeyCode keycode : keycodes)
            held = held || (keys[keycode / 8] & (1 << (keycode % 8)));
        if (!held)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void X11HotKeys::run()
{
    pollfd fds[2] = { { ConnectionNumber(m_display), POLLIN, 0 }, { m_wakeRead, POLLIN, 0 } };
    for (;;) {
        std::vector<std::pair<uint32_t, uint32_t>> pressed;
        {
            std::lock_guard lock(m_xMutex);
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == KeyRelease) {
                    m_down.erase(KeyCode(event.xkey.keycode));
                    continue;
                }
                if (event.type != KeyPress || !m_down.insert(KeyCode(event.xkey.keycode)).second)
                    continue;
                const unsigned held = event.xkey.state & ~(LockMask | m_numLockMask);
                for (const auto& [id, grab] : m_grabs) {
                    if (grab.keycode == event.xkey.keycode && grab.xModifiers == held)
                        pressed.emplace_back(grab.modifiers, grab.vk);
                }
            }
        }
        if (!pressed.empty()) {
            std::lock_guard lock(m_handlerMutex);
            for (const auto& [modifiers, vk] : pressed) {
                if (m_handler)
                    m_handler(modifiers, vk);
            }
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN)
            return;
    }
}

} // namespace

Result<std::unique_ptr<HotKeySource>> makeX11HotKeys(const std::string& display)
{
    Display* connection = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!connection)
        return fail("cannot open display " + x11DisplayLabel(display) + ": hot keys need an X display");
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) {
        XCloseDisplay(connection);
        return fail("cannot create the hot-key thread's wake-up pipe");
    }
    return std::make_unique<X11HotKeys>(connection, wake[0], wake[1]);
}

} // namespace clickwisp
