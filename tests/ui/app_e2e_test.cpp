// The real program under a private X server, driven like a user would with
// xdotool, and checked through an independent test window and config.xml.
#include <QProcess>
#include <QTest>

#include "build_info.h"
#include "config/config.h"
#include "core/list_file.h"
#include "tests/support/desktop_program.h"
#include "tests/support/headless_sway.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "tests/ui/qt_wait.h"
// Last: Xlib's macros (None, Bool, Status) must not meet Qt's headers.
#include "tests/support/x_test_window.h"

#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

using namespace clickwisp;
using test::waitFor;

namespace {

// Runs xdotool with the given arguments; its standard output, trimmed.
QString xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Whether no program holds the keyboard: global hot keys only arrive then.
bool keyboardFree(const std::string& display)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    const bool free
        = XGrabKeyboard(connection, DefaultRootWindow(connection), False, GrabModeAsync, GrabModeAsync, CurrentTime)
        == GrabSuccess;
    if (free)
        XUngrabKeyboard(connection, CurrentTime);
    XCloseDisplay(connection);
    return free;
}

// clickwisp-cli remote COMMAND for the program whose runtime folder is xdg.
test::ProcessResult remote(const std::filesystem::path& xdg, const char* command)
{
    return test::runProcess({ "/usr/bin/env", "XDG_RUNTIME_DIR=" + xdg.string(), test::cliPath(), "remote", command });
}

// Starts the copy of the program in dir on display (X11, whatever the
// caller's session), with a runtime folder of its own (dir/xdg), so its
// remote control meets no other program's, and its status texts appended to
// dir/statusLog.
void startProgram(QProcess& app, const std::filesystem::path& dir, const std::string& display, const char* statusLog)
{
    std::filesystem::create_directories(dir / "xdg");
    std::filesystem::permissions(dir / "xdg", std::filesystem::perms::owner_all);
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir / "xdg").string()));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("SWAYSOCK"));
    environment.insert(QStringLiteral("CLICKWISP_STATUS_LOG"), QString::fromStdString((dir / statusLog).string()));
    // In a sanitizer build, the desktop's D-Bus library (loaded by Qt's X11
    // platform) keeps a buffer until exit; that is not ours to judge.
    test::writeFile(dir / "lsan.supp", "leak:libdbus-1.so\n");
    environment.insert(QStringLiteral("LSAN_OPTIONS"),
        QStringLiteral("suppressions=%1").arg(QString::fromStdString((dir / "lsan.supp").string())));
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app.start(QString::fromStdString((dir / "clickwisp").string()), {});
}

// The id of a visible window named name exactly, once there is one; empty
// when none comes.
QString windowNamed(const QString& name)
{
    QString pattern;
    for (const QChar c : name)
        pattern += (QStringLiteral(".*+?()[]{}|^$\\").contains(c) ? QStringLiteral("\\") : QString()) + c;
    QString window;
    waitFor([&] {
        window = xdotool({ "search", "--onlyvisible", "--name", QLatin1Char('^') + pattern + QLatin1Char('$') });
        return !window.isEmpty();
    });
    return window.section(QLatin1Char('\n'), 0, 0);
}

} // namespace

class AppEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void hotKeysPlayAndRecordAndClosingSavesTheSettings()
    {
        test::XvfbServer xvfb(1280, 800);
        QVERIFY2(xvfb.ok(), xvfb.error().c_str());
        test::TempDir dir;
        // The settings live beside the program, so it runs from a copy.
        std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
        test::writeFile(dir / "config.xml", test::PreparedConfigXml());
        ActionList actions;
        actions.push_back(TBaseCtrlEX::Create());
        actions.back()->actionType = atMove;
        actions.back()->mouseMovePosX = 200;
        actions.back()->mouseMovePosY = 150;
        actions.push_back(TBaseCtrlEX::Create());
        actions.back()->mousePoint = cpFixed;
        actions.back()->mouseClickPosX = 200;
        actions.back()->mouseClickPosY = 150;
        actions.push_back(TBaseCtrlEX::Create());
        actions.back()->actionType = atText;
        actions.back()->typeText = "hi";
        QVERIFY(SaveListFile(dir / "list.xml", actions));

        test::XTestWindow target(xvfb.display(), 100, 80, 250, 200);
        QVERIFY(target.ok());

        auto statusLines = [&] { return QString::fromStdString(test::readFile(dir / "status.log")).split('\n'); };
        auto countOf = [&](const char* line) { return int(statusLines().count(QString::fromLatin1(line))); };

        QProcess app;
        startProgram(app, dir.path(), xvfb.display(), "status.log");
        QVERIFY(app.waitForStarted());
        QVERIFY2(waitFor([&] { return countOf("0: Ready") == 1; }), "the program did not come up");

        QString window;
        QVERIFY(waitFor([&] {
            window = xdotool(
                { "search", "--onlyvisible", "--name", QStringLiteral("^%1$").arg(QLatin1String(kProductCaption)) });
            return !window.isEmpty();
        }));

        // Load the list through the Load button's shortcut and the file dialog.
        xdotool({ "windowfocus", "--sync", window, "key", "alt+l" });
        QVERIFY2(waitFor([&] {
            return xdotool({ "getwindowfocus", "getwindowname" }).startsWith("Open");
        }),
            "the open dialog did not appear");
        xdotool({ "type", "--delay", "5", QString::fromStdString((dir / "list.xml").string()) });
        xdotool({ "key", "Return" });
        QVERIFY(waitFor([&] { return xdotool({ "search", "--onlyvisible", "--name", "^Open" }).isEmpty(); }));
        // The dialog's completer may hold the keyboard for a moment after the
        // dialog has gone; a hot key pressed then would go to the program.
        QVERIFY2(waitFor([&] { return keyboardFree(xvfb.display()); }), "the keyboard stays grabbed");

        // CTRL+F2 plays it into the test window, whatever has the focus.
        target.takeFocus();
        xdotool({ "key", "ctrl+F2" });
        QVERIFY2(waitFor([&] { return countOf("0: Finished") == 1; }),
            qPrintable(QStringLiteral("the run did not finish; status: ") + statusLines().join(QStringLiteral(" | "))));
        QVERIFY(countOf("0: Running...") == 1);
        QVERIFY(target.waitForText(3, std::chrono::seconds(5)));
        QCOMPARE(target.text(), std::u32string(U"hi\n"));
        const auto clicks = target.buttons();
        QCOMPARE(int(clicks.size()), 2);
        QCOMPARE(clicks[0], (test::XTestWindow::ButtonEvent { 1, true, 200, 150 }));
        QCOMPARE(clicks[1], (test::XTestWindow::ButtonEvent { 1, false, 200, 150 }));

        // ALT+F2 records a click and a key; ALT+F3 stops; CTRL+F2 plays them back.
        xdotool({ "key", "alt+F2" });
        QVERIFY(waitFor([&] { return countOf("0: Recoding...") == 1; }));
        xdotool({ "mousemove", "150", "120" });
        xdotool({ "click", "1" });
        xdotool({ "key", "b" });
        xdotool({ "key", "alt+F3" });
        QVERIFY2(waitFor([&] { return countOf("0: Ready") == 2; }), "the recording did not stop");

        target.clear();
        target.takeFocus();
        xdotool({ "mousemove", "900", "700" });
        xdotool({ "key", "ctrl+F2" });
        QVERIFY2(waitFor([&] { return countOf("0: Finished") == 2; }), "the recording did not play");
        QVERIFY(target.waitForText(1, std::chrono::seconds(5)));
        QCOMPARE(target.text(), std::u32string(U"b"));
        const auto played = target.buttons();
        QCOMPARE(int(played.size()), 2);
        QCOMPARE(played[0], (test::XTestWindow::ButtonEvent { 1, true, 150, 120 }));
        QCOMPARE(played[1], (test::XTestWindow::ButtonEvent { 1, false, 150, 120 }));

        // Exit (alt+x) closes and writes the settings.
        xdotool({ "windowfocus", "--sync", window, "key", "alt+x" });
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        const std::string saved = test::readFile(dir / "config.xml");
        QVERIFY2(saved != test::PreparedConfigXml(), "config.xml was not written at shutdown");
        TConfig config(dir / "config.xml");
        QVERIFY(!config.LoadWarning());
        QCOMPARE(config.GetFrame().width(), 640);
        QCOMPARE(config.GetFrame().height(), 480);
        // Centred on the 1280 x 800 desktop, whatever left and top said.
        QCOMPARE(config.GetFrame().left(), (1280 - 640) / 2);
        QCOMPARE(config.GetRunning().repeat(), 0);
        QCOMPARE(config.GetCols().Col(2).Width(), 300);
        QCOMPARE(config.GetCols().Col(2).Index(), 2);
    }

    void theCommandLineToolRecordsThroughTheRemoteControl()
    {
        test::XvfbServer xvfb(1024, 768);
        QVERIFY2(xvfb.ok(), xvfb.error().c_str());
        test::TempDir dir;
        std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
        test::writeFile(dir / "config.xml", test::PreparedConfigXml());
        const auto xdg = dir / "xdg";
        auto statusLines = [&] { return QString::fromStdString(test::readFile(dir / "status.log")).split('\n'); };
        auto countOf = [&](const char* line) { return int(statusLines().count(QString::fromLatin1(line))); };

        QProcess app;
        startProgram(app, dir.path(), xvfb.display(), "status.log");
        QVERIFY(app.waitForStarted());
        QVERIFY2(waitFor([&] { return countOf("0: Ready") == 1; }), "the program did not come up");

        auto idle = remote(xdg, "status");
        QCOMPARE(idle.status, 0);
        QCOMPARE(QString::fromStdString(idle.out), QStringLiteral("idle actions=0 list=\n"));

        auto start = remote(xdg, "start-record");
        QVERIFY2(start.status == 0, start.err.c_str());
        QCOMPARE(QString::fromStdString(start.out), QStringLiteral("recording\n"));
        QCOMPARE(countOf("0: Recoding..."), 1);
        QCOMPARE(QString::fromStdString(remote(xdg, "status").out), QStringLiteral("recording actions=0 list=\n"));
        xdotool({ "mousemove", "40", "40" }); // beside the window
        xdotool({ "click", "1" });
        auto stop = remote(xdg, "stop-record");
        QVERIFY2(stop.status == 0, stop.err.c_str());
        QCOMPARE(countOf("0: Ready"), 2);
        const QString recorded = QString::fromStdString(stop.out).trimmed();
        QVERIFY2(recorded.startsWith(QStringLiteral("recorded actions=")) && !recorded.endsWith(QStringLiteral("=0")),
            qPrintable(recorded));
        QCOMPARE(QString::fromStdString(remote(xdg, "status").out),
            QStringLiteral("idle %1 list=\n").arg(recorded.mid(int(strlen("recorded ")))));

        auto again = remote(xdg, "stop-record");
        QCOMPARE(again.status, 4);
        QVERIFY2(QString::fromStdString(again.err).contains(QStringLiteral("not recording")), again.err.c_str());

        // Closing takes the socket away: the tool then says nobody listens.
        // The recorded list is not saved, and the caption says so.
        const QString window = windowNamed(QStringLiteral("*Untitled - %1").arg(QLatin1String(kProductCaption)));
        QVERIFY(!window.isEmpty());
        xdotool({ "windowfocus", "--sync", window, "key", "alt+x" });
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(!std::filesystem::exists(xdg / "clickwisp/control"));
        QCOMPARE(remote(xdg, "status").status, 5);
    }

    // Recorded and not saved, then killed: the next start has the list back,
    // and saving it writes what a save before the kill would have written.
    // SIGTERM writes the settings, as closing does.
    void anUnsavedListSurvivesAKillAndSigtermWritesTheSettings()
    {
        test::XvfbServer xvfb(1280, 800);
        QVERIFY2(xvfb.ok(), xvfb.error().c_str());
        test::TempDir dir;
        std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
        test::writeFile(dir / "config.xml", test::PreparedConfigXml());
        const QString product = QString::fromLatin1(kProductCaption);
        auto logHas = [&](const char* log, const QString& line) {
            return QString::fromStdString(test::readFile(dir / log)).split('\n').contains(line);
        };

        QProcess first;
        startProgram(first, dir.path(), xvfb.display(), "first.log");
        QVERIFY(first.waitForStarted());
        QVERIFY2(waitFor([&] { return logHas("first.log", "0: Ready"); }), "the program did not come up");
        QVERIFY(!windowNamed(product).isEmpty());
        xdotool({ "key", "alt+F2" });
        QVERIFY(waitFor([&] { return logHas("first.log", "0: Recoding..."); }));
        xdotool({ "mousemove", "150", "120" });
        xdotool({ "click", "1" });
        xdotool({ "key", "alt+F3" });
        QVERIFY(waitFor([&] { return logHas("first.log", "1: Not saved"); }));
        QVERIFY2(!windowNamed(QStringLiteral("*Untitled - ") + product).isEmpty(), "the caption says nothing of it");
        const auto recovery = dir / "recovery.xml";
        QVERIFY2(waitFor([&] { return std::filesystem::exists(recovery); }), "no recovery file");
        const std::string kept = test::readFile(recovery);
        const auto keptList = LoadListFile(recovery);
        QVERIFY(keptList && !keptList->itemError && keptList->actions.size() >= 2);
        QCOMPARE(QString::fromStdString(ListToText(keptList->actions)), QString::fromStdString(kept));
        first.kill();
        QVERIFY(first.waitForFinished(10000));

        QProcess second;
        startProgram(second, dir.path(), xvfb.display(), "second.log");
        QVERIFY(second.waitForStarted());
        // The window shows once start-up has said everything.
        const QString window = windowNamed(QStringLiteral("*Untitled - ") + product);
        QVERIFY2(!window.isEmpty(), "no window of an unsaved list");
        const QStringList notices = QString::fromStdString(test::readFile(dir / "second.log"))
                                        .split('\n')
                                        .filter(QStringLiteral("1: Recovered the unsaved list from "));
        QCOMPARE(notices.size(), 1);
        QVERIFY2(
            notices[0].endsWith(QStringLiteral(" \u2014 Save to keep it, Clear to drop it")), qPrintable(notices[0]));
        xdotool({ "windowfocus", "--sync", window, "key", "alt+s" });
        QVERIFY2(waitFor([&] {
            return xdotool({ "getwindowfocus", "getwindowname" }).startsWith("Save");
        }),
            "the save dialog did not appear");
        const auto saved = dir / "saved.xml";
        xdotool({ "type", "--delay", "5", QString::fromStdString(saved.string()) });
        xdotool({ "key", "Return" });
        QVERIFY2(waitFor([&] { return std::filesystem::exists(saved); }), "not saved");
        QCOMPARE(QString::fromStdString(test::readFile(saved)), QString::fromStdString(kept));
        QVERIFY2(waitFor([&] { return !std::filesystem::exists(recovery); }), "saved: the recovery file stays");
        QVERIFY(!windowNamed(QStringLiteral("saved.xml - ") + product).isEmpty());

        xdotool({ "windowsize", "--sync", window, "700", "520" });
        QVERIFY(waitFor([&] { return xdotool({ "getwindowgeometry", window }).contains("700x520"); }));
        second.terminate(); // SIGTERM
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        TConfig config(dir / "config.xml");
        QCOMPARE(config.GetFrame().width(), 700);
        QCOMPARE(config.GetFrame().height(), 520);

        // Saved before it ended: the next start is empty and says nothing.
        QProcess third;
        startProgram(third, dir.path(), xvfb.display(), "third.log");
        QVERIFY(third.waitForStarted());
        QVERIFY(!windowNamed(product).isEmpty());
        QVERIFY(!QString::fromStdString(test::readFile(dir / "third.log")).contains(QStringLiteral("Recovered")));
        third.terminate();
        QVERIFY(third.waitForFinished(10000));
    }

    // On sway the program cannot grab keys: it has sway bind them to
    // "clickwisp-cli remote". A CTRL+F2 typed on a virtual keyboard (our own
    // Wayland backend playing a list) makes sway start the run.
    void onSwayTheRunKeyStartsARunThroughTheCompositor()
    {
        if (!test::HeadlessSway::installed())
            QSKIP("sway is not installed");
        test::HeadlessSway sway;
        QVERIFY2(sway.ok(), sway.error().c_str());
        test::TempDir dir;
        // The program, with the tool beside it that the bindings run, and its
        // settings; the notice of what Wayland lacks was already given.
        std::filesystem::copy_file(CLICKWISP_GUI_PATH, dir / "clickwisp");
        std::filesystem::copy_file(test::cliPath(), dir / "clickwisp-cli");
        test::writeFile(dir / "config.xml", test::PreparedConfigXml({ .limitsNoticed = true }));
        test::writeFile(dir / "status.log", "");
        auto statusLines = [&] { return QString::fromStdString(test::readFile(dir / "status.log")).split('\n'); };
        auto countOf = [&](const char* line) { return int(statusLines().count(QString::fromLatin1(line))); };

        // The program runs as sway's user: the bindings' commands reach its
        // socket only from the same user.
        QStringList command { QString::fromStdString((dir / "clickwisp").string()) };
        if (geteuid() == 0) {
            const passwd* user = getpwnam("clickwisp-test");
            QVERIFY(user);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
                QVERIFY(chown(entry.path().c_str(), user->pw_uid, user->pw_gid) == 0);
            QVERIFY(chown(dir.path().c_str(), user->pw_uid, user->pw_gid) == 0);
            command = QStringList { QStringLiteral("--reuid=%1").arg(user->pw_uid),
                QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--init-groups") }
                + command;
            command.prepend(QStringLiteral("setpriv"));
        }
        QProcess app;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromStdString(sway.waylandDisplay()));
        environment.insert(QStringLiteral("SWAYSOCK"), QString::fromStdString(sway.swaySocket()));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(sway.runtimeDir().string()));
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(dir.path().string()));
        environment.insert(
            QStringLiteral("CLICKWISP_STATUS_LOG"), QString::fromStdString((dir / "status.log").string()));
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(command.takeFirst(), command);
        QVERIFY(app.waitForStarted());
        QVERIFY2(waitFor([&] { return countOf("0: Ready") == 1; }),
            qPrintable(QStringLiteral("the program did not come up; status: ") + statusLines().join(" | ")));
        // Recording is missing on Wayland; the hot keys are not.
        QVERIFY2(statusLines().contains(QStringLiteral(
                     "2: Playback, the screen searches and the hot keys work; recording does not. Hot keys: bound "
                     "through sway")),
            qPrintable(statusLines().join(" | ")));
        QCOMPARE(countOf("0: Running..."), 0);

        // CTRL+F2 on the compositor's seat, from clickwisp-cli's virtual keyboard.
        test::writeFile(dir / "keys.xml", R"(<?xml version="1.0" encoding="utf-8"?><list versionNo="1.0">
<item actionType="2" key="17" keyAction="0" delay="0"/>
<item actionType="2" key="113" keyAction="2" delay="0"/>
<item actionType="2" key="17" keyAction="1" delay="0"/>
</list>
)");
        const auto played = test::runProcess({ test::cliPath(), "play", (dir / "keys.xml").string() });
        QVERIFY2(played.status == 0, played.err.c_str());
        QVERIFY2(waitFor([&] { return countOf("0: Running...") == 1; }),
            qPrintable(QStringLiteral("sway did not start the run; status: ") + statusLines().join(" | ")
                + QStringLiteral("\nsway's log: ")
                + QString::fromStdString(test::readFile(sway.runtimeDir() / "sway.log"))));
        // The empty list's run ends at once.
        QVERIFY(waitFor([&] { return countOf("0: Finished") == 1; }));

        app.terminate();
        QVERIFY(app.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(AppEndToEndTest)
#include "app_e2e_test.moc"
