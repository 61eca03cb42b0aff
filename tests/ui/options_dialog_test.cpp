// The options dialog offscreen: how the configuration shows in its controls
// and what OK and Cancel store.
#include "config/config.h"
#include "tests/support/process.h"
#include "tests/ui/find_child.h"
#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using namespace clickwisp;

namespace {

// A configuration in memory and the dialog showing it.
struct Options {
    test::TempDir dir;
    TConfig config { dir / "config.xml" };
    std::unique_ptr<TFMConfig> dialog;

    void open() { dialog = std::make_unique<TFMConfig>(config); }
    template <typename T> T* get(const char* name) const { return test::child<T>(dialog.get(), name); }
    QSpinBox* spin(const char* name) const { return get<QSpinBox>(name); }
    QComboBox* keys(const char* name) const { return get<QComboBox>(name); }
    QRadioButton* mode(const char* name) const { return get<QRadioButton>(name); }
    QSlider* speed() const { return get<QSlider>("TrackBar1"); }
    void ok() const { get<QPushButton>("BitBtn1")->click(); }
};

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void theDefaultsShowWithinTheControlsLimits()
    {
        Options o;
        o.open();
        QCOMPARE(o.dialog->windowTitle(), QStringLiteral("Config Options"));
        QVERIFY(o.get<QCheckBox>("cbMouseMove")->isChecked());
        QVERIFY(o.get<QCheckBox>("cbKeyboard")->isChecked());
        QStringList keys;
        for (const char* name : { "cbShadeStart", "cbShadeStop", "cbRunningStart", "cbRunningStop" })
            keys << o.keys(name)->currentText();
        QCOMPARE(keys, QStringList({ "F2", "F3", "F2", "F3" }));
        QCOMPARE(o.keys("cbShadeStart")->count(), 12);
        QCOMPARE(o.keys("cbRunningStop")->itemText(11), QStringLiteral("F12"));
        QVERIFY(!o.mode("rb1")->isChecked() && o.mode("rb2")->isChecked() && !o.mode("rb3")->isChecked());
        // Value, maximum and step of each number.
        const std::tuple<const char*, int, int, int> spins[] = { { "edRepTime", 1, 10000, 10 }, { "UpDown2", 0, 23, 1 },
            { "UpDown3", 0, 59, 1 }, { "UpDown4", 1, 59, 1 }, { "UpDown5", 0, 9, 1 } };
        for (const auto& [name, value, maximum, step] : spins)
            QCOMPARE(QList<int>({ o.spin(name)->value(), o.spin(name)->maximum(), o.spin(name)->singleStep() }),
                QList<int>({ value, maximum, step }));
        QCOMPARE(
            QList<int>({ o.speed()->value(), o.speed()->minimum(), o.speed()->maximum() }), QList<int>({ 0, -9, 9 }));
        QCOMPARE(o.get<QPushButton>("BitBtn1")->text(), QStringLiteral("&OK"));
        QCOMPARE(o.get<QPushButton>("BitBtn2")->text(), QStringLiteral("&Cancel"));
    }

    void intervalShowsInTenthsAndStoresWhatIsShown()
    {
        Options o;
        o.config.GetRunning().setInterval(1050);
        o.open();
        QCOMPARE(o.spin("UpDown4")->value(), 1);
        QCOMPARE(o.spin("UpDown5")->value(), 0);
        o.ok();
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(o.config.GetRunning().interval(), 1000);

        o.config.GetRunning().setInterval(2 * 3600000 + 3 * 60000 + 4 * 1000 + 567);
        o.open();
        QStringList parts;
        for (const char* name : { "UpDown2", "UpDown3", "UpDown4", "UpDown5" })
            parts << QString::number(o.spin(name)->value());
        QCOMPARE(parts, QStringList({ "2", "3", "4", "5" }));
        o.spin("UpDown3")->setValue(59);
        o.ok();
        QCOMPARE(o.config.GetRunning().interval(), 2 * 3600000 + 59 * 60000 + 4 * 1000 + 500);
    }

    // A repeat mode other than 0-2 checks no mode and is stored as 2; a
    // hot-key number outside F1-F12 selects nothing and is kept.
    void valuesTheControlsCannotShow()
    {
        Options o;
        o.config.GetRunning().setRepeat(5);
        o.config.GetShade().setStart(12);
        o.open();
        QVERIFY(!o.mode("rb1")->isChecked() && !o.mode("rb2")->isChecked() && !o.mode("rb3")->isChecked());
        QCOMPARE(o.keys("cbShadeStart")->currentIndex(), -1);
        o.ok();
        QCOMPARE(o.config.GetRunning().repeat(), 2);
        QCOMPARE(o.config.GetShade().start(), 12);

        o.open();
        QVERIFY(o.mode("rb3")->isChecked());
        o.mode("rb1")->setChecked(true);
        QVERIFY(!o.mode("rb3")->isChecked()); // the modes still exclude each other
        o.ok();
        QCOMPARE(o.config.GetRunning().repeat(), 0);
    }

    void okStoresEveryControlInMemoryAndCancelNothing()
    {
        Options o;
        o.open();
        o.get<QCheckBox>("cbMouseMove")->setChecked(false);
        o.keys("cbShadeStart")->setCurrentIndex(4);
        o.keys("cbShadeStop")->setCurrentIndex(4); // the same key for both is stored as chosen
        o.keys("cbRunningStart")->setCurrentIndex(0);
        o.keys("cbRunningStop")->setCurrentIndex(11);
        o.mode("rb3")->setChecked(true);
        o.spin("edRepTime")->setValue(30);
        o.speed()->setValue(-9);
        o.ok();
        QVERIFY(!o.config.GetShade().mousemove());
        QVERIFY(o.config.GetShade().keyboard());
        QCOMPARE(o.config.GetShade().start(), 4);
        QCOMPARE(o.config.GetShade().stop(), 4);
        QCOMPARE(o.config.GetRunning().start(), 0);
        QCOMPARE(o.config.GetRunning().stop(), 11);
        QCOMPARE(o.config.GetRunning().repeat(), 2);
        QCOMPARE(o.config.GetRunning().times(), 30);
        QCOMPARE(o.config.GetRunning().speed(), -9);
        // The dialog edits memory only: config.xml is written at shutdown.
        QVERIFY(test::readFile(o.dir / "config.xml").find("mousemove=\"True\"") != std::string::npos);

        const std::string before = o.config.Text();
        o.open();
        o.get<QCheckBox>("cbKeyboard")->setChecked(false);
        o.keys("cbRunningStop")->setCurrentIndex(7);
        o.mode("rb1")->setChecked(true);
        o.spin("UpDown2")->setValue(5);
        o.speed()->setValue(9);
        o.get<QPushButton>("BitBtn2")->click();
        QCOMPARE(o.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(QString::fromStdString(o.config.Text()), QString::fromStdString(before));
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
