// Typing by key code on the session's own layout: each character goes as
// the key (and the Shift or AltGr) that types it there. A character the
// layout has no key for is left out and reported, never replaced by
// another. Modifier keys that key actions hold are let go for the text and
// pressed again after it, so the window receives exactly the characters.
#include "platform/portal/portal_parts.h"
#include "platform/portal/portal_text_plan.h"

#include <xkbcommon/xkbcommon.h>

namespace clickwisp {

namespace {

class PortalText final : public TextTarget {
public:
    explicit PortalText(std::shared_ptr<PortalDesktopSession> session)
        : m_session(std::move(session))
    {
    }

    // The compositor gives the keyboard to some window when there is one.
    bool focusWindowExists() override { return true; }

    void sendChar(char32_t ch) override { m_pending += ch; }

    void sendEnter() override
    {
        m_pending += U'\n';
        m_untyped.clear();
        const KeymapKeys* keys = m_session->keys();
        if (!keys) {
            // No layout to read (no Wayland display): the desktop maps keysyms.
            typeByKeysym();
            m_pending.clear();
            return;
        }
        const TextPlan plan = PlanText(m_pending, *keys);
        m_pending.clear();
        m_untyped = plan.untyped;
        const std::vector<uint32_t> held = m_session->heldModifiers();
        for (uint32_t code : held)
            m_session->key(code, false);
        for (const KeyStroke& stroke : plan.strokes) {
            for (uint32_t modifier : stroke.modifiers)
                m_session->key(modifier, true);
            m_session->key(stroke.keycode, true);
            m_session->key(stroke.keycode, false);
            for (auto it = stroke.modifiers.rbegin(); it != stroke.modifiers.rend(); ++it)
                m_session->key(*it, false);
        }
        for (uint32_t code : held)
            m_session->key(code, true);
    }

    std::u32string untypedCharacters() const override { return m_untyped; }

private:
    void typeByKeysym()
    {
        for (size_t i = 0; i < m_pending.size(); ++i) {
            if (m_pending[i] == U'\n' && i > 0 && m_pending[i - 1] == U'\r')
                continue;
            const uint32_t keysym = m_pending[i] == U'\n' ? XKB_KEY_Return : xkb_utf32_to_keysym(m_pending[i]);
            m_session->keysym(keysym, true);
            m_session->keysym(keysym, false);
        }
    }

    std::shared_ptr<PortalDesktopSession> m_session;
    std::u32string m_pending;
    std::u32string m_untyped;
};

} // namespace

std::unique_ptr<TextTarget> makePortalSessionText(std::shared_ptr<PortalDesktopSession> session)
{
    return std::make_unique<PortalText>(std::move(session));
}

} // namespace clickwisp
