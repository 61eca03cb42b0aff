// The editor frame's "Test" of a colour or picture target.
#include "ui/action_editor_frame.h"

#include "ui/qt_screen_source.h"
#include "ui/target_marker.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace clickwisp {

void TfrmDefine::StartTargetTest(bool picture)
{
    if (m_testing)
        return;
    m_testing = true;
    m_colourTestButton->setEnabled(false);
    m_pictureTestButton->setEnabled(false);
    (picture ? m_pictureTestResult : m_colourTestResult)->clear();
    // Out of sight rather than hidden: hiding a modal dialog would end it.
    QWidget* dialog = window();
    const QRect home = dialog->geometry();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 1920, 1080);
    dialog->move(desktop.right() + 100, desktop.bottom() + 100);
    QTimer::singleShot(kTestHideMs, this, [this, picture, home] { finishTargetTest(picture, home); });
}

void TfrmDefine::finishTargetTest(bool picture, QRect home)
{
    if (!m_screen && !m_qtScreen)
        m_qtScreen = std::make_unique<QtScreenSource>();
    const Result<TargetCheck> check = CheckEditorTarget(m_screen ? *m_screen : *m_qtScreen, fields(), picture);
    window()->setGeometry(home);
    QLabel* result = picture ? m_pictureTestResult : m_colourTestResult;
    result->setText(QString::fromStdString(check ? check->text : check.error().message));
    if (check && check->width > 0) {
        if (!m_marker)
            m_marker = new TargetMarker(this);
        m_marker->showAround(QRect(check->left, check->top, check->width, check->height), kTestMarkMs);
    }
    m_colourTestButton->setEnabled(true);
    m_pictureTestButton->setEnabled(true);
    m_testing = false;
}

} // namespace clickwisp
