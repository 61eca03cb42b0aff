#pragma once

#include "core/geometry.h"
#include "platform/screen_source.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <memory>
#include <optional>

namespace clickwisp {

// The screen rectangle a capture copies: left/top outside the screen become
// 0, width/height below 1 take the rest of the screen, larger values are
// kept (the part off the screen comes out black).
struct CaptureRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};
CaptureRect CaptureRectangle(const ScreenSize& screen, int32_t left, int32_t top, int32_t width, int32_t height);

// Per-channel tolerances of a "near" colour comparison; a channel's values
// may differ by at most its tolerance. A negative tolerance admits nothing.
struct ColorTolerance {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

// Whether the pixels a and b (0x00RRGGBB; the top byte is ignored) differ
// by at most the tolerance in each channel.
bool ColorWithin(uint32_t a, uint32_t b, const ColorTolerance& tolerance);

// A pixel buffer laid out like the pixel array of a bottom-up 24-bit BMP:
// 3 bytes a pixel (blue, green, red), the bottom row first in memory, each
// row padded to Stride bytes. As a number a pixel is 0x00RRGGBB.
class TBDBitmapData {
public:
    // Largest width or height accepted from a BMP header or a capture.
    static constexpr int32_t kMaxSide = 32768;
    // Bytes before the pixels in the BMP file images it reads and writes.
    static constexpr int32_t kFileHeaderSize = 54;

    TBDBitmapData() = default;
    ~TBDBitmapData() = default;
    TBDBitmapData(const TBDBitmapData&) = delete;
    TBDBitmapData& operator=(const TBDBitmapData&) = delete;

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int32_t Stride() const { return FStride; }
    int32_t RowPadding() const { return FRowPadding; }
    int32_t DataSize() const { return FDataSize; }
    int32_t Capacity() const { return FCapacity; }
    uint8_t* Pixels() { return FPixels.get(); }
    const uint8_t* Pixels() const { return FPixels.get(); }
    // The pixels as a view for a screen source to fill.
    PixelView View() { return PixelView { FPixels.get(), FWidth, FHeight, FStride }; }
    // How many times the pixel array was allocated; captures reuse it.
    int AllocationCount() const { return FAllocations; }

    // Sets the size; reuses the array when it is large enough (contents are
    // then left as they were; a new array is zero and costs no memory until
    // written). Fails for negative sizes, sides above kMaxSide, or lack of
    // memory (the buffer then holds no array).
    bool SetSize(int32_t width, int32_t height);
    // Empties the buffer and releases the array.
    void Clear();
    // Loads an uncompressed 24-bit BMP file image starting at the stream's
    // position. Pixel data follows the 54 header bytes directly. Fails on any
    // other image (the buffer is then unchanged) and on a truncated one, which
    // still takes the header's size, its missing pixels black.
    bool LoadFromStream(std::istream& stream);
    // Writes the buffer as a 24-bit BMP file image.
    bool SaveToStream(std::ostream& stream) const;
    // The header of that file image; the pixel array (DataSize() bytes from
    // Pixels()) follows it.
    std::array<uint8_t, kFileHeaderSize> FileHeader() const;

    // Copies the screen rectangle CaptureRectangle gives for the arguments.
    bool CaptureScreen(ScreenSource& screen, int32_t left, int32_t top, int32_t width, int32_t height);

    // Searches. Positions count from the top-left pixel, y downward; the
    // top-most, then left-most, hit wins. Nothing found: an empty optional.
    //
    // The first pixel equal to color (0x00RRGGBB; a top byte other than 0
    // matches nothing).
    std::optional<ScreenPoint> LocateColor(uint32_t color) const;
    // The first pixel within the tolerance of color.
    std::optional<ScreenPoint> LocateColorNear(uint32_t color, const ColorTolerance& tolerance) const;
    // The first placement of picture where every pixel is equal. A 0 x 0
    // picture is found at (0, 0); a picture larger than this buffer nowhere.
    std::optional<ScreenPoint> LocatePicture(const TBDBitmapData& picture) const;
    // The first placement where every pixel is within the tolerance.
    std::optional<ScreenPoint> LocatePictureNear(const TBDBitmapData& picture, const ColorTolerance& tolerance) const;
    // Whether picture, with its top-left pixel on (left, top), matches
    // exactly; false when any part of it would lie outside this buffer.
    bool MatchPictureAt(const TBDBitmapData& picture, int32_t left, int32_t top) const;
    bool MatchPictureNearAt(
        const TBDBitmapData& picture, const ColorTolerance& tolerance, int32_t left, int32_t top) const;

    // The pixel at (x, y), counted from the top-left corner, as 0x00RRGGBB.
    uint32_t PixelAt(int32_t x, int32_t y) const
    {
        const uint8_t* p = FPixels.get() + size_t(FHeight - 1 - y) * size_t(FStride) + size_t(x) * 3;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    // Pointer to the first byte of image row y (0 = top row).
    const uint8_t* Row(int32_t y) const { return FPixels.get() + size_t(FHeight - 1 - y) * size_t(FStride); }
    uint8_t* Row(int32_t y) { return FPixels.get() + size_t(FHeight - 1 - y) * size_t(FStride); }

private:
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FStride = 0;
    int32_t FRowPadding = 0;
    int32_t FDataSize = 0;
    int32_t FCapacity = 0;
    struct FreePixels {
        void operator()(uint8_t* pixels) const { std::free(pixels); }
    };
    std::unique_ptr<uint8_t[], FreePixels> FPixels; // from calloc: a fresh array is zero
    int FAllocations = 0;
};

// Swaps the red and blue bytes and drops the top byte:
// 0x00BBGGRR <-> 0x00RRGGBB.
constexpr uint32_t SwapRedBlue(uint32_t c)
{
    return ((c & 0xFF0000u) >> 16) | (c & 0xFF00u) | ((c & 0xFFu) << 16);
}

} // namespace clickwisp
