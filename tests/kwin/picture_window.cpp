#include "tests/kwin/picture_window.h"

#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace clickwisp::test {

struct WaylandPictureWindow::Surface {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    wl_surface* surface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wl_buffer* buffer = nullptr;
    bool configured = false;
    bool shown = false;

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
    {
        auto* s = static_cast<Surface*>(data);
        if (!std::strcmp(interface, wl_compositor_interface.name))
            s->compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
        else if (!std::strcmp(interface, wl_shm_interface.name))
            s->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        else if (!std::strcmp(interface, xdg_wm_base_interface.name))
            s->wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, uint32_t) { }
    static void ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
    static void configure(void* data, xdg_surface* surface, uint32_t serial)
    {
        xdg_surface_ack_configure(surface, serial);
        static_cast<Surface*>(data)->configured = true;
    }
    static void toplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) { }
    static void toplevelClose(void*, xdg_toplevel*) { }
    static void frameDone(void* data, wl_callback* callback, uint32_t)
    {
        static_cast<Surface*>(data)->shown = true;
        wl_callback_destroy(callback);
    }

    ~Surface()
    {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (toplevel)
            xdg_toplevel_destroy(toplevel);
        if (xdgSurface)
            xdg_surface_destroy(xdgSurface);
        if (surface)
            wl_surface_destroy(surface);
        if (wmBase)
            xdg_wm_base_destroy(wmBase);
        if (shm)
            wl_shm_destroy(shm);
        if (compositor)
            wl_compositor_destroy(compositor);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }
};

namespace {
const wl_registry_listener kRegistry
    = { WaylandPictureWindow::Surface::global, WaylandPictureWindow::Surface::globalRemove };
const xdg_wm_base_listener kWmBase = { WaylandPictureWindow::Surface::ping };
const xdg_surface_listener kXdgSurface = { WaylandPictureWindow::Surface::configure };
const xdg_toplevel_listener kToplevel = { WaylandPictureWindow::Surface::toplevelConfigure,
    WaylandPictureWindow::Surface::toplevelClose, nullptr, nullptr };
const wl_callback_listener kFrame = { WaylandPictureWindow::Surface::frameDone };

// Dispatches until done() holds; false when the connection broke or 10 s passed.
template <class Done> bool dispatchUntil(wl_display* display, Done done)
{
    for (int turns = 0; !done(); ++turns) {
        if (turns > 1000 || wl_display_roundtrip(display) < 0)
            return false;
        if (!done())
            usleep(10000);
    }
    return true;
}
} // namespace

uint32_t WaylandPictureWindow::colourAt(int x, int y) const
{
    if (x == m_markX && y == m_markY)
        return 0xFF00FF;
    return uint32_t(x * 255 / m_width) << 16 | uint32_t(y * 255 / m_height) << 8 | 0x40;
}

WaylandPictureWindow::WaylandPictureWindow(int width, int height, int markX, int markY)
    : m_width(width)
    , m_height(height)
    , m_markX(markX)
    , m_markY(markY)
{
    auto* s = new Surface;
    m_surface = s;
    s->display = wl_display_connect(nullptr);
    if (!s->display) {
        m_error = "cannot connect to the Wayland display";
        return;
    }
    s->registry = wl_display_get_registry(s->display);
    wl_registry_add_listener(s->registry, &kRegistry, s);
    wl_display_roundtrip(s->display);
    if (!s->compositor || !s->shm || !s->wmBase) {
        m_error = "the compositor lacks wl_compositor, wl_shm or xdg_wm_base";
        return;
    }
    xdg_wm_base_add_listener(s->wmBase, &kWmBase, s);
    s->surface = wl_compositor_create_surface(s->compositor);
    s->xdgSurface = xdg_wm_base_get_xdg_surface(s->wmBase, s->surface);
    xdg_surface_add_listener(s->xdgSurface, &kXdgSurface, s);
    s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
    xdg_toplevel_add_listener(s->toplevel, &kToplevel, s);
    xdg_toplevel_set_title(s->toplevel, "Clickwisp test picture");
    wl_surface_commit(s->surface);
    if (!dispatchUntil(s->display, [&] { return s->configured; })) {
        m_error = "the compositor did not configure the window";
        return;
    }

    const int stride = width * 4;
    const size_t bytes = size_t(stride) * size_t(height);
    const int fd = memfd_create("clickwisp-test-picture", MFD_CLOEXEC);
    void* map = fd >= 0 && ftruncate(fd, off_t(bytes)) == 0
        ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
        : MAP_FAILED;
    if (map == MAP_FAILED) {
        m_error = "no shared memory for the picture";
        if (fd >= 0)
            close(fd);
        return;
    }
    auto* pixels = static_cast<uint32_t*>(map);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * size_t(width) + size_t(x)] = 0xFF000000u | colourAt(x, y); // XRGB8888
    }
    wl_shm_pool* pool = wl_shm_create_pool(s->shm, fd, int32_t(bytes));
    s->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    munmap(map, bytes);
    close(fd);
    wl_surface_attach(s->surface, s->buffer, 0, 0);
    wl_surface_damage(s->surface, 0, 0, width, height);
    wl_callback_add_listener(wl_surface_frame(s->surface), &kFrame, s);
    wl_surface_commit(s->surface);
    if (!dispatchUntil(s->display, [&] { return s->shown; })) {
        m_error = "the compositor never showed the picture";
        return;
    }
    // Answers the compositor's pings while the test runs.
    m_thread = std::thread([this, s] {
        while (!m_stop) {
            pollfd wait { wl_display_get_fd(s->display), POLLIN, 0 };
            wl_display_flush(s->display);
            if (poll(&wait, 1, 50) > 0 && wl_display_dispatch(s->display) < 0)
                return;
        }
    });
}

WaylandPictureWindow::~WaylandPictureWindow()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    delete m_surface;
}

} // namespace clickwisp::test
