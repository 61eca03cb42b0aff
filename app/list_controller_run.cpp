// TMouseCtrl: playback, recording and the hot keys that drive them.
#include "app/list_controller.h"

#include "app/run_report.h"

#include <cctype>

namespace clickwisp {

// ---- playback ----

std::string TMouseCtrl::stopRunHint()
{
    return "Press CTRL+F" + std::to_string(GetConfig().GetRunning().stop() + 1) + " to Stop Running Action List";
}

std::string TMouseCtrl::startRunHint()
{
    return "Press CTRL+F" + std::to_string(GetConfig().GetRunning().start() + 1) + " to Run Action List";
}

void TMouseCtrl::Run(std::optional<HotKeyOrigin> origin)
{
    if (m_running)
        return;
    m_running = true;
    m_view.setStatus(0, "Running...");
    m_view.setStatus(1, stopRunHint());
    m_view.setEditingEnabled(false);

    const auto running = GetConfig().GetRunning();
    const RunSettings settings { running.repeat(), running.times(), running.interval(), running.speed(), 0, false };
    DesktopFactory desktop = m_services.playbackDesktop;
    if (origin && m_services.hotKeys) {
        // Played input must not combine with the CTRL the user still holds.
        desktop = [keys = m_services.hotKeys, key = *origin, open = std::move(desktop)] {
            WaitForHotKeyRelease(*keys, key.modifiers, key.vk);
            return open();
        };
    }
    std::weak_ptr<TMouseCtrl*> self = m_self;
    auto post = m_services.post;
    // The run copies the list itself (CopyAction, as MakeRunCopies does), so
    // edits made while it plays do not reach it.
    m_run = std::make_unique<TRunThread>(
        m_actions, settings, std::move(desktop), m_services.waiter, [self, post](const RunEnd& end) {
            post([self, end] {
                if (auto alive = self.lock())
                    (*alive)->RunFinished(end);
            });
        });
    m_run->Start();
}

void TMouseCtrl::Stop()
{
    m_running = false;
    if (m_run) {
        m_run->Terminate();
        // Kept until its end notice, so nothing touches a finished worker.
        m_stoppedRuns.push_back(std::move(m_run));
    }
    m_view.setEditingEnabled(true);
}

void TMouseCtrl::RunFinished(const RunEnd& end)
{
    if (m_run && m_run->RunId() == end.runId) {
        m_run.reset(); // the body is past its notice: this only joins it
        m_running = false;
    } else {
        auto stopped = std::find_if(
            m_stoppedRuns.begin(), m_stoppedRuns.end(), [&](const auto& run) { return run->RunId() == end.runId; });
        if (stopped == m_stoppedRuns.end())
            return;
        m_stoppedRuns.erase(stopped);
        if (m_running) {
            // A newer run is under way: its texts and controls stay.
            if (end.outcome == RunOutcome::Failed)
                m_view.showMessage(
                    "An earlier run ended by an error. " + end.message(), ControllerView::MessageKind::Error);
            return;
        }
    }
    finishStatus(end);
    if (end.outcome == RunOutcome::Failed)
        m_view.showMessage("The run ended by an error. " + end.message(), ControllerView::MessageKind::Error);
}

void TMouseCtrl::finishStatus(const RunEnd& end)
{
    m_view.setEditingEnabled(true);
    m_view.setStatus(0, "Finished");
    // Clicks that found no target are told in the status bar, not in a
    // dialog: a list may miss on purpose.
    const RunReport report = MakeRunReport(end.misses, end.untyped);
    m_view.setStatus(1, report.headline.empty() ? startRunHint() : report.headline);
    m_view.setStatusTip(1, report.details);
    m_view.showAndRaise();
}

// ---- recording ----

void TMouseCtrl::btnShadeClick(std::optional<HotKeyOrigin> origin)
{
    if (m_running)
        return;
    if (!m_recording) {
        m_view.showMessage(
            "Recording is not available: " + m_services.recorderProblem, ControllerView::MessageKind::Error);
        return;
    }
    if (m_recording->Recording()) {
        stopRecordingInto(origin);
        m_view.setRecordingShown(false);
        m_view.setStatus(0, "Ready");
        return;
    }
    const auto shade = GetConfig().GetShade();
    if (auto started = m_recording->Start(shade.mousemove(), shade.keyboard()); !started) {
        m_view.showMessage(
            "The recording could not start: " + started.error().message, ControllerView::MessageKind::Error);
        return;
    }
    m_view.setStatus(0, "Recoding...");
    m_view.setRecordingShown(true);
}

void TMouseCtrl::stopRecordingInto(std::optional<HotKeyOrigin> origin)
{
    replaceList(m_recording->Stop(origin));
    listChanged();
}

// ---- hot keys ----

HotKeyNumbers TMouseCtrl::ConfiguredHotKeys()
{
    const auto shade = GetConfig().GetShade();
    const auto running = GetConfig().GetRunning();
    return HotKeyNumbers { shade.start(), shade.stop(), running.start(), running.stop() };
}

void TMouseCtrl::RegisterHotKeys(bool confirmedByUser)
{
    if (!m_hotKeys && !m_services.compositorKeys)
        return;
    // A desktop that takes one of the keys (ALT+F2 for a run dialog) would
    // otherwise stop every start with a box: the box is kept for the moment
    // the user has just chosen the keys.
    std::string problem;
    if (m_hotKeys) {
        if (auto registered = m_hotKeys->RegisterHotKeys(ConfiguredHotKeys()); !registered)
            problem = registered.error().message;
    }
    // Where the compositor holds the keys, it runs the remote commands.
    if (m_services.compositorKeys) {
        auto bound = m_services.compositorKeys->bindKeys(CommandKeysOf(HotKeyTexts(ConfiguredHotKeys())));
        if (!bound)
            problem += (problem.empty() ? "" : "; ") + bound.error().message;
    }
    if (!problem.empty())
        problem[0] = char(std::toupper(static_cast<unsigned char>(problem[0])));
    if (!problem.empty() || !m_hotKeyProblem.empty()) {
        m_view.setStatus(1, problem);
        m_view.setTrayNote(problem);
    }
    m_hotKeyProblem = problem;
    // At start the desktop's status follows with its limits (tellLimits).
    if (confirmedByUser)
        showDesktopStatus();
    if (!problem.empty() && confirmedByUser)
        m_view.showMessage(problem, ControllerView::MessageKind::Error);
}

void TMouseCtrl::UnregisterHotKeys()
{
    if (m_hotKeys)
        m_hotKeys->UnregisterHotKeys();
    if (m_services.compositorKeys)
        (void)m_services.compositorKeys->unbindKeys(); // nothing to tell on closing
}

void TMouseCtrl::WMHotKey(uint32_t modifiers, uint32_t vk)
{
    const HotKeyOrigin origin { modifiers, vk };
    switch (clickwisp::WMHotKey(modifiers, vk, ConfiguredHotKeys())) {
    case HotKeyCommand::Run: Run(origin); break;
    case HotKeyCommand::Stop: Stop(); break;
    case HotKeyCommand::ToggleRecording: btnShadeClick(origin); break;
    case HotKeyCommand::Nothing: break;
    }
}

std::string TMouseCtrl::HintFor(const std::string& controlHint)
{
    if (Recording())
        return "Press ALT+F" + std::to_string(GetConfig().GetShade().stop() + 1) + " to Stop Record Mouse Action";
    if (m_running)
        return stopRunHint();
    return controlHint;
}

} // namespace clickwisp
