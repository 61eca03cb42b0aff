// The options dialog's conversions from and to the configuration; the Qt
// test (tests/ui/options_dialog_test) stores every control once.
#include "app/options_presenter.h"

#include "config/config.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

// The interval shows in tenths. A repeat mode other than 0-2 chooses none and
// is stored as 2; a hot-key number outside F1-F12 chooses none and is kept.
TEST(OptionsPresenter, ValuesTheControlsCannotShowAreCutMendedOrKept)
{
    test::TempDir dir;
    TConfig config { dir / "config.xml" };
    config.GetRunning().setInterval(2 * 3600000 + 3 * 60000 + 4 * 1000 + 567);
    config.GetRunning().setRepeat(5);
    config.GetShade().setStart(12);
    config.GetRunning().setStop(-1);
    const OptionsFields fields = OptionsFromConfig(config);
    EXPECT_EQ(fields.interval, (std::array<int32_t, 4> { 2, 3, 4, 5 }));
    EXPECT_EQ(fields.repeatMode, -1);
    EXPECT_EQ(fields.hotKeys, (std::array { -1, 2, 1, -1 })); // F3 and F2 by default
    StoreOptions(fields, config);
    EXPECT_EQ(config.GetRunning().interval(), 2 * 3600000 + 3 * 60000 + 4 * 1000 + 500);
    EXPECT_EQ(config.GetRunning().repeat(), 2);
    EXPECT_EQ(config.GetShade().start(), 12);
    EXPECT_EQ(config.GetRunning().stop(), -1);
}

// Only a Wayland session whose compositor does not bind the keys for the
// program asks the user to bind them.
TEST(OptionsPresenter, TheKeysToBindByHandFollowTheChosenKeys)
{
    OptionsFields fields;
    fields.hotKeys = { 1, 2, 11, -1 };
    EXPECT_TRUE(ManualKeyBindings(fields, { false, false }).empty());
    EXPECT_TRUE(ManualKeyBindings(fields, { true, true }).empty());
    const auto bindings = ManualKeyBindings(fields, { true, false });
    ASSERT_EQ(bindings.size(), 4u);
    std::vector<std::string> lines;
    for (const auto& binding : bindings)
        lines.push_back(binding.keys + " " + binding.command);
    EXPECT_EQ(lines,
        (std::vector<std::string> { "ALT+F2 clickwisp-cli remote start-record",
            "ALT+F3 clickwisp-cli remote stop-record", "CTRL+F12 clickwisp-cli remote start-run",
            "CTRL+? clickwisp-cli remote stop-run" }));
}

} // namespace
} // namespace clickwisp
