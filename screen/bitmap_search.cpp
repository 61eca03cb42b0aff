// The search operations of TBDBitmapData.
#include "screen/bitmap_data.h"
#include "screen/hash_search.h"
#include "screen/picture_search.h"
#include "screen/pixel_kernels.h"

namespace clickwisp {

bool ColorWithin(uint32_t a, uint32_t b, const ColorTolerance& tolerance)
{
    const int32_t blue = int32_t(a & 0xFF) - int32_t(b & 0xFF);
    const int32_t green = int32_t((a >> 8) & 0xFF) - int32_t((b >> 8) & 0xFF);
    const int32_t red = int32_t((a >> 16) & 0xFF) - int32_t((b >> 16) & 0xFF);
    return -tolerance.blue <= blue && blue <= tolerance.blue && -tolerance.green <= green && green <= tolerance.green
        && -tolerance.red <= red && red <= tolerance.red;
}

std::optional<ScreenPoint> TBDBitmapData::LocateColor(uint32_t color) const
{
    return search::findColor(*this, color, nullptr);
}

std::optional<ScreenPoint> TBDBitmapData::LocateColorNear(uint32_t color, const ColorTolerance& tolerance) const
{
    return search::findColor(*this, color, &tolerance);
}

std::optional<ScreenPoint> TBDBitmapData::LocatePicture(const TBDBitmapData& picture) const
{
    return search::findPicture(*this, picture, nullptr);
}

std::optional<ScreenPoint> TBDBitmapData::LocatePictureNear(
    const TBDBitmapData& picture, const ColorTolerance& tolerance) const
{
    return search::findPicture(*this, picture, &tolerance);
}

namespace {

// A placement with a negative corner would read outside the buffer: no match.
bool placementFits(const TBDBitmapData& screen, const TBDBitmapData& picture, int32_t left, int32_t top)
{
    return left >= 0 && top >= 0 && int64_t(left) + picture.Width() <= screen.Width()
        && int64_t(top) + picture.Height() <= screen.Height();
}

} // namespace

bool TBDBitmapData::MatchPictureAt(const TBDBitmapData& picture, int32_t left, int32_t top) const
{
    return placementFits(*this, picture, left, top) && search::matchesExactly(*this, picture, left, top);
}

bool TBDBitmapData::MatchPictureNearAt(
    const TBDBitmapData& picture, const ColorTolerance& tolerance, int32_t left, int32_t top) const
{
    if (!placementFits(*this, picture, left, top))
        return false;
    if (picture.Width() == 0 || picture.Height() == 0)
        return true;
    if (tolerance.red < 0 || tolerance.green < 0 || tolerance.blue < 0)
        return false;
    const kernels::PixelProbe probe = kernels::makeProbe(0, false, tolerance.red, tolerance.green, tolerance.blue);
    const size_t bytes = size_t(picture.Width()) * 3;
    for (int32_t row = picture.Height() - 1; row >= 0; --row) {
        if (kernels::firstByteOutside(Row(top + row) + size_t(left) * 3, picture.Row(row), bytes, probe) != bytes)
            return false;
    }
    return true;
}

} // namespace clickwisp
