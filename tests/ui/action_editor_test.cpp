// The action editor offscreen: defaults, the type and click-point rules, the
// key list, load/save round trips and the checks made on OK.

#include "tests/ui/action_editor_helpers.h"

#include "core/base64.h"
#include "core/key_names.h"
#include "ui/typed_fields.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace clickwisp;
using clickwisp::test::dumpAction;

namespace {

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList delayTexts(TfrmDefine* f)
{
    return { f->edIntHour->text(), f->edIntMin->text(), f->edIntSec->text(), f->edIntTen->text(), f->edIntHun->text(),
        f->edIntThd->text() };
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
        TfrmDefine* f = dialog.frame();
        const std::pair<QAbstractButton*, const char*> captions[]
            = { { f->rbClick, "Mouse Click" }, { f->rbMove, "Mouse Move" }, { f->rbKey, "Keystroke " },
                  { f->rbText, "Type Text" }, { f->rbDelay, "Delay" }, { f->rbCurrent, "Click where the mouse is" },
                  { f->rbFixed, "Click on a fixed point" }, { f->rbColor, "Click color block " },
                  { f->rbBMP, "Click BMP block" }, { f->btnCapture, "Start Capture" },
                  { f->btnCaptureColor, "Start Capture" }, { f->btnMoveCapture, "Start Capture" },
                  { f->btnBMP, "Load BMP" }, { dialog.btnOK, "&OK" }, { dialog.btnCancel, "&Cancel" } };
        for (const auto& [button, caption] : captions)
            QCOMPARE(button->text(), QString::fromUtf8(caption));
        QCOMPARE(QStringList({ f->gbClickPoint->title(), f->gbPoint->title(), f->gbColor->title(), f->gbBMP->title() }),
            QStringList({ "Click Point", "specify click point", "specify color block", "specify bmp" }));
        QCOMPARE(comboItems(f->cbButton), QStringList({ "Left Button", "Right Button", "Middle Button" }));
        QCOMPARE(comboItems(f->cbClick), QStringList({ "Single Click", "Double Click", "Button Down", "Button Up" }));
        QCOMPARE(comboItems(f->cbKeyAction), QStringList({ "Key Down", "Key Up", "Key Press" }));
        QVERIFY(f->edColor->isReadOnly() && f->edCl->isReadOnly());
        for (QWidget* holder : { static_cast<QWidget*>(f->gbPoint), static_cast<QWidget*>(f->gbColor),
                 static_cast<QWidget*>(f->plMove) }) {
            QStringList labels;
            for (QLabel* label : holder->findChildren<QLabel*>())
                labels << label->text();
            QVERIFY2(labels.contains(QStringLiteral("Press Any Key To Stop Capture")), qPrintable(labels.join('|')));
        }
        for (TypedSpinBox* spin : { f->edSimilar, f->edBMPSimilar })
            QCOMPARE(QList<int>({ spin->minimum(), spin->maximum(), spin->singleStep() }), QList<int>({ 60, 100, 5 }));
        QList<int> maxima;
        for (TypedSpinBox* spin : { f->edIntHour, f->edIntMin, f->edIntSec, f->edIntTen, f->edIntHun, f->edIntThd })
            maxima << spin->maximum();
        QCOMPARE(maxima, QList<int>({ 23, 59, 59, 9, 9, 9 }));
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }

    void eachTypePanelFollowsItsRadioButtonDownToEveryControl()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        const std::pair<QRadioButton*, QFrame*> rows[] = {
            { f->rbClick, f->plClick },
            { f->rbMove, f->plMove },
            { f->rbKey, f->plKey },
            { f->rbText, f->plText },
            { f->rbDelay, f->plDelay },
        };
        // Move first: it must disable the click panel's hidden capture
        // buttons too; Click last: it must enable all of them again.
        for (QRadioButton* chosen : { f->rbMove, f->rbKey, f->rbText, f->rbDelay, f->rbClick }) {
            chosen->click();
            for (const auto& [radio, panel] : rows) {
                const bool on = radio == chosen;
                QCOMPARE(panel->isEnabled(), on);
                QVERIFY(!panel->isHidden());
                for (QWidget* control : panel->findChildren<QWidget*>())
                    QVERIFY2(
                        control->isEnabled() == on, qPrintable(chosen->objectName() + ": " + control->objectName()));
            }
        }
    }

    void theClickPointShowsOnlyItsGroupAndEndsACapture()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        QVERIFY(f->rbCurrent->isChecked());
        QVERIFY(f->gbPoint->isHidden() && f->gbColor->isHidden() && f->gbBMP->isHidden());
        for (QRadioButton* radio : { f->rbFixed, f->rbColor, f->rbBMP, f->rbCurrent }) {
            f->StartPointCapture();
            f->StartColorCapture();
            radio->click();
            const std::pair<QGroupBox*, QPushButton*> groups[]
                = { { f->gbPoint, f->btnCapture }, { f->gbColor, f->btnCaptureColor }, { f->gbBMP, f->btnBMP } };
            const QRadioButton* owners[] = { f->rbFixed, f->rbColor, f->rbBMP };
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(!groups[i].first->isHidden(), owners[i] == radio);
                QCOMPARE(groups[i].second->isEnabled(), owners[i] == radio);
            }
            QVERIFY(!f->capturingPoint() && !f->capturingColor() && !f->timerSetPoint->isActive());
        }
    }

    void theKeyListRunsFrom48To256ThenFrom1To47()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        QComboBox* cbKey = dialog.frame()->cbKey;
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
        QCOMPARE(cbKey->currentIndex(), 0);
        QCOMPARE(cbKey->currentText(), QStringLiteral("0"));
        QCOMPARE(cbKey->itemText(cbKey->count() - 1), QStringLiteral("[Delete]"));
    }

    void everyActionKindSurvivesARoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        const char* kinds[] = { "fixed point", "colour", "picture", "move", "key", "text", "delay", "right double" };
        for (int i = 0; i < 8; ++i)
            QTest::newRow(kinds[i]) << i;
    }

    void everyActionKindSurvivesARoundTrip()
    {
        QFETCH(int, kind);
        TBDBitmapData bitmap;
        test::fillBitmap(bitmap, 5, 3, [](int32_t x, int32_t y) { return uint32_t(x * 40 + y * 0x1000 + 0x300000); });
        const std::string picture = test::bmpBytes(bitmap);
        auto source = TBaseCtrlEX::Create();
        TBaseCtrlEX& a = *source;
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
        switch (kind) {
        case 0:
            a.mousePoint = cpFixed;
            a.mouseButton = abMiddle;
            a.mouseAction = maButtonUp;
            break;
        case 1: a.mousePoint = cpColor; break;
        case 2:
            a.mousePoint = cpPicture;
            a.mouseAction = maButtonDown;
            break;
        case 3: a.actionType = atMove; break;
        case 4: a.actionType = atKey; break;
        case 5: a.actionType = atText; break;
        case 6: a.actionType = atDelay; break;
        case 7:
            a.mouseButton = abRight;
            a.mouseAction = maDoubleClick;
            break;
        }

        // Every field is written whatever the type: a fresh action gets them all.
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*source);
        auto fresh = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*fresh).has_value());
        QCOMPARE(dumpAction(*fresh), dumpAction(*source));
        QCOMPARE(dialog.frame()->picture().size(), QSize(5, 3));
        QCOMPARE(dialog.frame()->picture().pixelColor(4, 2), QColor(0x30, 0x20, 0xA0));
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
        TfrmDefine* f = dialog.frame();
        dialog.LoadFromAction(*edited);
        for (QRadioButton* rb : f->findChildren<QRadioButton*>())
            QVERIFY2(!rb->isChecked(), qPrintable(rb->objectName()));
        for (QComboBox* combo : { f->cbButton, f->cbClick, f->cbKey, f->cbKeyAction })
            QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!f->plClick->isEnabled() && !f->plDelay->isEnabled());
        QVERIFY(f->gbPoint->isHidden() && f->gbColor->isHidden() && f->gbBMP->isHidden());
        QCOMPARE(QStringList({ f->edPX->text(), f->edPY->text(), f->edSimilar->text(), f->edBMPSimilar->text() }),
            QStringList({ "-20", "123456", "150", "70000" }));
        QCOMPARE(delayTexts(f), QStringList({ "0", "0", "-1", "-5", "0", "0" }));
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(dumpAction(*edited), dumpAction(*source));

        // Choosing a key afterwards stores it.
        f->cbKey->setCurrentIndex(f->cbKey->findText(QStringLiteral("[Enter]")));
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(edited->key, 13);
    }

    void theDelaySplitsIntoSixFields_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("1 h 2 min 3 s 4 5 6") << 3723456 << QStringList { "1", "2", "3", "4", "5", "6" };
        QTest::newRow("23:59:59.999") << 86399999 << QStringList { "23", "59", "59", "9", "9", "9" };
        QTest::newRow("beyond the arrows") << 2147483647 << QStringList { "596", "31", "23", "6", "4", "7" };
    }

    void theDelaySplitsIntoSixFields()
    {
        QFETCH(int, delay);
        QFETCH(QStringList, fields);
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*TBaseCtrlEX::CreateDelay(delay));
        QCOMPARE(delayTexts(dialog.frame()), fields);
        auto saved = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*saved).has_value());
        QCOMPARE(saved->delay, delay);
    }

    void typingIsFilteredAndKeptAsTyped()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        f->rbFixed->click();
        f->edPX->clear();
        QTest::keyClicks(f->edPX, QStringLiteral("1-2a 3.45"));
        QCOMPARE(f->edPX->text(), QStringLiteral("1234")); // digits only, at most 4
        f->rbColor->click();
        f->edSimilar->setText(QString());
        f->edSimilar->setFocus();
        QTest::keyClicks(f->edSimilar, QStringLiteral("1-5e0"));
        f->cbButton->setFocus(); // leaving the field corrects nothing
        QCOMPARE(f->edSimilar->text(), QStringLiteral("150"));

        // The arrows stay within 60-100 in steps of 5.
        f->edBMPSimilar->stepBy(1);
        QCOMPARE(f->edBMPSimilar->text(), QStringLiteral("100"));
        f->edBMPSimilar->stepBy(-9);
        QCOMPARE(f->edBMPSimilar->text(), QStringLiteral("60"));

        // The time fields filter no characters, only the length; typed values count.
        f->rbDelay->click();
        f->edIntMin->setText(QString());
        QTest::keyClicks(f->edIntMin, QStringLiteral("753"));
        QCOMPARE(f->edIntMin->text(), QStringLiteral("75"));
        f->edIntTen->setText(QString());
        QTest::keyClicks(f->edIntTen, QStringLiteral("x"));
        QCOMPARE(f->edIntTen->text(), QStringLiteral("x"));
        QTest::keyClick(f->edIntHour, Qt::Key_Up);
        QCOMPARE(f->edIntHour->text(), QStringLiteral("1"));
        f->edIntTen->setText(QStringLiteral("2"));

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
        QTest::newRow("point x") << "edPX"
                                 << ""
                                 << "Click point X: the field is empty";
        QTest::newRow("point y") << "edPY"
                                 << ""
                                 << "Click point Y:";
        QTest::newRow("colour similarity") << "edSimilar"
                                           << ""
                                           << "Color similarity:";
        QTest::newRow("picture similarity") << "edBMPSimilar"
                                            << ""
                                            << "BMP similarity:";
        QTest::newRow("move x") << "edMoveX"
                                << ""
                                << "Move X:";
        QTest::newRow("move y") << "edMoveY"
                                << ""
                                << "Move Y:";
        QTest::newRow("hours") << "edIntHour"
                               << "x"
                               << "Delay hours: 'x' is not a whole number";
        QTest::newRow("minutes") << "edIntMin"
                                 << "1o"
                                 << "Delay minutes:";
        QTest::newRow("seconds") << "edIntSec"
                                 << ""
                                 << "Delay seconds:";
        QTest::newRow("tenths") << "edIntTen"
                                << "-"
                                << "Delay 1/10 S:";
        QTest::newRow("hundredths") << "edIntHun"
                                    << "a"
                                    << "Delay 1/100 S:";
        QTest::newRow("thousandths") << "edIntThd"
                                     << "z"
                                     << "Delay ms(1/1000 S):";
        QTest::newRow("beyond 32 bits") << "edIntHour"
                                        << "5000"
                                        << "Delay: 18000001000 ms is out of range";
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
        TfrmDefine* f = dialog.frame();
        f->edText->setText(QStringLiteral("after"));
        QWidget* target = f->findChild<QWidget*>(field);
        QVERIFY(target);
        setFieldText(target, text);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.btnOK->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(named), qPrintable(warnings[0]));
        auto saved = dialog.SaveToAction(*action);
        QVERIFY(!saved.has_value());
        QCOMPARE(QString::fromStdString(saved.error().message), warnings[0]);
        QCOMPARE(dumpAction(*action), before);

        // Put right, OK closes the dialog and the action takes the edits.
        setFieldText(target, QStringLiteral("3"));
        dialog.btnOK->click();
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
        QTest::keyClick(dialog.frame()->cbButton, Qt::Key_Escape);
        QTest::keyClick(dialog.frame()->cbButton, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.frame()->StartPointCapture();
        dialog.btnCancel->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.frame()->timerSetPoint->isActive());
    }
};

QTEST_MAIN(ActionEditorTest)
#include "action_editor_test.moc"
