#include "screen/screen_search.h"

#include "core/colour_text.h"
#include "platform/screen_source.h"

namespace clickwisp {
namespace {

constexpr ScreenPoint kNotFound { -1, -1 };

// right - left (or bottom - top) without overflow, clamped to 32 bits.
int32_t extent(int32_t from, int32_t to)
{
    const int64_t size = int64_t(to) - int64_t(from);
    if (size > INT32_MAX)
        return INT32_MAX;
    if (size < INT32_MIN)
        return INT32_MIN;
    return int32_t(size);
}

// The capture buffer, one per thread, kept between searches. Every search
// still captures the screen anew; only the array is reused, because a fresh
// 6 to 25 MB array each time (pages the system must map and zero) would
// cost more than the search itself.
TBDBitmapData& captureBuffer()
{
    thread_local TBDBitmapData buffer;
    return buffer;
}

} // namespace

ColorTolerance UniformTolerance(int32_t similarity)
{
    const int32_t t = SimilarityTolerance(similarity);
    return ColorTolerance { t, t, t };
}

Result<CapturedArea> CaptureSearchArea(ScreenSource& screen, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    TBDBitmapData& capture = captureBuffer();
    const CaptureRect rect = CaptureRectangle(screen.screenSize(), left, top, extent(left, right), extent(top, bottom));
    if (!capture.CaptureScreen(screen, rect.left, rect.top, rect.width, rect.height))
        return fail("screen capture of the rectangle from (" + std::to_string(left) + ", " + std::to_string(top)
            + ") to (" + std::to_string(right) + ", " + std::to_string(bottom) + ") failed");
    return CapturedArea { &capture, rect };
}

int32_t SimilarityTolerance(int32_t similarity)
{
    // 64-bit: a similarity far below 0 must not overflow.
    const int64_t t = ((100 - int64_t(similarity)) * 255) / 100;
    if (t > INT32_MAX)
        return INT32_MAX;
    if (t < INT32_MIN)
        return INT32_MIN;
    return int32_t(t);
}

Result<ScreenPoint> FindColorOnScreenChecked(ScreenSource& screen, std::string_view colorText, int32_t left,
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
    const auto found
        = similarity == 100 ? capture.LocateColor(color) : capture.LocateColorNear(color, UniformTolerance(similarity));
    if (!found)
        return kNotFound;
    return ScreenPoint { area->rect.left + found->x, area->rect.top + found->y };
}

Result<ScreenPoint> FindPictureOnScreenChecked(ScreenSource& screen, const TBDBitmapData& picture, int32_t left,
    int32_t top, int32_t right, int32_t bottom, int32_t similarity)
{
    const auto area = CaptureSearchArea(screen, left, top, right, bottom);
    if (!area)
        return std::unexpected(area.error());
    const TBDBitmapData& capture = *area->pixels;
    const auto found = similarity == 100 ? capture.LocatePicture(picture)
                                         : capture.LocatePictureNear(picture, UniformTolerance(similarity));
    if (!found)
        return kNotFound;
    const CaptureRect& rect = area->rect;
    return ScreenPoint { rect.left + found->x + picture.Width() / 2, rect.top + found->y + picture.Height() / 2 };
}

Result<ScreenPoint> FindColorOnScreen(ScreenSource& screen, std::string_view colorText, int32_t left, int32_t top,
    int32_t right, int32_t bottom, int32_t similarity)
{
    if (auto value = ConvertColorText(colorText); !value)
        return std::unexpected(value.error());
    // The colour converts, so an error can only be a failed capture, in
    // which nothing is found.
    return FindColorOnScreenChecked(screen, colorText, left, top, right, bottom, similarity).value_or(kNotFound);
}

ScreenPoint FindPictureOnScreen(ScreenSource& screen, const TBDBitmapData& picture, int32_t left, int32_t top,
    int32_t right, int32_t bottom, int32_t similarity)
{
    return FindPictureOnScreenChecked(screen, picture, left, top, right, bottom, similarity).value_or(kNotFound);
}

} // namespace clickwisp
