#pragma once

#include "core/action.h"
#include "core/error.h"
#include "platform/desktop.h"
#include "platform/stop_request.h"
#include "platform/waiter.h"
#include "playback/execute.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace clickwisp {

// A run's copy of the playback settings, taken when it starts.
struct RunSettings {
    int32_t repeatMode = 0; // 0 once, 1 `times` passes, anything else until stopped
    int32_t times = 1; // passes in mode 1; below 2 plays once
    int32_t interval = 1000; // ms between passes; below 1 no pause; never scaled
    int32_t speed = 0; // -9 ... 9, applied to delay actions only
    // How long a colour or picture click keeps looking for a missing target:
    // it captures and searches again every kTargetRetryMs (waited through the
    // run's waiter) until the target appears or this many ms have been
    // waited. 0 or less: one search.
    int32_t targetWait = 0;
    // Whether a colour or picture click that finds no target, or a text the
    // desktop cannot type whole, ends the run as Failed, naming the action
    // and what was missed. Otherwise the run goes on (the text without the
    // characters it could not type).
    bool strictTargets = false;
};

// The pause between two searches of a click waiting for its target.
inline constexpr int32_t kTargetRetryMs = 50;

// How a run ended. Append only: callers may keep these values.
enum class RunOutcome { Finished, Stopped, Failed };

// A type-text action whose text could not be typed whole: the desktop has
// no key for some characters (TextTarget::untypedCharacters), which were
// left out.
struct UntypedText {
    int actionNumber = 0; // 1-based
    std::u32string characters; // in text order, each once

    // "could not type "ж€" (the keyboard layout has no key for them)".
    std::string describe() const;
};

// A run's end notice. runId tells a stopped run's late notice from that of
// a newer run.
struct RunEnd {
    uint64_t runId = 0;
    RunOutcome outcome = RunOutcome::Finished;
    int actionNumber = 0; // Failed: 1-based action; 0 when the desktop did not open
    std::string reason; // Failed: what went wrong
    // The colour and picture clicks that found no target, one entry per
    // action in list order, each with its last miss.
    std::vector<TargetMiss> misses;
    // The texts that could not be typed whole, one entry per action in list
    // order.
    std::vector<UntypedText> untyped;

    // "Action 3: <reason>" for a failure (or the reason alone for action 0);
    // empty otherwise.
    std::string message() const;
};

// Opens the desktop a run plays on. Called once on the worker thread, so
// a backend's connection lives on the thread that uses it; the platform is
// closed before the end notice is given.
using DesktopFactory = std::function<Result<Platform>()>;

// Receives a run's end notice on the worker thread. It must only queue the
// notice for the controller's thread (it may not destroy the TRunThread).
using EndNotice = std::function<void(const RunEnd&)>;

// The speed rule for delay actions: step 0 keeps ms, 1 ... 9 divide by
// step + 1 (rounding toward zero), -9 ... -1 multiply by 1 - step. Other
// steps follow the same formulas; the 64-bit result cannot overflow.
int64_t ScaleDelay(int64_t ms, int32_t speed);

// One run of an action list on a worker thread of its own.
//
// Threads: the owner (the controller's thread) constructs, calls Start,
// Terminate, Join and destroys; Terminate, Terminated, Finished and RunId
// are also safe from any other thread. The worker reads only its own copies
// of the actions and settings; the stop request is the only shared state.
//
// The body plays pass after pass, waits out delay actions scaled by speed,
// waits interval between passes, and stops before the next action or within
// a long wait once Terminate is called. When it ends by a stop or an error
// it releases every key and mouse button it pressed and did not release.
// Its last act is one call of the end notice.
class TRunThread {
public:
    // Copies every action of list with CopyAction: later edits of list do
    // not reach the run. Nothing runs before Start.
    TRunThread(const ActionList& list, RunSettings settings, DesktopFactory desktop, std::shared_ptr<Waiter> waiter,
        EndNotice onEnd);
    // Requests a stop and waits for the body to return (at most the action
    // under way). Destroy it after its end notice and this costs nothing.
    ~TRunThread();
    TRunThread(const TRunThread&) = delete;
    TRunThread& operator=(const TRunThread&) = delete;

    // Starts the worker; later calls do nothing.
    void Start();
    // Asks the worker to stop; returns at once. Harmless after the end.
    void Terminate();
    bool Terminated() const { return m_stop.requested(); }
    // True once the body has returned and the end notice has been given.
    bool Finished() const { return m_finished.load(); }
    // Waits for the body to return (the command line's use; a window waits
    // for the notice instead).
    void Join();
    uint64_t RunId() const { return m_runId; }

    const ActionList& Actions() const { return m_actions; }

private:
    void body();
    RunEnd play(Desktop& desktop);
    Result<void> perform(const TMouseObj& action, size_t index, Desktop& desktop, PictureCache& pictures, RunEnd& end);
    Result<void> typeText(const TMouseObj& action, size_t index, Desktop& desktop, RunEnd& end);

    const uint64_t m_runId;
    ActionList m_actions;
    RunSettings m_settings;
    DesktopFactory m_desktop;
    std::shared_ptr<Waiter> m_waiter;
    EndNotice m_onEnd;
    StopRequest m_stop;
    std::atomic<bool> m_finished { false };
    std::thread m_thread;
};

} // namespace clickwisp
