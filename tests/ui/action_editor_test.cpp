// The action editor offscreen: defaults, the type and click-point rules, the
// key list, load/save round trips and the checks made on OK.

#include "tests/ui/action_editor_helpers.h"

#include "core/base64.h"
#include "core/key_names.h"

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

void setFieldText(QWidget* field, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->setText(text);
    else
        qobject_cast<TypedSpinBox*>(field)->setText(text);
}

} // namespace

class ActionEditorTest : public QObject {
    Q_OBJECT

private slots:
    void aNewActionConfirmedUnchangedGetsTheDefaults()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Action"));
        auto action = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*action).has_value());
        // A left single click where the pointer is, key "0" (code 48) going down.
        QCOMPARE(dumpAction(*action),
            QStringLiteral("actionType=0 mouseButton=0 mouseAction=0 mousePoint=0 click=1000,600 fColor=clBlack "
                           "fColorSimplar=100 fBMP=[] fBMPSimplar=100 move=1000,600 key=48 keyAction=0 "
                           "typeText=[] delay=1000 screenType=0"));
    }

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

    void theKeyListRunsFrom48To256ThenFrom1To47()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        auto* cbKey = child<QComboBox>(&dialog, "cbKey");
        QList<int> expected;
        for (int code = 48; code <= 256; ++code)
            if (!KeyName(code).empty())
                expected << code;
        for (int code = 1; code <= 47; ++code)
            if (!KeyName(code).empty())
                expected << code;
        QList<int> codes;
        for (int i = 0; i < cbKey->count(); ++i) {
            codes << cbKey->itemData(i).toInt();
            QCOMPARE(cbKey->itemText(i).toStdString(), KeyName(codes.last()));
        }
        QCOMPARE(codes, expected);
        QCOMPARE(cbKey->currentText(), QStringLiteral("0"));
        QCOMPARE(cbKey->itemText(cbKey->count() - 1), QStringLiteral("[Delete]"));
    }

    // Every field is written whatever the type, so a fresh action gets them
    // all; each type, click point, button and click kind is chosen once.
    void everyActionKindSurvivesARoundTrip()
    {
        TBDBitmapData bitmap;
        test::fillBitmap(bitmap, 5, 3, [](int32_t x, int32_t y) { return uint32_t(x * 40 + y * 0x1000 + 0x300000); });
        const std::string picture = test::bmpBytes(bitmap);
        for (uint8_t kind = 0; kind < 5; ++kind) {
            auto source = TBaseCtrlEX::Create();
            TBaseCtrlEX& a = *source;
            a.actionType = kind;
            a.mousePoint = kind % 4;
            a.mouseButton = kind % 3;
            a.mouseAction = (kind + 1) % 4;
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
            a.fBMP = Base64Encode(std::span(reinterpret_cast<const uint8_t*>(picture.data()), picture.size()));

            TDForm dialog(nullptr, QStringLiteral("Edit Action"));
            dialog.LoadFromAction(*source);
            QCOMPARE(delayTexts(&dialog), QStringList({ "1", "2", "3", "4", "5", "6" }));
            auto fresh = TBaseCtrlEX::Create();
            QVERIFY(dialog.SaveToAction(*fresh).has_value());
            QCOMPARE(dumpAction(*fresh), dumpAction(*source));
            QCOMPARE(dialog.frame()->picture().size(), QSize(5, 3));
            QCOMPARE(dialog.frame()->picture().pixelColor(4, 2), QColor(0x30, 0x20, 0xA0));
        }
    }

    void valuesTheControlsCannotShowAreKept()
    {
        auto source = TBaseCtrlEX::Create();
        source->actionType = 7;
        source->mouseButton = 9;
        source->mouseAction = maWheel; // only recording makes it
        source->mousePoint = 200;
        source->keyAction = 255;
        source->screenType = 7;
        source->key = 7; // a code without a name
        source->mouseClickPosX = -20;
        source->mouseClickPosY = 123456;
        source->fColorSimplar = 150;
        source->fBMPSimplar = 70000;
        source->delay = -1500;
        QVERIFY(KeyName(7).empty());
        auto edited = CopyAction(*source);

        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*edited);
        for (QRadioButton* rb : dialog.findChildren<QRadioButton*>())
            QVERIFY2(!rb->isChecked(), qPrintable(rb->objectName()));
        for (const char* name : { "cbButton", "cbClick", "cbKey", "cbKeyAction" })
            QVERIFY2(child<QComboBox>(&dialog, name)->currentIndex() == -1, name);
        QVERIFY(!child(&dialog, "plClick")->isEnabled() && !child(&dialog, "plDelay")->isEnabled());
        for (const char* group : { "gbPoint", "gbColor", "gbBMP" })
            QVERIFY2(child(&dialog, group)->isHidden(), group);
        QStringList texts;
        for (const char* name : { "edPX", "edPY" })
            texts << child<QLineEdit>(&dialog, name)->text();
        for (const char* name : { "edSimilar", "edBMPSimilar" })
            texts << child<TypedSpinBox>(&dialog, name)->text();
        QCOMPARE(texts, QStringList({ "-20", "123456", "150", "70000" }));
        // Truncating parts that add up to the delay again.
        QCOMPARE(delayTexts(&dialog), QStringList({ "0", "0", "-1", "-5", "0", "0" }));
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(dumpAction(*edited), dumpAction(*source));

        // Beyond the arrows of the hours.
        dialog.LoadFromAction(*TBaseCtrlEX::CreateDelay(2147483647));
        QCOMPARE(delayTexts(&dialog), QStringList({ "596", "31", "23", "6", "4", "7" }));
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(edited->delay, 2147483647);

        // Choosing a key afterwards stores it.
        auto* cbKey = child<QComboBox>(&dialog, "cbKey");
        cbKey->setCurrentIndex(cbKey->findText(QStringLiteral("[Enter]")));
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(edited->key, 13);
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

        // The time fields filter no characters, only the length; typed values count.
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
        edIntTen->setText(QStringLiteral("2"));

        auto action = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->mouseClickPosX, 1234);
        QCOMPARE(action->fColorSimplar, 150);
        QCOMPARE(action->fBMPSimplar, 60);
        QCOMPARE(action->delay, 3600000 + 75 * 60000 + 1000 + 200);
    }

    void okWithAnInvalidFieldStaysOpenAndChangesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        const std::tuple<const char*, const char*, const char*> rows[] = {
            { "edPX", "", "Click point X: the field is empty" },
            { "edPY", "", "Click point Y:" },
            { "edSimilar", "", "Color similarity:" },
            { "edBMPSimilar", "", "BMP similarity:" },
            { "edMoveX", "", "Move X:" },
            { "edMoveY", "", "Move Y:" },
            { "edIntHour", "x", "Delay hours: 'x' is not a whole number" },
            { "edIntMin", "1o", "Delay minutes:" },
            { "edIntSec", "", "Delay seconds:" },
            { "edIntTen", "-", "Delay 1/10 S:" },
            { "edIntHun", "a", "Delay 1/100 S:" },
            { "edIntThd", "z", "Delay ms(1/1000 S):" },
        };
        for (const auto& [field, text, named] : rows)
            QTest::newRow(field) << QString::fromLatin1(field) << QString::fromLatin1(text)
                                 << QString::fromLatin1(named);
        QTest::newRow("beyond 32 bits") << QStringLiteral("edIntHour") << QStringLiteral("5000")
                                        << QStringLiteral("Delay: 18000001000 ms is out of range");
    }

    void okWithAnInvalidFieldStaysOpenAndChangesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, named);
        auto action = TBaseCtrlEX::Create();
        action->actionType = atMove;
        action->typeText = "before";
        const QString before = dumpAction(*action);

        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        QStringList warnings;
        dialog.setWarningHandler([&](const QString& message) { warnings << message; });
        dialog.LoadFromAction(*action);
        child<QLineEdit>(&dialog, "edText")->setText(QStringLiteral("after"));
        QWidget* target = child(&dialog, qPrintable(field));
        setFieldText(target, text);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child<QPushButton>(&dialog, "btnOK")->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(named), qPrintable(warnings[0]));
        // An enabled field (here the move panel's) takes the focus.
        if (target->isEnabled())
            QCOMPARE(dialog.focusWidget(), target);
        auto saved = dialog.SaveToAction(*action);
        QVERIFY(!saved.has_value());
        QCOMPARE(QString::fromStdString(saved.error().message), warnings[0]);
        QCOMPARE(dumpAction(*action), before);

        // Put right, OK closes the dialog and the action takes the edits.
        setFieldText(target, QStringLiteral("3"));
        child<QPushButton>(&dialog, "btnOK")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->typeText, std::string("after"));
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
