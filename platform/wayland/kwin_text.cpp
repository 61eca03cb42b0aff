// Typing through KWin's fake input: each character is the key (and the
// modifier keys) that types it on the session's layout, which KWin reads
// through that same layout, so a French layout types "é" with its own key
// and "Q" as Shift and the key labelled Q. Modifier keys that key actions
// hold are let go for the text and pressed again after it. A character no
// key of the layout types is left out, never replaced by another one: the
// text says which were left out.
#include "platform/wayland/kwin_devices.h"
#include "platform/wayland/kwin_platform.h"

#include <algorithm>
#include <iterator>

namespace clickwisp {

namespace {

class KwinText final : public TextTarget {
public:
    explicit KwinText(std::shared_ptr<KwinDevices> devices)
        : m_devices(std::move(devices))
    {
    }

    // A client cannot see which window has the focus; KWin gives the
    // keyboard to some window when there is one.
    bool focusWindowExists() override { return true; }

    void sendChar(char32_t ch) override { m_pending.push_back(ch); }

    void sendEnter() override
    {
        m_pending.push_back(U'\n');
        type(m_pending);
        m_pending.clear();
    }

    // The characters the last text left out.
    std::u32string untypedCharacters() const override { return m_untyped; }

private:
    void type(const std::u32string& text)
    {
        KwinFakeInput& input = *m_devices->input;
        m_untyped.clear();
        if (!m_devices->layout->refresh()) {
            // The connection to KWin broke: nothing of the text is typed.
            std::copy_if(
                text.begin(), text.end(), std::back_inserter(m_untyped), [](char32_t ch) { return ch != U'\n'; });
            return;
        }
        const std::vector<uint32_t> held = input.heldModifiers();
        for (uint32_t code : held)
            input.key(code, false);
        for (size_t i = 0; i < text.size(); ++i) {
            // CR LF is one line break, one Return, as is CR alone.
            const char32_t ch = text[i] == U'\r' ? U'\n' : text[i];
            if (text[i] == U'\n' && i > 0 && text[i - 1] == U'\r')
                continue;
            const auto stroke = m_devices->layout->keys().strokeFor(ch);
            if (!stroke) {
                m_untyped.push_back(ch);
                continue;
            }
            for (uint32_t modifier : stroke->modifiers)
                input.key(modifier, true);
            input.key(stroke->keycode, true);
            input.key(stroke->keycode, false);
            for (auto it = stroke->modifiers.rbegin(); it != stroke->modifiers.rend(); ++it)
                input.key(*it, false);
        }
        for (uint32_t code : held)
            input.key(code, true);
        input.sync();
    }

    std::shared_ptr<KwinDevices> m_devices;
    std::u32string m_pending;
    std::u32string m_untyped;
};

} // namespace

std::unique_ptr<TextTarget> makeKwinTextOn(std::shared_ptr<KwinDevices> devices)
{
    return std::make_unique<KwinText>(std::move(devices));
}

Result<std::unique_ptr<TextTarget>> makeKwinText(const std::string& display)
{
    auto devices = KwinDevices::open(display, "typing");
    if (!devices)
        return std::unexpected(devices.error());
    return makeKwinTextOn(std::move(*devices));
}

} // namespace clickwisp
