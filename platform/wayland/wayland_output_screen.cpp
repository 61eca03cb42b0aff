#include "platform/wayland/wayland_output_screen.h"

#include <cstring>

namespace clickwisp {

WaylandOutputScreen::WaylandOutputScreen(std::unique_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection))
{
}

ScreenSize WaylandOutputScreen::screenSize()
{
    m_connection->roundtrip(); // outputs added or moved meanwhile
    return primaryScreenSize(m_connection->outputs());
}

bool WaylandOutputScreen::capture(int32_t left, int32_t top, const PixelView& target)
{
    if (target.bytes() == 0)
        return true;
    if (!m_connection->roundtrip())
        return false;
    std::memset(target.pixels, 0, target.bytes());
    const auto outputs = m_connection->outputs();
    for (const auto& [output, part] : outputParts(outputs, { left, top, target.width, target.height })) {
        if (!copyPart(*output, part, target, part.x - left, part.y - top))
            return false;
    }
    return true;
}

} // namespace clickwisp
