// The options dialog offscreen: its controls wired to the presenter (whose
// conversions tests/app/options_presenter_test checks), OK and Cancel.
#include "config/config.h"
#include "tests/support/process.h"
#include "tests/ui/find_child.h"
#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
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

    void open(OptionsContext context = {}) { dialog = std::make_unique<TFMConfig>(config, nullptr, context); }
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
    void onADesktopThatCannotBindKeysTheBindingsToMakeFollowTheLists()
    {
        Options o;
        o.open();
        QVERIFY(!o.dialog->findChild<QLabel*>(QStringLiteral("ManualKeyBindings")));
        o.open({ true, true });
        QVERIFY2(!o.dialog->findChild<QLabel*>(QStringLiteral("ManualKeyBindings")), "sway binds them itself");

        o.open({ true, false });
        auto* bindings = o.get<QLabel>("ManualKeyBindings");
        QCOMPARE(bindings->text(),
            QStringLiteral("ALT+F2\tclickwisp-cli remote start-record\nALT+F3\tclickwisp-cli remote stop-record\n"
                           "CTRL+F2\tclickwisp-cli remote start-run\nCTRL+F3\tclickwisp-cli remote stop-run"));
        o.keys("cbRunningStop")->setCurrentIndex(9);
        QVERIFY(bindings->text().endsWith(QStringLiteral("CTRL+F10\tclickwisp-cli remote stop-run")));
    }

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
        QVERIFY(!o.mode("rb2")->isChecked()); // the modes exclude each other after loading
        o.spin("edRepTime")->setValue(30);
        o.spin("UpDown4")->setValue(7);
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
        QCOMPARE(o.config.GetRunning().interval(), 7000);
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
