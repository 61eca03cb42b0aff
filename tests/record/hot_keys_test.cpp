// The four global hot keys: registration with the configured numbers, the
// dispatch of a key that arrives, and the wait before a hot-key playback.
#include "platform/fake/fake_hot_keys.h"
#include "record/hot_keys.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

constexpr uint32_t VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F13 = 0x7C;

TEST(WMHotKey, OtherCombinationsAreIgnored)
{
    const HotKeyNumbers defaults;
    EXPECT_EQ(WMHotKey(MOD_ALT, VK_F4, defaults), HotKeyCommand::Nothing);
    EXPECT_EQ(WMHotKey(MOD_CONTROL, VK_F1, defaults), HotKeyCommand::Nothing);
    // The modifier set must be exactly one of the two.
    EXPECT_EQ(WMHotKey(MOD_ALT | MOD_CONTROL, VK_F2, defaults), HotKeyCommand::Nothing);
    EXPECT_EQ(WMHotKey(0, VK_F2, defaults), HotKeyCommand::Nothing);
    EXPECT_EQ(WMHotKey(0x0004 /* shift */, VK_F3, defaults), HotKeyCommand::Nothing);
    EXPECT_EQ(WMHotKey(MOD_CONTROL, 'A', defaults), HotKeyCommand::Nothing);
}

TEST(WMHotKey, NumbersAreReadAtTheMomentOfThePress)
{
    HotKeyNumbers numbers;
    numbers.runningStart = 10;
    numbers.runningStop = 11;
    numbers.shadeStart = 0;
    numbers.shadeStop = 4;
    EXPECT_EQ(WMHotKey(MOD_CONTROL, VK_F1 + 10, numbers), HotKeyCommand::Run);
    EXPECT_EQ(WMHotKey(MOD_CONTROL, VK_F12, numbers), HotKeyCommand::Stop);
    EXPECT_EQ(WMHotKey(MOD_CONTROL, VK_F2, numbers), HotKeyCommand::Nothing);
    EXPECT_EQ(WMHotKey(MOD_ALT, VK_F1, numbers), HotKeyCommand::ToggleRecording);
    EXPECT_EQ(WMHotKey(MOD_ALT, VK_F5, numbers), HotKeyCommand::ToggleRecording);
    EXPECT_EQ(WMHotKey(MOD_ALT, VK_F3, numbers), HotKeyCommand::Nothing);
}

TEST(HotKeyText, NamesTheCombinationAsTheUserReadsIt)
{
    EXPECT_EQ(HotKeyText(MOD_ALT, VK_F3), "ALT+F3");
    EXPECT_EQ(HotKeyText(MOD_CONTROL, VK_F12), "CTRL+F12");
    EXPECT_EQ(HotKeyText(MOD_ALT, VK_F13), "ALT+F13");
    EXPECT_EQ(HotKeyText(MOD_CONTROL, 0x6F), "CTRL+Num[/]");
    EXPECT_EQ(HotKeyText(MOD_ALT, 0xE8), "ALT+key 0xE8");
}

class HotKeysTest : public ::testing::Test {
protected:
    HotKeysTest()
    {
        source.setHandler([this](uint32_t modifiers, uint32_t vk) { arrived.emplace_back(modifiers, vk); });
    }

    std::string id(const char* name) { return std::to_string(GlobalAddAtom(name)); }

    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    FakeHotKeys source { trace };
    HotKeys hotKeys { source };
    std::vector<std::pair<uint32_t, uint32_t>> arrived;
};

TEST_F(HotKeysTest, RegistersTheFourNamesInOrder)
{
    ASSERT_TRUE(hotKeys.RegisterHotKeys(HotKeyNumbers {}));
    EXPECT_EQ(trace->lines(),
        (std::vector<std::string> {
            "registerHotKey " + id("WispShadepathStart") + " ALT+F2",
            "registerHotKey " + id("WispShadepathStop") + " ALT+F3",
            "registerHotKey " + id("WispRunningStart") + " CTRL+F2",
            "registerHotKey " + id("WispRunningStop") + " CTRL+F3",
        }));
    EXPECT_EQ(hotKeys.HotKeyIds(),
        (std::vector<std::string> {
            id("WispShadepathStart"), id("WispShadepathStop"), id("WispRunningStart"), id("WispRunningStop") }));
    EXPECT_TRUE(source.press(MOD_CONTROL, VK_F2));
    EXPECT_FALSE(source.press(MOD_CONTROL, VK_F4));
    EXPECT_EQ(arrived, (std::vector<std::pair<uint32_t, uint32_t>> { { MOD_CONTROL, VK_F2 } }));
}

TEST_F(HotKeysTest, NewSettingsReplaceTheOldKeys)
{
    ASSERT_TRUE(hotKeys.RegisterHotKeys(HotKeyNumbers {}));
    HotKeyNumbers numbers { 5, 6, 7, 8 };
    trace->clear();
    ASSERT_TRUE(hotKeys.RegisterHotKeys(numbers));
    // Every old key goes before any new one comes.
    const auto lines = trace->lines();
    ASSERT_EQ(lines.size(), 8u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(lines[i].rfind("unregisterHotKey ", 0), 0u) << lines[i];
    EXPECT_EQ(lines[4], "registerHotKey " + id("WispShadepathStart") + " ALT+F6");
    EXPECT_EQ(lines[7], "registerHotKey " + id("WispRunningStop") + " CTRL+F9");

    EXPECT_FALSE(source.press(MOD_ALT, VK_F2));
    EXPECT_FALSE(source.press(MOD_CONTROL, VK_F3));
    EXPECT_TRUE(source.press(MOD_ALT, VK_F1 + 6));
    EXPECT_TRUE(source.press(MOD_CONTROL, VK_F1 + 8));
    EXPECT_EQ(hotKeys.HotKeyIds().size(), 4u);
}

TEST_F(HotKeysTest, KeyHeldByAnotherProgramIsReportedByNameAndTheRestStillWork)
{
    source.holdElsewhere(MOD_ALT, VK_F3);
    auto registered = hotKeys.RegisterHotKeys(HotKeyNumbers {});
    ASSERT_FALSE(registered);
    EXPECT_NE(registered.error().message.find("ALT+F3"), std::string::npos) << registered.error().message;
    EXPECT_EQ(registered.error().message.find("CTRL"), std::string::npos) << registered.error().message;
    EXPECT_EQ(source.registered(),
        (std::set<std::pair<uint32_t, uint32_t>> {
            { MOD_ALT, VK_F2 }, { MOD_CONTROL, VK_F2 }, { MOD_CONTROL, VK_F3 } }));
}

TEST_F(HotKeysTest, EveryFailedCombinationIsNamed)
{
    source.holdElsewhere(MOD_ALT, VK_F2);
    source.holdElsewhere(MOD_CONTROL, VK_F3);
    auto registered = hotKeys.RegisterHotKeys(HotKeyNumbers {});
    ASSERT_FALSE(registered);
    EXPECT_NE(registered.error().message.find("ALT+F2"), std::string::npos) << registered.error().message;
    EXPECT_NE(registered.error().message.find("CTRL+F3"), std::string::npos) << registered.error().message;
}

TEST_F(HotKeysTest, SameNumberTwiceRegistersOnceAndTheKeyStillArrives)
{
    HotKeyNumbers numbers;
    numbers.runningStart = 4;
    numbers.runningStop = 4;
    ASSERT_TRUE(hotKeys.RegisterHotKeys(numbers));
    EXPECT_EQ(source.registered().size(), 3u);
    EXPECT_EQ(hotKeys.HotKeyIds().size(), 4u);
    EXPECT_TRUE(source.press(MOD_CONTROL, VK_F5));
    EXPECT_EQ(WMHotKey(arrived.at(0).first, arrived.at(0).second, numbers), HotKeyCommand::Stop);

    // Changing it back frees the key and takes the two new ones.
    ASSERT_TRUE(hotKeys.RegisterHotKeys(HotKeyNumbers {}));
    EXPECT_FALSE(source.press(MOD_CONTROL, VK_F5));
    EXPECT_EQ(source.registered().size(), 4u);
}

TEST_F(HotKeysTest, NumbersOutsideTheFunctionKeysRegisterButDoNothing)
{
    HotKeyNumbers numbers;
    numbers.shadeStart = 12;
    numbers.runningStart = -1;
    ASSERT_TRUE(hotKeys.RegisterHotKeys(numbers));
    EXPECT_TRUE(source.registered().contains({ MOD_ALT, VK_F13 }));
    EXPECT_TRUE(source.registered().contains({ MOD_CONTROL, VK_F1 - 1 }));
    ASSERT_TRUE(source.press(MOD_ALT, VK_F13));
    EXPECT_EQ(WMHotKey(arrived.at(0).first, arrived.at(0).second, numbers), HotKeyCommand::Nothing);
}

TEST_F(HotKeysTest, UnregisterAndDestructionReleaseEveryKey)
{
    ASSERT_TRUE(hotKeys.RegisterHotKeys(HotKeyNumbers {}));
    hotKeys.UnregisterHotKeys();
    EXPECT_TRUE(source.registered().empty());
    EXPECT_TRUE(hotKeys.HotKeyIds().empty());

    {
        HotKeys scoped(source);
        ASSERT_TRUE(scoped.RegisterHotKeys(HotKeyNumbers {}));
        EXPECT_EQ(source.registered().size(), 4u);
    }
    EXPECT_TRUE(source.registered().empty());
}

} // namespace
} // namespace clickwisp
