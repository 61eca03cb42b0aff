#include "ui_win32/about_box.h"

#include "app/main_window_presenter.h"
#include "build_info.h"
#include "platform/win32/win32_strings.h"
#include "ui_win32/resource_ids.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace clickwisp {

void OpenAddress(HWND owner, const char* url)
{
    // The shell's answer is not checked: there is nothing the user could do.
    ShellExecuteW(owner, L"open", WideFromUtf8(url).c_str(), nullptr, nullptr, SW_SHOW);
}

namespace {

void setText(HWND dialog, int id, const std::string& text)
{
    SetDlgItemTextW(dialog, id, WideFromUtf8(text).c_str());
}

std::string link(const char* url, const char* text)
{
    return std::string("<a href=\"") + url + "\">" + text + "</a>";
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        setText(dialog, IDC_ABOUT_CAPTION, kProductCaption);
        setText(dialog, IDC_ABOUT_TEXT, kAboutText);
        setText(
            dialog, IDC_ABOUT_BACKENDS, AboutBackendsLine(kBackends, *reinterpret_cast<const std::string*>(lParam)));
        setText(dialog, IDC_ABOUT_WEB, link(kHomePageUrl, kHomePageUrl));
        setText(dialog, IDC_ABOUT_MAIL, link(kSupportMailUrl, kSupportMailText));
        setText(dialog, IDC_ABOUT_LICENSE, kLicenseText);
        setText(dialog, IDC_ABOUT_LICENSE_LINK, link(kLicenseUrl, kLicenseLinkText));
        // The caption in bold, one and a half times the dialog's font.
        LOGFONTW font {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        font.lfHeight = font.lfHeight * 3 / 2;
        HFONT bold = CreateFontIndirectW(&font);
        SetPropW(dialog, L"ClickwispBold", bold);
        SendDlgItemMessageW(dialog, IDC_ABOUT_CAPTION, WM_SETFONT, WPARAM(bold), FALSE);
        return FALSE; // no link starts focused (and framed)
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == NM_CLICK || header->code == NM_RETURN) {
            if (header->idFrom == IDC_ABOUT_WEB)
                OpenAddress(GetParent(dialog), kHomePageUrl);
            else if (header->idFrom == IDC_ABOUT_MAIL)
                OpenAddress(GetParent(dialog), kSupportMailUrl);
            else if (header->idFrom == IDC_ABOUT_LICENSE_LINK)
                OpenAddress(GetParent(dialog), kLicenseUrl);
        }
        return TRUE;
    }
    case WM_LBUTTONDOWN: // the background: the labels let clicks through
    case WM_CLOSE: EndDialog(dialog, IDOK); return TRUE;
    case WM_COMMAND: // Enter and Escape
        EndDialog(dialog, IDOK);
        return TRUE;
    case WM_DESTROY:
        if (HANDLE bold = RemovePropW(dialog, L"ClickwispBold"))
            DeleteObject(bold);
        return FALSE;
    default: return FALSE;
    }
}

} // namespace

void ShowAboutBox(HWND owner, const std::string& backendName)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, aboutProc,
        reinterpret_cast<LPARAM>(&backendName));
}

} // namespace clickwisp
