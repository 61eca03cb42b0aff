#include "tests/kwin/workspace_shot.h"

#include "platform/dbus_connection.h"

#include <fcntl.h>
#include <unistd.h>

namespace clickwisp::test {

uint32_t WorkspaceShot::at(int x, int y) const
{
    const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (size_t(y) * size_t(width) + size_t(x)) * 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

std::optional<WorkspaceShot> shootWorkspace(std::string* error)
{
    auto fail = [&](const std::string& why) -> std::optional<WorkspaceShot> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    auto bus = DbusConnection::openSession();
    if (!bus)
        return fail(bus.error().message);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return fail("pipe failed");
    DbusFd readEnd(ends[0]);
    auto reply = [&] {
        DbusFd writeEnd(ends[1]);
        return (*bus)->call({ "org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
            "CaptureWorkspace", { DbusValue::vardict({}), writeEnd } });
    }();
    if (!reply || reply->empty())
        return fail(reply ? "no reply" : reply.error().message);
    const auto results = reply->front().vardict();
    auto number = [&](const char* key) {
        const auto it = results->find(key);
        const uint32_t* value = it == results->end() ? nullptr : it->second.get<uint32_t>();
        return value ? *value : 0u;
    };
    if (number("format") != 6 && number("format") != 5 && number("format") != 4)
        return fail("format " + std::to_string(number("format")));
    std::string data;
    char buffer[65536];
    for (ssize_t n; (n = read(readEnd.get(), buffer, sizeof buffer)) > 0;)
        data.append(buffer, size_t(n));
    WorkspaceShot shot { int(number("width")), int(number("height")), {} };
    const uint32_t stride = number("stride");
    if (data.size() != size_t(stride) * size_t(shot.height))
        return fail("short picture");
    // QImage's 32-bit formats: 0xAARRGGBB, little-endian in memory.
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const char* p = data.data() + size_t(y) * stride + size_t(x) * 4;
            shot.rgb += p[2];
            shot.rgb += p[1];
            shot.rgb += p[0];
        }
    }
    return shot;
}

} // namespace clickwisp::test
