// The registry: binds the globals the backend needs and follows the
// outputs (wl_output for the scale, xdg-output for the logical position and
// size, which already take scale and transform into account).
#include "platform/wayland/wayland_connection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace clickwisp {

struct WaylandConnection::Output {
    uint32_t globalName = 0;
    wl_output* handle = nullptr;
    zxdg_output_v1* xdg = nullptr;
    WaylandOutput info;
    bool hasPosition = false, hasSize = false, hasName = false;
};

namespace {

void outputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t)
{
}
void outputMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) { }
void outputDone(void*, wl_output*) { }
void outputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<WaylandConnection::Output*>(data)->info.scale = factor;
}
const wl_output_listener kOutputListener = { outputGeometry, outputMode, outputDone, outputScale, nullptr, nullptr };

void xdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    auto* output = static_cast<WaylandConnection::Output*>(data);
    output->info.x = x;
    output->info.y = y;
    output->hasPosition = true;
}
void xdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    auto* output = static_cast<WaylandConnection::Output*>(data);
    output->info.width = width;
    output->info.height = height;
    output->hasSize = true;
}
void xdgDone(void*, zxdg_output_v1*) { }
void xdgName(void* data, zxdg_output_v1*, const char* name)
{
    auto* output = static_cast<WaylandConnection::Output*>(data);
    output->info.name = name;
    output->hasName = true;
}
void xdgDescription(void*, zxdg_output_v1*, const char*) { }
const zxdg_output_v1_listener kXdgOutputListener = { xdgPosition, xdgSize, xdgDone, xdgName, xdgDescription };

} // namespace

struct RegistryEvents {
    static void global(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version)
    {
        static_cast<WaylandConnection*>(data)->addGlobal(name, interface, version);
    }
    static void globalRemove(void* data, wl_registry*, uint32_t name)
    {
        static_cast<WaylandConnection*>(data)->removeGlobal(name);
    }
};

namespace {
const wl_registry_listener kRegistryListener = { RegistryEvents::global, RegistryEvents::globalRemove };

template <class T> T* bindGlobal(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t version)
{
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, version));
}
} // namespace

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::open(
    const std::string& display, const std::string& purpose)
{
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->m_display = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!connection->m_display) {
        const char* env = std::getenv("WAYLAND_DISPLAY");
        const std::string label = !display.empty() ? display : (env && *env ? env : "wayland-0");
        return fail(purpose + ": cannot connect to the Wayland display '" + label + "': " + std::strerror(errno));
    }
    connection->m_registry = wl_display_get_registry(connection->m_display);
    wl_registry_add_listener(connection->m_registry, &kRegistryListener, connection.get());
    // The globals, then the outputs' first events.
    if (!connection->roundtrip() || !connection->roundtrip())
        return fail(purpose + ": the Wayland display closed the connection: " + connection->brokenReason());
    return connection;
}

WaylandConnection::~WaylandConnection()
{
    for (auto& output : m_outputs) {
        if (output.xdg)
            zxdg_output_v1_destroy(output.xdg);
        if (output.handle)
            wl_output_destroy(output.handle);
    }
    if (m_screencopy)
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    if (m_keyboardManager)
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboardManager);
    if (m_pointerManager)
        zwlr_virtual_pointer_manager_v1_destroy(m_pointerManager);
    if (m_xdgOutputs)
        zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display) {
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }
}

void WaylandConnection::addGlobal(uint32_t name, const char* interface, uint32_t version)
{
    const std::string_view kind = interface;
    m_offered.push_back({ name, std::string(kind), version });
    if (kind == wl_seat_interface.name && !m_seat) {
        m_seat = bindGlobal<wl_seat>(m_registry, name, wl_seat_interface, 1);
    } else if (kind == wl_shm_interface.name && !m_shm) {
        m_shm = bindGlobal<wl_shm>(m_registry, name, wl_shm_interface, 1);
    } else if (kind == wl_output_interface.name) {
        Output& output = m_outputs.emplace_back();
        output.globalName = name;
        output.handle = bindGlobal<wl_output>(m_registry, name, wl_output_interface, std::min(version, 2u));
        wl_output_add_listener(output.handle, &kOutputListener, &output);
        watchOutput(output);
    } else if (kind == zxdg_output_manager_v1_interface.name && !m_xdgOutputs) {
        // Version 2 announces the name and ends each change with its own done.
        m_xdgOutputs = bindGlobal<zxdg_output_manager_v1>(
            m_registry, name, zxdg_output_manager_v1_interface, std::min(version, 2u));
        for (auto& output : m_outputs)
            watchOutput(output);
    } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name && !m_pointerManager) {
        m_pointerManager = bindGlobal<zwlr_virtual_pointer_manager_v1>(
            m_registry, name, zwlr_virtual_pointer_manager_v1_interface, 1);
    } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name && !m_keyboardManager) {
        m_keyboardManager = bindGlobal<zwp_virtual_keyboard_manager_v1>(
            m_registry, name, zwp_virtual_keyboard_manager_v1_interface, 1);
    } else if (kind == zwlr_screencopy_manager_v1_interface.name && !m_screencopy) {
        // Version 1: the shm buffer's description is the only one sent, and
        // the copy follows it at once.
        m_screencopy
            = bindGlobal<zwlr_screencopy_manager_v1>(m_registry, name, zwlr_screencopy_manager_v1_interface, 1);
    }
}

void WaylandConnection::watchOutput(Output& output)
{
    if (output.xdg || !m_xdgOutputs)
        return;
    output.xdg = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, output.handle);
    zxdg_output_v1_add_listener(output.xdg, &kXdgOutputListener, &output);
}

void WaylandConnection::removeGlobal(uint32_t name)
{
    std::erase_if(m_offered, [&](const Global& global) { return global.name == name; });
    auto it = std::find_if(m_outputs.begin(), m_outputs.end(), [&](const Output& o) { return o.globalName == name; });
    if (it == m_outputs.end())
        return;
    if (it->xdg)
        zxdg_output_v1_destroy(it->xdg);
    wl_output_destroy(it->handle);
    m_outputs.erase(it);
}

std::vector<std::string> WaylandConnection::missing(const std::vector<std::string>& protocols) const
{
    std::vector<std::string> absent;
    for (const auto& protocol : protocols) {
        if (!offeredVersion(protocol))
            absent.push_back(protocol);
    }
    return absent;
}

uint32_t WaylandConnection::offeredVersion(const std::string& interface) const
{
    auto it = std::find_if(
        m_offered.begin(), m_offered.end(), [&](const Global& global) { return global.interface == interface; });
    return it == m_offered.end() ? 0 : it->version;
}

void* WaylandConnection::bind(const wl_interface& interface, uint32_t maxVersion)
{
    auto it = std::find_if(
        m_offered.begin(), m_offered.end(), [&](const Global& global) { return global.interface == interface.name; });
    if (it == m_offered.end())
        return nullptr;
    return wl_registry_bind(m_registry, it->name, &interface, std::min(it->version, maxVersion));
}

Result<void> WaylandConnection::require(const std::vector<std::string>& protocols) const
{
    const auto absent = missing(protocols);
    if (absent.empty())
        return {};
    std::string names;
    for (const auto& name : absent)
        names += (names.empty() ? "" : ", ") + name;
    return fail("this Wayland compositor does not offer " + names
        + ": Clickwisp needs a wlroots compositor (sway, Hyprland, river, labwc ...) or an X11 session");
}

bool WaylandConnection::roundtrip()
{
    return wl_display_roundtrip(m_display) >= 0;
}

bool WaylandConnection::dispatchOnce()
{
    return wl_display_dispatch(m_display) >= 0;
}

std::vector<WaylandOutput> WaylandConnection::outputs() const
{
    std::vector<WaylandOutput> complete;
    for (const auto& output : m_outputs) {
        if (output.hasPosition && output.hasSize && output.info.width > 0 && output.info.height > 0)
            complete.push_back(output.info);
    }
    return complete;
}

wl_output* WaylandConnection::outputHandle(const std::string& name) const
{
    for (const auto& output : m_outputs) {
        if (output.info.name == name)
            return output.handle;
    }
    return nullptr;
}

std::string WaylandConnection::brokenReason() const
{
    const int error = wl_display_get_error(m_display);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(m_display, &interface, &id);
        return std::string("protocol error ") + std::to_string(code) + " on "
            + (interface ? interface->name : "an unknown object");
    }
    return error ? std::strerror(error) : "connection closed";
}

} // namespace clickwisp
