#include "app/list_controller.h"

#include "core/list_file.h"
#include "record/load_recording.h"

#include <algorithm>
#include <utility>

namespace clickwisp {

TMouseCtrl::TMouseCtrl(ControllerView& view, ControllerServices services)
    : m_view(view)
    , m_services(std::move(services))
    , m_self(std::make_shared<TMouseCtrl*>(this))
{
    GetConfig();
    if (m_services.hotKeys) {
        m_hotKeys = std::make_unique<HotKeys>(*m_services.hotKeys);
        std::weak_ptr<TMouseCtrl*> self = m_self;
        auto post = m_services.post;
        m_services.hotKeys->setHandler([self, post](uint32_t modifiers, uint32_t vk) {
            post([self, modifiers, vk] {
                if (auto alive = self.lock())
                    (*alive)->WMHotKey(modifiers, vk);
            });
        });
    }
    if (m_services.recorder) {
        m_recording = std::make_unique<RecordingSession>(*m_services.recorder);
        // Called on the recorder's thread: it reads nothing of this object,
        // only its own copy of the weak reference.
        m_recording->setEventsQueued([self = std::weak_ptr<TMouseCtrl*>(m_self), post = m_services.post] {
            post([self] {
                if (auto alive = self.lock(); alive && (*alive)->m_recording)
                    (*alive)->m_recording->drain();
            });
        });
    }
    if (!m_services.configPath.empty() && m_services.post)
        m_recovery = std::make_unique<RecoveryKeeper>(
            RecoveryFilesBeside(m_services.configPath), m_services.post, [this] { return unsavedCopy(); },
            [this](const Error& error) { tellRecoveryProblem(error); }, m_services.recoveryInterval);
}

TMouseCtrl::~TMouseCtrl()
{
    closeRemoteControl();
    // The recorder's thread ends its deliveries first; only then does the
    // weak reference it posts through lapse.
    if (Recording())
        stopRecordingInto(std::nullopt);
    m_self.reset();
    if (m_services.hotKeys)
        m_services.hotKeys->setHandler({});
    m_hotKeys.reset();
    if (m_services.compositorKeys)
        (void)m_services.compositorKeys->unbindKeys();
    // Destroying a run asks it to stop and waits for it to leave the action
    // under way, so no worker outlives the desktop it plays on.
    if (m_run)
        m_run->Terminate();
    for (auto& run : m_stoppedRuns)
        run->Terminate();
    m_run.reset();
    m_stoppedRuns.clear();
    m_recording.reset();
}

void TMouseCtrl::postToSelf(std::function<void(TMouseCtrl&)> call)
{
    std::weak_ptr<TMouseCtrl*> self = m_self;
    m_services.post([self, call = std::move(call)] {
        if (auto alive = self.lock())
            call(**alive);
    });
}

TConfig& TMouseCtrl::GetConfig()
{
    if (!m_config)
        m_config = std::make_unique<TConfig>(m_services.configPath);
    return *m_config;
}

void TMouseCtrl::Start()
{
    if (const auto& warning = GetConfig().LoadWarning())
        m_view.showMessage(*warning, ControllerView::MessageKind::Error);
    RegisterHotKeys();
    tellLimits();
    openRemoteControl();
    m_view.setStatus(0, "Ready");
    recoverList();
}

void TMouseCtrl::Shutdown()
{
    closeRemoteControl();
    if (Recording())
        stopRecordingInto(std::nullopt);
    if (m_run)
        m_run->Terminate();
    if (auto saved = GetConfig().Save(); !saved)
        m_view.showMessage(
            "The settings could not be saved: " + saved.error().message, ControllerView::MessageKind::Error);
    // Nothing is asked on closing: an unsaved list waits for the next start.
    if (m_recovery) {
        if (auto kept = m_recovery->keepNow(); !kept)
            m_view.showMessage("The unsaved list could not be kept for the next start: " + kept.error().message,
                ControllerView::MessageKind::Error);
    }
    UnregisterHotKeys();
}

// ---- the list ----

void TMouseCtrl::setSelected(int row)
{
    m_selected = row;
    m_view.selectionChanged(row);
}

void TMouseCtrl::Select(int row)
{
    m_selected = row >= 0 && row < Count() ? row : -1;
}

void TMouseCtrl::replaceList(ActionList actions)
{
    ActionList replaced = std::exchange(m_actions, std::move(actions));
    if (m_modified && !replaced.empty() && m_recovery)
        m_recovery->keepPrevious(std::move(replaced));
    m_selected = -1;
    m_listFile.clear();
    m_view.listReset();
    m_view.selectionChanged(-1);
}

void TMouseCtrl::AddAction(std::unique_ptr<TBaseCtrlEX> action)
{
    const int row = m_selected >= 0 ? m_selected + 1 : Count();
    m_actions.insert(m_actions.begin() + row, std::move(action));
    m_view.rowsInserted(row, 1);
    listChanged();
}

void TMouseCtrl::NewAction()
{
    auto action = TBaseCtrlEX::Create();
    if (m_view.showActionEditor("New Action", *action, false))
        AddAction(std::move(action));
}

int TMouseCtrl::rowOf(const TBaseCtrlEX* action) const
{
    for (int row = 0; row < Count(); ++row) {
        if (m_actions[size_t(row)].get() == action)
            return row;
    }
    return -1;
}

// The editor and the questions are modal, but hot keys still arrive while
// they are open: a recording that stops meanwhile replaces the whole list.
// So the editor works on a copy, and each command finds its row again by
// the action's identity once the dialog has closed.
void TMouseCtrl::EditAction()
{
    if (m_selected < 0)
        return;
    const TBaseCtrlEX* original = m_actions[size_t(m_selected)].get();
    auto edited = CopyAction(*original);
    if (!m_view.showActionEditor("Edit Action", *edited, true))
        return;
    const int row = rowOf(original);
    if (row < 0) {
        m_view.showMessage("The list was replaced while the action was being edited; the changes were not applied.",
            ControllerView::MessageKind::Error);
        return;
    }
    m_actions[size_t(row)] = std::move(edited);
    m_view.rowChanged(row);
    listChanged();
}

void TMouseCtrl::DeleteAction()
{
    if (m_selected < 0)
        return;
    const TBaseCtrlEX* doomed = m_actions[size_t(m_selected)].get();
    if (!m_view.askYesNo("Are you sure to delete the click?"))
        return;
    const int row = rowOf(doomed);
    if (row < 0)
        return;
    m_actions.erase(m_actions.begin() + row);
    m_view.rowsRemoved(row, 1);
    setSelected(Count() == 0 ? -1 : std::min(row, Count() - 1));
    listChanged();
}

void TMouseCtrl::ClearList()
{
    if (!m_view.askYesNo("Are you sure to clear the list?"))
        return;
    replaceList({});
    listChanged();
}

void TMouseCtrl::MoveUp()
{
    if (m_selected <= 0)
        return;
    const int row = m_selected;
    std::swap(m_actions[size_t(row)], m_actions[size_t(row - 1)]);
    m_view.rowMoved(row, row - 1);
    setSelected(row - 1);
    listChanged();
}

void TMouseCtrl::MoveDown()
{
    if (m_selected < 0 || m_selected + 1 >= Count())
        return;
    const int row = m_selected;
    std::swap(m_actions[size_t(row)], m_actions[size_t(row + 1)]);
    m_view.rowMoved(row, row + 1);
    setSelected(row + 1);
    listChanged();
}

void TMouseCtrl::LoadList()
{
    auto name = PromptOpenFile(m_view, kListFileExtension, kListFileFilter);
    if (!name)
        return;
    auto loaded = LoadListFile(*name);
    if (!loaded) {
        m_view.showMessage("The list was not loaded: " + loaded.error().message, ControllerView::MessageKind::Error);
        return;
    }
    replaceList(std::move(loaded->actions));
    if (!loaded->itemError) {
        listSaved(*name);
        return;
    }
    // The rows before the failed item are not the file's content.
    m_listFile = *name;
    listChanged();
    m_view.showMessage("The list was loaded only up to the item that failed: " + loaded->itemError->message,
        ControllerView::MessageKind::Error);
}

void TMouseCtrl::SaveList()
{
    auto name = PromptSaveFile(m_view, kListFileExtension, kListFileFilter);
    if (!name)
        return;
    if (auto saved = SaveListFile(*name, m_actions); !saved)
        m_view.showMessage("The list was not saved: " + saved.error().message, ControllerView::MessageKind::Error);
    else
        listSaved(*name);
}

void TMouseCtrl::ShowOptions()
{
    if (m_view.showOptionsDialog())
        RegisterHotKeys(true);
}

void TMouseCtrl::LoadRecording(const TEventList& events)
{
    replaceList(clickwisp::LoadRecording(events));
    listChanged();
}

void TMouseCtrl::MakeRunCopies(ActionList& copies) const
{
    copies.clear();
    copies.reserve(m_actions.size());
    for (const auto& action : m_actions)
        copies.push_back(CopyAction(*action));
}

std::string TMouseCtrl::GetCellText(int row, int column) const
{
    if (row < 0 || row >= Count())
        return {};
    const std::string name = m_config->GetCols().Col(column).Name();
    if (name == "No.")
        return std::to_string(row + 1);
    return m_actions[size_t(row)]->Describe(name);
}

} // namespace clickwisp
