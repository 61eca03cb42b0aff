#include "platform/fake/fake_platform.h"

#include <cstdio>

namespace clickwisp {

namespace {

// Writes each delivered character as the window message a focus window would
// receive, and the Enter after the text as its key-down message. Characters
// it has no key for are left out and reported.
class FakeText final : public TextTarget {
public:
    FakeText(std::shared_ptr<FakeTrace> trace, bool focusWindow, std::u32string untypable)
        : m_trace(std::move(trace))
        , m_focus(focusWindow)
        , m_untypable(std::move(untypable))
    {
    }

    bool focusWindowExists() override { return m_focus; }

    void sendChar(char32_t ch) override
    {
        if (m_untypable.find(ch) != std::u32string::npos) {
            m_pendingUntyped += ch;
            return;
        }
        char line[32];
        std::snprintf(line, sizeof line, "WM_IME_CHAR 0x%04X", unsigned(ch));
        m_trace->add(line);
    }

    void sendEnter() override
    {
        m_trace->add("WM_KEYDOWN 0x0D");
        m_untyped = m_pendingUntyped;
        m_pendingUntyped.clear();
    }

    std::u32string untypedCharacters() const override { return m_untyped; }

private:
    std::shared_ptr<FakeTrace> m_trace;
    bool m_focus;
    std::u32string m_untypable;
    std::u32string m_pendingUntyped;
    std::u32string m_untyped;
};

} // namespace

std::unique_ptr<TextTarget> makeFakeText(std::shared_ptr<FakeTrace> trace, bool focusWindow, std::u32string untypable)
{
    return std::make_unique<FakeText>(std::move(trace), focusWindow, std::move(untypable));
}

} // namespace clickwisp
