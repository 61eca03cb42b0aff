#pragma once

#include "core/geometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clickwisp {

class TConfig;

// The main window without a toolkit: its controls' captions and hints, which
// of them a run disables, the caption that follows recording, and the window
// size and list columns from and to the configuration. The list controller
// (app/list_controller.h) decides the rest.

// The controls in the order of the window: the tool panel left to right, the
// right panel top to bottom, then the action list.
enum class MainControl { Record, Load, Save, New, Edit, Delete, Clear, Options, Quit, Start, Stop, Up, Down, List };
inline constexpr size_t kMainControlCount = 14;

struct MainControlText {
    const char* name; // the designer name
    const char* caption; // with "&" before the accelerator; empty for an icon only
    const char* hint; // the tooltip and the status hint
};
const MainControlText& TextOf(MainControl control);

// Whether control is usable: a run (editing disabled) leaves only Stop, and
// Record stays disabled where the desktop offers no recording.
bool ControlEnabled(MainControl control, bool editingEnabled, bool recordAvailable = true);

// What the desktop lets the program do, in the user's words. Each text is
// empty when everything works.
struct DesktopLimits {
    // The status bar's third panel: what works and what does not.
    std::string status;
    // Told once per configuration, in a box: what is missing, why, and what
    // still works.
    std::string notice;
    // The Record button's hint when it is disabled.
    std::string recordHint;
};
// From the reasons the backend gave for a missing recorder and missing hot
// keys; compositorKeys names who binds the hot keys instead ("sway"), empty
// when nobody does.
DesktopLimits DesktopLimitsOf(
    const std::string& recorderProblem, const std::string& hotKeysProblem, const std::string& compositorKeys);

// The record button's caption while recording or not.
const char* RecordCaption(bool recording);

// The main window's caption: the product caption alone for a new list with
// nothing to save; otherwise the list's file name (without its folder), or
// "Untitled" before the list has a file, with "*" in front while it has
// unsaved changes, then " - " and the product caption ("*list.xml -
// Clickwisp 4.2.1").
std::string WindowCaption(const std::string& productCaption, const std::string& listFile, bool modified);

// Where text goes in a list column: "right" and "center" as written, anything
// else (even "Right") to the left.
enum class ColumnAlign { Left, Right, Centre };
ColumnAlign ColumnAlignOf(const std::string& align);

// A list column as shown: its width in pixels, whether it shows, and its
// place among the columns (0 first).
struct ColumnState {
    int32_t width = 0;
    bool visible = true;
    int position = 0;
};
// The configured columns: negative widths as 0, places within the columns.
std::vector<ColumnState> ColumnsFromConfig(const TConfig& config);
// Stores the columns shown (at most as many as configured); a hidden
// column keeps its configured width for when it shows again.
void StoreColumns(const std::vector<ColumnState>& columns, TConfig& config);

// The column indices left to right: by position, equal positions in the
// configured order.
std::vector<int> ColumnOrder(const std::vector<ColumnState>& columns);

// The window size at start: maximised, or the configured size when it has
// one (width and height above 0).
struct WindowStart {
    bool maximized = false;
    bool sized = false;
    ScreenSize size;
};
WindowStart WindowStartFromConfig(const TConfig& config);
// origin is where the window is; nothing where the system does not tell a
// program (Wayland): the configured left and top then stay as they were.
void StoreWindowBounds(std::optional<ScreenPoint> origin, ScreenSize size, bool maximized, TConfig& config);
// The top-left corner that centres a window of size on a desktop (all
// monitors) at desktopOrigin of desktopSize, never left of or above it.
ScreenPoint CentredOrigin(ScreenPoint desktopOrigin, ScreenSize desktopSize, ScreenSize size);

// The notification-area icon. A left click hides a shown window and shows
// a hidden or minimised one. Minimising hides the window only while the
// icon is shown: without it the hidden window could not be found again.
bool TrayClickHides(bool visible, bool minimized);
bool MinimizeHides(bool trayIconShown);
// The icon's tip: the program's name, then note on a line of its own.
std::string TrayTip(const std::string& note);

// A file prompt's filter "Name|*.a;*.b|Other|*.c" as named pattern lists.
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

// The product's addresses, opened by the desktop's default programs, and
// the About box's texts besides the caption (kProductCaption).
inline constexpr const char* kHelpPageUrl = "https://clickwisp.example/help/";
inline constexpr const char* kHomePageUrl = "https://clickwisp.example/";
inline constexpr const char* kSupportMailUrl = "mailto:support@clickwisp.example";
inline constexpr const char* kSupportMailText = "support@clickwisp.example";
inline constexpr const char* kAboutText = "Records, edits and replays mouse and keyboard actions.";
// The licence, named in both About boxes; its full text is LICENSE in the
// source tree, shown by the Windows installer.
inline constexpr const char* kLicenseText
    = "Free software under the GNU General Public License, version 3 or later, with no warranty.";
inline constexpr const char* kLicenseUrl = "https://www.gnu.org/licenses/gpl-3.0.html";
inline constexpr const char* kLicenseLinkText = "GNU GPL 3 or later";
// "Backend: wayland (built in: x11, wayland)" for the backend serving the
// session and the comma-separated backends built in; without the first,
// "Desktop backends: x11, wayland".
std::string AboutBackendsLine(const std::string& builtIn, const std::string& active);

} // namespace clickwisp
