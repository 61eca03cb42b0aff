#pragma once

// Small helpers to build pixel buffers for the screen search tests.
#include "screen/bitmap_data.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace clickwisp::test {

inline void setPixel(TBDBitmapData& image, int32_t x, int32_t y, uint32_t rgb)
{
    uint8_t* p = image.Row(y) + size_t(x) * 3;
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
}

// A width x height buffer of one colour. The row padding gets junk so that a
// search that looks at it shows up.
inline std::unique_ptr<TBDBitmapData> solidImage(int32_t width, int32_t height, uint32_t rgb)
{
    auto image = std::make_unique<TBDBitmapData>();
    if (!image->SetSize(width, height))
        return nullptr;
    for (int32_t i = 0; i < image->DataSize(); ++i)
        image->Pixels()[i] = uint8_t(0xA5 ^ i);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            setPixel(*image, x, y, rgb);
    return image;
}

// The rectangle (left, top, width, height) of source as a picture of its own.
inline std::unique_ptr<TBDBitmapData> cutOut(
    const TBDBitmapData& source, int32_t left, int32_t top, int32_t width, int32_t height)
{
    auto image = solidImage(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            setPixel(*image, x, y, source.PixelAt(left + x, top + y));
    return image;
}

inline bool writeBmp(const std::filesystem::path& path, const TBDBitmapData& image)
{
    std::ofstream out(path, std::ios::binary);
    return image.SaveToStream(out) && bool(out.flush());
}

// The BMP file of image, as the bytes of a picture action.
inline std::string bmpBytes(const TBDBitmapData& image)
{
    std::ostringstream out;
    image.SaveToStream(out);
    return out.str();
}

inline std::unique_ptr<TBDBitmapData> readBmp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    auto image = std::make_unique<TBDBitmapData>();
    if (!image->LoadFromStream(in))
        return nullptr;
    return image;
}

// Random numbers and colours for the property tests, from a fixed seed.
class RandomPixels {
public:
    explicit RandomPixels(uint32_t seed)
        : m_random(seed)
    {
    }

    int32_t between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(m_random); }
    bool chance(int percent) { return between(0, 99) < percent; }
    uint32_t anyColor() { return uint32_t(between(0, 0xFFFFFF)); }
    // A colour whose channels each differ from base by at most spread.
    uint32_t near(uint32_t base, int32_t spread)
    {
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int32_t c = std::clamp(int32_t((base >> shift) & 0xFF) + between(-spread, spread), 0, 255);
            out |= uint32_t(c) << shift;
        }
        return out;
    }

private:
    std::mt19937 m_random;
};

} // namespace clickwisp::test
