#pragma once

#include "core/action.h"
#include "core/error.h"

#include <QDialog>
#include <QString>

#include <functional>

class QPushButton;

namespace clickwisp {

class InputInjector;
class ScreenSource;
class TfrmDefine;

// The modal action editor: the editor frame above "&OK" and "&Cancel".
// Usage: construct with the caption ("New Action" / "Edit Action"), call
// LoadFromAction when editing, exec(), and on Accepted call SaveToAction.
// OK checks every field first and stays open, naming the field, when one is
// invalid, so SaveToAction after an accepted exec() does not fail.
// input and screen serve the pointer and pixel capture (they must belong to
// the user-interface thread); either may be null, and Qt's own cursor
// position or screen grab is then used.
class TDForm : public QDialog {
    Q_OBJECT
public:
    TDForm(QWidget* parent, const QString& caption, InputInjector* input = nullptr, ScreenSource* screen = nullptr);
    ~TDForm() override;

    void LoadFromAction(const TBaseCtrlEX& action);
    // See TfrmDefine::SaveToAction: all fields or nothing.
    Result<void> SaveToAction(TBaseCtrlEX& action);

    TfrmDefine* frame() const { return m_frame; }
    // Where warnings go (OK with an invalid field, picture loading); the
    // default shows a "Warning" message box.
    void setWarningHandler(std::function<void(const QString&)> handler);

protected:
    // Key preview: a key that produces a character ends a capture before the
    // focused control handles it as usual.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

public:
    // Stops the capture however the dialog closes.
    void done(int result) override;

private:
    void btnOKClick();
    // Whether watched is this dialog or one of its widgets (popups included).
    bool ownsObject(QObject* watched) const;

    TfrmDefine* m_frame; // frmDefine
    QPushButton* m_okButton; // btnOK
    QPushButton* m_cancelButton; // btnCancel
    bool m_centred = false;
};

} // namespace clickwisp
