#include "ui/action_editor.h"

#include "ui/action_editor_frame.h"
#include "ui/widget_name.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace clickwisp {

TDForm::TDForm(QWidget* parent, const QString& caption, InputInjector* input, ScreenSource* screen)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DForm"));
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_frame = new TfrmDefine(this, input, screen);
    m_okButton = named(new QPushButton(QStringLiteral("&OK"), this), "btnOK");
    m_cancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame);
    layout->addLayout(buttons);
    // Not sizeable: the dialog keeps the size of its contents.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Neither OK nor Cancel is a default button: Enter in a field does not
    // close the dialog.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(m_okButton, &QPushButton::clicked, this, &TDForm::btnOKClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    // Key preview: the dialog sees keys before the focused control does,
    // including those of popups (a combo's list) that belong to it.
    qApp->installEventFilter(this);
}

TDForm::~TDForm() = default;

void TDForm::LoadFromAction(const TBaseCtrlEX& action)
{
    m_frame->LoadFromAction(action);
}

Result<void> TDForm::SaveToAction(TBaseCtrlEX& action)
{
    return m_frame->SaveToAction(action);
}

void TDForm::setWarningHandler(std::function<void(const QString&)> handler)
{
    m_frame->setWarningHandler(std::move(handler));
}

bool TDForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && ownsObject(watched))
        m_frame->keyPressed(!static_cast<QKeyEvent*>(event)->text().isEmpty());
    return QDialog::eventFilter(watched, event);
}

bool TDForm::ownsObject(QObject* watched) const
{
    for (QObject* object = watched; object; object = object->parent())
        if (object == this)
            return true;
    return false;
}

void TDForm::keyPressEvent(QKeyEvent* event)
{
    // Escape ends a capture (see eventFilter) but does not close the dialog:
    // there is no cancel button.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TDForm::done(int result)
{
    // However the dialog closes, the capture stops with it.
    m_frame->StopCapture();
    QDialog::done(result);
}

void TDForm::btnOKClick()
{
    m_frame->StopCapture();
    if (auto problem = m_frame->FindInvalidField()) {
        m_frame->showWarning(problem->message);
        if (QWidget* field = problem->field; field->isEnabled()) {
            field->setFocus(Qt::OtherFocusReason);
            if (auto* spin = qobject_cast<QAbstractSpinBox*>(field))
                spin->selectAll();
            else if (auto* edit = qobject_cast<QLineEdit*>(field))
                edit->selectAll();
        }
        return;
    }
    accept();
}

} // namespace clickwisp
