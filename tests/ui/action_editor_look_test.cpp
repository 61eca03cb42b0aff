// The action editor as drawn: the colour swatch is painted, the dialog has a
// fixed size with every panel inside it. With CLICKWISP_SCREENSHOT_DIR set,
// the drawing is also saved there as action-editor.png (see
// scripts/screenshot-action-editor.sh).

#include "tests/ui/action_editor_helpers.h"

#include <QTest>

using namespace clickwisp;
using test::child;

class ActionEditorLookTest : public QObject {
    Q_OBJECT

private slots:
    void theEditorIsDrawnWithItsSwatch()
    {
        auto action = TBaseCtrlEX::Create();
        action->mousePoint = cpColor;
        action->mouseAction = maDoubleClick;
        action->fColor = "$00563412";
        action->fColorSimplar = 90;
        action->delay = 2500;
        action->key = 65;
        action->mouseMovePosX = 1000;
        action->mouseMovePosY = 600;
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*action);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const QImage shot = dialog.grab().toImage();
        const qreal scale = shot.devicePixelRatio();
        auto* edCl = child<QLineEdit>(&dialog, "edCl");
        const QPoint swatch = edCl->mapTo(&dialog, edCl->rect().center());
        QCOMPARE(shot.pixelColor(int(swatch.x() * scale), int(swatch.y() * scale)), QColor(0x12, 0x34, 0x56));

        // Not sizeable, and every panel lies inside the dialog.
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        for (const char* name : { "plClick", "plMove", "plKey", "plText", "plDelay" }) {
            QWidget* panel = child(&dialog, name);
            const QRect area(panel->mapTo(&dialog, QPoint(0, 0)), panel->size());
            QVERIFY2(dialog.rect().contains(area) && !area.isEmpty(), name);
        }

        const QString folder = qEnvironmentVariable("CLICKWISP_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(shot.save(folder + QStringLiteral("/action-editor.png")));
    }
};

QTEST_MAIN(ActionEditorLookTest)
#include "action_editor_look_test.moc"
