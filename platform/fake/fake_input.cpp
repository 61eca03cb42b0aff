#include "platform/fake/fake_platform.h"

#include <cstdio>

namespace clickwisp {

namespace {

// Keeps the pointer where the last SetCursorPos put it and writes one trace
// line per injected call. Reading the pointer is not an injection, so it
// leaves no line.
class FakeInput final : public InputInjector {
public:
    FakeInput(std::shared_ptr<FakeTrace> trace, ScreenPoint pointer)
        : m_trace(std::move(trace))
        , m_pointer(pointer)
    {
    }

    ScreenPoint GetCursorPos() override { return m_pointer; }

    void SetCursorPos(int32_t x, int32_t y) override
    {
        m_pointer = { x, y };
        m_trace->add("SetCursorPos " + std::to_string(x) + " " + std::to_string(y));
    }

    void mouse_event(uint32_t flags, int32_t data) override
    {
        char line[64];
        std::snprintf(line, sizeof line, "mouse_event 0x%04X %d", unsigned(flags), int(data));
        m_trace->add(line);
    }

    void keybd_event(uint8_t vk, uint32_t flags) override
    {
        char line[64];
        std::snprintf(line, sizeof line, "keybd_event 0x%02X %u", unsigned(vk), unsigned(flags));
        m_trace->add(line);
    }

private:
    std::shared_ptr<FakeTrace> m_trace;
    ScreenPoint m_pointer;
};

} // namespace

std::unique_ptr<InputInjector> makeFakeInput(std::shared_ptr<FakeTrace> trace, ScreenPoint pointer)
{
    return std::make_unique<FakeInput>(std::move(trace), pointer);
}

} // namespace clickwisp
