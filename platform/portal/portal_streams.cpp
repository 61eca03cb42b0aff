#include "platform/portal/portal_streams.h"

#include <algorithm>
#include <limits>

namespace clickwisp {

namespace {

// Two int32 of a "(ii)" value.
std::optional<std::pair<int32_t, int32_t>> pairOf(const DbusVardict& properties, const char* key)
{
    const auto* value = vardictGet<DbusValue::Struct>(properties, key);
    if (!value || value->fields.size() != 2)
        return std::nullopt;
    const auto* first = value->fields[0].get<int32_t>();
    const auto* second = value->fields[1].get<int32_t>();
    if (!first || !second)
        return std::nullopt;
    return std::make_pair(*first, *second);
}

int64_t clampTo(int64_t value, int64_t low, int64_t high)
{
    return std::clamp(value, low, high);
}

} // namespace

std::vector<PortalStream> streamsFromResults(const DbusVardict& results)
{
    std::vector<PortalStream> streams;
    const auto* list = vardictGet<DbusValue::Array>(results, "streams");
    if (!list)
        return streams;
    for (const auto& item : list->items) {
        const auto* fields = item.fields();
        if (!fields || fields->size() != 2 || !(*fields)[0].get<uint32_t>())
            continue;
        const auto properties = (*fields)[1].vardict();
        if (!properties)
            continue;
        const auto size = pairOf(*properties, "size");
        if (!size || size->first <= 0 || size->second <= 0)
            continue;
        const auto position = pairOf(*properties, "position").value_or(std::make_pair(0, 0));
        streams.push_back(
            { *(*fields)[0].get<uint32_t>(), position.first, position.second, size->first, size->second });
    }
    return streams;
}

const PortalStream* primaryStream(const std::vector<PortalStream>& streams)
{
    if (streams.empty())
        return nullptr;
    const auto origin = std::ranges::find_if(streams, [](const PortalStream& s) { return s.x == 0 && s.y == 0; });
    return origin != streams.end() ? &*origin : &streams.front();
}

std::optional<StreamPoint> streamPoint(const std::vector<PortalStream>& streams, int32_t x, int32_t y)
{
    const PortalStream* best = nullptr;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (const auto& stream : streams) {
        if (stream.contains(x, y)) {
            best = &stream;
            break;
        }
        const int64_t dx = x - clampTo(x, stream.x, int64_t(stream.x) + stream.width - 1);
        const int64_t dy = y - clampTo(y, stream.y, int64_t(stream.y) + stream.height - 1);
        const int64_t distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &stream;
        }
    }
    if (!best)
        return std::nullopt;
    const int64_t px = clampTo(x, best->x, int64_t(best->x) + best->width - 1);
    const int64_t py = clampTo(y, best->y, int64_t(best->y) + best->height - 1);
    return StreamPoint { best->node, double(px - best->x), double(py - best->y) };
}

} // namespace clickwisp
