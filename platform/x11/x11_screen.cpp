// Screen capture on X11: the whole root window is the screen. Pixels come
// through MIT-SHM (XShmGetImage into a shared segment kept between captures)
// or, where the extension is missing or unusable (a remote display),
// through XGetImage, and are converted to the buffer's bottom-up 24-bit
// rows in one pass.
#include "core/page_faults.h"
#include "core/pixel_packing.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_display_label.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_platform.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace clickwisp {
namespace {

// An image over the shared segment: its pixels are not the image's to free.
struct SharedImageDestroyer {
    void operator()(XImage* image) const
    {
        if (image) {
            image->data = nullptr;
            XDestroyImage(image);
        }
    }
};
using SharedImagePtr = std::unique_ptr<XImage, SharedImageDestroyer>;

struct ImageDestroyer {
    void operator()(XImage* image) const
    {
        if (image)
            XDestroyImage(image);
    }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

// Where a channel sits in a pixel value, from the visual's mask.
struct Channel {
    explicit Channel(unsigned long mask)
    {
        if (mask == 0)
            return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        bits = 0;
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
        max = (1ul << bits) - 1;
    }
    uint8_t from(unsigned long pixel) const
    {
        if (max == 0)
            return 0;
        return uint8_t((((pixel >> shift) & max) * 255 + max / 2) / max);
    }
    int shift = 0;
    int bits = 0;
    unsigned long max = 0;
};

class X11Screen final : public ScreenSource {
public:
    explicit X11Screen(X11DisplayPtr display)
        : m_display(std::move(display))
    {
        m_root = DefaultRootWindow(m_display.get());
        m_visual = DefaultVisual(m_display.get(), DefaultScreen(m_display.get()));
        m_depth = DefaultDepth(m_display.get(), DefaultScreen(m_display.get()));
        // Asked first in general terms: Xlib complains on stderr when an
        // query of the extension itself finds the extension missing.
        int opcode = 0, event = 0, error = 0;
        if (XQueryExtension(m_display.get(), "MIT-SHM", &opcode, &event, &error)) {
            int major = 0, minor = 0;
            Bool pixmaps = False;
            m_shmAvailable = XShmQueryVersion(m_display.get(), &major, &minor, &pixmaps);
        }
    }

    ~X11Screen() override { releaseSegment(); }

    ScreenSize screenSize() override
    {
        Window root = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        if (!XGetGeometry(m_display.get(), m_root, &root, &x, &y, &width, &height, &border, &depth))
            return ScreenSize {};
        return ScreenSize { int32_t(width), int32_t(height) };
    }

    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        if (target.bytes() == 0)
            return true;
        const ScreenSize size = screenSize();
        // Only the part on the screen is fetched; the rest is black.
        const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(left) + target.width, size.width);
        const int64_t y1 = std::min<int64_t>(int64_t(top) + target.height, size.height);
        const bool whole = x0 == left && y0 == top && x1 - x0 == target.width && y1 - y0 == target.height;
        if (!whole)
            std::memset(target.pixels, 0, target.bytes());
        if (x0 >= x1 || y0 >= y1)
            return true;
        const int32_t width = int32_t(x1 - x0), height = int32_t(y1 - y0);
        XImage* image = m_shmAvailable ? fetchShared(int32_t(x0), int32_t(y0), width, height, size) : nullptr;
        ImagePtr plain;
        if (!image) {
            X11ErrorTrap trap(m_display.get());
            plain.reset(XGetImage(
                m_display.get(), m_root, int(x0), int(y0), unsigned(width), unsigned(height), AllPlanes, ZPixmap));
            if (trap.sync() != 0 || !plain)
                return false;
            image = plain.get();
        }
        convert(*image, target, int32_t(x0 - left), int32_t(y0 - top));
        return true;
    }

private:
    // Fetches through the shared segment, growing it when needed. Null when
    // MIT-SHM does not work for this display; it is then not tried again.
    XImage* fetchShared(int32_t x, int32_t y, int32_t width, int32_t height, const ScreenSize& screen)
    {
        if (!m_image || m_image->width != width || m_image->height != height) {
            m_image.reset();
            SharedImagePtr image(XShmCreateImage(m_display.get(), m_visual, unsigned(m_depth), ZPixmap, nullptr,
                &m_segment, unsigned(width), unsigned(height)));
            if (!image)
                return giveUpShared();
            const size_t bytes = size_t(image->bytes_per_line) * size_t(height);
            if (bytes > m_segmentBytes) {
                // Sized for the whole screen at once, so that a larger
                // rectangle later needs no new segment; only the pages this
                // capture fills are made now.
                const size_t screenBytes
                    = size_t(screen.height) * ((size_t(screen.width) * size_t(image->bits_per_pixel) + 31) / 32 * 4);
                if (!attachSegment(std::max(bytes, screenBytes), bytes))
                    return giveUpShared();
            }
            image->data = m_segment.shmaddr;
            m_image = std::move(image);
        }
        X11ErrorTrap trap(m_display.get());
        const Bool ok = XShmGetImage(m_display.get(), m_root, m_image.get(), x, y, AllPlanes);
        if (trap.sync() != 0 || !ok)
            return nullptr; // this capture goes the plain way
        return m_image.get();
    }

    bool attachSegment(size_t bytes, size_t filledBytes)
    {
        detachSegment();
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return false;
        void* address = shmat(id, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return false;
        }
        // The segment's pages are made at once rather than one fault at a
        // time as the first capture's pixels are read.
        FaultInPages(address, filledBytes);
        m_segment.shmid = id;
        m_segment.shmaddr = static_cast<char*>(address);
        m_segment.readOnly = False;
        X11ErrorTrap trap(m_display.get());
        const Bool attached = XShmAttach(m_display.get(), &m_segment);
        const bool ok = trap.sync() == 0 && attached;
        // Marked for removal at once: it goes away with the last detach, even
        // if this process dies.
        shmctl(id, IPC_RMID, nullptr);
        if (!ok) {
            shmdt(m_segment.shmaddr);
            m_segment.shmaddr = nullptr;
            return false;
        }
        m_attached = true;
        m_segmentBytes = bytes;
        return true;
    }

    void releaseSegment()
    {
        m_image.reset();
        detachSegment();
    }

    void detachSegment()
    {
        if (m_attached) {
            XShmDetach(m_display.get(), &m_segment);
            XSync(m_display.get(), False);
            m_attached = false;
        }
        if (m_segment.shmaddr)
            shmdt(m_segment.shmaddr);
        m_segment.shmaddr = nullptr;
        m_segmentBytes = 0;
    }

    XImage* giveUpShared()
    {
        releaseSegment();
        m_shmAvailable = false;
        return nullptr;
    }

    // Copies image into target with its top-left pixel at (dx, dy).
    void convert(XImage& image, const PixelView& target, int32_t dx, int32_t dy)
    {
        const bool direct = image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000
            && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
        if (!direct) {
            convertRows(image, target, dx, dy, 0, image.height, false);
            return;
        }
        // A large image (4K) is converted by two threads: the copy is bound by
        // memory, and one core cannot keep enough of it in flight.
        const size_t bytes = size_t(image.bytes_per_line) * size_t(image.height);
        if (bytes < kSplitBytes || std::thread::hardware_concurrency() < 2) {
            convertRows(image, target, dx, dy, 0, image.height, true);
            return;
        }
        const int32_t middle = image.height / 2;
        std::thread helper([&] { convertRows(image, target, dx, dy, middle, image.height, true); });
        convertRows(image, target, dx, dy, 0, middle, true);
        helper.join();
    }

    static void convertRows(
        const XImage& image, const PixelView& target, int32_t dx, int32_t dy, int32_t from, int32_t to, bool direct)
    {
        for (int32_t y = from; y < to; ++y) {
            uint8_t* out = target.row(y + dy) + size_t(dx) * 3;
            const char* in = image.data + size_t(y) * size_t(image.bytes_per_line);
            if (direct) {
                PackPixels32To24(reinterpret_cast<const uint8_t*>(in), out, image.width);
                continue;
            }
            const Channel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
            for (int32_t x = 0; x < image.width; ++x) {
                const unsigned long pixel = XGetPixel(const_cast<XImage*>(&image), x, y);
                out[3 * x] = blue.from(pixel);
                out[3 * x + 1] = green.from(pixel);
                out[3 * x + 2] = red.from(pixel);
            }
        }
    }

    static constexpr size_t kSplitBytes = 16u << 20;

    X11DisplayPtr m_display;
    Window m_root = 0;
    Visual* m_visual = nullptr;
    int m_depth = 0;
    bool m_shmAvailable = false;
    XShmSegmentInfo m_segment {};
    bool m_attached = false;
    size_t m_segmentBytes = 0;
    SharedImagePtr m_image;
};

} // namespace

Result<std::unique_ptr<ScreenSource>> makeX11Screen(const std::string& display)
{
    X11DisplayPtr connection(XOpenDisplay(display.empty() ? nullptr : display.c_str()));
    if (!connection)
        return fail("screen capture: cannot open X display " + x11DisplayLabel(display));
    return std::make_unique<X11Screen>(std::move(connection));
}

} // namespace clickwisp
