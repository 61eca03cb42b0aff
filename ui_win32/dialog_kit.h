#pragma once

// What the Win32 dialogs share: a modal dialog made from an empty template
// in memory, whose controls are created in code in dialog units, and the
// texts and choices of those controls in UTF-8.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace clickwisp {

// The style of a modal dialog with a caption, a close box and a fixed
// border, centred on the desktop.
inline constexpr DWORD kModalDialogStyle = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Runs a modal dialog of cx x cy dialog units in "MS Shell Dlg" 8 over
// owner; procedure gets param with WM_INITDIALOG. Returns what EndDialog
// was given, or -1 when the dialog could not be made.
INT_PTR RunModalDialog(
    HWND owner, const std::wstring& caption, DWORD style, short cx, short cy, DLGPROC procedure, LPARAM param);

// Creates the controls of a dialog, in tab order, at positions in dialog
// units, in the dialog's font.
class ControlMaker {
public:
    explicit ControlMaker(HWND dialog);

    HWND add(const wchar_t* windowClass, const std::string& text, DWORD style, int id, int x, int y, int cx, int cy,
        DWORD exStyle = 0);
    HWND label(const std::string& text, int x, int y, int cx, int cy = 8, DWORD align = SS_LEFT);
    HWND group(const std::string& text, int id, int x, int y, int cx, int cy);
    HWND button(const std::string& text, int id, int x, int y, int cx = 50, int cy = 14);
    // A radio button the dialog checks itself (they may sit apart in the
    // tab order).
    HWND radio(const std::string& text, int id, int x, int y, int cx, int cy = 10);
    HWND check(const std::string& text, int id, int x, int y, int cx, int cy = 10);
    // A drop-down list of items; cy is the height with the list open.
    HWND list(int id, int x, int y, int cx, int cy, std::initializer_list<const char*> items = {});
    HWND edit(int id, int x, int y, int cx, int cy = 12, DWORD style = 0);
    // Arrows at the right of buddy (which they narrow), in [minimum, maximum].
    // With setsBuddy the arrows write their position into buddy; otherwise
    // they only send UDN_DELTAPOS, one step a press.
    HWND arrows(HWND buddy, int id, int minimum, int maximum, int step, bool setsBuddy);

private:
    HWND m_dialog;
    HFONT m_font;
};

std::wstring WideText(const std::string& text);
// The text of a window in UTF-8.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);

bool IsChecked(HWND button);
// Checks the button of ids at index chosen and unchecks the others (-1: none).
void CheckOnly(HWND dialog, std::initializer_list<int> ids, int chosen);
// The index in ids of the checked button, -1 when none is.
int CheckedIndex(HWND dialog, std::initializer_list<int> ids);

// A modal message box with the caption "Warning", the warning icon and OK.
void ShowWarningBox(HWND owner, const std::string& text);

// "Name|*.ext|Other|*.a;*.b" as the filter of the common file dialogs:
// pairs separated and ended by NUL characters.
std::wstring CommonDialogFilter(const std::string& filter);

} // namespace clickwisp
