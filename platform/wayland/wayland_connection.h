#pragma once

#include "core/error.h"
#include "platform/wayland/wayland_layout.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_virtual_pointer_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_screencopy_manager_v1;

namespace clickwisp {

// The protocols a capability needs, by interface name.
inline constexpr const char* kVirtualPointerProtocol = "zwlr_virtual_pointer_manager_v1";
inline constexpr const char* kVirtualKeyboardProtocol = "zwp_virtual_keyboard_manager_v1";
inline constexpr const char* kScreencopyProtocol = "zwlr_screencopy_manager_v1";
inline constexpr const char* kXdgOutputProtocol = "zxdg_output_manager_v1";

// One connection to a Wayland compositor with the globals the backend uses
// bound, and the output layout kept up to date as events arrive. One
// thread at a time.
class WaylandConnection {
public:
    // Connects to display (empty: $WAYLAND_DISPLAY) and reads the globals
    // and the outputs. purpose starts the error message ("screen capture").
    static Result<std::unique_ptr<WaylandConnection>> open(const std::string& display, const std::string& purpose);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Fails, naming each missing protocol, unless the compositor offers all
    // of protocols (names as above).
    Result<void> require(const std::vector<std::string>& protocols) const;
    // Interface names of protocols that the compositor does not offer.
    std::vector<std::string> missing(const std::vector<std::string>& protocols) const;
    // Binds the first global of interface at the lower of its version and
    // maxVersion; null when the compositor does not offer it. The caller
    // owns the proxy.
    void* bind(const wl_interface& interface, uint32_t maxVersion);
    // The version of interface the compositor offers; 0 when none.
    uint32_t offeredVersion(const std::string& interface) const;

    // Sends what is queued and waits until the compositor has handled it,
    // dispatching events. False when the connection is broken.
    bool roundtrip();
    // Dispatches events until done() holds; false when the connection broke.
    template <class Done> bool dispatchUntil(Done done);

    wl_display* display() const { return m_display; }
    wl_seat* seat() const { return m_seat; }
    wl_shm* shm() const { return m_shm; }
    zwlr_virtual_pointer_manager_v1* pointerManager() const { return m_pointerManager; }
    zwp_virtual_keyboard_manager_v1* keyboardManager() const { return m_keyboardManager; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }

    // The layout's outputs with complete information, in the order the
    // compositor announced them.
    std::vector<WaylandOutput> outputs() const;
    // The wl_output of the output named name; null when it is gone.
    wl_output* outputHandle(const std::string& name) const;

    // What went wrong with the connection, for messages.
    std::string brokenReason() const;

    struct Output; // one wl_output and what we know of it
    struct Global {
        uint32_t name = 0;
        std::string interface;
        uint32_t version = 0;
    };

private:
    WaylandConnection() = default;
    bool dispatchOnce();
    void addGlobal(uint32_t name, const char* interface, uint32_t version);
    void removeGlobal(uint32_t name);
    void watchOutput(Output& output);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    wl_shm* m_shm = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    zwlr_virtual_pointer_manager_v1* m_pointerManager = nullptr;
    zwp_virtual_keyboard_manager_v1* m_keyboardManager = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    std::list<Output> m_outputs; // stable addresses for the listeners
    std::vector<Global> m_offered; // every global, in the order announced

    friend struct RegistryEvents;
};

template <class Done> bool WaylandConnection::dispatchUntil(Done done)
{
    while (!done()) {
        if (!dispatchOnce())
            return false;
    }
    return true;
}

} // namespace clickwisp
