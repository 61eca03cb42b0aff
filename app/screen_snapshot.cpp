#include "app/screen_snapshot.h"

#include "platform/screen_source.h"

namespace clickwisp {

bool ScreenSnapshot::take(ScreenSource& screen, ScreenPoint origin, ScreenSize size)
{
    clear();
    if (size.width <= 0 || size.height <= 0 || !m_pixels.SetSize(size.width, size.height)
        || !screen.capture(origin.x, origin.y, m_pixels.View())) {
        m_pixels.Clear();
        return false;
    }
    m_origin = origin;
    m_taken = true;
    return true;
}

void ScreenSnapshot::clear()
{
    m_pixels.Clear();
    m_taken = false;
}

std::optional<uint32_t> ScreenSnapshot::colourAt(ScreenPoint point) const
{
    const int32_t x = point.x - m_origin.x;
    const int32_t y = point.y - m_origin.y;
    if (!m_taken || x < 0 || y < 0 || x >= m_pixels.Width() || y >= m_pixels.Height())
        return std::nullopt;
    return SwapRedBlue(m_pixels.PixelAt(x, y));
}

} // namespace clickwisp
