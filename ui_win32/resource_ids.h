#pragma once

// Resource identifiers shared by packaging/windows/clickwisp.rc and the
// windows that load them; plain macros, since the resource compiler reads
// this file too.

// Icons: the program's, then one per command button, in the order of the
// main window's controls (MainControl).
#define IDI_CLICKWISP 1
#define IDI_FIRST_BUTTON 101
#define IDI_RECORD 101
#define IDI_OPEN 102
#define IDI_SAVE 103
#define IDI_NEW 104
#define IDI_EDIT 105
#define IDI_DELETE 106
#define IDI_CLEAR 107
#define IDI_OPTIONS 108
#define IDI_EXIT 109
#define IDI_START 110
#define IDI_STOP 111
#define IDI_UP 112
#define IDI_DOWN 113

// The About box.
#define IDD_ABOUT 200
#define IDC_ABOUT_CAPTION 201
#define IDC_ABOUT_TEXT 202
#define IDC_ABOUT_BACKENDS 203
#define IDC_ABOUT_WEB 204
#define IDC_ABOUT_MAIL 205
#define IDC_ABOUT_LICENSE 206
#define IDC_ABOUT_LICENSE_LINK 207
