// Screen capture with GDI: BitBlt of the screen into a 32-bit top-down DIB
// section kept between captures, converted row by row to the buffer's
// bottom-up 24-bit rows. Any monitor of the virtual screen can be read.
#include "core/pixel_packing.h"
#include "platform/win32/win32_capture_area.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_strings.h"

#include <windows.h>

#include <cstring>

namespace clickwisp {

namespace {

class Win32Screen final : public ScreenSource {
public:
    ~Win32Screen() override { release(); }

    ScreenSize screenSize() override { return { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) }; }

    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        if (target.width <= 0 || target.height <= 0)
            return true;
        const ScreenRect screen { GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN) };
        const CaptureArea area = ClipToScreen({ left, top, target.width, target.height }, screen);
        const bool whole = area.source.width == target.width && area.source.height == target.height;
        if (!whole)
            std::memset(target.pixels, 0, target.bytes()); // off the screen: black
        if (area.empty())
            return true;
        if (!reserve(area.source.width, area.source.height))
            return false;
        HDC screenDc = GetDC(nullptr);
        if (!screenDc)
            return false;
        const BOOL copied = BitBlt(m_dc, 0, 0, area.source.width, area.source.height, screenDc, area.source.left,
            area.source.top, SRCCOPY | CAPTUREBLT);
        ReleaseDC(nullptr, screenDc);
        if (!copied)
            return false;
        GdiFlush();
        for (int32_t y = 0; y < area.source.height; ++y) {
            const uint8_t* from = m_bits + size_t(y) * size_t(m_width) * 4;
            uint8_t* to = target.row(area.targetY + y) + size_t(area.targetX) * 3;
            PackPixels32To24(from, to, area.source.width);
        }
        return true;
    }

private:
    // A DIB section of at least width x height pixels, rows m_width apart.
    bool reserve(int32_t width, int32_t height)
    {
        if (m_bitmap && width <= m_width && height <= m_height)
            return true;
        release();
        m_dc = CreateCompatibleDC(nullptr);
        if (!m_dc)
            return false;
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!m_bitmap) {
            release();
            return false;
        }
        m_previous = SelectObject(m_dc, m_bitmap);
        m_bits = static_cast<uint8_t*>(bits);
        m_width = width;
        m_height = height;
        return true;
    }

    void release()
    {
        if (m_dc && m_previous)
            SelectObject(m_dc, m_previous);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
        m_dc = nullptr;
        m_bitmap = nullptr;
        m_previous = nullptr;
        m_bits = nullptr;
        m_width = m_height = 0;
    }

    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    uint8_t* m_bits = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

} // namespace

Result<std::unique_ptr<ScreenSource>> makeWin32Screen()
{
    HDC screenDc = GetDC(nullptr);
    if (!screenDc)
        return fail("screen capture: no screen device context: " + SystemErrorText(GetLastError()));
    ReleaseDC(nullptr, screenDc);
    return std::make_unique<Win32Screen>();
}

} // namespace clickwisp
