#include "screen/best_match.h"

#include "core/colour_text.h"
#include "platform/screen_source.h"
#include "screen/screen_search.h"

#include <algorithm>

namespace clickwisp {
namespace {

ScreenPoint offset(const ScreenPoint& place, const CaptureRect& rect, int32_t dx = 0, int32_t dy = 0)
{
    return ScreenPoint { rect.left + place.x + dx, rect.top + place.y + dy };
}

} // namespace

std::optional<ScreenPoint> LocateColorAt(const TBDBitmapData& capture, uint32_t color, int32_t similarity)
{
    return similarity == 100 ? capture.LocateColor(color)
                             : capture.LocateColorNear(color, UniformTolerance(similarity));
}

std::optional<ScreenPoint> LocatePictureAt(
    const TBDBitmapData& capture, const TBDBitmapData& picture, int32_t similarity)
{
    return similarity == 100 ? capture.LocatePicture(picture)
                             : capture.LocatePictureNear(picture, UniformTolerance(similarity));
}

BestMatch BestColorMatch(const TBDBitmapData& capture, uint32_t color)
{
    return HighestSimilarity([&](int32_t s) { return LocateColorAt(capture, color, s); });
}

BestMatch BestPictureMatch(const TBDBitmapData& capture, const TBDBitmapData& picture)
{
    return HighestSimilarity([&](int32_t s) { return LocatePictureAt(capture, picture, s); });
}

int32_t ColorSimilarity(uint32_t a, uint32_t b)
{
    const auto match = [&](int32_t s) -> std::optional<ScreenPoint> {
        const bool same = s == 100 ? (a & 0xFFFFFFu) == (b & 0xFFFFFFu) : ColorWithin(a, b, UniformTolerance(s));
        return same ? std::optional<ScreenPoint>(ScreenPoint { 0, 0 }) : std::nullopt;
    };
    return HighestSimilarity(match).similarity;
}

int32_t PlacementSimilarity(const TBDBitmapData& capture, const TBDBitmapData& picture, int32_t left, int32_t top)
{
    const auto match = [&](int32_t s) -> std::optional<ScreenPoint> {
        const bool same = s == 100 ? capture.MatchPictureAt(picture, left, top)
                                   : capture.MatchPictureNearAt(picture, UniformTolerance(s), left, top);
        return same ? std::optional<ScreenPoint>(ScreenPoint { left, top }) : std::nullopt;
    };
    return HighestSimilarity(match).similarity;
}

Result<ExplainedSearch> ExplainColorOnScreen(ScreenSource& screen, std::string_view colorText, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity)
{
    auto value = ConvertColorText(colorText);
    if (!value)
        return std::unexpected(value.error());
    const uint32_t color = SwapRedBlue(*value);
    const auto area = CaptureSearchArea(screen, left, top, right, bottom);
    if (!area)
        return std::unexpected(area.error());
    const TBDBitmapData& capture = *area->pixels;
    const CaptureRect* rect = &area->rect;
    ExplainedSearch result;
    if (const auto found = LocateColorAt(capture, color, similarity)) {
        result.found = offset(*found, *rect);
        result.matchSimilarity = ColorSimilarity(capture.PixelAt(found->x, found->y), color);
        return result;
    }
    result.best = BestColorMatch(capture, color);
    if (result.best.place)
        result.best.place = offset(*result.best.place, *rect);
    return result;
}

Result<ExplainedSearch> ExplainPictureOnScreen(ScreenSource& screen, const TBDBitmapData& picture, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity)
{
    const auto area = CaptureSearchArea(screen, left, top, right, bottom);
    if (!area)
        return std::unexpected(area.error());
    const TBDBitmapData& capture = *area->pixels;
    const CaptureRect* rect = &area->rect;
    const int32_t halfWidth = picture.Width() / 2;
    const int32_t halfHeight = picture.Height() / 2;
    ExplainedSearch result;
    if (const auto found = LocatePictureAt(capture, picture, similarity)) {
        result.found = offset(*found, *rect, halfWidth, halfHeight);
        result.matchSimilarity = PlacementSimilarity(capture, picture, found->x, found->y);
        return result;
    }
    result.best = BestPictureMatch(capture, picture);
    if (result.best.place)
        result.best.place = offset(*result.best.place, *rect, halfWidth, halfHeight);
    return result;
}

} // namespace clickwisp
