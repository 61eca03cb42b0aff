#include "screen/bitmap_file.h"

#include <fstream>

namespace clickwisp {

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
    auto loaded = LoadBitmapFile(file, "screen image");
    if (!loaded)
        return std::unexpected(loaded.error());
    std::shared_ptr<TBDBitmapData> image = std::move(*loaded);
    return ScreenImage { image->View(), image };
}

} // namespace clickwisp
