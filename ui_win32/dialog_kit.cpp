#include "ui_win32/dialog_kit.h"

#include "platform/win32/win32_strings.h"

#include <commctrl.h>

#include <vector>

namespace clickwisp {

INT_PTR RunModalDialog(
    HWND owner, const std::wstring& caption, DWORD style, short cx, short cy, DLGPROC procedure, LPARAM param)
{
    // DLGTEMPLATE, no menu, the standard class, the caption, then the font.
    std::vector<WORD> words;
    auto addLong = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto addText = [&words](const std::wstring& text) {
        words.insert(words.end(), text.begin(), text.end());
        words.push_back(0);
    };
    addLong(style | DS_SETFONT);
    addLong(0); // extended style
    words.insert(words.end(), { 0, 0, 0, WORD(cx), WORD(cy) }); // no items, x, y, cx, cy
    words.insert(words.end(), { 0, 0 }); // menu, class
    addText(caption);
    words.push_back(8);
    addText(L"MS Shell Dlg");
    return DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner, procedure, param);
}

ControlMaker::ControlMaker(HWND dialog)
    : m_dialog(dialog)
    , m_font(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)))
{
}

HWND ControlMaker::add(const wchar_t* windowClass, const std::string& text, DWORD style, int id, int x, int y, int cx,
    int cy, DWORD exStyle)
{
    RECT rect { x, y, x + cx, y + cy };
    MapDialogRect(m_dialog, &rect);
    HWND control = CreateWindowExW(exStyle, windowClass, WideText(text).c_str(), WS_CHILD | WS_VISIBLE | style,
        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, m_dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return control;
}

HWND ControlMaker::label(const std::string& text, int x, int y, int cx, int cy, DWORD align)
{
    return add(WC_STATICW, text, align | SS_NOPREFIX, -1, x, y, cx, cy);
}

HWND ControlMaker::group(const std::string& text, int id, int x, int y, int cx, int cy)
{
    return add(WC_BUTTONW, text, BS_GROUPBOX, id, x, y, cx, cy);
}

HWND ControlMaker::button(const std::string& text, int id, int x, int y, int cx, int cy)
{
    return add(WC_BUTTONW, text, BS_PUSHBUTTON | WS_TABSTOP, id, x, y, cx, cy);
}

HWND ControlMaker::radio(const std::string& text, int id, int x, int y, int cx, int cy)
{
    return add(WC_BUTTONW, text, BS_RADIOBUTTON | WS_TABSTOP, id, x, y, cx, cy);
}

HWND ControlMaker::check(const std::string& text, int id, int x, int y, int cx, int cy)
{
    return add(WC_BUTTONW, text, BS_AUTOCHECKBOX | WS_TABSTOP, id, x, y, cx, cy);
}

HWND ControlMaker::list(int id, int x, int y, int cx, int cy, std::initializer_list<const char*> items)
{
    HWND control = add(WC_COMBOBOXW, {}, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, id, x, y, cx, cy);
    for (const char* item : items)
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
    return control;
}

HWND ControlMaker::edit(int id, int x, int y, int cx, int cy, DWORD style)
{
    return add(WC_EDITW, {}, ES_AUTOHSCROLL | WS_TABSTOP | style, id, x, y, cx, cy, WS_EX_CLIENTEDGE);
}

HWND ControlMaker::arrows(HWND buddy, int id, int minimum, int maximum, int step, bool setsBuddy)
{
    HWND control = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | (setsBuddy ? UDS_SETBUDDYINT : 0), 0,
        0, 0, 0, m_dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageW(control, UDM_SETRANGE32, WPARAM(minimum), LPARAM(maximum));
    // Arrows that only notify stay in the middle of their range, so both
    // directions always notify.
    if (!setsBuddy)
        SendMessageW(control, UDM_SETPOS32, 0, LPARAM(minimum + (maximum - minimum) / 2));
    UDACCEL accel { 0, UINT(setsBuddy ? step : 1) };
    SendMessageW(control, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    return control;
}

std::wstring WideText(const std::string& text)
{
    return WideFromUtf8(text);
}

std::string WindowText(HWND window)
{
    std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return Utf8FromWide(text);
}

void SetWindowTextUtf8(HWND window, const std::string& text)
{
    SetWindowTextW(window, WideText(text).c_str());
}

bool IsChecked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckOnly(HWND dialog, std::initializer_list<int> ids, int chosen)
{
    int index = 0;
    for (int id : ids)
        SendDlgItemMessageW(dialog, id, BM_SETCHECK, index++ == chosen ? BST_CHECKED : BST_UNCHECKED, 0);
}

int CheckedIndex(HWND dialog, std::initializer_list<int> ids)
{
    int index = 0;
    for (int id : ids) {
        if (IsChecked(GetDlgItem(dialog, id)))
            return index;
        ++index;
    }
    return -1;
}

void ShowWarningBox(HWND owner, const std::string& text)
{
    MessageBoxW(owner, WideText(text).c_str(), L"Warning", MB_OK | MB_ICONWARNING);
}

std::wstring CommonDialogFilter(const std::string& filter)
{
    std::wstring result = WideText(filter);
    for (wchar_t& c : result) {
        if (c == L'|')
            c = L'\0';
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

} // namespace clickwisp
