#pragma once

#include "core/action.h"
#include "platform/fake/fake_platform.h"
#include "screen/bitmap_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
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

inline std::unique_ptr<TBaseCtrlEX> MakeAction(uint8_t actionType)
{
    auto action = TBaseCtrlEX::Create();
    action->actionType = actionType;
    return action;
}

} // namespace clickwisp::test
