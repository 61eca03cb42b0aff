// Screen capture through wlr-screencopy into shared memory. The screen is
// the output layout in logical units: each output that meets the
// rectangle copies its part, and an output of scale 2 is read at every
// second pixel, so a capture has one pixel per unit of the layout, as the
// pointer moves. Parts of the rectangle on no output come out black.
#include "core/pixel_packing.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_output_screen.h"
#include "platform/wayland/wayland_platform.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace clickwisp {

namespace {

// What the compositor tells about one frame.
struct Frame {
    uint32_t format = 0, width = 0, height = 0, stride = 0;
    bool described = false, yInverted = false, ready = false, failed = false;
};

void frameBuffer(
    void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
{
    auto* frame = static_cast<Frame*>(data);
    *frame = Frame { format, width, height, stride, true };
}
void frameFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags)
{
    static_cast<Frame*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}
void frameReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t)
{
    static_cast<Frame*>(data)->ready = true;
}
void frameFailed(void* data, zwlr_screencopy_frame_v1*)
{
    static_cast<Frame*>(data)->failed = true;
}
const zwlr_screencopy_frame_v1_listener kFrameListener
    = { frameBuffer, frameFlags, frameReady, frameFailed, nullptr, nullptr, nullptr };

// A shared-memory file the compositor copies into, kept between captures
// and grown when a capture needs more.
class ShmArea {
public:
    ~ShmArea() { release(); }

    bool reserve(wl_shm* shm, size_t bytes)
    {
        if (bytes <= m_bytes)
            return true;
        release();
        m_fd = memfd_create("clickwisp-capture", MFD_CLOEXEC);
        if (m_fd < 0 || ftruncate(m_fd, off_t(bytes)) != 0)
            return release(), false;
        void* map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
        if (map == MAP_FAILED)
            return release(), false;
        m_data = static_cast<uint8_t*>(map);
        m_bytes = bytes;
        m_pool = wl_shm_create_pool(shm, m_fd, int32_t(bytes));
        return true;
    }

    wl_shm_pool* pool() const { return m_pool; }
    const uint8_t* data() const { return m_data; }

private:
    void release()
    {
        if (m_pool)
            wl_shm_pool_destroy(m_pool);
        if (m_data)
            munmap(m_data, m_bytes);
        if (m_fd >= 0)
            close(m_fd);
        m_pool = nullptr;
        m_data = nullptr;
        m_fd = -1;
        m_bytes = 0;
    }

    int m_fd = -1;
    uint8_t* m_data = nullptr;
    size_t m_bytes = 0;
    wl_shm_pool* m_pool = nullptr;
};

// Byte order of a 32-bit format in memory: blue first (XRGB, ARGB) or red
// first (XBGR, ABGR); other formats are not read.
enum class Order { BlueFirst, RedFirst, Unknown };

Order orderOf(uint32_t format)
{
    switch (format) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888: return Order::BlueFirst;
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888: return Order::RedFirst;
    default: return Order::Unknown;
    }
}

class WaylandScreen final : public WaylandOutputScreen {
public:
    using WaylandOutputScreen::WaylandOutputScreen;

private:
    bool copyPart(
        const WaylandOutput& output, const LayoutRect& part, const PixelView& target, int32_t dx, int32_t dy) override
    {
        WaylandConnection& wayland = connection();
        wl_output* handle = wayland.outputHandle(output.name);
        if (!handle)
            return false;
        Frame frame;
        zwlr_screencopy_frame_v1* request = zwlr_screencopy_manager_v1_capture_output_region(
            wayland.screencopy(), 0, handle, part.x - output.x, part.y - output.y, part.width, part.height);
        zwlr_screencopy_frame_v1_add_listener(request, &kFrameListener, &frame);
        bool ok = wayland.dispatchUntil([&] { return frame.described || frame.failed; }) && !frame.failed;
        const Order order = orderOf(frame.format);
        ok = ok && order != Order::Unknown && frame.width > 0 && frame.height > 0
            && m_shm.reserve(wayland.shm(), size_t(frame.stride) * frame.height);
        if (ok) {
            wl_buffer* buffer = wl_shm_pool_create_buffer(
                m_shm.pool(), 0, int32_t(frame.width), int32_t(frame.height), int32_t(frame.stride), frame.format);
            zwlr_screencopy_frame_v1_copy(request, buffer);
            ok = wayland.dispatchUntil([&] { return frame.ready || frame.failed; }) && frame.ready;
            wl_buffer_destroy(buffer);
        }
        zwlr_screencopy_frame_v1_destroy(request);
        if (!ok)
            return false;
        convert(frame, order, part, target, dx, dy);
        return true;
    }

    // The frame's pixels into target at (dx, dy), part.width x part.height
    // of them, taking every pixel or, for a scaled output, the nearest one.
    void convert(
        const Frame& frame, Order order, const LayoutRect& part, const PixelView& target, int32_t dx, int32_t dy)
    {
        const bool direct = order == Order::BlueFirst && frame.width == uint32_t(part.width);
        for (int32_t y = 0; y < part.height; ++y) {
            uint32_t sy = uint32_t(uint64_t(y) * frame.height / uint32_t(part.height));
            if (frame.yInverted)
                sy = frame.height - 1 - sy;
            const uint8_t* in = m_shm.data() + size_t(sy) * frame.stride;
            uint8_t* out = target.row(y + dy) + size_t(dx) * 3;
            if (direct) {
                PackPixels32To24(in, out, part.width);
                continue;
            }
            for (int32_t x = 0; x < part.width; ++x) {
                const uint8_t* pixel = in + size_t(uint64_t(x) * frame.width / uint32_t(part.width)) * 4;
                const bool blueFirst = order == Order::BlueFirst;
                out[3 * x] = blueFirst ? pixel[0] : pixel[2];
                out[3 * x + 1] = pixel[1];
                out[3 * x + 2] = blueFirst ? pixel[2] : pixel[0];
            }
        }
    }

    ShmArea m_shm;
};

} // namespace

Result<std::unique_ptr<ScreenSource>> makeWaylandScreen(const std::string& display)
{
    auto connection = WaylandConnection::open(display, "screen capture");
    if (!connection)
        return std::unexpected(connection.error());
    if (auto ok = (*connection)->require({ kScreencopyProtocol, kXdgOutputProtocol }); !ok)
        return fail("screen capture: " + ok.error().message);
    if (!(*connection)->shm())
        return fail("screen capture: the Wayland compositor offers no shared memory (wl_shm)");
    return std::make_unique<WaylandScreen>(std::move(*connection));
}

} // namespace clickwisp
