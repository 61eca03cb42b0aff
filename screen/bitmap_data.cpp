#include "screen/bitmap_data.h"

#include "core/page_faults.h"
#include "platform/screen_source.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace clickwisp {
namespace {

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t readLe16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

void writeLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

constexpr int kHeaderSize = TBDBitmapData::kFileHeaderSize;

// Bytes left in a seekable stream; nothing for a stream that cannot tell.
std::optional<int64_t> remainingBytes(std::istream& stream)
{
    const auto here = stream.tellg();
    if (here == std::streampos(-1)) {
        stream.clear();
        return std::nullopt;
    }
    stream.seekg(0, std::ios::end);
    const auto end = stream.tellg();
    stream.clear();
    stream.seekg(here);
    if (end == std::streampos(-1) || !stream) {
        stream.clear();
        return std::nullopt;
    }
    return int64_t(end - here);
}

} // namespace

bool TBDBitmapData::SetSize(int32_t width, int32_t height)
{
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
        return false;
    // 64-bit arithmetic: kMaxSide keeps the product below 2^32, DataSize may
    // still exceed int32, which is rejected below.
    const int64_t stride = ((int64_t(width) * 24 + 31) & ~int64_t(31)) / 8;
    const int64_t dataSize = stride * height;
    if (dataSize > INT32_MAX)
        return false;
    // The same size again changes nothing, unless an earlier allocation of
    // this size failed and left no array behind.
    if (width == FWidth && height == FHeight && dataSize == FDataSize)
        return true;
    FWidth = width;
    FHeight = height;
    FStride = int32_t(stride);
    FRowPadding = int32_t(stride - 3 * int64_t(width));
    FDataSize = int32_t(dataSize);
    if (FDataSize <= FCapacity)
        return true;
    FPixels.reset();
    FCapacity = 0;
    FPixels.reset(static_cast<uint8_t*>(std::calloc(size_t(FDataSize), 1)));
    if (!FPixels) {
        FDataSize = 0;
        return false;
    }
    FCapacity = FDataSize;
    ++FAllocations;
    return true;
}

void TBDBitmapData::Clear()
{
    FWidth = FHeight = FStride = FRowPadding = FDataSize = FCapacity = 0;
    FPixels.reset();
}

bool TBDBitmapData::LoadFromStream(std::istream& stream)
{
    std::array<uint8_t, kHeaderSize> header {};
    if (!stream.read(reinterpret_cast<char*>(header.data()), kHeaderSize))
        return false;
    const uint16_t type = readLe16(&header[0]);
    const uint32_t infoSize = readLe32(&header[14]);
    const int32_t width = int32_t(readLe32(&header[18]));
    const int32_t height = int32_t(readLe32(&header[22]));
    const uint16_t bitCount = readLe16(&header[28]);
    const uint32_t compression = readLe32(&header[30]);
    if (type != 0x4D42 || infoSize != 40 || bitCount != 24 || compression != 0)
        return false;
    // Top-down images (negative height) and absurd sizes are rejected before
    // anything is allocated.
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
        return false;
    const int64_t stride = ((int64_t(width) * 24 + 31) & ~int64_t(31)) / 8;
    const int64_t needed = stride * height;
    if (needed > INT32_MAX)
        return false;
    // A stream that ends early still gives the header's size: the picture
    // keeps its place and shape, what did not come reads as black, and the
    // load fails. A seekable stream tells its length; any other is read in
    // chunks first. A fresh array comes zeroed from calloc, so a header that
    // lies about its size costs address space, not memory.
    const std::optional<int64_t> available = remainingBytes(stream);
    std::vector<char> staged;
    int64_t supplied = 0;
    if (available) {
        supplied = std::min(*available, needed);
    } else {
        constexpr size_t kChunk = size_t(1) << 20;
        while (int64_t(staged.size()) < needed) {
            const size_t want = std::min<size_t>(kChunk, size_t(needed) - staged.size());
            const size_t had = staged.size();
            staged.resize(had + want);
            stream.read(staged.data() + had, std::streamsize(want));
            if (stream.gcount() != std::streamsize(want)) {
                staged.resize(had + size_t(stream.gcount()));
                break;
            }
        }
        supplied = int64_t(staged.size());
    }
    const int allocationsBefore = FAllocations;
    if (!SetSize(width, height))
        return false;
    if (FDataSize == 0)
        return true;
    // Only the pages the data fills are made at once: a header that claims
    // more than came costs address space, not memory.
    if (FAllocations != allocationsBefore)
        FaultInPages(FPixels.get(), size_t(supplied));
    int64_t got = supplied;
    if (!available) {
        std::memcpy(FPixels.get(), staged.data(), size_t(supplied));
    } else {
        stream.read(reinterpret_cast<char*>(FPixels.get()), std::streamsize(supplied));
        got = stream.gcount();
    }
    if (got == FDataSize)
        return true;
    if (FAllocations == allocationsBefore)
        std::memset(FPixels.get() + got, 0, size_t(FDataSize - got));
    return false;
}

std::array<uint8_t, TBDBitmapData::kFileHeaderSize> TBDBitmapData::FileHeader() const
{
    std::array<uint8_t, kHeaderSize> header {};
    header[0] = 'B';
    header[1] = 'M';
    writeLe32(&header[2], uint32_t(kHeaderSize + FDataSize));
    writeLe32(&header[10], kHeaderSize);
    writeLe32(&header[14], 40);
    writeLe32(&header[18], uint32_t(FWidth));
    writeLe32(&header[22], uint32_t(FHeight));
    header[26] = 1;
    header[28] = 24;
    writeLe32(&header[34], uint32_t(FDataSize));
    writeLe32(&header[38], 2835); // 72 dpi
    writeLe32(&header[42], 2835);
    return header;
}

bool TBDBitmapData::SaveToStream(std::ostream& stream) const
{
    const std::array<uint8_t, kHeaderSize> header = FileHeader();
    stream.write(reinterpret_cast<const char*>(header.data()), kHeaderSize);
    if (FDataSize > 0)
        stream.write(reinterpret_cast<const char*>(FPixels.get()), FDataSize);
    return bool(stream);
}

CaptureRect CaptureRectangle(const ScreenSize& screen, int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (left < 0 || left >= screen.width)
        left = 0;
    if (top < 0 || top >= screen.height)
        top = 0;
    if (width < 1)
        width = screen.width - left;
    if (height < 1)
        height = screen.height - top;
    return CaptureRect { left, top, width, height };
}

bool TBDBitmapData::CaptureScreen(ScreenSource& screen, int32_t left, int32_t top, int32_t width, int32_t height)
{
    const CaptureRect rect = CaptureRectangle(screen.screenSize(), left, top, width, height);
    const int allocationsBefore = FAllocations;
    if (!SetSize(rect.width, rect.height))
        return false;
    // A fresh array is filled whole: its pages are made with one call.
    if (FAllocations != allocationsBefore)
        FaultInPages(FPixels.get(), size_t(FDataSize));
    return screen.capture(rect.left, rect.top, View());
}

} // namespace clickwisp
