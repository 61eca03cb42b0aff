// Typing through the XTEST extension: every character becomes a key press
// on the key that types it in the current layout (with Shift when that
// level needs it), or on a spare keycode bound to it for the purpose.
// Characters are gathered and sent with the Enter that ends the text, in
// batches without a round trip per character. Modifier keys that are down
// (held by earlier key actions or by the user) are let go for the text and
// pressed again after it, so the target receives exactly the characters.
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

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

class X11Text final : public TextTarget {
public:
    explicit X11Text(X11DisplayPtr display)
        : m_display(std::move(display))
        , m_keyboard(m_display.get())
    {
    }

    bool focusWindowExists() override
    {
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
        type(m_pending);
        m_pending.clear();
        m_lastChar = 0;
    }

private:
    void type(const std::vector<KeySym>& keysyms);
    void press(const std::vector<X11Keyboard::Stroke>& strokes);

    X11DisplayPtr m_display;
    X11Keyboard m_keyboard;
    std::vector<KeySym> m_pending;
    char32_t m_lastChar = 0;
};

// Splits the text where it runs out of spare keycodes: each batch binds
// what it lacks, is sent, and its spares are rebound only by a later batch.
void X11Text::type(const std::vector<KeySym>& keysyms)
{
    m_keyboard.refresh();
    Display* d = m_display.get();
    const std::vector<KeyCode> held = heldModifiers(d);
    for (KeyCode code : held)
        XTestFakeKeyEvent(d, code, False, CurrentTime);
    size_t next = 0;
    while (next < keysyms.size()) {
        std::vector<X11Keyboard::Stroke> strokes;
        std::vector<X11Keyboard::Stroke> spares; // spare places this batch types with
        for (; next < keysyms.size(); ++next) {
            X11Keyboard::Stroke stroke = m_keyboard.bind(keysyms[next], spares);
            if (!stroke.code) {
                if (spares.empty())
                    continue; // no spare keycode at all: the character cannot be typed
                break;
            }
            if (m_keyboard.isSpare(stroke.code) && std::find(spares.begin(), spares.end(), stroke) == spares.end())
                spares.push_back(stroke);
            strokes.push_back(stroke);
        }
        press(strokes);
        XSync(d, False);
        m_keyboard.touch(spares);
    }
    for (KeyCode code : held)
        XTestFakeKeyEvent(d, code, True, CurrentTime);
    XSync(d, False);
}

void X11Text::press(const std::vector<X11Keyboard::Stroke>& strokes)
{
    Display* d = m_display.get();
    const KeyCode shift = m_keyboard.shiftCode();
    bool shifted = false;
    for (const auto& stroke : strokes) {
        if (stroke.shift != shifted && shift) {
            XTestFakeKeyEvent(d, shift, stroke.shift ? True : False, CurrentTime);
            shifted = stroke.shift;
        }
        XTestFakeKeyEvent(d, stroke.code, True, CurrentTime);
        XTestFakeKeyEvent(d, stroke.code, False, CurrentTime);
    }
    if (shifted)
        XTestFakeKeyEvent(d, shift, False, CurrentTime);
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
