// Clickwisp, the desktop program. It takes no command-line arguments.
#include "config/config.h"
#include "desktop/desktop_choice.h"
#include "desktop/key_binder_choice.h"
#include "platform/control_channel.h"
#include "ui/main_window.h"
#include "ui/session_end.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>

using namespace clickwisp;

namespace {

// The desktop of the session's backend (Wayland or X11); what is missing
// is told to the user by the window, and the rest still works.
MainWindowServices desktopServices()
{
    MainWindowServices services;
    services.configPath = TConfig::DefaultConfigPath();
    services.waiter = makeSteadyWaiter();
    // Only the end-to-end tests set this; it adds no behaviour of its own.
    services.statusLogPath = qEnvironmentVariable("CLICKWISP_STATUS_LOG");
    auto backend = openDesktopBackend();
    if (!backend) {
        // A bad CLICKWISP_BACKEND: every desktop capability reports it.
        const std::string problem = backend.error().message;
        services.backendName = "none";
        services.hotKeysProblem = problem;
        services.recorderProblem = problem;
        services.playbackDesktop = [problem]() -> Result<Platform> { return fail(problem); };
        return services;
    }
    services.backendName = backend->choice.name;
    services.desktopNote = backend->notice;
    if (auto hotKeys = backend->makeHotKeys())
        services.hotKeys = std::move(*hotKeys);
    else
        services.hotKeysProblem = hotKeys.error().message;
    if (auto recorder = backend->makeRecorder())
        services.recorder = std::move(*recorder);
    else
        services.recorderProblem = recorder.error().message;
    // On a portal desktop this opens the session the program keeps for its
    // life: the desktop may ask the user here, once.
    if (auto input = backend->makeInput())
        services.editorInput = std::move(*input);
    else if (backend->choice.name == "portal")
        services.desktopNote = input.error().message;
    if (auto screen = backend->makeScreen())
        services.editorScreen = std::move(*screen);
    services.playbackDesktop = backend->openPlayback;
    return services;
}

// The remote control on every desktop; where a Wayland client cannot take
// global keys, the desktop binds the hot keys to it (sway's IPC, KDE's
// global shortcuts, the GlobalShortcuts portal, GNOME's custom shortcuts).
void addRemoteControl(MainWindowServices& services)
{
    services.remoteControl
        = [](ControlServer::Handler handler) { return ListenForControl(ControlAddress(), std::move(handler)); };
    services.waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The command-line tool installed beside the program, else the one on the PATH.
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("clickwisp-cli"));
    auto binder
        = openKeyBinder(QFileInfo(beside).isExecutable() ? beside.toStdString() : std::string(), ControlAddress());
    if (binder)
        services.compositorKeys = std::move(*binder);
    else
        services.hotKeysProblem += (services.hotKeysProblem.empty() ? "" : "; ") + binder.error().message;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clickwisp"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.clickwisp.Clickwisp"));
    // Message boxes may close while the window is hidden in the notification
    // area; only closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    MainWindowServices services = desktopServices();
    addRemoteControl(services);
    TMForm window(std::move(services));
    QObject::connect(&window, &TMForm::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    // The end of the desktop session: a session manager asks to save (X11),
    // or the session's processes get SIGTERM (Wayland, systemd) or SIGHUP.
    auto saveSession = [&window](QSessionManager&) { window.saveSession(false); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, saveSession);
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &window, saveSession);
    SessionEndSignals endSignals;
    QObject::connect(&endSignals, &SessionEndSignals::received, &window, &TMForm::endSession);
    window.showAtStart();
    return app.exec();
}
