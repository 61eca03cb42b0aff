#pragma once

#include "app/action_editor_presenter.h"
#include "core/action.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace clickwisp {

class ControllerView;
class InputInjector;
class ScreenSource;

// What the action editor borrows from the program. Every member may be
// empty; the dialog then falls back as described.
struct ActionEditorServices {
    // The pointer for the point capture; null: GetCursorPos.
    InputInjector* input = nullptr;
    // The screen that "Test" searches and the colour capture reads; null:
    // the Windows screen, through the Win32 backend for the test and
    // GetPixel for the capture.
    ScreenSource* screen = nullptr;
    // Warnings (OK with an invalid field, a picture that does not load); the
    // dialog stays open after one. Empty: a "Warning" message box.
    std::function<void(const std::string& text)> showWarning;
    // Chooses the picture to load (the program passes its open prompt, which
    // also says when the file does not exist); no name when cancelled.
    // The filter offers "BMP File" (kPictureFileFilter) first, then the
    // other pictures the dialog reads. Empty: its own GetOpenFileNameW.
    std::function<std::optional<std::string>(const std::string& defaultExt, const std::string& filter)> choosePicture;
};

// The services as the program gives them: the picture chosen through the
// program's shared open prompt (PromptOpenFile, which says when the file
// does not exist), the warnings as view's error messages, and the desktop's
// pointer and screen (either may be null).
ActionEditorServices ProgramEditorServices(ControllerView& view, InputInjector* input, ScreenSource* screen);

// The identifiers of the editor's controls (their designer names in the
// comments), by which tests find them.
namespace editor_control {
inline constexpr int kTypes = 1100; // + 0..4: rbClick, rbMove, rbKey, rbText, rbDelay
inline constexpr int kPanels = 1110; // + 0..4: plClick, plMove, plKey, plText, plDelay
inline constexpr int kButton = 1120; // cbButton
inline constexpr int kClickKind = 1121; // cbClick
inline constexpr int kPoints = 1130; // + 0..3: rbCurrent, rbFixed, rbColor, rbBMP
inline constexpr int kTargetGroups = 1140; // + 0..2: gbPoint, gbColor, gbBMP
inline constexpr int kPointCapture = 1150; // btnCapture
inline constexpr int kColourCapture = 1151; // btnCaptureColor
inline constexpr int kPictureLoad = 1152; // btnBMP
inline constexpr int kMoveCapture = 1153; // the move panel's "Start Capture"
inline constexpr int kSwatch = 1154; // edCl
inline constexpr int kPicture = 1155; // ImageBMP
inline constexpr int kColourTest = 1156; // btnTestColor
inline constexpr int kPictureTest = 1157; // btnTestBMP
inline constexpr int kColourTestResult = 1158; // lbTestColor
inline constexpr int kPictureTestResult = 1159; // lbTestBMP
inline constexpr int kKey = 1160; // cbKey
inline constexpr int kKeyAction = 1161; // cbKeyAction
inline constexpr int kOk = 1170; // btnOK
inline constexpr int kCancel = 1171; // btnCancel
inline constexpr int kTexts = 1200; // + EditorText: edPX ... edText
inline constexpr int kArrows = 1300; // + EditorText: the arrows of a number field
constexpr int TextControl(EditorText which)
{
    return kTexts + int(which);
}
} // namespace editor_control

// The modal action editor "New Action" / "Edit Action" over owner. When
// loadFromAction is true the dialog starts from action's fields, else from
// its own defaults. OK checks every field and stays open, naming the first
// invalid one; once all are valid it stores them into action and returns
// true. Cancel or closing returns false and leaves action untouched.
bool ShowActionEditorDialog(HWND owner, const std::string& caption, TBaseCtrlEX& action, bool loadFromAction,
    const ActionEditorServices& services = {});

} // namespace clickwisp
