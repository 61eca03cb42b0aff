// The action editor offscreen: its controls wired to the presenter (whose
// rules tests/app/action_editor_presenter_test checks), typing, and OK.

#include "tests/ui/action_editor_helpers.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace clickwisp;
using test::child;
using test::dumpAction;

namespace {

QStringList comboItems(const QObject* editor, const char* name)
{
    const auto* combo = child<QComboBox>(editor, name);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The texts of the six delay fields, hours first.
QStringList delayTexts(const QObject* editor)
{
    QStringList texts;
    for (const char* name : { "edIntHour", "edIntMin", "edIntSec", "edIntTen", "edIntHun", "edIntThd" })
        texts << child<TypedSpinBox>(editor, name)->text();
    return texts;
}

} // namespace

class ActionEditorTest : public QObject {
    Q_OBJECT

private slots:
    void controlsCarryTheirCaptionsAndLimits()
    {
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        const std::pair<const char*, const char*> captions[] = { { "rbClick", "Mouse Click" },
            { "rbMove", "Mouse Move" }, { "rbKey", "Keystroke " }, { "rbText", "Type Text" }, { "rbDelay", "Delay" },
            { "rbCurrent", "Click where the mouse is" }, { "rbFixed", "Click on a fixed point" },
            { "rbColor", "Click color block " }, { "rbBMP", "Click BMP block" }, { "btnCapture", "Start Capture" },
            { "btnCaptureColor", "Start Capture" }, { "btnMoveCapture", "Start Capture" }, { "btnBMP", "Load BMP" },
            { "btnOK", "&OK" }, { "btnCancel", "&Cancel" } };
        for (const auto& [name, caption] : captions)
            QCOMPARE(child<QAbstractButton>(&dialog, name)->text(), QString::fromUtf8(caption));
        QStringList titles;
        for (const char* name : { "gbClickPoint", "gbPoint", "gbColor", "gbBMP" })
            titles << child<QGroupBox>(&dialog, name)->title();
        QCOMPARE(titles, QStringList({ "Click Point", "specify click point", "specify color block", "specify bmp" }));
        QCOMPARE(comboItems(&dialog, "cbButton"), QStringList({ "Left Button", "Right Button", "Middle Button" }));
        QCOMPARE(comboItems(&dialog, "cbClick"),
            QStringList({ "Single Click", "Double Click", "Button Down", "Button Up" }));
        QCOMPARE(comboItems(&dialog, "cbKeyAction"), QStringList({ "Key Down", "Key Up", "Key Press" }));
        QVERIFY(child<QLineEdit>(&dialog, "edColor")->isReadOnly() && child<QLineEdit>(&dialog, "edCl")->isReadOnly());
        for (const char* holder : { "gbPoint", "gbColor", "plMove" }) {
            QStringList labels;
            for (QLabel* label : child(&dialog, holder)->findChildren<QLabel*>())
                labels << label->text();
            QVERIFY2(labels.contains(QStringLiteral("Press Any Key To Stop Capture")), qPrintable(labels.join('|')));
        }
        for (const char* name : { "edSimilar", "edBMPSimilar" }) {
            const auto* spin = child<TypedSpinBox>(&dialog, name);
            QCOMPARE(QList<int>({ spin->minimum(), spin->maximum(), spin->singleStep() }), QList<int>({ 60, 100, 5 }));
        }
        QList<int> maxima;
        for (const char* name : { "edIntHour", "edIntMin", "edIntSec", "edIntTen", "edIntHun", "edIntThd" })
            maxima << child<TypedSpinBox>(&dialog, name)->maximum();
        QCOMPARE(maxima, QList<int>({ 23, 59, 59, 9, 9, 9 }));
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }

    void eachTypePanelFollowsItsRadioButtonDownToEveryControl()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        const std::pair<const char*, const char*> rows[] = {
            { "rbClick", "plClick" },
            { "rbMove", "plMove" },
            { "rbKey", "plKey" },
            { "rbText", "plText" },
            { "rbDelay", "plDelay" },
        };
        // Move first: it must disable the click panel's hidden capture
        // buttons too; Click last: it must enable all of them again.
        for (const char* chosen : { "rbMove", "rbKey", "rbText", "rbDelay", "rbClick" }) {
            child<QRadioButton>(&dialog, chosen)->click();
            for (const auto& [radio, panelName] : rows) {
                const bool on = qstrcmp(radio, chosen) == 0;
                QWidget* panel = child(&dialog, panelName);
                QCOMPARE(panel->isEnabled(), on);
                QVERIFY(!panel->isHidden());
                for (QWidget* control : panel->findChildren<QWidget*>())
                    QVERIFY2(control->isEnabled() == on, qPrintable(chosen + (": " + control->objectName())));
            }
        }
    }

    void theClickPointShowsOnlyItsGroupAndEndsACapture()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        QVERIFY(child<QRadioButton>(f, "rbCurrent")->isChecked());
        // Each click point with its group and that group's button.
        const std::tuple<const char*, const char*, const char*> groups[] = { { "rbFixed", "gbPoint", "btnCapture" },
            { "rbColor", "gbColor", "btnCaptureColor" }, { "rbBMP", "gbBMP", "btnBMP" } };
        for (const char* chosen : { "rbCurrent", "rbFixed", "rbColor", "rbBMP", "rbCurrent" }) {
            f->StartPointCapture();
            f->StartColorCapture();
            child<QRadioButton>(f, chosen)->click();
            for (const auto& [owner, group, button] : groups) {
                const bool on = qstrcmp(owner, chosen) == 0;
                QVERIFY2(child(f, group)->isHidden() != on, group);
                QVERIFY2(child(f, button)->isEnabled() == on, button);
            }
            QVERIFY(!f->capturingPoint() && !f->capturingColor() && !test::captureTimer(f)->isActive());
        }
    }

    // Every control shows its field and gives it back; values off the lists
    // (here the type, button and key) choose nothing and are kept.
    void anActionSurvivesARoundTripThroughTheControls()
    {
        auto source = TBaseCtrlEX::Create();
        TBaseCtrlEX& a = *source;
        a.mousePoint = cpPicture;
        a.mouseButton = 2;
        a.mouseAction = 3;
        a.mouseClickPosX = 17;
        a.mouseClickPosY = 2345;
        a.mouseMovePosX = 8;
        a.mouseMovePosY = 9;
        a.fColor = "$00563412";
        a.fColorSimplar = 85;
        a.fBMPSimplar = 65;
        a.key = 112;
        a.keyAction = kaUp;
        a.typeText = "Grüße, 世界";
        a.delay = 3723456;
        for (uint8_t type : { uint8_t(atText), uint8_t(7) }) {
            a.actionType = type;
            TDForm dialog(nullptr, QStringLiteral("Edit Action"));
            dialog.LoadFromAction(a);
            QCOMPARE(delayTexts(&dialog), QStringList({ "1", "2", "3", "4", "5", "6" }));
            QCOMPARE(child<QRadioButton>(&dialog, "rbText")->isChecked(), type == atText);
            QCOMPARE(child(&dialog, "plText")->isEnabled(), type == atText);
            QVERIFY(!child(&dialog, "gbBMP")->isHidden());
            QCOMPARE(child<QComboBox>(&dialog, "cbButton")->currentIndex(), type == atText ? 2 : -1);
            QCOMPARE(child<QComboBox>(&dialog, "cbKey")->currentText(), type == atText ? "F1" : "");
            auto fresh = type == atText ? TBaseCtrlEX::Create() : CopyAction(a);
            QVERIFY(dialog.SaveToAction(*fresh).has_value());
            QCOMPARE(dumpAction(*fresh), dumpAction(a));
            a.mouseButton = 9;
            a.key = 7; // a code without a name
        }
    }

    void typingIsFilteredAndKeptAsTyped()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* edPX = child<QLineEdit>(&dialog, "edPX");
        auto* edSimilar = child<TypedSpinBox>(&dialog, "edSimilar");
        auto* edBMPSimilar = child<TypedSpinBox>(&dialog, "edBMPSimilar");
        child<QRadioButton>(&dialog, "rbFixed")->click();
        edPX->clear();
        QTest::keyClicks(edPX, QStringLiteral("1-2a 3.45"));
        QCOMPARE(edPX->text(), QStringLiteral("1234")); // digits only, at most 4
        child<QRadioButton>(&dialog, "rbColor")->click();
        edSimilar->setText(QString());
        edSimilar->setFocus();
        QTest::keyClicks(edSimilar, QStringLiteral("1-5e0"));
        child(&dialog, "cbButton")->setFocus(); // leaving the field corrects nothing
        QCOMPARE(edSimilar->text(), QStringLiteral("150"));

        // The arrows stay within 60-100 in steps of 5.
        edBMPSimilar->stepBy(1);
        QCOMPARE(edBMPSimilar->text(), QStringLiteral("100"));
        edBMPSimilar->stepBy(-9);
        QCOMPARE(edBMPSimilar->text(), QStringLiteral("60"));

        // The time fields filter no characters, only the length.
        child<QRadioButton>(&dialog, "rbDelay")->click();
        auto* edIntMin = child<TypedSpinBox>(&dialog, "edIntMin");
        auto* edIntTen = child<TypedSpinBox>(&dialog, "edIntTen");
        auto* edIntHour = child<TypedSpinBox>(&dialog, "edIntHour");
        edIntMin->setText(QString());
        QTest::keyClicks(edIntMin, QStringLiteral("753"));
        QCOMPARE(edIntMin->text(), QStringLiteral("75"));
        edIntTen->setText(QString());
        QTest::keyClicks(edIntTen, QStringLiteral("x"));
        QCOMPARE(edIntTen->text(), QStringLiteral("x"));
        QTest::keyClick(edIntHour, Qt::Key_Up);
        QCOMPARE(edIntHour->text(), QStringLiteral("1"));
    }

    // OK names the invalid field and stays open; an enabled field (here the
    // move panel's, not the click panel's) takes the focus.
    void okWithAnInvalidFieldStaysOpen()
    {
        auto action = TBaseCtrlEX::Create();
        action->actionType = atMove;
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        QStringList warnings;
        dialog.setWarningHandler([&](const QString& message) { warnings << message; });
        dialog.LoadFromAction(*action);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char* name : { "edPX", "edMoveY" }) {
            auto* field = child<QLineEdit>(&dialog, name);
            field->clear();
            child<QPushButton>(&dialog, "btnOK")->click();
            QVERIFY(dialog.isVisible());
            QCOMPARE(warnings.size(), 1);
            const auto saved = dialog.SaveToAction(*action);
            QVERIFY(!saved);
            QCOMPARE(QString::fromStdString(saved.error().message), warnings.takeFirst());
            QCOMPARE(dialog.focusWidget() == field, field->isEnabled());
            field->setText(QStringLiteral("3"));
        }
        child<QPushButton>(&dialog, "btnOK")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void escapeAndEnterDoNotCloseTheDialog()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(child(&dialog, "cbButton"), Qt::Key_Escape);
        QTest::keyClick(child(&dialog, "cbButton"), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.frame()->StartPointCapture();
        child<QPushButton>(&dialog, "btnCancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!test::captureTimer(&dialog)->isActive());
    }
};

QTEST_MAIN(ActionEditorTest)
#include "action_editor_test.moc"
