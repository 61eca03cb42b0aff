// TMouseCtrl: whether the list is saved, the recovery file that keeps it
// until it is, and the end of the desktop session.
#include "app/list_controller.h"

namespace clickwisp {

void TMouseCtrl::listChanged()
{
    // A new list that is empty has nothing to save.
    m_modified = !(m_listFile.empty() && m_actions.empty());
    showListState();
    if (m_modified)
        m_view.setStatus(1, "Not saved");
    if (m_recovery)
        m_recovery->changed();
}

void TMouseCtrl::listSaved(const std::string& file)
{
    const bool wasModified = m_modified;
    m_listFile = file;
    m_modified = false;
    showListState();
    if (wasModified)
        m_view.setStatus(1, "");
    if (m_recovery)
        m_recovery->changed();
}

void TMouseCtrl::showListState()
{
    m_view.setListState(m_listFile, m_modified);
}

std::optional<ActionList> TMouseCtrl::unsavedCopy() const
{
    if (!m_modified || m_actions.empty())
        return std::nullopt;
    ActionList copy;
    MakeRunCopies(copy);
    return copy;
}

void TMouseCtrl::tellRecoveryProblem(const Error& error)
{
    m_view.setStatus(1, "The unsaved list cannot be kept for recovery: " + error.message);
}

void TMouseCtrl::recoverList()
{
    showListState();
    if (!m_recovery)
        return;
    RecoveredList found = RecoverList(m_recovery->Files());
    if (!found.actions.empty()) {
        m_actions = std::move(found.actions);
        m_selected = -1;
        m_modified = true;
        m_view.listReset();
        m_view.selectionChanged(-1);
        showListState();
    }
    if (!found.notice.empty())
        m_view.setStatus(1, found.notice);
}

void TMouseCtrl::SaveSession(bool ending)
{
    if (ending && Recording()) {
        stopRecordingInto(std::nullopt);
        m_view.setRecordingShown(false);
        m_view.setStatus(0, "Ready");
    }
    if (auto saved = GetConfig().Save(); !saved)
        m_view.setStatus(1, "The settings could not be saved: " + saved.error().message);
    if (m_recovery) {
        if (auto kept = m_recovery->keepNow(); !kept)
            tellRecoveryProblem(kept.error());
    }
}

} // namespace clickwisp
