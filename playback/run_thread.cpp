#include "playback/run_thread.h"

#include "playback/execute.h"
#include "playback/press_tracker.h"
#include "playback/type_text.h"

#include <algorithm>
#include <exception>

namespace clickwisp {

namespace {

std::atomic<uint64_t> g_nextRunId { 1 };

} // namespace

std::string RunEnd::message() const
{
    if (outcome != RunOutcome::Failed)
        return {};
    if (actionNumber <= 0)
        return reason;
    return "Action " + std::to_string(actionNumber) + ": " + reason;
}

std::string UntypedText::describe() const
{
    return "could not type \"" + EncodeUtf8(characters) + "\" (the keyboard layout has no key for "
        + (characters.size() == 1 ? "it" : "them") + ")";
}

int64_t ScaleDelay(int64_t ms, int32_t speed)
{
    if (speed > 0)
        return ms / (int64_t(speed) + 1);
    if (speed < 0)
        return ms * (1 - int64_t(speed));
    return ms;
}

TRunThread::TRunThread(const ActionList& list, RunSettings settings, DesktopFactory desktop,
    std::shared_ptr<Waiter> waiter, EndNotice onEnd)
    : m_runId(g_nextRunId.fetch_add(1))
    , m_settings(settings)
    , m_desktop(std::move(desktop))
    , m_waiter(std::move(waiter))
    , m_onEnd(std::move(onEnd))
{
    m_actions.reserve(list.size());
    for (const auto& action : list)
        m_actions.push_back(CopyAction(*action));
}

TRunThread::~TRunThread()
{
    Terminate();
    Join();
}

void TRunThread::Start()
{
    if (!m_thread.joinable() && !m_finished.load())
        m_thread = std::thread([this] { body(); });
}

void TRunThread::Terminate()
{
    m_stop.request();
}

void TRunThread::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TRunThread::body()
{
    RunEnd end;
    try {
        auto platform = m_desktop();
        if (!platform) {
            end.outcome = RunOutcome::Failed;
            end.reason = platform.error().message;
        } else if (!platform->input || !platform->text || !platform->screen) {
            end.outcome = RunOutcome::Failed;
            end.reason = "the desktop offers no input, text or screen access";
        } else {
            Desktop desktop { *platform->input, *platform->text, *platform->screen };
            end = play(desktop);
        }
        // The platform closes here, before the notice: once the owner hears
        // of the end, nothing of the run is left open.
    } catch (const std::exception& e) {
        end.outcome = RunOutcome::Failed;
        end.reason = e.what();
    } catch (...) {
        end.outcome = RunOutcome::Failed;
        end.reason = "unexpected error";
    }
    end.runId = m_runId;
    m_finished.store(true);
    if (m_onEnd)
        m_onEnd(end);
}

// Executes one action; a colour or picture click that misses is searched
// again while targetWait allows, then noted in end.misses (and fails the
// run when strictTargets is set).
Result<void> TRunThread::perform(
    const TMouseObj& action, size_t index, Desktop& desktop, PictureCache& pictures, RunEnd& end)
{
    if (action.actionType == atText)
        return typeText(action, index, desktop, end);
    if (!ClicksOnTarget(action))
        return Execute(action, desktop, pictures);
    // A picture click without a picture has nothing to wait for.
    const bool waits = action.mousePoint == cpColor || !action.fBMP.empty();
    TargetMiss miss;
    int64_t waited = 0;
    for (;;) {
        // Only the last search looks for the best match.
        const bool last = !waits || waited >= m_settings.targetWait || m_stop.requested();
        miss.target.clear();
        if (auto done = Execute(action, desktop, pictures, &miss, last); !done)
            return done;
        if (miss.target.empty())
            return {}; // found and clicked
        if (last)
            break;
        m_waiter->Wait(kTargetRetryMs, m_stop);
        waited += kTargetRetryMs;
    }
    miss.actionNumber = int(index) + 1;
    auto at
        = std::ranges::find_if(end.misses, [&](const TargetMiss& m) { return m.actionNumber >= miss.actionNumber; });
    if (at != end.misses.end() && at->actionNumber == miss.actionNumber)
        *at = miss;
    else
        end.misses.insert(at, miss);
    if (m_settings.strictTargets && !m_stop.requested())
        return fail(miss.describe());
    return {};
}

// Types the text; characters the desktop could not type are noted in
// end.untyped (and fail the run when strictTargets is set).
Result<void> TRunThread::typeText(const TMouseObj& action, size_t index, Desktop& desktop, RunEnd& end)
{
    TypeText(desktop.text, action.typeText);
    std::u32string characters;
    for (char32_t ch : desktop.text.untypedCharacters()) {
        if (characters.find(ch) == std::u32string::npos)
            characters += ch;
    }
    if (characters.empty())
        return {};
    const UntypedText untyped { int(index) + 1, characters };
    auto at = std::ranges::find_if(
        end.untyped, [&](const UntypedText& u) { return u.actionNumber >= untyped.actionNumber; });
    if (at != end.untyped.end() && at->actionNumber == untyped.actionNumber)
        *at = untyped;
    else
        end.untyped.insert(at, untyped);
    if (m_settings.strictTargets)
        return fail(untyped.describe());
    return {};
}

RunEnd TRunThread::play(Desktop& real)
{
    PressTracker tracker(real.input);
    Desktop desktop { tracker, real.text, real.screen };
    PictureCache pictures;
    RunEnd end;
    size_t current = 0; // index of the action under way, for error reports
    try {
        int64_t passesLeft = m_settings.times;
        bool another = !m_actions.empty();
        while (another) {
            for (current = 0; current < m_actions.size(); ++current) {
                if (m_stop.requested())
                    break;
                TBaseCtrlEX& action = *m_actions[current];
                if (action.actionType == atDelay) {
                    m_waiter->Wait(ScaleDelay(action.delay, m_settings.speed), m_stop);
                    continue;
                }
                if (auto done = perform(action, current, desktop, pictures, end); !done) {
                    end.outcome = RunOutcome::Failed;
                    end.actionNumber = int(current) + 1;
                    end.reason = done.error().message;
                    break;
                }
            }
            if (end.outcome == RunOutcome::Failed || m_stop.requested())
                break;
            if (m_settings.repeatMode == 0) {
                another = false;
            } else if (m_settings.repeatMode == 1) {
                --passesLeft; // 64-bit: a times of INT32_MIN cannot wrap around
                another = passesLeft > 0;
            }
            if (another && m_settings.interval >= 1)
                m_waiter->Wait(m_settings.interval, m_stop);
        }
    } catch (const std::exception& e) {
        end.outcome = RunOutcome::Failed;
        end.actionNumber = int(current) + 1;
        end.reason = e.what();
    } catch (...) {
        end.outcome = RunOutcome::Failed;
        end.actionNumber = int(current) + 1;
        end.reason = "unexpected error";
    }
    if (end.outcome != RunOutcome::Failed && m_stop.requested())
        end.outcome = RunOutcome::Stopped;
    if (end.outcome != RunOutcome::Finished)
        tracker.releaseAll();
    return end;
}

} // namespace clickwisp
