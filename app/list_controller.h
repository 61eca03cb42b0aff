#pragma once

#include "app/controller_view.h"
#include "app/list_recovery.h"
#include "config/config.h"
#include "core/action.h"
#include "core/error.h"
#include "core/event_msg.h"
#include "platform/compositor_keys.h"
#include "platform/control_channel.h"
#include "platform/waiter.h"
#include "playback/run_thread.h"
#include "record/hot_keys.h"
#include "record/recorder.h"
#include "record/recording_session.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace clickwisp {

class HotKeySource;
class InputRecorder;

// What the controller works with besides its view. The sources are borrowed
// and must outlive the controller.
struct ControllerServices {
    std::filesystem::path configPath;
    // Global hot keys; null when the desktop offers none (hotKeysProblem says why).
    HotKeySource* hotKeys = nullptr;
    std::string hotKeysProblem;
    // The recording source; null when the desktop offers none (recorderProblem says why).
    InputRecorder* recorder = nullptr;
    std::string recorderProblem;
    // Opens the desktop a run plays on, on the run's own thread.
    DesktopFactory playbackDesktop;
    std::shared_ptr<Waiter> waiter;
    // Queues a call to run later on the user-interface thread. Any thread may
    // call it; the calls must run in the order they were queued.
    std::function<void(std::function<void()>)> post;
    // Opens the remote control's listener (ListenForControl) with the
    // handler; empty: no remote control.
    std::function<Result<std::unique_ptr<ControlServer>>(ControlServer::Handler)> remoteControl;
    // The compositor that binds the hot keys to remote commands (sway); null
    // when none does.
    CompositorKeys* compositorKeys = nullptr;
    // An unsaved list is kept beside configPath (RecoveryFilesBeside),
    // written at most once per this interval while it changes.
    std::chrono::milliseconds recoveryInterval { 250 };
    // What the user should know of the desktop itself (it asks for
    // permission at each session, or refused it); shown in the status bar.
    std::string desktopNote;
};

// How long a remote command waits for the user-interface thread.
inline constexpr std::chrono::milliseconds kRemoteAnswerLimit { 10000 };

// The action list controller: owns the edited list (actions in order, at
// most one selected), the configuration, the hot-key registrations, the
// recorder and the run under way, and carries out every command of the main
// window. Everything runs on the user-interface thread; the run's worker and
// the platform sources reach the controller only through services.post.
class TMouseCtrl {
public:
    // Loads the configuration (GetConfig). Nothing is shown or registered
    // before Start.
    TMouseCtrl(ControllerView& view, ControllerServices services);
    // Stops a recording (its events become the list) and a run, and releases
    // the hot keys. Does not write config.xml: see Shutdown.
    ~TMouseCtrl();
    TMouseCtrl(const TMouseCtrl&) = delete;
    TMouseCtrl& operator=(const TMouseCtrl&) = delete;

    // Called once the window has applied its bounds and columns: says what
    // went wrong loading config.xml, registers the hot keys, says what the
    // desktop does not allow (status panel 2, and once per configuration in
    // a box), opens the remote control, status "Ready"; then loads the list
    // an earlier run left unsaved, if any, and says so in status panel 1.
    void Start();
    // Called on closing, after the window has written its bounds and
    // columns into the configuration: stops a recording under way (its
    // events become the list), asks a run to stop, writes config.xml and
    // leaves an unsaved list in the recovery file (a failure of either is
    // shown; nothing is asked) and releases the hot keys.
    void Shutdown();
    // The session is being saved (ending: it ends now), after the window has
    // written its bounds and columns: writes config.xml and brings the
    // recovery file up to date before returning. Ending stops a recording
    // first, its events becoming the list. Failures go to status panel 1,
    // never to a box.
    void SaveSession(bool ending);

    // The list.
    int Count() const { return int(m_actions.size()); }
    const TBaseCtrlEX& Action(int row) const { return *m_actions.at(size_t(row)); }
    const ActionList& Actions() const { return m_actions; }
    int Selected() const { return m_selected; }
    // The user selected row (-1: none). Out-of-range rows select none.
    void Select(int row);

    // Inserts action after the selected row, or at the end when none is
    // selected; the selection stays where it was.
    void AddAction(std::unique_ptr<TBaseCtrlEX> action);
    // The editor with "New Action"; on OK the action is added.
    void NewAction();
    // The editor with "Edit Action" on the selected action.
    void EditAction();
    // Asks "Are you sure to delete the click?" and removes the selected row;
    // the row that takes its place (or the new last row) is selected.
    void DeleteAction();
    // Asks "Are you sure to clear the list?" (also for an empty list).
    void ClearList();
    // Move the selected row by one place; it stays selected.
    void MoveUp();
    void MoveDown();
    // Open prompt, then replaces the list by the file's actions. A file that
    // does not load leaves the list as it was; an item that does not convert
    // keeps the items before it. Either is shown to the user.
    void LoadList();
    // Save prompt (always asked), then writes the list atomically; a failure
    // is shown and leaves the old file untouched.
    void SaveList();
    // The options dialog; on OK the hot keys are registered again.
    void ShowOptions();
    // Replaces the list by the actions of a recording (no selection).
    void LoadRecording(const TEventList& events);
    // Fills copies with independent copies of every action, in list order.
    void MakeRunCopies(ActionList& copies) const;
    // The text of a list cell: the row number for a column named "No.",
    // otherwise the action's description for the column's name.
    std::string GetCellText(int row, int column) const;
    TConfig& GetConfig();

    // Playback. Run does nothing while a run is under way; Stop asks the run
    // to stop and returns at once (its end notice brings "Finished").
    void Run(std::optional<HotKeyOrigin> origin = std::nullopt);
    void Stop();
    // A run's end notice, on the user-interface thread. The notice of a
    // stopped run never ends a newer run.
    void RunFinished(const RunEnd& end);
    bool Running() const { return m_running; }

    // Recording: the one toggle of the record button and both ALT keys.
    // Does nothing while a run is under way.
    void btnShadeClick(std::optional<HotKeyOrigin> origin = std::nullopt);
    bool Recording() const { return m_recording && m_recording->Recording(); }

    // Hot keys: (re)registers the four keys from the configuration. A key
    // that cannot be registered is shown in status panel 1 and in the tray
    // tip, and in a box as well when the user has just confirmed the
    // options. WMHotKey dispatches a pressed key.
    void RegisterHotKeys(bool confirmedByUser = false);
    void UnregisterHotKeys();
    void WMHotKey(uint32_t modifiers, uint32_t vk);
    HotKeyNumbers ConfiguredHotKeys();

    // A command of the remote control, carried out as its button or hot key
    // would; the reply line says what happened or why nothing did.
    std::string RemoteCommand(ControlCommand command);
    // The list file last loaded or saved; empty for a new list.
    const std::string& ListFile() const { return m_listFile; }
    // Whether the list has changes that are not saved. A new, empty list
    // has none; a recovered one has.
    bool ListModified() const { return m_modified; }

    // The status-bar hint for a control under the pointer: the stop key of
    // what is under way, else the control's own hint.
    std::string HintFor(const std::string& controlHint);

private:
    // Replaces the list, forgetting its file; an unsaved list that goes is
    // kept in the recovery file's previous slot. The caller then says
    // whether the new list is saved (listSaved) or not (listChanged).
    void replaceList(ActionList actions);
    // After every change of the list: caption, "Not saved", recovery file.
    void listChanged();
    // The list is the content of file now.
    void listSaved(const std::string& file);
    void showListState();
    void recoverList();
    std::optional<ActionList> unsavedCopy() const;
    void tellRecoveryProblem(const Error& error);
    int rowOf(const TBaseCtrlEX* action) const;
    void setSelected(int row);
    void stopRecordingInto(std::optional<HotKeyOrigin> origin);
    std::string stopRunHint();
    std::string startRunHint();
    void finishStatus(const RunEnd& end);
    void postToSelf(std::function<void(TMouseCtrl&)> call);
    void tellLimits();
    // Status panel 2: what the desktop does not allow, and how the hot keys
    // are bound or why not (the reason as the panel's tip).
    void showDesktopStatus();
    void openRemoteControl();
    void closeRemoteControl();

    ControllerView& m_view;
    ControllerServices m_services;
    std::unique_ptr<TConfig> m_config;
    ActionList m_actions;
    int m_selected = -1;
    std::string m_listFile;
    bool m_modified = false;
    // Null without a settings folder (no configPath) or a user-interface queue.
    std::unique_ptr<RecoveryKeeper> m_recovery;

    std::unique_ptr<HotKeys> m_hotKeys;
    std::unique_ptr<RecordingSession> m_recording;
    std::string m_hotKeyProblem; // shown since the last registration; empty: none
    std::string m_limitsStatus; // what the desktop does not allow, in the user's words

    bool m_running = false;
    std::unique_ptr<TRunThread> m_run;
    // Runs asked to stop whose end notice has not arrived yet.
    std::vector<std::unique_ptr<TRunThread>> m_stoppedRuns;

    std::unique_ptr<ControlServer> m_remote;
    // Set before the listener stops, so a command waiting for this thread
    // gives up instead of holding the listener's thread.
    std::shared_ptr<std::atomic<bool>> m_remoteClosing = std::make_shared<std::atomic<bool>>(false);

    // Lets queued calls find out whether the controller still exists.
    std::shared_ptr<TMouseCtrl*> m_self;
};

} // namespace clickwisp
