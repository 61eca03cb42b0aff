// The Wayland backend on a private headless sway, checked by independent
// clients: wev for what a window receives, grim for what the outputs show,
// swaymsg for the outputs. Skipped only where sway is not installed.
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_platform.h"
#include "screen/bitmap_file.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_sway.h"
#include "tests/support/process.h"
#include "tests/support/wev.h"

#include <gtest/gtest.h>
#include <wayland-server.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace clickwisp {
namespace {

using namespace std::chrono_literals;
using test::WevLog;

// What wev printed, once per event: wev reports each key on every keyboard
// object it has, so events are told apart by their serial.
// A PPM from grim: rows top first, red, green, blue.
struct Ppm {
    int width = 0, height = 0;
    std::string pixels;
};

std::optional<Ppm> grim(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = { "grim", "-t", "ppm" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back("-");
    const auto result = test::runProcess(argv);
    Ppm image;
    int max = 0, used = 0;
    if (result.status != 0
        || std::sscanf(result.out.c_str(), "P6 %d %d %d%n", &image.width, &image.height, &max, &used) != 3)
        return std::nullopt;
    image.pixels = result.out.substr(size_t(used) + 1);
    if (image.pixels.size() != size_t(image.width) * size_t(image.height) * 3)
        return std::nullopt;
    return image;
}

// A background of known, varied content: red grows to the right, green
// downward, one magenta pixel at (700, 400). Written as PPM for swaybg.
std::string backgroundPicture(int width, int height)
{
    std::string out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool mark = x == 700 && y == 400;
            out += char(mark ? 0xFF : x * 255 / width);
            out += char(mark ? 0x00 : y * 255 / height);
            out += char(mark ? 0xFF : 0x40);
        }
    }
    return out;
}

// Pixels of our capture, from (left, top) on, that differ from grim's
// picture of one output read at every step-th pixel (step 2: an output of
// scale 2, which grim reads at full resolution).
size_t differences(const PixelView& view, int left, int top, const Ppm& theirs, int step)
{
    size_t count = 0;
    for (int y = 0; y < theirs.height / step; ++y) {
        const uint8_t* row = view.row(top + y) + 3 * left;
        for (int x = 0; x < theirs.width / step; ++x) {
            const size_t at = (size_t(y * step) * size_t(theirs.width) + size_t(x * step)) * 3;
            const auto* rgb = reinterpret_cast<const uint8_t*>(theirs.pixels.data() + at);
            count += row[3 * x] != rgb[2] || row[3 * x + 1] != rgb[1] || row[3 * x + 2] != rgb[0];
        }
    }
    return count;
}

class WaylandDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::HeadlessSway::installed())
            GTEST_SKIP() << "sway is not installed";
        m_sway = std::make_unique<test::HeadlessSway>();
        ASSERT_TRUE(m_sway->ok()) << m_sway->error();
        // A headless sway has no input devices, and a client binds a
        // keyboard only once the seat has one: this one stands for the
        // user's, so windows are ready for the keys of the devices under test.
        auto resident = makeWaylandInput();
        ASSERT_TRUE(resident.has_value()) << resident.error().message;
        m_residentInput = std::move(*resident);
        ASSERT_EQ(m_sway->swaymsg({ "output HEADLESS-1 pos 0 0" }).status, 0);
    }

    // Shows the known picture on output, one picture pixel per output
    // pixel, and waits until grim sees it there.
    void showBackground(const std::string& output = "HEADLESS-1")
    {
        const auto path = m_sway->runtimeDir() / "background.ppm";
        test::writeFile(path, backgroundPicture(1280, 720));
        chmod(path.c_str(), 0644);
        const auto set = m_sway->swaymsg({ "output " + output + " bg " + path.string() + " center" });
        ASSERT_EQ(set.status, 0) << set.out << set.err;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            const auto shot = grim({ "-o", output });
            const size_t mark = (400 * size_t(1280) + 700) * 3;
            if (shot && shot->pixels.size() > mark + 2 && shot->pixels.compare(mark, 3, "\xFF\x00\xFF", 3) == 0)
                return;
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "swaybg never showed the picture on " << output;
            std::this_thread::sleep_for(50ms);
        }
    }

    std::unique_ptr<test::HeadlessSway> m_sway;
    std::unique_ptr<InputInjector> m_residentInput;
};

TEST_F(WaylandDesktop, PointerButtonsWheelKeysAndTextReachAWindow)
{
    auto wev = test::startWev();
    auto input = makeWaylandInput();
    ASSERT_TRUE(input.has_value()) << input.error().message;
    auto text = makeWaylandText();
    ASSERT_TRUE(text.has_value()) << text.error().message;
    InputInjector& in = **input;

    test::playPointerSteps(in);
    // Shift held through key actions gives the capital; typed text is not shifted.
    in.keybd_event(0x10, 0); // Shift
    in.keybd_event('Q', 0);
    in.keybd_event('Q', KEYEVENTF_KEYUP);
    in.keybd_event(0x10, KEYEVENTF_KEYUP);
    for (char32_t ch : std::u32string(U"aé€ж"))
        (*text)->sendChar(ch);
    (*text)->sendEnter();

    ASSERT_TRUE(wev->waitForStdout("sym: Return", 10s)) << wev->out();
    const test::WevLog log(wev->out());
    test::expectPointerSteps(log); // the window fills the output from (0, 0)
    EXPECT_EQ(
        log.keys, (std::vector<std::string> { "Shift_L", "Q", "a", "eacute", "EuroSign", "Cyrillic_zhe", "Return" }));
    EXPECT_EQ(log.typed, "Qaé€ж\r");
}

TEST_F(WaylandDesktop, LayoutOfAScaledOutputAboveLeftAndCapturesAsGrimSeesThem)
{
    showBackground();
    ASSERT_EQ(m_sway->swaymsg({ "create_output" }).status, 0);
    auto placed = m_sway->swaymsg({ "output HEADLESS-2 mode 1280x720 pos -640 -360 scale 2" });
    ASSERT_EQ(placed.status, 0) << placed.out;
    showBackground("HEADLESS-2");

    auto connection = WaylandConnection::open("", "test");
    ASSERT_TRUE(connection.has_value()) << connection.error().message;
    std::vector<WaylandOutput> outputs;
    for (auto deadline = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < deadline;) {
        (*connection)->roundtrip();
        outputs = (*connection)->outputs();
        if (outputs.size() == 2 && outputs[1].scale == 2 && outputs[1].x == -640)
            break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].name, "HEADLESS-1");
    EXPECT_EQ((LayoutRect { outputs[0].x, outputs[0].y, outputs[0].width, outputs[0].height }),
        (LayoutRect { 0, 0, 1280, 720 }));
    EXPECT_EQ(outputs[1].name, "HEADLESS-2");
    EXPECT_EQ((LayoutRect { outputs[1].x, outputs[1].y, outputs[1].width, outputs[1].height }),
        (LayoutRect { -640, -360, 640, 360 }));
    EXPECT_EQ(outputs[1].scale, 2);

    auto screen = makeWaylandScreen();
    ASSERT_TRUE(screen.has_value()) << screen.error().message;
    EXPECT_EQ((*screen)->screenSize(), (ScreenSize { 1280, 720 }));
    // The whole layout at one pixel per unit: the primary byte for byte as
    // grim shows it, the scaled output at every second pixel of grim's
    // full-resolution picture, the part on no output black.
    const int width = 1920, height = 1080;
    std::vector<uint8_t> pixels(size_t(width) * height * 3, 0x55);
    const PixelView view { pixels.data(), width, height, width * 3 };
    ASSERT_TRUE((*screen)->capture(-640, -360, view));
    const auto primary = grim({ "-o", "HEADLESS-1" });
    const auto scaled = grim({ "-o", "HEADLESS-2" });
    ASSERT_TRUE(primary && scaled);
    ASSERT_EQ(primary->width, 1280);
    ASSERT_EQ(scaled->width, 1280); // 640 units at scale 2
    EXPECT_EQ(differences(view, 640, 360, *primary, 1), 0u);
    EXPECT_EQ(differences(view, 0, 0, *scaled, 2), 0u);
    Ppm black { 1280, 360, std::string(size_t(1280) * 360 * 3, '\0') };
    EXPECT_EQ(differences(view, 640, 0, black, 1), 0u);

    // A rectangle across the corner where the outputs meet: each quarter
    // from its own output, the two on no output black.
    std::vector<uint8_t> small(10 * 10 * 3);
    const PixelView corner { small.data(), 10, 10, 30 };
    ASSERT_TRUE((*screen)->capture(-5, -5, corner));
    const auto bgr = [&](int x, int y) {
        const uint8_t* p = corner.row(y) + 3 * x;
        return (p[2] << 16) | (p[1] << 8) | p[0];
    };
    EXPECT_EQ(bgr(0, 0), ((1270 * 255 / 1280) << 16) | ((710 * 255 / 720) << 8) | 0x40); // pixel (1270, 710)
    EXPECT_EQ(bgr(9, 0), 0);
    EXPECT_EQ(bgr(0, 9), 0);
    EXPECT_EQ(bgr(9, 9), ((4 * 255 / 1280) << 16) | ((4 * 255 / 720) << 8) | 0x40); // layout (4, 4)
}

// clickwisp-cli on the live headless output: find-color and capture see
// what grim sees, play reaches a window as wev reports it, and recording
// says why it cannot work.
TEST_F(WaylandDesktop, CliFindsCapturesPlaysAndRefusesToRecord)
{
    showBackground();
    test::TempDir dir;
    const auto version = test::runProcess({ test::cliPath(), "--version" });
    EXPECT_NE(version.out.find("; active: wayland)"), std::string::npos) << version.out;

    const auto found = test::runProcess({ test::cliPath(), "find-color", "$FF00FF" });
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "700 400\n");

    const auto captured
        = test::runProcess({ test::cliPath(), "capture", "--area", "600,300,200,200", (dir / "part.bmp").string() });
    ASSERT_EQ(captured.status, 0) << captured.err;
    const auto image = LoadScreenImage(dir / "part.bmp");
    ASSERT_TRUE(image.has_value()) << image.error().message;
    const auto theirs = grim({ "-g", "600,300 200x200" });
    ASSERT_TRUE(theirs.has_value());
    ASSERT_EQ(image->pixels.width, 200);
    EXPECT_EQ(differences(image->pixels, 0, 0, *theirs, 1), 0u);

    auto wev = test::startWev();
    test::writeFile(dir / "list.xml", R"(<?xml version="1.0" encoding="utf-8"?><list versionNo="1.0">
<item actionType="1" mouseMovePosX="321" mouseMovePosY="123" delay="0"/>
<item actionType="0" mousePoint="0" mouseButton="1" mouseAction="0" delay="0"/>
<item actionType="2" key="17" keyAction="0" delay="0"/>
<item actionType="2" key="67" keyAction="2" delay="0"/>
<item actionType="2" key="17" keyAction="1" delay="0"/>
<item actionType="3" typeText="Zé€ж" delay="0"/>
</list>
)");
    const auto played = test::runProcess({ test::cliPath(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(played.status, 0) << played.err;
    ASSERT_TRUE(wev->waitForStdout("sym: Return", 10s)) << wev->out();
    const test::WevLog log(wev->out());
    ASSERT_FALSE(log.motions.empty());
    EXPECT_EQ(log.motions.back(), 321 * 10000 + 123);
    EXPECT_EQ(log.buttons, (std::vector<std::string> { "right down", "right up" }));
    EXPECT_EQ(
        log.keys, (std::vector<std::string> { "Control_L", "c", "Z", "eacute", "EuroSign", "Cyrillic_zhe", "Return" }));
    // Control held: the c key types the control character, as on any keyboard.
    EXPECT_NE(wev->out().find("depressed: 00000004: Control"), std::string::npos);

    const auto recorded = test::runProcess({ test::cliPath(), "record", (dir / "recorded.xml").string() });
    EXPECT_EQ(recorded.status, 69);
    EXPECT_NE(recorded.err.find(kWaylandRecordingMessage), std::string::npos) << recorded.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "recorded.xml"));
}

// A compositor that offers shared memory and none of the wlroots protocols,
// as GNOME and KDE do, on its own thread and socket.
class BareCompositor {
public:
    explicit BareCompositor(const std::filesystem::path& runtimeDir)
    {
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        m_display = wl_display_create();
        wl_display_init_shm(m_display);
        const char* socket = wl_display_add_socket_auto(m_display);
        m_socket = socket ? socket : "";
        m_thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(m_display);
            while (!m_stop) {
                wl_event_loop_dispatch(loop, 50);
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~BareCompositor()
    {
        m_stop = true;
        m_thread.join();
        // A client whose hang-up was not read yet goes too.
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }
    const std::string& socket() const { return m_socket; }

private:
    wl_display* m_display = nullptr;
    std::string m_socket;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

TEST(WaylandWithoutWlroots, TheCliNamesTheMissingProtocolOrFallsBackToXWayland)
{
    test::TempDir dir;
    BareCompositor compositor(dir.path());
    ASSERT_FALSE(compositor.socket().empty());
    setenv("WAYLAND_DISPLAY", compositor.socket().c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("CLICKWISP_BACKEND");
    unsetenv("DBUS_SESSION_BUS_ADDRESS"); // no desktop portal either
    test::writeFile(dir / "list.xml", "<list><item actionType=\"1\"/></list>");

    const auto version = test::runProcess({ test::cliPath(), "--version" });
    EXPECT_NE(
        version.out.find("active: wayland: the Wayland compositor does not offer zwlr_virtual_pointer_manager_v1"),
        std::string::npos)
        << version.out;
    const auto capture = test::runProcess({ test::cliPath(), "capture", (dir / "shot.bmp").string() });
    EXPECT_EQ(capture.status, 69);
    EXPECT_NE(capture.err.find("screen capture: this Wayland compositor does not offer zwlr_screencopy_manager_v1"),
        std::string::npos)
        << capture.err;
    const auto find = test::runProcess({ test::cliPath(), "find-color", "clRed" });
    EXPECT_EQ(find.status, 69);
    EXPECT_NE(find.err.find("zwlr_screencopy_manager_v1"), std::string::npos) << find.err;
    const auto play = test::runProcess({ test::cliPath(), "play", (dir / "list.xml").string() });
    EXPECT_EQ(play.status, 69);
    EXPECT_NE(play.err.find("input: this Wayland compositor does not offer zwlr_virtual_pointer_manager_v1, "
                            "zwp_virtual_keyboard_manager_v1"),
        std::string::npos)
        << play.err;

    // With XWayland beside it, X11 serves, and says why.
    setenv("DISPLAY", ":4711", 1);
    const auto fallback = test::runProcess({ test::cliPath(), "--version" });
    EXPECT_NE(fallback.out.find("active: x11: the Wayland compositor does not offer"), std::string::npos)
        << fallback.out;
    // An unknown override is refused by name.
    setenv("CLICKWISP_BACKEND", "mir", 1);
    const auto refused = test::runProcess({ test::cliPath(), "capture", (dir / "shot.bmp").string() });
    EXPECT_EQ(refused.status, 69);
    EXPECT_NE(refused.err.find("CLICKWISP_BACKEND: 'mir' is not a backend (known: x11, wayland, kwin, portal)"),
        std::string::npos)
        << refused.err;
    unsetenv("CLICKWISP_BACKEND");
    unsetenv("DISPLAY");
    EXPECT_FALSE(std::filesystem::exists(dir / "shot.bmp"));
}

} // namespace
} // namespace clickwisp
