#pragma once

#include "app/controller_view.h"
#include "app/main_window_presenter.h"
#include "platform/compositor_keys.h"
#include "platform/control_channel.h"
#include "platform/waiter.h"
#include "playback/run_thread.h"

#include <QHash>
#include <QMainWindow>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QSystemTrayIcon;
class QToolButton;
class QTreeView;

namespace clickwisp {

class ActionListModel;
class HotKeySource;
class InputInjector;
class InputRecorder;
class ScreenSource;
class TMouseCtrl;

// Replacements for the modal boxes and file dialogs, so tests can answer
// them. Each one that is set is used instead of its dialog.
struct DialogHooks {
    std::function<bool(const QString& question)> askYesNo;
    std::function<void(const QString& text)> showMessage;
    std::function<std::optional<QString>(bool save)> chooseFile;
};

// The desktop the main window works on. The window owns all of it; a
// missing capability comes with the reason, which the user is told.
struct MainWindowServices {
    std::filesystem::path configPath;
    std::unique_ptr<HotKeySource> hotKeys;
    std::string hotKeysProblem;
    std::unique_ptr<InputRecorder> recorder;
    std::string recorderProblem;
    DesktopFactory playbackDesktop;
    std::shared_ptr<Waiter> waiter;
    // Pointer and pixel for the action editor's capture (may be null).
    std::unique_ptr<InputInjector> editorInput;
    std::unique_ptr<ScreenSource> editorScreen;
    // The desktop backend serving the session ("x11", "wayland", "portal"), for the About box.
    std::string backendName;
    // What the user should know of the desktop itself, for the status bar
    // (the desktop asks for permission at each session, or refused it).
    std::string desktopNote;
    // Opens the remote control's listener; empty: no remote control.
    std::function<Result<std::unique_ptr<ControlServer>>(ControlServer::Handler)> remoteControl;
    // The compositor that binds the hot keys to remote commands (sway); may be null.
    std::unique_ptr<CompositorKeys> compositorKeys;
    // A Wayland session: where no compositor binds the keys, the options
    // dialog lists the bindings to make by hand.
    bool waylandSession = false;
    // For end-to-end tests: when set, every status text is appended to this
    // file as "<panel>: <text>", since another program cannot read the bar.
    QString statusLogPath;
    DialogHooks dialogs;
};

// The main window: tool panel, list view, right panel, status bar, menu
// and the notification-area icon. It holds no list logic: every command
// goes to its TMouseCtrl, which reaches back through ControllerView.
class TMForm : public QMainWindow, public ControllerView {
    Q_OBJECT
public:
    explicit TMForm(MainWindowServices services, QWidget* parent = nullptr);
    ~TMForm() override;

    // Shows the window as configured: centred on the desktop with the
    // configured size, or maximised.
    void showAtStart();
    // The desktop session is being saved (ending: it ends now): the
    // window's bounds and columns, config.xml and the unsaved list are
    // written before returning, whatever dialog is open.
    void saveSession(bool ending);
    // The program is asked to end (SIGTERM, SIGHUP): closes as Exit does.
    // Dialogs a command waits in end as cancelled first, and the window
    // closes once that command has returned; everything is saved before.
    void endSession();
    // Null once the window has closed.
    TMouseCtrl* controller() const { return m_controller.get(); }

    // ControllerView
    bool askYesNo(const std::string& question) override;
    void showMessage(const std::string& text, MessageKind kind) override;
    std::optional<std::string> chooseOpenFile(
        const std::string& defaultExt, const std::string& filter, const std::string& initialName) override;
    std::optional<std::string> chooseSaveFile(
        const std::string& defaultExt, const std::string& filter, const std::string& initialName) override;
    bool showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool loadFromAction) override;
    bool showOptionsDialog() override;
    void setStatus(int panel, const std::string& text) override;
    void setStatusTip(int panel, const std::string& text) override;
    void setEditingEnabled(bool enabled) override;
    void setRecordingShown(bool recording) override;
    void setRecordAvailable(bool available, const std::string& hint) override;
    void setTrayNote(const std::string& text) override;
    void showAndRaise() override;
    void setListState(const std::string& listFile, bool modified) override;
    void listReset() override;
    void rowsInserted(int first, int count) override;
    void rowsRemoved(int first, int count) override;
    void rowMoved(int from, int to) override;
    void rowChanged(int row) override;
    void selectionChanged(int row) override;

    // Commands of the window itself.
    void btnShadeClick();
    void OpenHelpPage();
    void ShowAbout();

    // The tray icon's tip (kept also without a notification area).
    QString trayTip() const { return m_trayTip; }

signals:
    // The window has closed and saved its settings; the program may end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Held while a command of the controller waits in a modal dialog: the
    // controller must not go before the command has returned.
    struct ModalScope {
        explicit ModalScope(TMForm& form);
        ~ModalScope();
        TMForm& form;
    };
    void closeWhenIdle();
    void buildToolPanel();
    void buildRightPanel();
    void buildListView();
    void buildStatusAndMenu();
    void buildTrayIcon();
    QToolButton* addButton(
        QWidget* panel, MainControl control, const char* themeIcon, const char* fallbackIcon, int width, int height);
    std::function<void()> command(void (TMouseCtrl::*operation)());
    void applyWindowSettings();
    void applyColumns();
    void storeWindowSettings();
    void WMTrayIcon();
    std::optional<std::string> chooseFile(
        bool save, const std::string& defaultExt, const std::string& filter, const std::string& initialName);

    // The widgets; each carries its designer name (in the comments) as
    // objectName(), by which tests find it.
    QWidget* m_toolPanel; // MainPanel, its buttons left to right:
    QToolButton* m_recordButton; // btnShade
    QToolButton* m_loadButton; // VisibilityDemoButton
    QToolButton* m_saveButton; // AlignDemoButton
    QToolButton* m_newButton; // SpeedButton4
    QToolButton* m_editButton; // SpeedButton5
    QToolButton* m_deleteButton; // SpeedButton7
    QToolButton* m_clearButton; // SpeedButton8
    QToolButton* m_optionsButton; // SpeedButton2
    QToolButton* m_quitButton; // QuitButton
    QWidget* m_rightPanel; // Panel2, top to bottom:
    QToolButton* m_startButton; // btnStart
    QToolButton* m_stopButton; // btnStop
    QToolButton* m_upButton; // sbUp
    QToolButton* m_downButton; // sbDown
    QTreeView* m_listView; // VT
    QLabel* m_statusPanel; // StatusPanel0: what the program is doing
    QLabel* m_hintPanel; // StatusPanel1: the hint of the control under the pointer
    QLabel* m_limitsPanel; // StatusPanel2: what this desktop does not allow
    QSystemTrayIcon* m_trayIcon = nullptr; // TrayIcon; null without a notification area

    MainWindowServices m_services;
    QString m_trayTip = QStringLiteral("Clickwisp");
    DialogHooks& m_hooks; // m_services.dialogs
    ActionListModel* m_model;
    std::unique_ptr<TMouseCtrl> m_controller;
    QHash<QObject*, QString> m_hints;
    bool m_startMaximized = false;
    bool m_syncingSelection = false;
    bool m_recordAvailable = true;
    int m_modalDepth = 0;
    bool m_endPending = false; // endSession waits for a command's dialogs
};

} // namespace clickwisp
