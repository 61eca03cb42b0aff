// The search operations of TBDBitmapData.
#include "screen/bitmap_data.h"
#include "screen/reference_search.h"

namespace clickwisp {

bool ColorWithin(uint32_t a, uint32_t b, const ColorTolerance& tolerance)
{
    const int32_t blue = int32_t(a & 0xFF) - int32_t(b & 0xFF);
    const int32_t green = int32_t((a >> 8) & 0xFF) - int32_t((b >> 8) & 0xFF);
    const int32_t red = int32_t((a >> 16) & 0xFF) - int32_t((b >> 16) & 0xFF);
    return -tolerance.blue <= blue && blue <= tolerance.blue && -tolerance.green <= green &&
           green <= tolerance.green && -tolerance.red <= red && red <= tolerance.red;
}

std::optional<ScreenPoint> TBDBitmapData::LocateColor(uint32_t color) const
{
    return reference::LocateColor(*this, color);
}

std::optional<ScreenPoint> TBDBitmapData::LocateColorNear(uint32_t color, const ColorTolerance& tolerance) const
{
    return reference::LocateColorNear(*this, color, tolerance);
}

std::optional<ScreenPoint> TBDBitmapData::LocatePicture(const TBDBitmapData& picture) const
{
    return reference::LocatePicture(*this, picture);
}

std::optional<ScreenPoint> TBDBitmapData::LocatePictureNear(const TBDBitmapData& picture,
                                                           const ColorTolerance& tolerance) const
{
    return reference::LocatePictureNear(*this, picture, tolerance);
}

bool TBDBitmapData::MatchPictureAt(const TBDBitmapData& picture, int32_t left, int32_t top) const
{
    return reference::MatchPictureAt(*this, picture, left, top);
}

bool TBDBitmapData::MatchPictureNearAt(const TBDBitmapData& picture, const ColorTolerance& tolerance, int32_t left,
                                       int32_t top) const
{
    return reference::MatchPictureNearAt(*this, picture, tolerance, left, top);
}

} // namespace clickwisp
