#pragma once

#include "core/action.h"
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_data.h"
#include "screen/bitmap_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace clickwisp::test {

// A fake desktop and its trace, for driving actions and runs in tests.
struct FakeDesk {
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    Platform platform;

    explicit FakeDesk(ScreenPoint pointer = { 0, 0 }, const std::filesystem::path& screen = {}, bool focus = true)
    {
        std::optional<ScreenImage> image;
        if (!screen.empty()) {
            auto loaded = LoadScreenImage(screen);
            EXPECT_TRUE(loaded.has_value()) << (loaded ? "" : loaded.error().message);
            if (loaded)
                image = std::move(*loaded);
        }
        platform = makeFakePlatform(FakeOptions { trace, std::move(image), pointer, focus });
    }

    Desktop desktop() { return Desktop { *platform.input, *platform.text, *platform.screen }; }
    std::vector<std::string> lines() const { return trace->lines(); }
};

// A 24-bit BMP file image of width x height, every pixel 0x00RRGGBB colour.
inline std::string SolidBmp(int32_t width, int32_t height, uint32_t colour)
{
    TBDBitmapData image;
    image.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.Row(y) + size_t(x) * 3;
            p[0] = uint8_t(colour);
            p[1] = uint8_t(colour >> 8);
            p[2] = uint8_t(colour >> 16);
        }
    }
    std::ostringstream out;
    image.SaveToStream(out);
    return out.str();
}

inline std::unique_ptr<TBaseCtrlEX> MakeAction(uint8_t actionType)
{
    auto action = TBaseCtrlEX::Create();
    action->actionType = actionType;
    return action;
}

} // namespace clickwisp::test
