// Typing on a virtual keyboard of its own: every character is a key of our
// keymap that types it with no modifier, so any character is typed whatever
// the user's layout, and modifiers held through the input connection's
// keyboard do not reach the text. Characters are gathered and sent with the
// Enter that ends the text, the keymap sent once for each batch.
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_keyboard.h"
#include "platform/wayland/wayland_keysyms.h"
#include "platform/wayland/wayland_platform.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace clickwisp {

namespace {

class WaylandText final : public TextTarget {
public:
    WaylandText(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<WaylandKeyboard> keyboard)
        : m_connection(std::move(connection))
        , m_keyboard(std::move(keyboard))
    {
    }

    ~WaylandText() override { m_keyboard.reset(); }

    // A client cannot see which window has the focus; the compositor always
    // gives the keyboard to some window when there is one.
    bool focusWindowExists() override { return true; }

    void sendChar(char32_t ch) override
    {
        // CR LF is one line break, one Return.
        if (ch == U'\n' && m_lastChar == U'\r') {
            m_lastChar = 0;
            return;
        }
        m_lastChar = ch;
        if (uint32_t keysym = keysymForCharacter(ch))
            m_pending.push_back(keysym);
    }

    void sendEnter() override
    {
        m_pending.push_back(XKB_KEY_Return);
        type(m_pending);
        m_pending.clear();
        m_lastChar = 0;
    }

private:
    // Places the keys a batch lacks, sends the keymap once, then the keys;
    // a text with more characters than keycodes goes in several batches.
    void type(const std::vector<uint32_t>& keysyms)
    {
        WaylandKeymap& keymap = m_keyboard->keymap();
        size_t next = 0;
        while (next < keysyms.size()) {
            std::vector<uint32_t> codes;
            for (; next < keysyms.size(); ++next) {
                uint32_t code = keymap.find(keysyms[next]);
                if (!code)
                    code = keymap.place({ keysyms[next], 0 }, codes);
                if (!code)
                    break;
                codes.push_back(code);
            }
            if (codes.empty() || !m_keyboard->sendKeymap())
                return;
            for (uint32_t code : codes) {
                m_keyboard->key(code, true);
                m_keyboard->key(code, false);
            }
            if (!m_connection->roundtrip())
                return;
        }
    }

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandKeyboard> m_keyboard;
    std::vector<uint32_t> m_pending;
    char32_t m_lastChar = 0;
};

} // namespace

Result<std::unique_ptr<TextTarget>> makeWaylandText(const std::string& display)
{
    auto connection = WaylandConnection::open(display, "typing");
    if (!connection)
        return std::unexpected(connection.error());
    if (auto ok = (*connection)->require({ kVirtualKeyboardProtocol }); !ok)
        return fail("typing: " + ok.error().message);
    auto keyboard = WaylandKeyboard::create(**connection, false);
    if (!keyboard)
        return std::unexpected(keyboard.error());
    return std::make_unique<WaylandText>(std::move(*connection), std::move(*keyboard));
}

} // namespace clickwisp
