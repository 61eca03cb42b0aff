#include "platform/wayland/wayland_layout.h"

#include <algorithm>

namespace clickwisp {

LayoutRect layoutExtent(const std::vector<WaylandOutput>& outputs)
{
    if (outputs.empty())
        return {};
    int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (const auto& output : outputs) {
        left = std::min<int64_t>(left, output.x);
        top = std::min<int64_t>(top, output.y);
        right = std::max<int64_t>(right, int64_t(output.x) + output.width);
        bottom = std::max<int64_t>(bottom, int64_t(output.y) + output.height);
    }
    return { int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top) };
}

const WaylandOutput* primaryOutput(const std::vector<WaylandOutput>& outputs)
{
    for (const auto& output : outputs) {
        if (output.x == 0 && output.y == 0)
            return &output;
    }
    return outputs.empty() ? nullptr : &outputs.front();
}

ScreenSize primaryScreenSize(const std::vector<WaylandOutput>& outputs)
{
    const WaylandOutput* primary = primaryOutput(outputs);
    return primary ? ScreenSize { primary->width, primary->height } : ScreenSize {};
}

std::vector<OutputPart> outputParts(const std::vector<WaylandOutput>& outputs, const LayoutRect& wanted)
{
    std::vector<OutputPart> parts;
    for (const auto& output : outputs) {
        const LayoutRect part = intersect(wanted, { output.x, output.y, output.width, output.height });
        if (!part.empty())
            parts.push_back({ &output, part });
    }
    return parts;
}

LayoutRect intersect(const LayoutRect& a, const LayoutRect& b)
{
    const int64_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int64_t right = std::min(int64_t(a.x) + a.width, int64_t(b.x) + b.width);
    const int64_t bottom = std::min(int64_t(a.y) + a.height, int64_t(b.y) + b.height);
    if (right <= left || bottom <= top)
        return {};
    return { int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top) };
}

std::optional<AbsoluteMotion> absoluteMotion(const LayoutRect& extent, int32_t x, int32_t y)
{
    if (extent.empty())
        return std::nullopt;
    const int64_t cx = std::clamp<int64_t>(x, extent.x, int64_t(extent.x) + extent.width - 1);
    const int64_t cy = std::clamp<int64_t>(y, extent.y, int64_t(extent.y) + extent.height - 1);
    return AbsoluteMotion { uint32_t(cx - extent.x), uint32_t(cy - extent.y), uint32_t(extent.width),
        uint32_t(extent.height) };
}

} // namespace clickwisp
