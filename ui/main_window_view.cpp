// TMForm: what the controller asks of the window, and the window's own events.
#include "ui/main_window.h"

#include "app/list_controller.h"
#include "build_info.h"
#include "ui/about_box.h"
#include "ui/action_editor.h"
#include "ui/action_editor_frame.h"
#include "ui/action_list_model.h"
#include "ui/options_dialog.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace clickwisp {

namespace {

// "XML File|*.XML" becomes "XML File (*.XML *.xml)": the patterns match
// whatever the letter case of the file name, as the user expects.
QString qtFilter(const std::string& filter)
{
    QStringList filters;
    for (const FileFilter& entry : ParseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& text : entry.patterns) {
            const QString pattern = QString::fromStdString(text);
            for (const QString& variant : { pattern, pattern.toLower(), pattern.toUpper() }) {
                if (!patterns.contains(variant))
                    patterns << variant;
            }
        }
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(entry.name), patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace

bool TMForm::askYesNo(const std::string& question)
{
    const ModalScope modal(*this);
    const QString text = QString::fromStdString(question);
    if (m_hooks.askYesNo)
        return m_hooks.askYesNo(text);
    return QMessageBox::question(this, QStringLiteral("Warning"), text, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::No;
}

void TMForm::showMessage(const std::string& text, MessageKind kind)
{
    const ModalScope modal(*this);
    const QString message = QString::fromStdString(text);
    if (m_hooks.showMessage)
        return m_hooks.showMessage(message);
    QMessageBox box(kind == MessageKind::Notice ? QMessageBox::Question : QMessageBox::Warning,
        QStringLiteral("Warning"), message, QMessageBox::Ok, this);
    box.exec();
}

std::optional<std::string> TMForm::chooseFile(
    bool save, const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    const ModalScope modal(*this);
    if (m_hooks.chooseFile) {
        auto name = m_hooks.chooseFile(save);
        return name ? std::optional(name->toStdString()) : std::nullopt;
    }
    QFileDialog dialog(this, QString(), QString::fromStdString(initialName), qtFilter(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The prompts report a missing file and ask about overwriting, in their own words.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QString::fromStdString(defaultExt).remove(0, 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> TMForm::chooseOpenFile(
    const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    return chooseFile(false, defaultExt, filter, initialName);
}

std::optional<std::string> TMForm::chooseSaveFile(
    const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    return chooseFile(true, defaultExt, filter, initialName);
}

bool TMForm::showActionEditor(const std::string& caption, TBaseCtrlEX& action, bool loadFromAction)
{
    const ModalScope modal(*this);
    TDForm editor(this, QString::fromStdString(caption), m_services.editorInput.get(), m_services.editorScreen.get());
    if (m_hooks.showMessage)
        editor.setWarningHandler(m_hooks.showMessage);
    // The program's one open prompt: BMP files first, other pictures after.
    editor.frame()->setFilePrompt([this] {
        auto name = PromptOpenFile(*this, kPictureFileExtension,
            std::string(kPictureFileFilter) + "|Pictures|*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.ppm");
        return name ? QString::fromStdString(*name) : QString();
    });
    if (loadFromAction)
        editor.LoadFromAction(action);
    if (editor.exec() != QDialog::Accepted)
        return false;
    if (auto saved = editor.SaveToAction(action); !saved) {
        showMessage(saved.error().message, MessageKind::Error);
        return false;
    }
    return true;
}

bool TMForm::showOptionsDialog()
{
    const ModalScope modal(*this);
    TFMConfig options(m_controller->GetConfig(), this,
        OptionsContext { m_services.waylandSession, m_services.compositorKeys != nullptr });
    return options.exec() == QDialog::Accepted;
}

void TMForm::setStatus(int panel, const std::string& text)
{
    QLabel* const panels[] = { m_statusPanel, m_hintPanel, m_limitsPanel };
    panels[std::clamp(panel, 0, 2)]->setText(QString::fromStdString(text));
    if (!m_services.statusLogPath.isEmpty()) {
        QFile log(m_services.statusLogPath);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write(QStringLiteral("%1: %2\n").arg(panel).arg(QString::fromStdString(text)).toUtf8());
    }
}

void TMForm::setTrayNote(const std::string& text)
{
    m_trayTip = QString::fromStdString(TrayTip(text));
    if (m_trayIcon)
        m_trayIcon->setToolTip(m_trayTip);
}

void TMForm::setStatusTip(int panel, const std::string& text)
{
    QLabel* const panels[] = { m_statusPanel, m_hintPanel, m_limitsPanel };
    panels[std::clamp(panel, 0, 2)]->setToolTip(QString::fromStdString(text));
}

void TMForm::setEditingEnabled(bool enabled)
{
    QWidget* const controls[kMainControlCount]
        = { m_recordButton, m_loadButton, m_saveButton, m_newButton, m_editButton, m_deleteButton, m_clearButton,
              m_optionsButton, m_quitButton, m_startButton, m_stopButton, m_upButton, m_downButton, m_listView };
    for (size_t i = 0; i < kMainControlCount; ++i)
        controls[i]->setEnabled(ControlEnabled(MainControl(i), enabled, m_recordAvailable));
    update();
}

void TMForm::setRecordingShown(bool recording)
{
    m_recordButton->setText(QString::fromLatin1(RecordCaption(recording)));
}

void TMForm::setRecordAvailable(bool available, const std::string& hint)
{
    m_recordAvailable = available;
    const QString shown
        = available ? QString::fromLatin1(TextOf(MainControl::Record).hint) : QString::fromStdString(hint);
    m_recordButton->setToolTip(shown);
    m_recordButton->setStatusTip(shown);
    m_hints.insert(m_recordButton, shown);
    m_recordButton->setEnabled(ControlEnabled(MainControl::Record, m_listView->isEnabled(), available));
}

void TMForm::showAndRaise()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMForm::setListState(const std::string& listFile, bool modified)
{
    setWindowTitle(QString::fromStdString(WindowCaption(kProductCaption, listFile, modified)));
}

void TMForm::listReset()
{
    m_model->listReset();
}

void TMForm::rowsInserted(int first, int count)
{
    m_model->rowsInserted(first, count);
}

void TMForm::rowsRemoved(int first, int count)
{
    m_model->rowsRemoved(first, count);
}

void TMForm::rowMoved(int from, int to)
{
    m_model->rowMoved(from, to);
}

void TMForm::rowChanged(int row)
{
    m_model->rowChanged(row);
}

void TMForm::selectionChanged(int row)
{
    m_syncingSelection = true;
    QItemSelectionModel* selection = m_listView->selectionModel();
    if (row < 0) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const QModelIndex index = m_model->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_listView->scrollTo(index);
    }
    m_syncingSelection = false;
}

void TMForm::btnShadeClick()
{
    if (m_controller)
        m_controller->btnShadeClick();
}

void TMForm::OpenHelpPage()
{
    openAddress(kHelpPageUrl);
}

void TMForm::ShowAbout()
{
    TFMAbout about(m_services.backendName, this);
    about.exec();
}

void TMForm::WMTrayIcon()
{
    if (TrayClickHides(isVisible(), isMinimized()))
        hide();
    else
        showAndRaise();
}

void TMForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimising hides the window to the notification area; without one the
    // window is minimised as usual, so it can always be found again.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && MinimizeHides(m_trayIcon != nullptr))
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

bool TMForm::eventFilter(QObject* watched, QEvent* event)
{
    // The status hint follows the pointer over the buttons and the list.
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        auto hint = m_hints.constFind(watched);
        if (hint != m_hints.constEnd() && m_controller)
            m_hintPanel->setText(QString::fromStdString(m_controller->HintFor(hint->toStdString())));
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace clickwisp
