#pragma once

#include <optional>
#include <string>

namespace clickwisp {

class TBaseCtrlEX;

// What the list controller needs from the window that shows its list. The
// controller calls these on the user-interface thread only. The Qt main
// window is the real implementation; tests use a scripted one.
class ControllerView {
public:
    enum class MessageKind {
        Error, // something failed: warning icon
        Notice, // a remark the user just acknowledges: question icon
    };

    virtual ~ControllerView() = default;

    // A Yes/No question with the caption "Warning" and the question icon.
    // True unless the user answered No.
    virtual bool askYesNo(const std::string& question) = 0;
    // A message with the caption "Warning" and an OK button.
    virtual void showMessage(const std::string& text, MessageKind kind) = 0;

    // The desktop's open and save dialogs. defaultExt is like ".xml", filter
    // like "XML File|*.XML"; initialName may be empty. No name when
    // cancelled. The save dialog must not ask about overwriting itself.
    virtual std::optional<std::string> chooseOpenFile(
        const std::string& defaultExt, const std::string& filter, const std::string& initialName)
        = 0;
    virtual std::optional<std::string> chooseSaveFile(
        const std::string& defaultExt, const std::string& filter, const std::string& initialName)
        = 0;

    // The modal action editor. When loadFromAction is true the dialog starts
    // from action's fields, else from its own defaults. On OK it stores its
    // values into action and returns true; on Cancel action is untouched.
    virtual bool showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool loadFromAction) = 0;
    // The modal options dialog over the controller's configuration; true on OK.
    virtual bool showOptionsDialog() = 0;

    // Status bar: panel 0 the state, panel 1 a hint, panel 2 what the desktop
    // does not allow (empty when it allows everything).
    virtual void setStatus(int panel, const std::string& text) = 0;
    // The tool tip of a status bar panel; empty: none.
    virtual void setStatusTip(int panel, const std::string& text) = 0;
    // Enables or disables the list and every editing button (all but Stop).
    virtual void setEditingEnabled(bool enabled) = 0;
    // Shows the record button as "Stop Record" while recording, else "&Record Mouse".
    virtual void setRecordingShown(bool recording) = 0;
    // Whether the desktop offers recording; when not, the record button stays
    // disabled and hint (why) is its hint.
    virtual void setRecordAvailable(bool available, const std::string& hint) = 0;
    // A second line for the notification-area icon's tip, under the
    // program's name; empty: the name alone.
    virtual void setTrayNote(const std::string& text) = 0;
    // Shows the window if it is hidden and brings it to the front.
    virtual void showAndRaise() = 0;
    // The list's file (empty: none yet) and whether the list has changes
    // that are not saved, for the window's caption (WindowCaption).
    virtual void setListState(const std::string& listFile, bool modified) = 0;

    // The list changed; called after the change. A reset stands for any
    // bulk change and repaints the list once.
    virtual void listReset() = 0;
    virtual void rowsInserted(int first, int count) = 0;
    virtual void rowsRemoved(int first, int count) = 0;
    virtual void rowMoved(int from, int to) = 0;
    // The texts of row changed.
    virtual void rowChanged(int row) = 0;
    // The selected row is now row (-1: none).
    virtual void selectionChanged(int row) = 0;
};

inline constexpr const char* kListFileExtension = ".xml";
inline constexpr const char* kListFileFilter = "XML File|*.XML";

// The shared open prompt: the chosen name when the file exists; otherwise
// "The file does not exist." is shown and no name comes back.
std::optional<std::string> PromptOpenFile(ControllerView& view, const std::string& defaultExt,
    const std::string& filter, const std::string& initialName = {});
// The shared save prompt: when the chosen file exists, asks
// "A file with the same name already exists,overwrite?"; No gives no name.
std::optional<std::string> PromptSaveFile(ControllerView& view, const std::string& defaultExt,
    const std::string& filter, const std::string& initialName = {});

} // namespace clickwisp
