// Any bytes as a BMP image: loads only within the data given, and a loaded
// picture saves and loads back to the same pixels.
#include "screen/bitmap_data.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <spanstream>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace clickwisp;
    std::ispanstream stream(std::span<const char>(reinterpret_cast<const char*>(data), size));
    TBDBitmapData picture;
    if (!picture.LoadFromStream(stream))
        return 0;
    if (int64_t(picture.DataSize()) + 54 > int64_t(size))
        std::abort();
    // Every pixel is the file's: its first row is the image's bottom row.
    const uint8_t* rows = data + 54;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = rows + size_t(picture.Height() - 1 - y) * size_t(picture.Stride());
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const uint8_t* p = row + 3 * size_t(x);
            if (picture.PixelAt(x, y) != (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16))
                std::abort();
        }
    }
    std::ostringstream out;
    if (!picture.SaveToStream(out))
        std::abort();
    std::istringstream in(out.str());
    TBDBitmapData again;
    if (!again.LoadFromStream(in) || again.Width() != picture.Width() || again.Height() != picture.Height())
        std::abort();
    if (picture.DataSize() > 0 && std::memcmp(again.Pixels(), picture.Pixels(), size_t(picture.DataSize())) != 0)
        std::abort();
    return 0;
}
