#pragma once

#include "playback/run_thread.h"

#include <functional>
#include <memory>
#include <vector>

namespace clickwisp {

// The controller's side of playback: starts at most one run at a time,
// stops it without waiting, and matches end notices to runs, so the late
// notice of a stopped run never ends a newer one and no worker is touched
// after it is gone.
//
// Threads: every member is called on one thread, the owner's (the UI
// thread). Each run's end notice is handed to post on the worker thread;
// the owner queues it back to its own thread and calls RunFinished there.
class RunControl {
public:
    using Post = std::function<void(const RunEnd&)>;

    RunControl(DesktopFactory desktop, std::shared_ptr<Waiter> waiter, Post post);
    // Stops every run still under way and waits for its worker to return;
    // post is not called after this returns.
    ~RunControl();
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;

    // Starts a run of copies of list with settings. Ignored (false) while
    // Running(); returns the new run's identity in runId otherwise.
    bool Run(const ActionList& list, RunSettings settings, uint64_t* runId = nullptr);
    // Asks the current run to stop and forgets it; returns at once. After a
    // run has ended it touches no worker.
    void Stop();
    // Handles an end notice. True when it belongs to the latest run started
    // (the owner then shows the run as finished); false for the notice of a
    // run that a newer one has replaced.
    bool RunFinished(const RunEnd& end);

    // A run is under way and has not been stopped.
    bool Running() const { return m_current != nullptr; }

private:
    DesktopFactory m_desktop;
    std::shared_ptr<Waiter> m_waiter;
    Post m_post;
    std::unique_ptr<TRunThread> m_current;
    // Stopped runs whose notices have not yet arrived.
    std::vector<std::unique_ptr<TRunThread>> m_retired;
    uint64_t m_latestRunId = 0;
};

} // namespace clickwisp
