// The desktop program as a native Wayland client on a private headless sway
// without XWayland: QT_QPA_PLATFORM unset, no DISPLAY, as a user runs it.
// What it did is checked with independent clients: swaymsg for its windows
// and where they are, grim for what the outputs show. The keys and clicks a
// user would give come from our own Wayland backend's virtual devices,
// through the compositor. One sway, with two outputs, serves every case.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/action_editor_presenter.h"
#include "build_info.h"
#include "config/config.h"
#include "platform/input_injector.h"
#include "platform/screen_source.h"
#include "platform/wayland/wayland_platform.h"
#include "tests/support/desktop_program.h"
#include "tests/support/desktop_user.h"
#include "tests/support/headless_sway.h"
#include "tests/support/private_bus.h"
#include "tests/support/process.h"
#include "tests/ui/find_child.h"
#include "tests/ui/qt_wait.h"
#include "ui/action_editor.h"
#include "ui/action_editor_frame.h"

#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace clickwisp;
using test::child;
using test::waitFor;

namespace {

test::HeadlessSway* g_sway = nullptr;
// The session bus of swaybar's tray (StatusNotifierWatcher and host); null
// where none could be started.
test::PrivateBus* g_bus = nullptr;
// Stands for the user's own keyboard and mouse: a client binds a keyboard
// only once the seat has one.
InputInjector* g_user = nullptr;

// The primary output's background, and the second output's (left of and
// above it, scale 2).
constexpr uint32_t kPrimaryColour = 0x204060; // 0xRRGGBB
constexpr uint32_t kSecondColour = 0x806040;
// Virtual-key codes of the keys pressed.
constexpr uint8_t kAlt = 0x12;
constexpr uint8_t kEscape = 0x1B;

// A window as sway shows it.
struct SwayWindow {
    QString name;
    QString shell; // "xdg_shell" for a native client, "xwayland" for an X11 one
    QString output;
    QRect rect;
    bool fullscreen = false;
    bool focused = false;
};

void collectWindows(const QJsonObject& node, const QString& output, QList<SwayWindow>& windows)
{
    const QString type = node[QStringLiteral("type")].toString();
    const QString here = type == QStringLiteral("output") ? node[QStringLiteral("name")].toString() : output;
    if ((type == QStringLiteral("con") || type == QStringLiteral("floating_con"))
        && node.contains(QStringLiteral("shell"))) {
        const QJsonObject r = node[QStringLiteral("rect")].toObject();
        windows.append({ node[QStringLiteral("name")].toString(), node[QStringLiteral("shell")].toString(), here,
            QRect(r[QStringLiteral("x")].toInt(), r[QStringLiteral("y")].toInt(), r[QStringLiteral("width")].toInt(),
                r[QStringLiteral("height")].toInt()),
            node[QStringLiteral("fullscreen_mode")].toInt() != 0, node[QStringLiteral("focused")].toBool() });
    }
    for (const char* children : { "nodes", "floating_nodes" })
        for (const QJsonValue& c : node[QLatin1String(children)].toArray())
            collectWindows(c.toObject(), here, windows);
}

// The mapped windows, from swaymsg -t get_tree.
QList<SwayWindow> windows()
{
    const auto tree = g_sway->swaymsg({ "-t", "get_tree" });
    QList<SwayWindow> found;
    collectWindows(QJsonDocument::fromJson(QByteArray::fromStdString(tree.out)).object(), {}, found);
    return found;
}

QList<SwayWindow> windowsNamed(const QString& name)
{
    QList<SwayWindow> named;
    for (const SwayWindow& w : windows())
        if (w.name == name)
            named.append(w);
    return named;
}

QString treeText()
{
    QStringList lines;
    for (const SwayWindow& w : windows())
        lines << QStringLiteral("'%1' %2 on %3 at %4,%5 %6x%7%8")
                     .arg(w.name, w.shell, w.output)
                     .arg(w.rect.x())
                     .arg(w.rect.y())
                     .arg(w.rect.width())
                     .arg(w.rect.height())
                     .arg(w.fullscreen ? QStringLiteral(" fullscreen") : QString());
    return lines.join(QStringLiteral("; "));
}

// The colour grim reads at (x, y) of an output, as 0xRRGGBB.
std::optional<uint32_t> grimPixel(const char* output, int x, int y)
{
    const auto shot = test::runProcess({ "grim", "-t", "ppm", "-o", output, "-" });
    int width = 0, height = 0, max = 0, used = 0;
    if (shot.status != 0 || std::sscanf(shot.out.c_str(), "P6 %d %d %d%n", &width, &height, &max, &used) != 3)
        return std::nullopt;
    const size_t at = size_t(used) + 1 + (size_t(y) * size_t(width) + size_t(x)) * 3;
    if (at + 3 > shot.out.size())
        return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(shot.out.data() + at);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// A key press (down and up) on the user's keyboard, with modifier held.
void press(uint8_t vk, uint8_t modifier = 0)
{
    if (modifier)
        g_user->keybd_event(modifier, 0);
    g_user->keybd_event(vk, 0);
    g_user->keybd_event(vk, KEYEVENTF_KEYUP);
    if (modifier)
        g_user->keybd_event(modifier, KEYEVENTF_KEYUP);
}

// dbus-send on the tray's bus; its standard output.
std::string dbusSend(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = { "dbus-send", "--bus=" + g_bus->address(), "--print-reply" };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runProcess(argv).out;
}

// The items swaybar's watcher lists ("string \":1.5/StatusNotifierItem\"").
QStringList trayItems()
{
    const QString reply = QString::fromStdString(dbusSend(
        { "--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
            "string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems" }));
    QStringList items;
    for (const QString& line : reply.split(QLatin1Char('\n')))
        if (line.trimmed().startsWith(QLatin1String("string \"")))
            items << line.trimmed().mid(8).chopped(1);
    return items;
}

// A left click on a tray item, as swaybar sends it.
void activateTrayItem(const QString& item)
{
    const QString service = item.section(QLatin1Char('/'), 0, 0);
    const QString path = QLatin1Char('/') + item.section(QLatin1Char('/'), 1);
    dbusSend({ "--dest=" + service.toStdString(), path.toStdString(), "org.kde.StatusNotifierItem.Activate", "int32:0",
        "int32:0" });
}

void click(int x, int y)
{
    g_user->SetCursorPos(x, y);
    QTest::qWait(50); // the window under the pointer is told first
    g_user->mouse_event(MOUSEEVENTF_LEFTDOWN, 0);
    g_user->mouse_event(MOUSEEVENTF_LEFTUP, 0);
}

// Clicks at (x, y) until done holds, at most three times: sway 1.7 may drop
// the first click on a window that has just appeared under the pointer
// (swaywm/sway#8146), as a user who clicks again sees.
bool clickUntil(int x, int y, const std::function<bool()>& done)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        click(x, y);
        if (waitFor(done, 2000))
            return true;
    }
    return false;
}

} // namespace

class WaylandGuiTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!g_sway)
            QSKIP("sway is not installed");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    }

    // The program, started as a user starts it: its main window, the Options
    // dialog, the About box and the action editor are native windows; Exit
    // keeps the place the program was never told.
    void theProgramsWindowsAreNativeWaylandWindows()
    {
        test::TempDir dir;
        std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
        std::filesystem::copy_file(test::cliPath(), dir / "clickwisp-cli");
        test::writeFile(dir / "config.xml", test::PreparedConfigXml({ .left = 5, .top = 7, .limitsNoticed = true }));
        test::writeFile(dir / "status.log", "");
        const QString leakOptions = QString::fromStdString(test::QtWaylandLeakOptions(dir.path()));
        auto statusLines = [&] { return QString::fromStdString(test::readFile(dir / "status.log")).split('\n'); };

        // As sway's user: the bindings' commands reach only its own socket.
        const test::DesktopUser user = test::DesktopUser::forDesktop();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            QVERIFY(user.own(entry.path()));
        QVERIFY(user.own(dir.path()));
        QStringList command;
        for (const std::string& word : user.command({ (dir / "clickwisp").string() }))
            command << QString::fromStdString(word);
        QProcess app;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(dir.path().string()));
        if (g_bus)
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(g_bus->address()));
        environment.insert(
            QStringLiteral("CLICKWISP_STATUS_LOG"), QString::fromStdString((dir / "status.log").string()));
        environment.insert(leakOptions.section(QLatin1Char('='), 0, 0), leakOptions.section(QLatin1Char('='), 1));
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(command.takeFirst(), command);
        QVERIFY(app.waitForStarted());
        QVERIFY2(waitFor([&] { return statusLines().contains(QStringLiteral("0: Ready")); }),
            qPrintable(QStringLiteral("the program did not come up; status: ") + statusLines().join(" | ")));
        QVERIFY2(statusLines().contains(QStringLiteral("2: Playback, the screen searches and the hot keys work; "
                                                       "recording does not. Hot keys: bound through sway")),
            qPrintable(statusLines().join(" | ")));

        const QString caption = QString::fromLatin1(kProductCaption);
        QVERIFY2(waitFor([&] { return windowsNamed(caption).size() == 1; }), qPrintable(treeText()));
        const SwayWindow main = windowsNamed(caption).first();
        QCOMPARE(main.shell, QStringLiteral("xdg_shell"));
        QCOMPARE(main.output, QStringLiteral("HEADLESS-1"));
        QVERIFY2(waitFor([&] { return windowsNamed(caption).first().focused; }), qPrintable(treeText()));

        // swaybar's tray shows the program's icon; a click on it hides the
        // window and the next one shows it again.
        if (g_bus) {
            QVERIFY2(waitFor([] { return trayItems().size() == 1; }), qPrintable(trayItems().join(' ')));
            activateTrayItem(trayItems().first());
            QVERIFY2(waitFor([&] { return windowsNamed(caption).isEmpty(); }), qPrintable(treeText()));
            activateTrayItem(trayItems().first());
            QVERIFY2(waitFor([&] { return windowsNamed(caption).size() == 1; }), qPrintable(treeText()));
            QVERIFY2(waitFor([&] { return windowsNamed(caption).first().focused; }), qPrintable(treeText()));
        }

        // Options (Alt+O) opens as a window of its own; Esc closes it.
        press('O', kAlt);
        QVERIFY2(waitFor([&] { return windowsNamed(QStringLiteral("Config Options")).size() == 1; }),
            qPrintable(treeText()));
        QCOMPARE(windowsNamed(QStringLiteral("Config Options")).first().shell, QStringLiteral("xdg_shell"));
        press(kEscape);
        QVERIFY2(
            waitFor([&] { return windowsNamed(QStringLiteral("Config Options")).isEmpty(); }), qPrintable(treeText()));

        // New (Alt+N): the action editor.
        QVERIFY(waitFor([&] { return windowsNamed(caption).first().focused; }));
        press('N', kAlt);
        QVERIFY2(
            waitFor([&] { return windowsNamed(QStringLiteral("New Action")).size() == 1; }), qPrintable(treeText()));
        QVERIFY(waitFor([&] { return windowsNamed(QStringLiteral("New Action")).first().focused; }));
        press('C', kAlt); // Cancel
        QVERIFY2(waitFor([&] { return windowsNamed(QStringLiteral("New Action")).isEmpty(); }), qPrintable(treeText()));

        // The menu bar's About, clicked; Esc closes the box.
        click(main.rect.x() + 20, main.rect.y() + 8);
        QVERIFY2(waitFor([&] { return windowsNamed(QStringLiteral("About Clickwisp")).size() == 1; }),
            qPrintable(treeText()));
        QVERIFY(waitFor([&] { return windowsNamed(QStringLiteral("About Clickwisp")).first().focused; }));
        press(kEscape);
        QVERIFY2(
            waitFor([&] { return windowsNamed(QStringLiteral("About Clickwisp")).isEmpty(); }), qPrintable(treeText()));

        // Exit (Alt+X): the size sway gave the window is kept; its place,
        // which a Wayland client is never told, stays as it was.
        QVERIFY(waitFor([&] { return windowsNamed(caption).first().focused; }));
        press('X', kAlt);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitCode(), 0);
        TConfig config(dir / "config.xml");
        QVERIFY(!config.LoadWarning());
        QCOMPARE(config.GetFrame().left(), 5);
        QCOMPARE(config.GetFrame().top(), 7);
        QCOMPARE(config.GetFrame().width(), main.rect.width());
        QCOMPARE(config.GetFrame().height(), main.rect.height());
    }

    // The action editor's point and colour capture where the pointer cannot
    // be read: an overlay fills each output, and the click on it, through
    // the compositor, gives the point in screen coordinates (the second
    // output lies left of and above the first) and the colour the screen
    // had there, not the overlay's shade.
    void theCaptureOverlayCoversEachOutputAndTakesTheClickedPoint()
    {
        auto input = makeWaylandInput();
        QVERIFY2(input, input ? "" : input.error().message.c_str());
        auto screen = makeWaylandScreen();
        QVERIFY2(screen, screen ? "" : screen.error().message.c_str());
        TDForm dialog(nullptr, QStringLiteral("New Action"), input->get(), screen->get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString hint = QString::fromLatin1(kPointPickHint);
        auto capturing = [&] {
            auto* frame = dialog.frame();
            return frame->capturingPoint() || frame->capturingColor();
        };
        auto overlays = [&] { return windowsNamed(hint); };
        // Starts a capture and waits until an overlay covers each output and
        // shades the primary one (this sway does not redraw the second output
        // for grim).
        auto startCapture = [&](const char* button) {
            child<QPushButton>(&dialog, button)->click();
            return waitFor([&] {
                const auto shown = overlays();
                return shown.size() == 2 && shown[0].fullscreen && shown[1].fullscreen
                    && shown[0].output != shown[1].output;
            }) && waitFor([] { return grimPixel("HEADLESS-1", 20, 600) != kPrimaryColour; });
        };

        // The second output first: the colour under a click there, which a
        // point taken in the wrong coordinates would not give.
        QVERIFY(waitFor([] { return grimPixel("HEADLESS-2", 80, 620) == kSecondColour; })); // (-600, -50)
        QVERIFY(waitFor([] { return grimPixel("HEADLESS-1", 20, 600) == kPrimaryColour; }));
        child<QRadioButton>(&dialog, "rbColor")->click();
        QVERIFY2(startCapture("btnCaptureColor"), qPrintable(treeText()));
        QVERIFY(clickUntil(-600, -50, [&] { return !capturing(); }));
        QCOMPARE(child<QLineEdit>(&dialog, "edColor")->text(), QStringLiteral("$00406080"));
        QVERIFY(waitFor([&] { return overlays().isEmpty(); }));

        // Then the primary output. (This headless sway gives no button
        // events to a second overlay on the second output: its clicks are
        // checked once, above.)
        child<QRadioButton>(&dialog, "rbFixed")->click();
        QVERIFY2(startCapture("btnCapture"), qPrintable(treeText()));
        QVERIFY(clickUntil(700, 333, [&] { return !capturing(); }));
        QCOMPARE(child<QLineEdit>(&dialog, "edPX")->text(), QStringLiteral("700"));
        QCOMPARE(child<QLineEdit>(&dialog, "edPY")->text(), QStringLiteral("333"));
        QVERIFY(waitFor([&] { return overlays().isEmpty(); }));

        // Esc on the overlay, which has the keyboard, gives up.
        QVERIFY2(startCapture("btnCapture"), qPrintable(treeText()));
        press(kEscape);
        QVERIFY2(waitFor([&] { return overlays().isEmpty(); }), qPrintable(treeText()));
        QCOMPARE(child<QLineEdit>(&dialog, "edPX")->text(), QStringLiteral("700"));

        // Once the screen shows no overlay, as a user would see it.
        QVERIFY(waitFor([] { return grimPixel("HEADLESS-1", 20, 600) == kPrimaryColour; }));
        child<QRadioButton>(&dialog, "rbColor")->click();
        QVERIFY2(startCapture("btnCaptureColor"), qPrintable(treeText()));
        QVERIFY(clickUntil(20, 600, [&] { return !capturing(); }));
        QCOMPARE(child<QLineEdit>(&dialog, "edColor")->text(), QStringLiteral("$00604020"));
        QVERIFY(waitFor([&] { return overlays().isEmpty(); }));
    }
};

// One sway for every case, started before the application connects to it:
// the primary output at (0, 0), a second one of scale 2 at (-640, -360),
// each with a plain background.
int main(int argc, char** argv)
{
    std::unique_ptr<test::HeadlessSway> sway;
    std::unique_ptr<test::PrivateBus> bus;
    std::unique_ptr<InputInjector> user;
    if (test::HeadlessSway::installed()) {
        sway = std::make_unique<test::HeadlessSway>();
        if (!sway->ok()) {
            std::fprintf(stderr, "%s\n", sway->error().c_str());
            return 1;
        }
        auto hex = [](uint32_t c) {
            char text[8];
            std::snprintf(text, sizeof text, "#%06x", c);
            return std::string(text);
        };
        // sway's default: the harness turns it off.
        for (const std::string& setting : { std::string("create_output"), std::string("focus_follows_mouse yes"),
                 "output HEADLESS-1 pos 0 0 bg " + hex(kPrimaryColour) + " solid_color",
                 "output HEADLESS-2 mode 1280x720 pos -640 -360 scale 2 bg " + hex(kSecondColour) + " solid_color" }) {
            if (const auto done = sway->swaymsg({ setting }); done.status != 0) {
                std::fprintf(stderr, "swaymsg %s: %s\n", setting.c_str(), done.out.c_str());
                return 1;
            }
        }
        // swaybar with its tray (StatusNotifierWatcher and host) on a session
        // bus of the test's own, as a sway session with D-Bus has it.
        if (test::onPath("dbus-daemon") && test::onPath("swaybar")) {
            test::PrivateBus::Options options;
            options.folder = sway->runtimeDir();
            bus = std::make_unique<test::PrivateBus>(options);
            if (bus->ok()) {
                sway->swaymsg({ "bar tray mode dock" }); // sway's own swaybar: no bus, no tray
                sway->swaymsg({ "exec env DBUS_SESSION_BUS_ADDRESS=" + bus->address() + " swaybar -b tray" });
                g_bus = bus.get();
                for (int waited = 0; waited < 10000
                     && !dbusSend({ "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus.NameHasOwner", "string:org.kde.StatusNotifierWatcher" })
                             .contains("boolean true");
                     waited += 50)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        auto resident = makeWaylandInput();
        if (!resident) {
            std::fprintf(stderr, "%s\n", resident.error().message.c_str());
            return 1;
        }
        user = std::move(*resident);
        g_sway = sway.get();
        g_user = user.get();
        // As a Wayland session: Qt chooses its platform from this.
        setenv("XDG_SESSION_TYPE", "wayland", 1);
        unsetenv("QT_QPA_PLATFORM");
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    WaylandGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "wayland_gui_test.moc"
