#pragma once

#include "platform/dbus_value.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace clickwisp {

// One monitor as the desktop portal shares it: its screen-cast stream's
// PipeWire node and its place in the desktop's layout, in logical pixels
// (the compositor's own coordinates, which are our screen coordinates).
struct PortalStream {
    uint32_t node = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;

    bool contains(int32_t px, int32_t py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    friend bool operator==(const PortalStream&, const PortalStream&) = default;
};

// The streams of a Start answer ("streams", a(ua{sv}) with "position" and
// "size"), in order; a stream without a size is left out, one without a
// position is placed at (0, 0).
std::vector<PortalStream> streamsFromResults(const DbusVardict& results);

// The primary screen: the stream whose top-left corner is at (0, 0), else
// the first; null without streams.
const PortalStream* primaryStream(const std::vector<PortalStream>& streams);

// A point of the layout as a stream's own coordinates, as the portal's
// NotifyPointerMotionAbsolute takes it.
struct StreamPoint {
    uint32_t node = 0;
    double x = 0, y = 0;
    friend bool operator==(const StreamPoint&, const StreamPoint&) = default;
};
// The stream that holds (x, y), or the nearest one with the point moved to
// its edge (the pointer stops there, as at the edge of a screen); none
// without streams.
std::optional<StreamPoint> streamPoint(const std::vector<PortalStream>& streams, int32_t x, int32_t y);

} // namespace clickwisp
