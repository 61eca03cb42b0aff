// org.kde.KWin.ScreenShot2's CaptureArea: KWin answers with the picture's
// size and format and writes its pixels into a pipe we hand it.
#include "platform/wayland/kwin_screenshot.h"

#include "core/pixel_packing.h"
#include "platform/dbus_connection.h"
#include "platform/wayland/kwin_platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace clickwisp {

namespace {

constexpr const char* kScreenShotService = "org.kde.KWin.ScreenShot2";
constexpr const char* kScreenShotPath = "/org/kde/KWin/ScreenShot2";

// QImage formats KWin sends: 32-bit pixels, blue first in memory.
constexpr uint32_t kFormatRgb32 = 4, kFormatArgb32 = 5, kFormatArgb32Premultiplied = 6;

// Reads everything from fd until the writer closes it, at most limit bytes.
Result<std::string> readPipe(int fd, size_t limit)
{
    std::string data;
    char buffer[65536];
    for (;;) {
        pollfd wait { fd, POLLIN, 0 };
        const int ready = poll(&wait, 1, int(kDbusCallTimeout.count()));
        if (ready == 0)
            return fail("KWin sent no picture within " + std::to_string(kDbusCallTimeout.count() / 1000) + " s");
        if (ready < 0 && errno != EINTR)
            return fail(std::string("reading the picture: ") + std::strerror(errno));
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return data;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return fail(std::string("reading the picture: ") + std::strerror(errno));
        }
        if (data.size() + size_t(n) > limit)
            return fail("KWin sent a larger picture than it announced");
        data.append(buffer, size_t(n));
    }
}

uint32_t unsignedOf(const DbusVardict& results, const std::string& key)
{
    auto it = results.find(key);
    const uint32_t* value = it == results.end() ? nullptr : it->second.get<uint32_t>();
    return value ? *value : 0;
}

} // namespace

KwinScreenShot::KwinScreenShot(std::unique_ptr<DbusConnection> bus)
    : m_bus(std::move(bus))
{
}

KwinScreenShot::~KwinScreenShot() = default;

Result<std::unique_ptr<KwinScreenShot>> KwinScreenShot::open()
{
    auto bus = DbusConnection::openSession();
    if (!bus)
        return std::unexpected(bus.error());
    return std::unique_ptr<KwinScreenShot>(new KwinScreenShot(std::move(*bus)));
}

Result<void> KwinScreenShot::captureArea(const LayoutRect& area, const PixelView& target, int32_t dx, int32_t dy)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return fail(std::string("pipe: ") + std::strerror(errno));
    DbusFd readEnd(ends[0]);
    auto reply = [&] {
        // The call's message holds its own copy of the write end, gone with
        // the call; ours goes right after, so the read ends when KWin is done.
        DbusFd writeEnd(ends[1]);
        return m_bus->call({ kScreenShotService, kScreenShotPath, kScreenShotService, "CaptureArea",
            { area.x, area.y, uint32_t(area.width), uint32_t(area.height),
                DbusValue::vardict({ { "native-resolution", false } }), writeEnd } });
    }();
    if (!reply)
        return fail(reply.error().message.find("NoAuthorized") != std::string::npos
                ? KwinGrantProblem(kScreenShotService)
                : reply.error().message);
    const auto results = reply->empty() ? std::nullopt : reply->front().vardict();
    if (!results)
        return fail("KWin's screenshot came without its description");
    const uint32_t width = unsignedOf(*results, "width"), height = unsignedOf(*results, "height");
    const uint32_t stride = unsignedOf(*results, "stride"), format = unsignedOf(*results, "format");
    if (width != uint32_t(area.width) || height != uint32_t(area.height) || stride < width * 4)
        return fail("KWin's screenshot is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, "
            + std::to_string(area.width) + " x " + std::to_string(area.height) + " were asked for");
    if (format != kFormatRgb32 && format != kFormatArgb32 && format != kFormatArgb32Premultiplied)
        return fail("KWin's screenshot has the picture format " + std::to_string(format)
            + ", which Clickwisp does not read (32-bit RGB)");
    const size_t expected = size_t(stride) * height;
    auto data = readPipe(readEnd.get(), expected);
    if (!data)
        return std::unexpected(data.error());
    if (data->size() != expected)
        return fail("KWin's screenshot ended after " + std::to_string(data->size()) + " of " + std::to_string(expected)
            + " bytes");
    const auto* pixels = reinterpret_cast<const uint8_t*>(data->data());
    for (uint32_t y = 0; y < height; ++y)
        PackPixels32To24(pixels + size_t(y) * stride, target.row(dy + int32_t(y)) + size_t(dx) * 3, int32_t(width));
    return {};
}

} // namespace clickwisp
