// The options dialog's load and store arithmetic, offscreen.
#include "config/config.h"
#include "tests/support/process.h"
#include "ui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using namespace clickwisp;

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsShowAsTheDefaultSettings()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        TFMConfig dialog(config);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Config Options"));
        QVERIFY(dialog.cbMouseMove->isChecked());
        QVERIFY(dialog.cbKeyboard->isChecked());
        QCOMPARE(dialog.cbShadeStart->currentText(), QStringLiteral("F2"));
        QCOMPARE(dialog.cbShadeStop->currentText(), QStringLiteral("F3"));
        QCOMPARE(dialog.cbRunningStart->currentText(), QStringLiteral("F2"));
        QCOMPARE(dialog.cbRunningStop->currentText(), QStringLiteral("F3"));
        QCOMPARE(dialog.cbShadeStart->count(), 12);
        QCOMPARE(dialog.cbRunningStop->itemText(11), QStringLiteral("F12"));
        QVERIFY(!dialog.rb1->isChecked());
        QVERIFY(dialog.rb2->isChecked());
        QVERIFY(!dialog.rb3->isChecked());
        QCOMPARE(dialog.udrepeat->value(), 1);
        QCOMPARE(dialog.UpDown2->value(), 0);
        QCOMPARE(dialog.UpDown3->value(), 0);
        QCOMPARE(dialog.UpDown4->value(), 1);
        QCOMPARE(dialog.UpDown5->value(), 0);
        QCOMPARE(dialog.TrackBar1->value(), 0);
        QCOMPARE(dialog.TrackBar1->minimum(), -9);
        QCOMPARE(dialog.TrackBar1->maximum(), 9);
        QCOMPARE(dialog.udrepeat->maximum(), 10000);
        QCOMPARE(dialog.udrepeat->singleStep(), 10);
        QCOMPARE(dialog.UpDown2->maximum(), 23);
        QCOMPARE(dialog.UpDown5->maximum(), 9);
        QCOMPARE(dialog.BitBtn1->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.BitBtn2->text(), QStringLiteral("&Cancel"));
    }

    void intervalShowsInTenthsAndStoresWhatIsShown()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        config.GetRunning().setInterval(1050);
        TFMConfig dialog(config);
        QCOMPARE(dialog.UpDown4->value(), 1);
        QCOMPARE(dialog.UpDown5->value(), 0);
        dialog.BitBtn1->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(config.GetRunning().interval(), 1000);

        config.GetRunning().setInterval(2 * 3600000 + 3 * 60000 + 4 * 1000 + 567);
        TFMConfig split(config);
        QCOMPARE(split.UpDown2->value(), 2);
        QCOMPARE(split.UpDown3->value(), 3);
        QCOMPARE(split.UpDown4->value(), 4);
        QCOMPARE(split.UpDown5->value(), 5);
        split.UpDown3->setValue(59);
        split.BitBtn1->click();
        QCOMPARE(config.GetRunning().interval(), 2 * 3600000 + 59 * 60000 + 4 * 1000 + 500);
    }

    void repeatModeOutsideTheRadiosChecksNoneAndStoresTwo()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        config.GetRunning().setRepeat(5);
        TFMConfig dialog(config);
        QVERIFY(!dialog.rb1->isChecked());
        QVERIFY(!dialog.rb2->isChecked());
        QVERIFY(!dialog.rb3->isChecked());
        dialog.BitBtn1->click();
        QCOMPARE(config.GetRunning().repeat(), 2);

        TFMConfig again(config);
        QVERIFY(again.rb3->isChecked());
        again.rb1->setChecked(true);
        QVERIFY(!again.rb3->isChecked()); // the modes still exclude each other
        again.BitBtn1->click();
        QCOMPARE(config.GetRunning().repeat(), 0);
    }

    void okStoresEveryControl()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        TFMConfig dialog(config);
        dialog.cbMouseMove->setChecked(false);
        dialog.cbShadeStart->setCurrentIndex(4);
        dialog.cbShadeStop->setCurrentIndex(4); // the same key for both is stored as chosen
        dialog.cbRunningStart->setCurrentIndex(0);
        dialog.cbRunningStop->setCurrentIndex(11);
        dialog.rb3->setChecked(true);
        dialog.udrepeat->setValue(30);
        dialog.TrackBar1->setValue(-9);
        dialog.BitBtn1->click();
        QVERIFY(!config.GetShade().mousemove());
        QVERIFY(config.GetShade().keyboard());
        QCOMPARE(config.GetShade().start(), 4);
        QCOMPARE(config.GetShade().stop(), 4);
        QCOMPARE(config.GetRunning().start(), 0);
        QCOMPARE(config.GetRunning().stop(), 11);
        QCOMPARE(config.GetRunning().repeat(), 2);
        QCOMPARE(config.GetRunning().times(), 30);
        QCOMPARE(config.GetRunning().speed(), -9);
        // The dialog edits memory only: config.xml is written at shutdown.
        QVERIFY(test::readFile(dir / "config.xml").find("mousemove=\"True\"") != std::string::npos);
    }

    void cancelChangesNothing()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        const std::string before = config.Text();
        TFMConfig dialog(config);
        dialog.cbKeyboard->setChecked(false);
        dialog.cbRunningStop->setCurrentIndex(7);
        dialog.rb1->setChecked(true);
        dialog.UpDown2->setValue(5);
        dialog.TrackBar1->setValue(9);
        dialog.BitBtn2->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(QString::fromStdString(config.Text()), QString::fromStdString(before));
    }

    void aHotKeyNumberOutsideTheListIsKeptUnlessChanged()
    {
        test::TempDir dir;
        TConfig config(dir / "config.xml");
        config.GetShade().setStart(12);
        TFMConfig dialog(config);
        QCOMPARE(dialog.cbShadeStart->currentIndex(), -1);
        dialog.BitBtn1->click();
        QCOMPARE(config.GetShade().start(), 12);
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
