#include "screen/bitmap_file.h"

#include <cstdint>
#include <fstream>
#include <optional>

#if __has_include(<sys/mman.h>) && __has_include(<fcntl.h>) && __has_include(<unistd.h>)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define CLICKWISP_MAP_FILES 1
#endif

namespace clickwisp {
namespace {

#ifdef CLICKWISP_MAP_FILES
uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A read-only mapping of a whole file, unmapped with its last owner.
struct Mapping {
    void* address = MAP_FAILED;
    size_t bytes = 0;
    ~Mapping()
    {
        if (address != MAP_FAILED)
            munmap(address, bytes);
    }
};

// The file's pixels where they lie in the page cache: no array to zero and
// fill, no copy. Only a complete, well-formed image is mapped; anything else
// (and a system without mmap) is left to the stream reader and its messages.
// The pages are mapped at once (MAP_POPULATE), not one fault at a time.
// Files the programs write are replaced by renaming, which leaves a mapping
// of the old file intact.
std::optional<ScreenImage> mapScreenImage(const std::filesystem::path& file)
{
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info { };
    auto mapping = std::make_shared<Mapping>();
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > TBDBitmapData::kFileHeaderSize) {
        mapping->bytes = size_t(info.st_size);
        mapping->address = mmap(nullptr, mapping->bytes, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    }
    close(fd);
    if (mapping->address == MAP_FAILED)
        return std::nullopt;
    const auto* bytes = static_cast<const uint8_t*>(mapping->address);
    const uint32_t infoSize = le32(bytes + 14), compression = le32(bytes + 30);
    const int32_t width = int32_t(le32(bytes + 18)), height = int32_t(le32(bytes + 22));
    const uint16_t bitCount = uint16_t(bytes[28] | (bytes[29] << 8));
    if (bytes[0] != 'B' || bytes[1] != 'M' || infoSize != 40 || bitCount != 24 || compression != 0 || width <= 0
        || height <= 0 || width > TBDBitmapData::kMaxSide || height > TBDBitmapData::kMaxSide)
        return std::nullopt;
    const int64_t stride = ((int64_t(width) * 24 + 31) & ~int64_t(31)) / 8;
    if (stride * height > INT32_MAX || TBDBitmapData::kFileHeaderSize + stride * height > int64_t(mapping->bytes))
        return std::nullopt;
    // The view is never written through (the fake screen only copies from
    // it); the mapping is read-only.
    uint8_t* pixels = const_cast<uint8_t*>(bytes) + TBDBitmapData::kFileHeaderSize;
    return ScreenImage { PixelView { pixels, width, height, int32_t(stride) }, mapping };
}
#endif

} // namespace

Result<std::unique_ptr<TBDBitmapData>> LoadBitmapFile(const std::filesystem::path& file, std::string_view what)
{
    const std::string name = std::string(what) + " " + file.string();
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return fail(name + ": cannot be opened");
    auto image = std::make_unique<TBDBitmapData>();
    if (!image->LoadFromStream(in))
        return fail(name + ": not an uncompressed 24-bit BMP image");
    return image;
}

Result<ScreenImage> LoadScreenImage(const std::filesystem::path& file)
{
#ifdef CLICKWISP_MAP_FILES
    if (auto mapped = mapScreenImage(file))
        return std::move(*mapped);
#endif
    auto loaded = LoadBitmapFile(file, "screen image");
    if (!loaded)
        return std::unexpected(loaded.error());
    std::shared_ptr<TBDBitmapData> image = std::move(*loaded);
    return ScreenImage { image->View(), image };
}

} // namespace clickwisp
