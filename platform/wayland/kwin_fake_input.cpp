#include "platform/wayland/kwin_fake_input.h"

#include "fake-input-client-protocol.h"
#include "platform/wayland/kwin_platform.h"
#include "platform/wayland/wayland_pointer.h"

#include <wayland-client.h>

#include <algorithm>
#include <filesystem>
#include <linux/input-event-codes.h>

namespace clickwisp {

namespace {

// Absolute motion came with version 3, keys with version 4 (KWin 5.20).
constexpr uint32_t kFakeInputVersion = 4;

std::string ownPath()
{
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("this program") : path.string();
}

} // namespace

std::string KwinGrantProblem(const std::string& interface)
{
    return "KWin does not let this program use " + interface + ": it grants it to programs whose installed .desktop "
        + "file names them (Exec=" + ownPath() + ") in X-KDE-Wayland-Interfaces or X-KDE-DBUS-Restricted-Interfaces";
}

Result<std::unique_ptr<KwinFakeInput>> KwinFakeInput::open(const std::string& display, const std::string& purpose)
{
    auto connection = WaylandConnection::open(display, purpose);
    if (!connection)
        return std::unexpected(connection.error());
    const uint32_t version = (*connection)->offeredVersion(kKwinFakeInputProtocol);
    if (version == 0)
        return fail(purpose + ": " + KwinGrantProblem(kKwinFakeInputProtocol));
    if (version < kFakeInputVersion)
        return fail(purpose + ": KWin offers " + kKwinFakeInputProtocol + " version " + std::to_string(version)
            + ", which cannot move the pointer to a point or press keys (version 4, KWin 5.20 and later)");
    if (auto outputs = (*connection)->require({ kXdgOutputProtocol }); !outputs)
        return fail(purpose + ": " + outputs.error().message);
    std::unique_ptr<KwinFakeInput> input(new KwinFakeInput);
    input->m_connection = std::move(*connection);
    input->m_fakeInput = static_cast<org_kde_kwin_fake_input*>(
        input->m_connection->bind(org_kde_kwin_fake_input_interface, kFakeInputVersion));
    // KWin handles a device's events only once it has said who it is.
    org_kde_kwin_fake_input_authenticate(
        input->m_fakeInput, "Clickwisp", "plays back recorded mouse and keyboard actions");
    if (!input->sync())
        return fail(purpose + ": KWin closed the connection: " + input->m_connection->brokenReason());
    return input;
}

KwinFakeInput::~KwinFakeInput()
{
    if (m_fakeInput) {
        // Version 4 has no destructor request: the device goes with the connection.
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_fakeInput));
    }
}

std::optional<ScreenPoint> KwinFakeInput::moveTo(int32_t x, int32_t y)
{
    m_connection->roundtrip(); // outputs added or moved meanwhile
    const LayoutRect extent = layoutExtent(m_connection->outputs());
    const auto motion = absoluteMotion(extent, x, y);
    if (!motion)
        return std::nullopt;
    const ScreenPoint point { extent.x + int32_t(motion->x), extent.y + int32_t(motion->y) };
    org_kde_kwin_fake_input_pointer_motion_absolute(
        m_fakeInput, wl_fixed_from_int(point.x), wl_fixed_from_int(point.y));
    return point;
}

void KwinFakeInput::button(uint32_t code, bool down)
{
    org_kde_kwin_fake_input_button(
        m_fakeInput, code, down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
}

void KwinFakeInput::wheel(int32_t notches)
{
    org_kde_kwin_fake_input_axis(
        m_fakeInput, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_double(notches * kWheelNotchDistance));
}

void KwinFakeInput::key(uint32_t code, bool down)
{
    org_kde_kwin_fake_input_keyboard_key(
        m_fakeInput, code, down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    std::erase(m_held, code);
    if (down)
        m_held.push_back(code);
}

std::vector<uint32_t> KwinFakeInput::heldModifiers() const
{
    static constexpr uint32_t kModifierKeys[] = { KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL,
        KEY_LEFTALT, KEY_RIGHTALT, KEY_LEFTMETA, KEY_RIGHTMETA };
    std::vector<uint32_t> held;
    for (uint32_t code : m_held) {
        if (std::find(std::begin(kModifierKeys), std::end(kModifierKeys), code) != std::end(kModifierKeys))
            held.push_back(code);
    }
    return held;
}

} // namespace clickwisp
