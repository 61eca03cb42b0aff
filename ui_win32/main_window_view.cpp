// TMForm: what the controller asks of the window.
#include "ui_win32/main_window.h"

#include "app/list_controller.h"
#include "build_info.h"
#include "platform/win32/win32_strings.h"
#include "ui_win32/action_editor_dialog.h"
#include "ui_win32/options_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

namespace clickwisp {

std::wstring FileDialogFilter(const std::string& filter)
{
    std::wstring out;
    for (const FileFilter& entry : ParseFileFilter(filter)) {
        out += WideFromUtf8(entry.name);
        out += L'\0';
        for (size_t i = 0; i < entry.patterns.size(); ++i) {
            if (i > 0)
                out += L';';
            out += WideFromUtf8(entry.patterns[i]);
        }
        out += L'\0';
    }
    out += L'\0';
    return out;
}

bool TMForm::askYesNo(const std::string& question)
{
    return MessageBoxW(m_window, WideFromUtf8(question).c_str(), L"Warning", MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void TMForm::showMessage(const std::string& text, MessageKind kind)
{
    MessageBoxW(m_window, WideFromUtf8(text).c_str(), L"Warning",
        MB_OK | (kind == MessageKind::Notice ? MB_ICONQUESTION : MB_ICONWARNING));
}

std::optional<std::string> TMForm::chooseFile(
    bool save, const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    const std::wstring filters = FileDialogFilter(filter);
    const std::wstring extension = WideFromUtf8(defaultExt.starts_with('.') ? defaultExt.substr(1) : defaultExt);
    std::wstring name = WideFromUtf8(initialName);
    name.resize(32768, L'\0');
    OPENFILENAMEW prompt {};
    prompt.lStructSize = sizeof(prompt);
    prompt.hwndOwner = m_window;
    prompt.lpstrFilter = filters.c_str();
    prompt.nFilterIndex = 1;
    prompt.lpstrFile = name.data();
    prompt.nMaxFile = DWORD(name.size());
    prompt.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The prompts report a missing file and ask about overwriting, in their own words.
    prompt.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!(save ? GetSaveFileNameW(&prompt) : GetOpenFileNameW(&prompt)))
        return std::nullopt;
    name.resize(wcslen(name.c_str()));
    return Utf8FromWide(name);
}

std::optional<std::string> TMForm::chooseOpenFile(
    const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    return chooseFile(false, defaultExt, filter, initialName);
}

std::optional<std::string> TMForm::chooseSaveFile(
    const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    return chooseFile(true, defaultExt, filter, initialName);
}

bool TMForm::showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool loadFromAction)
{
    return ShowActionEditorDialog(m_window, caption, action, loadFromAction,
        ProgramEditorServices(*this, m_services.editorInput.get(), m_services.editorScreen.get()));
}

bool TMForm::showOptionsDialog()
{
    return m_controller && ShowOptionsDialog(m_window, m_controller->GetConfig());
}

void TMForm::setStatus(int panel, const std::string& text)
{
    if (panel == 2) {
        // Shown, or the panel removed, by the layout that sizes it.
        m_limitsText = WideFromUtf8(text);
        layout();
        return;
    }
    SendMessageW(m_status, SB_SETTEXTW, WPARAM(panel), reinterpret_cast<LPARAM>(WideFromUtf8(text).c_str()));
}

// The panel's tooltip, shown whether or not its text fits (the status bar's
// own tips show only for cut texts); lines break at "\n".
void TMForm::setStatusTip(int panel, const std::string& text)
{
    std::wstring& tip = m_statusTips.at(size_t(panel));
    tip = WideFromUtf8(text);
    TTTOOLINFOW tool {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_status;
    tool.uId = UINT_PTR(panel);
    SendMessageW(m_tooltips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (tip.empty())
        return;
    tool.uFlags = TTF_SUBCLASS;
    SendMessageW(m_status, SB_GETRECT, WPARAM(panel), reinterpret_cast<LPARAM>(&tool.rect));
    tool.lpszText = tip.data();
    SendMessageW(m_tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TMForm::setEditingEnabled(bool enabled)
{
    for (size_t i = 0; i < kMainControlCount; ++i)
        EnableWindow(m_controls[i], ControlEnabled(MainControl(i), enabled, m_recordAvailable));
}

void TMForm::setRecordingShown(bool recording)
{
    SetWindowTextW(control(MainControl::Record), WideFromUtf8(RecordCaption(recording)).c_str());
}

void TMForm::setRecordAvailable(bool available, const std::string& hint)
{
    m_recordAvailable = available;
    m_recordHint = hint;
    setToolTip(MainControl::Record, hintOf(MainControl::Record));
    EnableWindow(control(MainControl::Record),
        ControlEnabled(MainControl::Record, IsWindowEnabled(control(MainControl::List)) != FALSE, available));
}

std::string TMForm::hintOf(MainControl which) const
{
    if (which == MainControl::Record && !m_recordAvailable)
        return m_recordHint;
    return TextOf(which).hint;
}

void TMForm::setToolTip(MainControl which, const std::string& text)
{
    std::wstring tip = WideFromUtf8(text);
    TTTOOLINFOW tool {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_window;
    tool.uId = reinterpret_cast<UINT_PTR>(control(which));
    tool.lpszText = tip.data();
    SendMessageW(m_tooltips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TMForm::setTrayNote(const std::string& text)
{
    m_trayTip = WideFromUtf8(TrayTip(text));
    if (!m_trayShown)
        return;
    NOTIFYICONDATAW icon {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = m_window;
    icon.uID = 1;
    icon.uFlags = NIF_TIP;
    lstrcpynW(icon.szTip, m_trayTip.c_str(), int(std::size(icon.szTip)));
    Shell_NotifyIconW(NIM_MODIFY, &icon);
}

void TMForm::showAndRaise()
{
    if (IsIconic(m_window))
        ShowWindow(m_window, SW_RESTORE);
    else
        ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
}

void TMForm::setListState(const std::string& listFile, bool modified)
{
    SetWindowTextW(m_window, WideFromUtf8(WindowCaption(kProductCaption, listFile, modified)).c_str());
}

// The list view asks for its cells (LVN_GETDISPINFOW): a change only needs
// the new row count and a repaint.
void TMForm::refreshList()
{
    HWND list = control(MainControl::List);
    ListView_SetItemCountEx(list, m_controller ? m_controller->Count() : 0, LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, FALSE);
}

void TMForm::listReset()
{
    refreshList();
}

void TMForm::rowsInserted(int, int)
{
    refreshList();
}

void TMForm::rowsRemoved(int, int)
{
    refreshList();
}

void TMForm::rowMoved(int, int)
{
    refreshList();
}

void TMForm::rowChanged(int row)
{
    ListView_RedrawItems(control(MainControl::List), row, row);
}

void TMForm::selectionChanged(int row)
{
    HWND list = control(MainControl::List);
    m_syncingSelection = true;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
    }
    m_syncingSelection = false;
}

} // namespace clickwisp
