#pragma once

#include "core/error.h"
#include "platform/screen_source.h"
#include "platform/wayland/wayland_layout.h"

#include <memory>

namespace clickwisp {

class DbusConnection;

// KWin's screenshot service (org.kde.KWin.ScreenShot2) on a session bus
// connection of its own. KWin serves it only to programs whose installed
// .desktop file lists it in X-KDE-DBUS-Restricted-Interfaces. One thread at
// a time.
class KwinScreenShot {
public:
    static Result<std::unique_ptr<KwinScreenShot>> open();
    ~KwinScreenShot();
    KwinScreenShot(const KwinScreenShot&) = delete;
    KwinScreenShot& operator=(const KwinScreenShot&) = delete;

    // Copies area of the layout (logical units, one pixel each) into target
    // with its top-left at (dx, dy) of target. The error names what KWin
    // refused or sent wrong.
    Result<void> captureArea(const LayoutRect& area, const PixelView& target, int32_t dx, int32_t dy);

private:
    explicit KwinScreenShot(std::unique_ptr<DbusConnection> bus);
    std::unique_ptr<DbusConnection> m_bus;
};

} // namespace clickwisp
