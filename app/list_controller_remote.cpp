// TMouseCtrl: the remote control, and what the desktop does not allow.
#include "app/list_controller.h"

#include "app/hot_keys_status.h"
#include "app/main_window_presenter.h"

#include <future>

namespace clickwisp {

void TMouseCtrl::tellLimits()
{
    const DesktopLimits limits = DesktopLimitsOf(m_services.recorderProblem, m_services.hotKeysProblem,
        m_services.compositorKeys ? m_services.compositorKeys->name() : std::string());
    m_view.setRecordAvailable(m_recording != nullptr, limits.recordHint);
    m_limitsStatus = limits.status;
    showDesktopStatus();
    if (limits.notice.empty() || GetConfig().GetFrame().limitsnoticed())
        return;
    m_view.showMessage(limits.notice, ControllerView::MessageKind::Notice);
    GetConfig().GetFrame().setLimitsnoticed(true);
}

void TMouseCtrl::showDesktopStatus()
{
    HotKeysWay way;
    if (m_hotKeys)
        way.grabbedThrough = m_services.hotKeys->name();
    if (m_services.compositorKeys) {
        way.boundThrough = m_services.compositorKeys->name();
        way.chosenKeys = m_services.compositorKeys->triggers();
    }
    const bool someWay = !way.grabbedThrough.empty() || !way.boundThrough.empty();
    way.problem = someWay ? m_hotKeyProblem : m_services.hotKeysProblem;
    // What the desktop itself asks of the user (a consent at each session)
    // follows the hot keys' way.
    const std::string status = DesktopStatus(m_limitsStatus, way);
    const std::string& note = m_services.desktopNote;
    m_view.setStatus(2, note.empty() ? status : status.empty() ? note : status + "; " + note);
    m_view.setStatusTip(2, way.problem);
}

void TMouseCtrl::openRemoteControl()
{
    if (!m_services.remoteControl)
        return;
    // The listener's thread waits here for the answer of this thread, which
    // carries out the command between its other events, as for a hot key.
    auto handler = [self = std::weak_ptr<TMouseCtrl*>(m_self), post = m_services.post, closing = m_remoteClosing](
                       ControlCommand command) -> std::string {
        auto reply = std::make_shared<std::promise<std::string>>();
        auto answer = reply->get_future();
        post([self, reply, command, closing] {
            // A command that waited past closing is not carried out late.
            if (auto alive = self.lock(); alive && !*closing)
                reply->set_value((*alive)->RemoteCommand(command));
            else
                reply->set_value(ErrorReply("the program is closing"));
        });
        const auto deadline = std::chrono::steady_clock::now() + kRemoteAnswerLimit;
        while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
            if (*closing)
                return ErrorReply("the program is closing");
            if (std::chrono::steady_clock::now() > deadline)
                return ErrorReply("the program did not answer in time");
        }
        try {
            return answer.get();
        } catch (const std::future_error&) {
            return ErrorReply("the program is closing"); // the queued call was dropped unrun
        }
    };
    auto server = m_services.remoteControl(std::move(handler));
    if (!server) {
        m_view.showMessage("Remote control is off: " + server.error().message, ControllerView::MessageKind::Error);
        return;
    }
    m_remote = std::move(*server);
}

void TMouseCtrl::closeRemoteControl()
{
    *m_remoteClosing = true;
    m_remote.reset();
}

std::string TMouseCtrl::RemoteCommand(ControlCommand command)
{
    const std::string list = " actions=" + std::to_string(Count()) + " list=" + m_listFile;
    switch (command) {
    case ControlCommand::StartRecord:
        if (Recording())
            return ErrorReply("already recording");
        if (m_running)
            return ErrorReply("a run is under way: stop it first");
        if (!m_recording)
            return ErrorReply("recording is not available: " + m_services.recorderProblem);
        btnShadeClick();
        return Recording() ? OkReply("recording") : ErrorReply("the recording could not start");
    case ControlCommand::StopRecord:
        if (!Recording())
            return ErrorReply("not recording");
        btnShadeClick();
        return OkReply("recorded actions=" + std::to_string(Count()));
    case ControlCommand::StartRun:
        if (m_running)
            return ErrorReply("a run is already under way");
        if (Recording())
            return ErrorReply("recording is under way: stop it first");
        Run();
        return OkReply("playing" + list);
    case ControlCommand::StopRun:
        if (!m_running)
            return ErrorReply("no run is under way");
        Stop();
        return OkReply("stopped");
    case ControlCommand::Status: return OkReply((Recording() ? "recording" : m_running ? "playing" : "idle") + list);
    }
    return ErrorReply("unknown command");
}

} // namespace clickwisp
