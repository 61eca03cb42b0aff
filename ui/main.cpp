// Clickwisp, the desktop program. It takes no command-line arguments.
#include "config/config.h"
#include "desktop/desktop_choice.h"
#include "desktop/key_binder_choice.h"
#include "platform/control_channel.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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
    if (auto hotKeys = backend->makeHotKeys())
        services.hotKeys = std::move(*hotKeys);
    else
        services.hotKeysProblem = hotKeys.error().message;
    if (auto recorder = backend->makeRecorder())
        services.recorder = std::move(*recorder);
    else
        services.recorderProblem = recorder.error().message;
    if (auto input = backend->makeInput())
        services.editorInput = std::move(*input);
    if (auto screen = backend->makeScreen())
        services.editorScreen = std::move(*screen);
    services.playbackDesktop = backend->openPlayback;
    return services;
}

// The remote control on every desktop; where a Wayland client cannot take
// global keys, the desktop binds the hot keys to it (sway's IPC, GNOME's
// custom shortcuts).
void addRemoteControl(MainWindowServices& services)
{
    services.remoteControl
        = [](ControlServer::Handler handler) { return ListenForControl(ControlFolder(), std::move(handler)); };
    services.waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The command-line tool installed beside the program, else the one on the PATH.
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("clickwisp-cli"));
    auto binder = openKeyBinder(QFileInfo(beside).isExecutable() ? beside.toStdString() : std::string());
    if (binder)
        services.compositorKeys = std::move(*binder);
    else
        services.hotKeysProblem += (services.hotKeysProblem.empty() ? "" : "; ") + binder.error().message;
}

// Signals that end the program (the session ending, kill, Ctrl+C) close the
// window as its close box does: the settings are written and the hot keys
// a desktop holds for us are given back. The handler only writes a byte;
// the UI thread reads it.
int g_endSignals[2] = { -1, -1 };

void onEndSignal(int)
{
    const char byte = 1;
    const ssize_t written = write(g_endSignals[1], &byte, 1);
    (void)written;
}

void closeOnEndSignals(TMForm& window)
{
    if (pipe2(g_endSignals, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_endSignals[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (read(g_endSignals[0], bytes, sizeof bytes) > 0) { }
        window.close();
    });
    struct sigaction action { };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : { SIGTERM, SIGINT, SIGHUP })
        sigaction(number, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clickwisp"));
    QApplication::setDesktopFileName(QStringLiteral("clickwisp"));
    // Message boxes may close while the window is hidden in the notification
    // area; only closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    MainWindowServices services = desktopServices();
    addRemoteControl(services);
    TMForm window(std::move(services));
    QObject::connect(&window, &TMForm::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    closeOnEndSignals(window);
    window.showAtStart();
    return app.exec();
}
