#pragma once

// The screen of a test GNOME as independent programs see it: the
// compositor's own screen cast (tests/support/mutter_screenshot.py) and
// ImageMagick's reading of the BMP files Clickwisp writes.
#include "tests/gnome/gnome_session.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace clickwisp::test {

// A picture with rows top first, 3 bytes a pixel (red, green, blue).
struct RgbImage {
    int width = 0, height = 0;
    std::string pixels;

    uint32_t at(int x, int y) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(pixels.data()) + (size_t(y) * width + x) * 3;
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    // The first pixel of rgb in rows-first order, as the searches scan.
    std::optional<std::pair<int, int>> find(uint32_t rgb) const
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) == rgb)
                    return std::make_pair(x, y);
        return std::nullopt;
    }
    // The first square of size x size pixels all of rgb, by its top-left
    // corner in rows-first order (a window's pattern, not a stray pixel of
    // the same colour in a text).
    std::optional<std::pair<int, int>> findSquare(uint32_t rgb, int size) const
    {
        for (int y = 0; y + size <= height; ++y)
            for (int x = 0; x + size <= width; ++x) {
                bool whole = true;
                for (int dy = 0; dy < size && whole; ++dy)
                    for (int dx = 0; dx < size && whole; ++dx)
                        whole = at(x + dx, y + dy) == rgb;
                if (whole)
                    return std::make_pair(x, y);
            }
        return std::nullopt;
    }
    friend bool operator==(const RgbImage&, const RgbImage&) = default;
};

// A binary PPM (P6, maximum 255).
inline std::optional<RgbImage> readPpm(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    RgbImage image;
    int maximum = 0;
    if (!(in >> magic >> image.width >> image.height >> maximum) || magic != "P6" || maximum != 255)
        return std::nullopt;
    in.get();
    image.pixels.resize(size_t(image.width) * image.height * 3);
    if (!in.read(image.pixels.data(), std::streamsize(image.pixels.size())))
        return std::nullopt;
    return image;
}

// The compositor's own picture of the whole screen, now.
inline std::optional<RgbImage> compositorScreenshot(const HeadlessGnome& desktop, const std::string& name)
{
    const auto file = desktop.runtimeDir() / (name + ".ppm");
    const auto taken = desktop.run({ "/usr/bin/python3",
        std::string(CLICKWISP_SOURCE_DIR) + "/tests/support/mutter_screenshot.py", file.string() });
    if (taken.status != 0) {
        ADD_FAILURE() << "mutter_screenshot.py: " << taken.err;
        return std::nullopt;
    }
    return readPpm(file);
}

// A BMP file read by ImageMagick, not by Clickwisp.
inline std::optional<RgbImage> readBmp(const std::filesystem::path& bmp)
{
    const auto ppm = bmp.string() + ".ppm";
    if (runProcess({ "convert", bmp.string(), ppm }).status != 0)
        return std::nullopt;
    return readPpm(ppm);
}

} // namespace clickwisp::test
