#include "playback/run_control.h"

#include <algorithm>

namespace clickwisp {

RunControl::RunControl(DesktopFactory desktop, std::shared_ptr<Waiter> waiter, Post post)
    : m_desktop(std::move(desktop)), m_waiter(std::move(waiter)), m_post(std::move(post))
{
}

RunControl::~RunControl()
{
    if (m_current)
        m_current->Terminate();
    for (auto& run : m_retired)
        run->Terminate();
    // Each destructor joins its worker.
    m_current.reset();
    m_retired.clear();
}

bool RunControl::Run(const ActionList& list, RunSettings settings, uint64_t* runId)
{
    if (m_current)
        return false;
    auto run = std::make_unique<TRunThread>(list, settings, m_desktop, m_waiter, m_post);
    m_latestRunId = run->RunId();
    if (runId)
        *runId = m_latestRunId;
    m_current = std::move(run);
    m_current->Start();
    return true;
}

void RunControl::Stop()
{
    if (!m_current)
        return;
    m_current->Terminate();
    // Kept, not destroyed: destroying would wait for the worker, and its
    // notice is still on its way.
    m_retired.push_back(std::move(m_current));
}

bool RunControl::RunFinished(const RunEnd& end)
{
    if (m_current && m_current->RunId() == end.runId) {
        m_current.reset(); // its body has returned: the join is immediate
    } else {
        std::erase_if(m_retired, [&](const auto& run) { return run->RunId() == end.runId; });
    }
    return end.runId == m_latestRunId && !m_current;
}

} // namespace clickwisp
