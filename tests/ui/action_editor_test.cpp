// The action editor offscreen: defaults, the type and click-point rules, the
// key list, load/save round trips and the checks made on OK.

#include "tests/ui/action_editor_helpers.h"

#include "core/base64.h"
#include "playback/key_names.h"
#include "ui/typed_fields.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace clickwisp;
using clickwisp::test::dumpAction;

namespace {

std::unique_ptr<TBaseCtrlEX> actionWith(const std::function<void(TBaseCtrlEX&)>& set)
{
    auto action = TBaseCtrlEX::Create();
    set(*action);
    return action;
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Every widget inside panel, at any depth.
QList<QWidget*> controlsOf(QWidget* panel)
{
    return panel->findChildren<QWidget*>();
}

} // namespace

class ActionEditorTest : public QObject {
    Q_OBJECT

private slots:
    void newActionConfirmedUnchangedKeepsTheDefaults()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Action"));
        auto action = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(int(action->actionType), int(atClick));
        QCOMPARE(int(action->mouseButton), int(abLeft));
        QCOMPARE(int(action->mouseAction), int(maSingleClick));
        QCOMPARE(int(action->mousePoint), int(cpCurrent));
        QCOMPARE(action->mouseClickPosX, 1000);
        QCOMPARE(action->mouseClickPosY, 600);
        QCOMPARE(action->fColor, std::string("clBlack"));
        QCOMPARE(action->fColorSimplar, 100);
        QCOMPARE(action->fBMPSimplar, 100);
        QVERIFY(action->fBMP.empty());
        QCOMPARE(action->mouseMovePosX, 1000);
        QCOMPARE(action->mouseMovePosY, 600);
        QCOMPARE(action->key, 48); // the first entry of the key list, "0"
        QCOMPARE(int(action->keyAction), int(kaDown));
        QVERIFY(action->typeText.empty());
        QCOMPARE(action->delay, 1000);
    }

    void controlsCarryTheirCaptionsItemsAndLimits()
    {
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        TfrmDefine* f = dialog.frame();
        QCOMPARE(f->rbClick->text(), QStringLiteral("Mouse Click"));
        QCOMPARE(f->rbMove->text(), QStringLiteral("Mouse Move"));
        QCOMPARE(f->rbKey->text(), QStringLiteral("Keystroke "));
        QCOMPARE(f->rbText->text(), QStringLiteral("Type Text"));
        QCOMPARE(f->rbDelay->text(), QStringLiteral("Delay"));
        QCOMPARE(f->rbCurrent->text(), QStringLiteral("Click where the mouse is"));
        QCOMPARE(f->rbFixed->text(), QStringLiteral("Click on a fixed point"));
        QCOMPARE(f->rbColor->text(), QStringLiteral("Click color block "));
        QCOMPARE(f->rbBMP->text(), QStringLiteral("Click BMP block"));
        QCOMPARE(f->gbClickPoint->title(), QStringLiteral("Click Point"));
        QCOMPARE(f->gbPoint->title(), QStringLiteral("specify click point"));
        QCOMPARE(f->gbColor->title(), QStringLiteral("specify color block"));
        QCOMPARE(f->gbBMP->title(), QStringLiteral("specify bmp"));
        QCOMPARE(f->btnCapture->text(), QStringLiteral("Start Capture"));
        QCOMPARE(f->btnCaptureColor->text(), QStringLiteral("Start Capture"));
        QCOMPARE(f->btnMoveCapture->text(), QStringLiteral("Start Capture"));
        QCOMPARE(f->btnBMP->text(), QStringLiteral("Load BMP"));
        QCOMPARE(comboItems(f->cbButton),
                 QStringList({"Left Button", "Right Button", "Middle Button"}));
        QCOMPARE(comboItems(f->cbClick), QStringList({"Single Click", "Double Click", "Button Down", "Button Up"}));
        QCOMPARE(comboItems(f->cbKeyAction), QStringList({"Key Down", "Key Up", "Key Press"}));
        QCOMPARE(f->cbButton->currentIndex(), 0);
        QCOMPARE(f->cbClick->currentIndex(), 0);
        QCOMPARE(f->cbKeyAction->currentIndex(), 0);
        QVERIFY(f->edColor->isReadOnly());
        QVERIFY(f->edCl->isReadOnly());
        QCOMPARE(f->edText->text(), QString());

        // Each group that offers a capture tells how to end it.
        for (QWidget* holder : {static_cast<QWidget*>(f->gbPoint), static_cast<QWidget*>(f->gbColor),
                                static_cast<QWidget*>(f->plMove)}) {
            bool hint = false;
            for (QLabel* label : holder->findChildren<QLabel*>())
                hint = hint || label->text() == QStringLiteral("Press Any Key To Stop Capture");
            QVERIFY2(hint, qPrintable(holder->objectName()));
        }

        for (TypedSpinBox* spin : {f->edSimilar, f->edBMPSimilar}) {
            QCOMPARE(spin->minimum(), 60);
            QCOMPARE(spin->maximum(), 100);
            QCOMPARE(spin->singleStep(), 5);
            QCOMPARE(spin->text(), QStringLiteral("100"));
        }
        const std::pair<TypedSpinBox*, int> times[] = {{f->edIntHour, 23}, {f->edIntMin, 59}, {f->edIntSec, 59},
                                                        {f->edIntTen, 9},   {f->edIntHun, 9},  {f->edIntThd, 9}};
        QStringList texts;
        for (const auto& [spin, maximum] : times) {
            QCOMPARE(spin->minimum(), 0);
            QCOMPARE(spin->maximum(), maximum);
            texts << spin->text();
        }
        QCOMPARE(texts, QStringList({"0", "0", "1", "0", "0", "0"}));

        QCOMPARE(dialog.btnOK->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.btnCancel->text(), QStringLiteral("&Cancel"));
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }

    void eachTypePanelFollowsItsRadioButtonDownToEveryControl()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        const std::pair<QRadioButton*, QFrame*> rows[] = {
            {f->rbClick, f->plClick}, {f->rbMove, f->plMove}, {f->rbKey, f->plKey},
            {f->rbText, f->plText},   {f->rbDelay, f->plDelay},
        };
        // Move first: it must disable the click panel's hidden capture
        // buttons too; Click last: it must enable all of them again.
        for (QRadioButton* chosen : {f->rbMove, f->rbKey, f->rbText, f->rbDelay, f->rbClick}) {
            chosen->click();
            for (const auto& [radio, panel] : rows) {
                const bool on = radio == chosen;
                QCOMPARE(radio->isChecked(), on);
                QCOMPARE(panel->isEnabled(), on);
                for (QWidget* control : controlsOf(panel))
                    QVERIFY2(control->isEnabled() == on,
                             qPrintable(chosen->objectName() + ": " + control->objectName() + " of "
                                        + panel->objectName()));
                // Panels never hide.
                QVERIFY(!panel->isHidden());
            }
        }
    }

    void theClickPointShowsOnlyItsGroup()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        QVERIFY(f->rbCurrent->isChecked());
        QVERIFY(f->gbPoint->isHidden() && f->gbColor->isHidden() && f->gbBMP->isHidden());

        struct Case {
            QRadioButton* radio;
            bool point, colour, picture;
        };
        const Case cases[] = {{f->rbFixed, true, false, false},
                              {f->rbColor, false, true, false},
                              {f->rbBMP, false, false, true},
                              {f->rbCurrent, false, false, false}};
        for (const Case& c : cases) {
            f->StartPointCapture();
            f->StartColorCapture();
            c.radio->click();
            QCOMPARE(!f->gbPoint->isHidden(), c.point);
            QCOMPARE(f->btnCapture->isEnabled(), c.point);
            QCOMPARE(!f->gbColor->isHidden(), c.colour);
            QCOMPARE(f->btnCaptureColor->isEnabled(), c.colour);
            QCOMPARE(!f->gbBMP->isHidden(), c.picture);
            QCOMPARE(f->btnBMP->isEnabled(), c.picture);
            // A click-point click ends any capture.
            QVERIFY(!f->capturingPoint() && !f->capturingColor());
            QVERIFY(!f->timerSetPoint->isActive());
        }
    }

    void theKeyListRunsFrom48To256ThenFrom1To47()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        QComboBox* cbKey = dialog.frame()->cbKey;
        QCOMPARE(cbKey->currentIndex(), 0);
        QCOMPARE(cbKey->itemText(0), QStringLiteral("0"));
        QCOMPARE(cbKey->itemData(0).toInt(), 48);

        int named = 0;
        for (int code = 1; code <= 256; ++code)
            named += KeyName(code).empty() ? 0 : 1;
        QCOMPARE(cbKey->count(), named);

        int previous = 47;
        bool wrapped = false;
        for (int i = 0; i < cbKey->count(); ++i) {
            const int code = cbKey->itemData(i).toInt();
            QVERIFY(!cbKey->itemText(i).isEmpty());
            QCOMPARE(cbKey->itemText(i).toStdString(), KeyName(code));
            if (code < previous) {
                QVERIFY2(!wrapped && previous >= 48 && code < 48, qPrintable(QString::number(code)));
                wrapped = true;
            }
            previous = code;
        }
        QVERIFY(wrapped);
        // The last entry is the highest named code below 48, the delete key.
        QCOMPARE(cbKey->itemData(cbKey->count() - 1).toInt(), 46);
        QCOMPARE(cbKey->itemText(cbKey->findData(13)), QStringLiteral("[Enter]"));
        QVERIFY(cbKey->findData(13) > cbKey->findData(222));
    }

    void everyActionKindSurvivesARoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("click on a fixed point") << 0;
        QTest::newRow("colour click") << 1;
        QTest::newRow("picture click") << 2;
        QTest::newRow("move") << 3;
        QTest::newRow("key") << 4;
        QTest::newRow("text") << 5;
        QTest::newRow("delay") << 6;
        QTest::newRow("right double click where the mouse is") << 7;
    }

    void everyActionKindSurvivesARoundTrip()
    {
        QFETCH(int, kind);
        TBDBitmapData bitmap;
        test::fillBitmap(bitmap, 5, 3, [](int32_t x, int32_t y) { return uint32_t(x * 40 + y * 0x1000 + 0x300000); });
        const std::string picture = test::bmpBytes(bitmap);

        auto source = actionWith([&](TBaseCtrlEX& a) {
            a.mouseClickPosX = 17;
            a.mouseClickPosY = 2345;
            a.mouseMovePosX = 8;
            a.mouseMovePosY = 9;
            a.fColor = "$00563412";
            a.fColorSimplar = 85;
            a.fBMPSimplar = 65;
            a.key = 112; // F1
            a.keyAction = kaUp;
            a.typeText = "Grüße, 世界";
            a.delay = 3723456;
            a.fBMP = Base64Encode(std::span(reinterpret_cast<const uint8_t*>(picture.data()), picture.size()));
            switch (kind) {
            case 0: a.mousePoint = cpFixed; a.mouseButton = abMiddle; a.mouseAction = maButtonUp; break;
            case 1: a.mousePoint = cpColor; break;
            case 2: a.mousePoint = cpPicture; a.mouseAction = maButtonDown; break;
            case 3: a.actionType = atMove; break;
            case 4: a.actionType = atKey; break;
            case 5: a.actionType = atText; break;
            case 6: a.actionType = atDelay; break;
            case 7: a.mouseButton = abRight; a.mouseAction = maDoubleClick; break;
            }
        });

        // Into a fresh action: every field is written, whatever the type.
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*source);
        auto fresh = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*fresh).has_value());
        QCOMPARE(dumpAction(*fresh), dumpAction(*source));

        // Into the edited action itself: nothing changes.
        auto edited = CopyAction(*source);
        TDForm again(nullptr, QStringLiteral("Edit Action"));
        again.LoadFromAction(*edited);
        QVERIFY(again.SaveToAction(*edited).has_value());
        QCOMPARE(dumpAction(*edited), dumpAction(*source));

        if (kind == 2) {
            QVERIFY(dialog.frame()->hasPicture());
            QCOMPARE(dialog.frame()->picture().size(), QSize(5, 3));
            QCOMPARE(dialog.frame()->picture().pixelColor(4, 2), QColor(0x30, 0x20, 0xA0));
            QCOMPARE(dialog.frame()->ImageBMP->pixmap().size(), QSize(5, 3));
        }
    }

    void bytesOffTheListsAreKept()
    {
        auto source = actionWith([](TBaseCtrlEX& a) {
            a.actionType = 7;
            a.mouseButton = 9;
            a.mouseAction = maWheel; // only recording makes it
            a.mousePoint = 200;
            a.keyAction = 255;
            a.screenType = 7;
        });
        auto edited = CopyAction(*source);
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        TfrmDefine* f = dialog.frame();
        dialog.LoadFromAction(*edited);
        for (QRadioButton* rb : {f->rbClick, f->rbMove, f->rbKey, f->rbText, f->rbDelay, f->rbCurrent, f->rbFixed,
                                 f->rbColor, f->rbBMP})
            QVERIFY2(!rb->isChecked(), qPrintable(rb->objectName()));
        QCOMPARE(f->cbButton->currentIndex(), -1);
        QCOMPARE(f->cbClick->currentIndex(), -1);
        QCOMPARE(f->cbKeyAction->currentIndex(), -1);
        QVERIFY(!f->plClick->isEnabled() && !f->plDelay->isEnabled());
        QVERIFY(f->gbPoint->isHidden() && f->gbColor->isHidden() && f->gbBMP->isHidden());
        QVERIFY(dialog.SaveToAction(*edited).has_value());
        QCOMPARE(dumpAction(*edited), dumpAction(*source));
    }

    void aKeyCodeWithoutANameIsKept_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("unnamed code 7") << 7;
        QTest::newRow("code beyond the list") << 300;
        QTest::newRow("negative code") << -1;
    }

    void aKeyCodeWithoutANameIsKept()
    {
        QFETCH(int, code);
        QVERIFY(KeyName(code).empty());
        auto action = actionWith([&](TBaseCtrlEX& a) {
            a.actionType = atKey;
            a.key = code;
        });
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        dialog.LoadFromAction(*action);
        QCOMPARE(dialog.frame()->cbKey->currentIndex(), -1);
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->key, code);

        // Choosing a key afterwards stores it.
        dialog.frame()->cbKey->setCurrentIndex(dialog.frame()->cbKey->findText(QStringLiteral("[Enter]")));
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->key, 13);
    }

    void theDelaySplitsIntoSixFields_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("1 h 2 min 3 s 4 5 6") << 3723456 << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("zero") << 0 << QStringList{"0", "0", "0", "0", "0", "0"};
        QTest::newRow("23:59:59.999") << 86399999 << QStringList{"23", "59", "59", "9", "9", "9"};
        // Beyond what the arrows reach: shown whole and kept.
        QTest::newRow("100 hours") << 360000000 << QStringList{"100", "0", "0", "0", "0", "0"};
        QTest::newRow("largest") << 2147483647 << QStringList{"596", "31", "23", "6", "4", "7"};
        QTest::newRow("negative") << -1500 << QStringList{"0", "0", "-1", "-5", "0", "0"};
    }

    void theDelaySplitsIntoSixFields()
    {
        QFETCH(int, delay);
        QFETCH(QStringList, fields);
        auto action = TBaseCtrlEX::CreateDelay(delay);
        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        TfrmDefine* f = dialog.frame();
        dialog.LoadFromAction(*action);
        QCOMPARE(QStringList({f->edIntHour->text(), f->edIntMin->text(), f->edIntSec->text(), f->edIntTen->text(),
                              f->edIntHun->text(), f->edIntThd->text()}),
                 fields);
        auto saved = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*saved).has_value());
        QCOMPARE(saved->delay, delay);
    }

    void typedValuesAreStoredAsTyped()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        f->rbColor->click();

        // The similarity keeps a typed 150, though the arrows stop at 100.
        f->edSimilar->selectAll();
        QTest::keyClicks(f->edSimilar, QStringLiteral("150"));
        QCOMPARE(f->edSimilar->text(), QStringLiteral("150"));
        f->edBMPSimilar->setText(QStringLiteral("7"));
        // The minutes count as typed: 75 minutes.
        f->edIntHour->setText(QStringLiteral("0"));
        f->edIntMin->setText(QStringLiteral("75"));
        f->edIntSec->setText(QStringLiteral("0"));
        auto action = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->fColorSimplar, 150);
        QCOMPARE(action->fBMPSimplar, 7);
        QCOMPARE(action->delay, 75 * 60000);
    }

    void theArrowsStepWithinTheirRange()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        f->edSimilar->stepBy(1);
        QCOMPARE(f->edSimilar->text(), QStringLiteral("100"));
        f->edSimilar->stepBy(-1);
        QCOMPARE(f->edSimilar->text(), QStringLiteral("95"));
        f->edSimilar->stepBy(-20);
        QCOMPARE(f->edSimilar->text(), QStringLiteral("60"));
        f->edSimilar->setText(QStringLiteral("150"));
        f->edSimilar->stepBy(-1);
        QCOMPARE(f->edSimilar->text(), QStringLiteral("100"));
        f->rbDelay->click();
        f->edIntHour->setText(QStringLiteral("22"));
        QTest::keyClick(f->edIntHour, Qt::Key_Up);
        QCOMPARE(f->edIntHour->text(), QStringLiteral("23"));
        QTest::keyClick(f->edIntHour, Qt::Key_Up);
        QCOMPARE(f->edIntHour->text(), QStringLiteral("23"));
        f->edIntThd->setText(QString());
        f->edIntThd->stepBy(1);
        QCOMPARE(f->edIntThd->text(), QStringLiteral("0"));
    }

    void numberFieldsTakeOnlyWhatTheirFilterAllows()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        TfrmDefine* f = dialog.frame();
        f->rbFixed->click();
        f->edPX->clear();
        QTest::keyClicks(f->edPX, QStringLiteral("1-2a 3.45"));
        QCOMPARE(f->edPX->text(), QStringLiteral("1234")); // digits only, at most 4
        f->rbMove->click();
        f->edMoveY->clear();
        QTest::keyClicks(f->edMoveY, QStringLiteral("+7x"));
        QCOMPARE(f->edMoveY->text(), QStringLiteral("7"));
        f->rbClick->click();
        f->rbColor->click();
        f->edSimilar->setText(QString());
        QTest::keyClicks(f->edSimilar, QStringLiteral("-8e5"));
        QCOMPARE(f->edSimilar->text(), QStringLiteral("85"));
        // The time fields filter no characters, only the length.
        f->rbDelay->click();
        f->edIntMin->setText(QString());
        QTest::keyClicks(f->edIntMin, QStringLiteral("x12"));
        QCOMPARE(f->edIntMin->text(), QStringLiteral("x1"));
        f->edIntTen->setText(QString());
        QTest::keyClicks(f->edIntTen, QStringLiteral("34"));
        QCOMPARE(f->edIntTen->text(), QStringLiteral("3"));

        // A stored value the filter would not let through still shows whole.
        auto action = actionWith([](TBaseCtrlEX& a) {
            a.mouseClickPosX = -20;
            a.mouseClickPosY = 123456;
        });
        dialog.LoadFromAction(*action);
        QCOMPARE(f->edPX->text(), QStringLiteral("-20"));
        QCOMPARE(f->edPY->text(), QStringLiteral("123456"));
    }

    void okWithAnInvalidFieldStaysOpenAndChangesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("empty point x") << "edPX" << "" << "Click point X";
        QTest::newRow("empty point y") << "edPY" << "" << "Click point Y";
        QTest::newRow("empty colour similarity") << "edSimilar" << "" << "Color similarity";
        QTest::newRow("empty picture similarity") << "edBMPSimilar" << "" << "BMP similarity";
        QTest::newRow("empty move x") << "edMoveX" << "" << "Move X";
        QTest::newRow("empty move y") << "edMoveY" << "" << "Move Y";
        QTest::newRow("letter in hours") << "edIntHour" << "x" << "Delay hours";
        QTest::newRow("letter in minutes") << "edIntMin" << "1o" << "Delay minutes";
        QTest::newRow("empty seconds") << "edIntSec" << "" << "Delay seconds";
        QTest::newRow("sign in tenths") << "edIntTen" << "-" << "Delay 1/10 S";
        QTest::newRow("letter in hundredths") << "edIntHun" << "a" << "Delay 1/100 S";
        QTest::newRow("letter in thousandths") << "edIntThd" << "z" << "Delay ms(1/1000 S)";
        QTest::newRow("delay beyond 32 bits") << "edIntHour" << "5000" << "Delay";
    }

    void okWithAnInvalidFieldStaysOpenAndChangesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, named);
        auto action = actionWith([](TBaseCtrlEX& a) {
            a.actionType = atMove;
            a.mouseMovePosX = 5;
            a.typeText = "before";
        });
        const QString before = dumpAction(*action);

        TDForm dialog(nullptr, QStringLiteral("Edit Action"));
        QStringList warnings;
        dialog.setWarningHandler([&](const QString& message) { warnings << message; });
        dialog.LoadFromAction(*action);
        TfrmDefine* f = dialog.frame();
        f->edText->setText(QStringLiteral("after"));
        QWidget* target = f->findChild<QWidget*>(field);
        QVERIFY(target);
        if (auto* edit = qobject_cast<QLineEdit*>(target))
            edit->setText(text);
        else
            qobject_cast<TypedSpinBox*>(target)->setText(text);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.btnOK->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(named + ":"), qPrintable(warnings[0]));

        auto saved = dialog.SaveToAction(*action);
        QVERIFY(!saved.has_value());
        QCOMPARE(QString::fromStdString(saved.error().message), warnings[0]);
        QCOMPARE(dumpAction(*action), before);

        // Put right, OK closes the dialog.
        if (auto* edit = qobject_cast<QLineEdit*>(target))
            edit->setText(QStringLiteral("3"));
        else
            qobject_cast<TypedSpinBox*>(target)->setText(QStringLiteral("3"));
        dialog.btnOK->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->typeText, std::string("after"));
    }

    void cancelAndEscapeBehave()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // No cancel button: Escape (a character) ends a capture but leaves the dialog open.
        dialog.frame()->StartColorCapture();
        QTest::keyClick(dialog.frame()->edText, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.frame()->capturingColor());
        // No default button: Enter does not close it either.
        QTest::keyClick(dialog.frame()->edText, Qt::Key_Return);
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
