// The editor's Test button on a real X server: windows of known colours are
// painted by another X client, and the editor captures and searches them
// through the X11 backend.

#include "tests/ui/action_editor_helpers.h"
#include "tests/ui/find_child.h"

#include "platform/x11/x11_platform.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "ui/target_marker.h"
#include "ui/typed_fields.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

using namespace clickwisp;
using test::child;

class ActionEditorX11Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::XvfbServer> m_xvfb;
    std::vector<std::unique_ptr<QProcess>> m_windows;
    std::unique_ptr<InputInjector> m_input;
    std::unique_ptr<ScreenSource> m_screen;

    // A window of one colour, drawn by ImageMagick's viewer at (x, y).
    void showColourWindow(const QString& colour, int x, int y, int width, int height)
    {
        auto viewer = std::make_unique<QProcess>();
        viewer->start(QStringLiteral("display"),
            { QStringLiteral("-geometry"), QStringLiteral("+%1+%2").arg(x).arg(y), QStringLiteral("-size"),
                QStringLiteral("%1x%2").arg(width).arg(height), QStringLiteral("xc:") + colour });
        QVERIFY2(viewer->waitForStarted(), qPrintable(viewer->errorString()));
        m_windows.push_back(std::move(viewer));
        const std::string title = "ImageMagick: " + colour.toStdString();
        QTRY_VERIFY_WITH_TIMEOUT(
            test::runProcess({ "xdotool", "search", "--onlyvisible", "--name", title }).status == 0, 20000);
    }

private slots:
    void initTestCase()
    {
        m_xvfb = std::make_unique<test::XvfbServer>(800, 600);
        QVERIFY2(m_xvfb->ok(), m_xvfb->error().c_str());
        auto input = makeX11Input(m_xvfb->display());
        QVERIFY2(input.has_value(), input ? "" : input.error().message.c_str());
        m_input = std::move(*input);
        auto screen = makeX11Screen(m_xvfb->display());
        QVERIFY2(screen.has_value(), screen ? "" : screen.error().message.c_str());
        m_screen = std::move(*screen);
        showColourWindow(QStringLiteral("#123456"), 100, 50, 200, 100);
        showColourWindow(QStringLiteral("#00FF00"), 400, 300, 150, 120);
    }

    void cleanupTestCase()
    {
        for (auto& viewer : m_windows) {
            viewer->kill();
            viewer->waitForFinished(5000);
        }
        m_windows.clear();
        m_input.reset();
        m_screen.reset();
        m_xvfb.reset();
    }

    void theTestButtonFindsThePaintedWindowAndMarksItForAMoment()
    {
        // The viewer's windows have a 2-pixel border: their colour starts at (102, 52) and (402, 302).
        TDForm dialog(nullptr, QStringLiteral("New Action"), m_input.get(), m_screen.get());
        TfrmDefine* f = dialog.frame();
        child<QRadioButton>(f, "rbColor")->click();
        child<QLineEdit>(f, "edColor")->setText(QStringLiteral("$00563412"));
        child<QPushButton>(f, "btnTestColor")->click();
        QTRY_VERIFY(!f->testingTarget());
        QCOMPARE(child<QLabel>(f, "lbTestColor")->text(), QStringLiteral("Found at (102 : 52)"));
        TargetMarker* marker = f->targetMarker();
        QVERIFY(marker && marker->isVisible());
        QCOMPARE(marker->geometry().center(), QPoint(102, 52));
        QTRY_VERIFY_WITH_TIMEOUT(!marker->isVisible(), 3000);

        // Green 240 is on no window; the lime one comes closest.
        child<QLineEdit>(f, "edColor")->setText(QStringLiteral("$0000F000"));
        child<QPushButton>(f, "btnTestColor")->click();
        QTRY_VERIFY(!f->testingTarget());
        QCOMPARE(child<QLabel>(f, "lbTestColor")->text(), QStringLiteral("Not found \u2014 best 94 % at (402 : 302)"));
        QVERIFY(marker->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!marker->isVisible(), 3000);
    }
};

QTEST_MAIN(ActionEditorX11Test)
#include "action_editor_x11_test.moc"
