// X11 hot keys on a private X server, pressed by an independent client.
#include "platform/x11/x11_platform.h"
#include "record/hot_keys.h"
#include "tests/support/process.h"
#include "tests/support/xdotool.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace clickwisp {
namespace {

using test::runProcess;
using test::xdotool;
using test::XvfbServer;
using namespace std::chrono_literals;

constexpr uint32_t VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73;
using Key = std::pair<uint32_t, uint32_t>;

// Collects the keys a source delivers on its own thread.
class Arrivals {
public:
    HotKeySource::Handler handler()
    {
        return [this](uint32_t modifiers, uint32_t vk) {
            std::lock_guard lock(m_mutex);
            m_keys.emplace_back(modifiers, vk);
            m_changed.notify_all();
        };
    }
    // The keys that arrived once count of them have, or at the timeout.
    std::vector<Key> waitFor(size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 10s, [&] { return m_keys.size() >= count; });
        return m_keys;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Key> m_keys;
};

class X11HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.ok()) << server.error();
        auto made = makeX11HotKeys(server.display());
        ASSERT_TRUE(made) << made.error().message;
        source = std::move(*made);
        source->setHandler(arrivals.handler());
    }

    XvfbServer server { 800, 600 };
    std::unique_ptr<HotKeySource> source;
    Arrivals arrivals;
};

TEST(X11HotKeysOpen, MissingDisplayIsReportedByName)
{
    auto source = makeX11HotKeys(":986");
    ASSERT_FALSE(source);
    EXPECT_NE(source.error().message.find("':986'"), std::string::npos) << source.error().message;
}

TEST_F(X11HotKeysTest, RegisteredKeysArriveAsModifierAndVirtualKey)
{
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F3));
    ASSERT_TRUE(source->registerHotKey(2, MOD_CONTROL, VK_F2));
    ASSERT_TRUE(xdotool({ "key", "F3", "ctrl+F3", "alt+F3", "ctrl+F2" }));
    EXPECT_EQ(arrivals.waitFor(2), (std::vector<Key> { { MOD_ALT, VK_F3 }, { MOD_CONTROL, VK_F2 } }));
}

TEST_F(X11HotKeysTest, KeysWorkWhateverTheLockState)
{
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F3));
    ASSERT_TRUE(xdotool({ "key", "Num_Lock", "alt+F3", "Caps_Lock", "alt+F3", "Num_Lock", "alt+F3", "Caps_Lock" }));
    EXPECT_EQ(arrivals.waitFor(3), (std::vector<Key>(3, Key { MOD_ALT, VK_F3 })));
}

TEST_F(X11HotKeysTest, KeyHeldByAnotherProgramIsReportedByName)
{
    auto other = makeX11HotKeys(server.display());
    ASSERT_TRUE(other) << other.error().message;
    ASSERT_TRUE((*other)->registerHotKey(7, MOD_CONTROL, VK_F2));

    auto registered = source->registerHotKey(1, MOD_CONTROL, VK_F2);
    ASSERT_FALSE(registered);
    EXPECT_NE(registered.error().message.find("CTRL+F2"), std::string::npos) << registered.error().message;
    EXPECT_NE(registered.error().message.find("another program"), std::string::npos);

    // Once the other program lets go, the key can be had.
    (*other)->unregisterHotKey(7);
    ASSERT_TRUE(source->registerHotKey(1, MOD_CONTROL, VK_F2));
    ASSERT_TRUE(xdotool({ "key", "ctrl+F2" }));
    EXPECT_EQ(arrivals.waitFor(1), (std::vector<Key> { { MOD_CONTROL, VK_F2 } }));
}

TEST_F(X11HotKeysTest, UnregisteredKeyNoLongerArrives)
{
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F3));
    ASSERT_TRUE(source->registerHotKey(2, MOD_ALT, VK_F4));
    source->unregisterHotKey(1);
    source->unregisterHotKey(99); // unknown: ignored
    // F4 comes after F3, so once F4 is in, F3 would have been too.
    ASSERT_TRUE(xdotool({ "key", "alt+F3", "alt+F4" }));
    EXPECT_EQ(arrivals.waitFor(1), (std::vector<Key> { { MOD_ALT, VK_F4 } }));
}

TEST_F(X11HotKeysTest, SameCombinationUnderTwoIdentifiersIsRefused)
{
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F3));
    auto again = source->registerHotKey(2, MOD_ALT, VK_F3);
    ASSERT_FALSE(again);
    EXPECT_NE(again.error().message.find("ALT+F3"), std::string::npos);
    // Registering an identifier again replaces its key.
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F4));
    ASSERT_TRUE(xdotool({ "key", "alt+F3", "alt+F4" }));
    EXPECT_EQ(arrivals.waitFor(1), (std::vector<Key> { { MOD_ALT, VK_F4 } }));
}

TEST_F(X11HotKeysTest, HeldKeyTogglesOnlyOnce)
{
    ASSERT_TRUE(source->registerHotKey(1, MOD_ALT, VK_F2));
    ASSERT_TRUE(source->registerHotKey(2, MOD_ALT, VK_F4));
    // Held past the auto-repeat delay.
    ASSERT_TRUE(xdotool({ "keydown", "alt+F2", "sleep", "1.2", "keyup", "F2", "key", "F4", "keyup", "alt" }));
    EXPECT_EQ(arrivals.waitFor(2), (std::vector<Key> { { MOD_ALT, VK_F2 }, { MOD_ALT, VK_F4 } }));
}

TEST_F(X11HotKeysTest, WaitForReleaseFollowsTheHeldKeys)
{
    ASSERT_TRUE(xdotool({ "keydown", "ctrl" }));
    EXPECT_FALSE(source->waitForRelease(MOD_CONTROL, VK_F2, 200ms));
    ASSERT_TRUE(xdotool({ "keyup", "ctrl", "keydown", "F2" }));
    EXPECT_FALSE(source->waitForRelease(MOD_CONTROL, VK_F2, 200ms));
    // ALT is not part of this hot key, so holding it does not matter.
    ASSERT_TRUE(xdotool({ "keyup", "F2", "keydown", "alt" }));
    EXPECT_TRUE(source->waitForRelease(MOD_CONTROL, VK_F2, 2s));
    EXPECT_FALSE(source->waitForRelease(MOD_ALT, VK_F2, 200ms));
    ASSERT_TRUE(xdotool({ "keyup", "alt" }));
}

} // namespace
} // namespace clickwisp
