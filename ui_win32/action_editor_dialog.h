#pragma once

#include "core/action.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace clickwisp {

class InputInjector;
class ScreenSource;

// What the action editor borrows from the program. Every member may be
// empty; the dialog then falls back as described.
struct ActionEditorServices {
    // The pointer for the point capture; null: GetCursorPos.
    InputInjector* input = nullptr;
    // The pixel under the pointer for the colour capture; null: GetPixel on
    // the screen's device context.
    ScreenSource* screen = nullptr;
    // Warnings (OK with an invalid field, a picture that does not load); the
    // dialog stays open after one. Empty: a "Warning" message box.
    std::function<void(const std::string& text)> showWarning;
    // Chooses the picture to load (the program passes its open prompt, which
    // also says when the file does not exist); no name when cancelled.
    // Empty: the dialog's own GetOpenFileNameW with kPictureFileFilter.
    std::function<std::optional<std::string>(const std::string& defaultExt, const std::string& filter)> choosePicture;
};

// The modal action editor "New Action" / "Edit Action" over owner. When
// loadFromAction is true the dialog starts from action's fields, else from
// its own defaults. OK checks every field and stays open, naming the first
// invalid one; once all are valid it stores them into action and returns
// true. Cancel or closing returns false and leaves action untouched.
bool ShowActionEditorDialog(HWND owner, const std::string& caption, TBaseCtrlEX& action, bool loadFromAction,
    const ActionEditorServices& services = {});

} // namespace clickwisp
