#include "platform/fake/fake_platform.h"

#include <cstdio>

namespace clickwisp {

namespace {

// Writes each delivered character as the window message a focus window would
// receive, and the Enter after the text as its key-down message.
class FakeText final : public TextTarget {
public:
    FakeText(std::shared_ptr<FakeTrace> trace, bool focusWindow)
        : m_trace(std::move(trace))
        , m_focus(focusWindow)
    {
    }

    bool focusWindowExists() override { return m_focus; }

    void sendChar(char32_t ch) override
    {
        char line[32];
        std::snprintf(line, sizeof line, "WM_IME_CHAR 0x%04X", unsigned(ch));
        m_trace->add(line);
    }

    void sendEnter() override { m_trace->add("WM_KEYDOWN 0x0D"); }

private:
    std::shared_ptr<FakeTrace> m_trace;
    bool m_focus;
};

} // namespace

std::unique_ptr<TextTarget> makeFakeText(std::shared_ptr<FakeTrace> trace, bool focusWindow)
{
    return std::make_unique<FakeText>(std::move(trace), focusWindow);
}

} // namespace clickwisp
