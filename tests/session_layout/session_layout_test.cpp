// SessionLayout reads the keymap a compositor gives its clients and follows
// it when the user switches layouts: a compositor of the tests' own that
// offers a seat with a keyboard (or without one) and sends XKB keymaps.
#include "platform/session_layout.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-server.h>
#include <xkbcommon/xkbcommon.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace clickwisp {
namespace {

// The XKB keymap text of a layout, as a compositor sends it.
std::string keymapText(const char* layout)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names { "evdev", "pc105", layout, "", "" };
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    std::string out = text;
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return out;
}

class KeyboardCompositor {
public:
    KeyboardCompositor(const std::filesystem::path& runtimeDir, bool keyboard, std::string keymap)
        : m_keyboardCapability(keyboard)
        , m_keymap(std::move(keymap))
    {
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        m_display = wl_display_create();
        const char* socket = wl_display_add_socket_auto(m_display);
        m_socket = socket ? socket : "";
        wl_global_create(m_display, &wl_seat_interface, 5, this, bindSeat);
        m_thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(m_display);
            while (!m_stop) {
                wl_event_loop_dispatch(loop, 10);
                sendPendingKeymap();
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~KeyboardCompositor()
    {
        m_stop = true;
        m_thread.join();
        // A client whose hang-up was not read yet goes too.
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }
    const std::string& socket() const { return m_socket; }

    // The seat gains a keyboard, as a headless one does with the first
    // virtual keyboard's event.
    void plugKeyboard()
    {
        std::lock_guard lock(m_mutex);
        m_plug = true;
    }

    // Sends keymap to every keyboard, as on a layout switch.
    void switchTo(std::string keymap)
    {
        std::lock_guard lock(m_mutex);
        m_keymap = std::move(keymap);
        m_switch = true;
    }

private:
    static void sendKeymap(wl_resource* keyboard, const std::string& text)
    {
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        if (write(fd, text.c_str(), text.size() + 1) != ssize_t(text.size() + 1))
            ADD_FAILURE() << "cannot write the keymap";
        wl_keyboard_send_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(text.size() + 1));
        close(fd);
    }

    void sendPendingKeymap()
    {
        std::lock_guard lock(m_mutex);
        if (m_plug) {
            m_plug = false;
            m_keyboardCapability = true;
            for (wl_resource* seat : m_seats)
                wl_seat_send_capabilities(seat, WL_SEAT_CAPABILITY_KEYBOARD);
        }
        if (!m_switch)
            return;
        m_switch = false;
        for (wl_resource* keyboard : m_keyboards)
            sendKeymap(keyboard, m_keymap);
    }

    static void getKeyboard(wl_client* client, wl_resource* seat, uint32_t id)
    {
        auto* self = static_cast<KeyboardCompositor*>(wl_resource_get_user_data(seat));
        wl_resource* keyboard = wl_resource_create(client, &wl_keyboard_interface, wl_resource_get_version(seat), id);
        static const struct wl_keyboard_interface kKeyboard
            = { [](wl_client*, wl_resource* r) { wl_resource_destroy(r); } };
        wl_resource_set_implementation(keyboard, &kKeyboard, self, [](wl_resource* r) {
            auto* owner = static_cast<KeyboardCompositor*>(wl_resource_get_user_data(r));
            std::erase(owner->m_keyboards, r);
        });
        std::lock_guard lock(self->m_mutex);
        self->m_keyboards.push_back(keyboard);
        sendKeymap(keyboard, self->m_keymap);
    }

    static void bindSeat(wl_client* client, void* data, uint32_t version, uint32_t id)
    {
        auto* self = static_cast<KeyboardCompositor*>(data);
        wl_resource* seat = wl_resource_create(client, &wl_seat_interface, int(version), id);
        static const struct wl_seat_interface kSeat = { [](wl_client*, wl_resource*, uint32_t) {}, getKeyboard,
            [](wl_client*, wl_resource*, uint32_t) {}, [](wl_client*, wl_resource* r) { wl_resource_destroy(r); } };
        wl_resource_set_implementation(seat, &kSeat, self, [](wl_resource* r) {
            auto* owner = static_cast<KeyboardCompositor*>(wl_resource_get_user_data(r));
            std::erase(owner->m_seats, r);
        });
        std::lock_guard lock(self->m_mutex);
        self->m_seats.push_back(seat);
        wl_seat_send_capabilities(seat, self->m_keyboardCapability ? WL_SEAT_CAPABILITY_KEYBOARD : 0);
    }

    bool m_keyboardCapability;
    wl_display* m_display = nullptr;
    std::string m_socket;
    std::mutex m_mutex;
    std::string m_keymap;
    bool m_switch = false;
    bool m_plug = false;
    std::vector<wl_resource*> m_seats;
    std::vector<wl_resource*> m_keyboards;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

TEST(SessionLayout, TheCompositorsKeymapIsReadAndFollowedWhenTheUserSwitchesLayouts)
{
    test::TempDir dir;
    KeyboardCompositor compositor(dir.path(), true, keymapText("us"));
    ASSERT_FALSE(compositor.socket().empty());
    auto layout = SessionLayout::open(compositor.socket());
    ASSERT_TRUE(layout) << layout.error().message;
    EXPECT_EQ((*layout)->keys().strokeFor(U'a'), (KeyStroke { KEY_A, {} }));
    EXPECT_EQ((*layout)->keys().strokeFor(U'\u00e9'), std::nullopt);

    compositor.switchTo(keymapText("fr"));
    // The keymap goes out on the compositor's next turn; refresh until it is in.
    for (int i = 0; i < 200 && (*layout)->keymapsRead() < 2; ++i) {
        ASSERT_TRUE((*layout)->refresh());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ((*layout)->keymapsRead(), 2);
    EXPECT_EQ((*layout)->keys().layoutName(), "French");
    EXPECT_EQ((*layout)->keys().strokeFor(U'a'), (KeyStroke { KEY_Q, {} }));
    EXPECT_EQ((*layout)->keys().strokeFor(U'\u00e9'), (KeyStroke { KEY_2, {} }));
}

TEST(SessionLayout, AKeyboardThatAppearsLaterIsWaitedFor)
{
    test::TempDir dir;
    KeyboardCompositor compositor(dir.path(), false, keymapText("fr"));
    std::thread plugIn([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        compositor.plugKeyboard();
    });
    auto layout = SessionLayout::open(compositor.socket(), std::chrono::seconds(10));
    plugIn.join();
    ASSERT_TRUE(layout) << layout.error().message;
    EXPECT_EQ((*layout)->keys().strokeFor(U'a'), (KeyStroke { KEY_Q, {} }));
}

TEST(SessionLayout, ASeatWithoutKeyboardOrNoDisplayIsNamed)
{
    test::TempDir dir;
    KeyboardCompositor compositor(dir.path(), false, keymapText("us"));
    auto layout = SessionLayout::open(compositor.socket());
    ASSERT_FALSE(layout);
    EXPECT_EQ(layout.error().message,
        "keyboard layout: the seat of the Wayland display '" + compositor.socket() + "' has no keyboard");

    auto missing = SessionLayout::open("no-such-display");
    ASSERT_FALSE(missing);
    EXPECT_NE(
        missing.error().message.find("cannot connect to the Wayland display 'no-such-display'"), std::string::npos)
        << missing.error().message;
}

} // namespace
} // namespace clickwisp
