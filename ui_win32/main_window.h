#pragma once

#include "app/controller_view.h"
#include "app/main_window_presenter.h"
#include "platform/control_channel.h"
#include "platform/waiter.h"
#include "playback/run_thread.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clickwisp {

class HotKeySource;
class InputInjector;
class InputRecorder;
class ScreenSource;
class TMouseCtrl;

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
    // The desktop backend serving the session ("win32"), for the About box.
    std::string backendName;
    // Opens the remote control's listener; empty: no remote control.
    std::function<Result<std::unique_ptr<ControlServer>>(ControlServer::Handler)> remoteControl;
};

// A prompt's filter ("XML File|*.XML", see ParseFileFilter) as the common
// file dialogs take it: name, NUL, patterns joined by ";", NUL, ..., NUL.
std::wstring FileDialogFilter(const std::string& filter);

// The main window: tool panel, list view, right panel, status bar, menu
// and the notification-area icon, as Win32 windows and common controls. It
// holds no list logic: every command goes to its TMouseCtrl, which reaches
// back through ControllerView. Runs on the thread that created it.
class TMForm : public ControllerView {
public:
    static constexpr const wchar_t* kClassName = L"TMForm";
    // The notification-area icon's callback message.
    static constexpr UINT kTrayMessage = WM_USER + 1036;
    // A call queued for this window's thread (lParam: a std::function<void()>*).
    static constexpr UINT kQueuedCall = WM_APP + 1;
    // The controls' identifiers: kFirstControlId + MainControl; the menu's.
    static constexpr int kFirstControlId = 1000;
    static constexpr int kAboutCommand = 2001;
    static constexpr int kHelpCommand = 2002;

    // Creates the window, still hidden, its controller and the icon.
    explicit TMForm(MainWindowServices services);
    ~TMForm() override;
    TMForm(const TMForm&) = delete;
    TMForm& operator=(const TMForm&) = delete;

    HWND handle() const { return m_window; }
    // Null once the window has closed.
    TMouseCtrl* controller() const { return m_controller.get(); }
    // Shows the window as configured: centred on the desktop with the
    // configured size, or maximised.
    void showAtStart();

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

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void applyDpi();
    void layout();
    void addTrayIcon();
    void applyColumns();
    void storeWindowSettings();
    // WM_QUERYENDSESSION and WM_ENDSESSION (ending): the bounds, columns,
    // config.xml and the unsaved list are written before the answer, since
    // the process may end right after it.
    void saveSession(bool ending);
    void close();
    void command(MainControl control);
    LRESULT notify(const NMHDR& header);
    void pointerOver(HWND child);
    void trayClicked();
    void refreshList();
    std::optional<std::string> chooseFile(
        bool save, const std::string& defaultExt, const std::string& filter, const std::string& initialName);
    // Sizes in config.xml and the designed ones are pixels at 96 dpi (as
    // the Qt program's are device-independent); the window's are physical.
    int scaled(int pixels) const { return MulDiv(pixels, int(m_dpi), 96); }
    int unscaled(int pixels) const { return MulDiv(pixels, 96, int(m_dpi)); }
    HWND control(MainControl which) const { return m_controls[size_t(which)]; }
    // A control's own hint: Record's says why it is disabled where the
    // desktop offers no recording.
    std::string hintOf(MainControl which) const;
    void setToolTip(MainControl which, const std::string& text);

    HWND m_window = nullptr;
    // The controls in MainControl order; List is the list view (VT).
    std::array<HWND, kMainControlCount> m_controls {};
    std::vector<HWND> m_separators;
    // StatusBar: panel 0 the state, panel 1 the hint, panel 2 what the
    // desktop does not allow (as wide as its text; none when empty)
    HWND m_status = nullptr;
    HWND m_tooltips = nullptr;
    HFONT m_font = nullptr;
    HFONT m_boldFont = nullptr;
    std::vector<HIMAGELIST> m_imageLists;
    std::vector<HICON> m_icons;
    HICON m_programIcon = nullptr;
    UINT m_dpi = 96;

    MainWindowServices m_services;
    std::unique_ptr<TMouseCtrl> m_controller;
    bool m_trayShown = false;
    // Sent to every top-level window when the taskbar (re)starts.
    UINT m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    std::wstring m_trayTip = L"Clickwisp";
    std::array<std::wstring, 3> m_statusTips;
    std::wstring m_limitsText; // panel 2
    bool m_recordAvailable = true;
    std::string m_recordHint;
    std::vector<bool> m_columnShown; // per configured column
    std::wstring m_cellText; // lent to the list view for one cell
    bool m_startMaximized = false;
    bool m_syncingSelection = false;
};

} // namespace clickwisp
