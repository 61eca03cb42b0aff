// The main window on the offscreen platform, over a fake desktop. What the
// commands do to the list is the controller's (tests/app); here: captions,
// hints, which controls are enabled, the list view, dialogs and the window's
// own settings.
#include "app/list_controller.h"
#include "core/list_file.h"
#include "platform/fake/fake_hot_keys.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_recorder.h"
#include "platform/fake/fake_waiter.h"
#include "screen/bitmap_data.h"
#include "tests/support/process.h"
#include "tests/ui/find_child.h"
#include "ui/about_box.h"
#include "ui/action_editor.h"
#include "ui/action_editor_frame.h"
#include "ui/action_list_model.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cstring>
#include <sstream>

using namespace clickwisp;
using test::child;

namespace {

const char* kColumnsConfig
    = "<config versionNo=\"2.0\" generated=\"x\"><frame running=\"rbNormal\" left=\"0\" top=\"0\" height=\"420\" "
      "width=\"640\" max=\"False\"/><shade mousemove=\"True\" keyboard=\"True\" start=\"1\" stop=\"2\"/>"
      "<running start=\"1\" stop=\"2\" interval=\"1000\" speed=\"0\" repeat=\"1\" times=\"1\"/><cols>"
      "<col id=\"0\" Name=\"No.\" Align=\"center\" Color=\"\" Visible=\"False\" Width=\"40\" Index=\"2\"/>"
      "<col id=\"1\" Name=\"Type\" Align=\"Right\" Color=\"\" Visible=\"True\" Width=\"120\" Index=\"0\"/>"
      "<col id=\"2\" Name=\"Action\" Align=\"right\" Color=\"\" Visible=\"True\" Width=\"200\" Index=\"1\"/>"
      "</cols></config>";

// The controls that a run disables, by their designer names.
const char* const kEditingControls[] = { "VT", "btnShade", "VisibilityDemoButton", "AlignDemoButton", "SpeedButton4",
    "SpeedButton5", "SpeedButton7", "SpeedButton8", "SpeedButton2", "QuitButton", "btnStart", "sbUp", "sbDown" };

// A window over fakes that the test drives; questions are answered Yes
// unless answers says otherwise.
struct Harness {
    test::TempDir dir;
    std::shared_ptr<FakeTrace> trace = std::make_shared<FakeTrace>();
    FakeHotKeys* hotKeys = nullptr;
    FakeRecorder* recorder = nullptr;
    QStringList questions, messages;
    QList<bool> answers;
    QList<std::optional<QString>> files;
    QList<std::pair<uint32_t, uint32_t>> takenElsewhere; // hot keys another program holds
    std::string recorderProblem; // set: the desktop offers no recorder
    bool realQuestions = false; // set: questions are real message boxes
    std::unique_ptr<TMForm> window;

    void open(std::shared_ptr<Waiter> waiter = nullptr)
    {
        MainWindowServices services;
        services.configPath = dir / "config.xml";
        services.backendName = "wayland";
        auto keys = std::make_unique<FakeHotKeys>(trace);
        auto rec = std::make_unique<FakeRecorder>(trace);
        hotKeys = keys.get();
        for (const auto& [modifiers, vk] : takenElsewhere)
            hotKeys->holdElsewhere(modifiers, vk);
        recorder = rec.get();
        services.hotKeys = std::move(keys);
        if (recorderProblem.empty())
            services.recorder = std::move(rec);
        services.recorderProblem = recorderProblem;
        services.playbackDesktop = [trace = trace] {
            return makeFakePlatform(FakeOptions { trace, {}, { 0, 0 }, true });
        };
        services.waiter = waiter ? waiter : makeTraceWaiter(trace);
        if (!realQuestions)
            services.dialogs.askYesNo = [this](const QString& question) {
                questions << question;
                return answers.isEmpty() ? true : answers.takeFirst();
            };
        services.dialogs.showMessage = [this](const QString& text) { messages << text; };
        services.dialogs.chooseFile = [this](bool) { return files.isEmpty() ? std::nullopt : files.takeFirst(); };
        window = std::make_unique<TMForm>(std::move(services));
    }
    TMouseCtrl& ctrl() { return *window->controller(); }
    QToolButton* button(const char* name) const { return child<QToolButton>(window.get(), name); }
    QTreeView* list() const { return child<QTreeView>(window.get(), "VT"); }
    QString status(int panel) const
    {
        return child<QLabel>(window.get(), panel ? "StatusPanel1" : "StatusPanel0")->text();
    }
    QString cell(int row, int column) const { return list()->model()->index(row, column).data().toString(); }
    // The pointer moves over a control.
    void pointAt(QWidget* widget) const
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    void verifyEditingEnabled(bool enabled) const
    {
        for (const char* name : kEditingControls)
            QVERIFY2(child(window.get(), name)->isEnabled() == enabled, name);
    }
};

// Runs check on the modal dialog that the next command opens.
template <typename Dialog> void onModal(std::function<void(Dialog*)> check)
{
    QTimer::singleShot(0, [check] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "the expected dialog did not open");
        check(dialog);
    });
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void idleShowsCaptionsHintsAndEverythingEnabled()
    {
        Harness h;
        h.open();
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Clickwisp %1").arg(QLatin1String(kVersion)));
        QCOMPARE(h.status(0), QStringLiteral("Ready"));
        QCOMPARE(h.status(1), QString());
        // Each control carries the presenter's texts; the status hint follows the pointer.
        QCOMPARE(h.button("btnShade")->text(), QStringLiteral("&Record Mouse"));
        for (size_t i = 0; i < kMainControlCount; ++i) {
            const auto& [name, caption, hint] = TextOf(MainControl(i));
            QWidget* control = child(h.window.get(), name);
            if (auto* button = qobject_cast<QToolButton*>(control)) {
                QCOMPARE(button->text(), QString::fromLatin1(caption));
                QVERIFY(!button->icon().isNull());
            }
            QCOMPARE(control->toolTip(), QString::fromLatin1(hint));
            QVERIFY(control->isEnabled());
            h.pointAt(control == h.list() ? h.list()->viewport() : control);
            QCOMPARE(h.status(1), QString::fromLatin1(hint));
        }
    }

    void recordingTogglesTheCaptionAndTheHints()
    {
        Harness h;
        h.open();
        h.button("btnShade")->click();
        QCOMPARE(h.button("btnShade")->text(), QStringLiteral("Stop Record"));
        QCOMPARE(h.status(0), QStringLiteral("Recoding..."));
        h.pointAt(h.button("VisibilityDemoButton"));
        QCOMPARE(h.status(1), QStringLiteral("Press ALT+F3 to Stop Record Mouse Action"));
        h.verifyEditingEnabled(true);
        h.button("btnShade")->click();
        QCOMPARE(h.button("btnShade")->text(), QStringLiteral("&Record Mouse"));
    }

    void playingDisablesEverythingButStop()
    {
        Harness h;
        h.open(makeSteadyWaiter());
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(60000));
        h.button("btnStart")->click();
        QCOMPARE(h.status(0), QStringLiteral("Running..."));
        h.verifyEditingEnabled(false);
        QVERIFY(h.button("btnStop")->isEnabled());
        QVERIFY(h.window->menuBar()->isEnabled());
        h.pointAt(h.button("btnStop"));
        QCOMPARE(h.status(1), QStringLiteral("Press CTRL+F3 to Stop Running Action List"));

        h.button("btnStop")->click();
        h.verifyEditingEnabled(true);
        QTRY_COMPARE(h.status(0), QStringLiteral("Finished"));
    }

    void aListWithoutColumnsAnnouncesNoCellsOutsideTheModel()
    {
        Harness h;
        std::string config = kColumnsConfig;
        const size_t cols = config.find("<cols>");
        config.replace(cols, config.find("</cols>") + 7 - cols, "<cols/>");
        test::writeFile(h.dir / "config.xml", config);
        h.open();
        QAbstractItemModel* model = h.list()->model();
        QCOMPARE(model->columnCount(), 0);
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        for (int i = 0; i < 3; ++i)
            h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(i));
        h.ctrl().Select(0);
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(9)); // the rows below are renumbered
        h.ctrl().MoveDown();
        h.ctrl().DeleteAction();
        QCOMPARE(model->rowCount(), 3);
        for (const QList<QVariant>& call : changed) {
            QVERIFY(call.at(0).toModelIndex().isValid());
            QVERIFY(call.at(1).toModelIndex().isValid());
        }
    }

    void sizeAndColumnsFollowTheConfigurationAndAreWrittenBackAtClose()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", kColumnsConfig);
        h.open();
        QCOMPARE(h.window->size(), QSize(640, 420));
        QHeaderView* header = h.list()->header();
        QCOMPARE(QList<int>({ header->count(), header->isSectionHidden(0), header->sectionSize(1),
                     header->sectionSize(2), header->visualIndex(1), header->visualIndex(2), header->visualIndex(0) }),
            QList<int>({ 3, 1, 120, 200, 0, 1, 2 }));
        QVERIFY(header->sectionsMovable());
        QCOMPARE(header->sectionResizeMode(1), QHeaderView::Interactive);
        auto* model = h.list()->model();
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Type"));
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(7));
        const auto align = [&](int column) {
            return Qt::Alignment(model->index(0, column).data(Qt::TextAlignmentRole).toInt())
                & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(align(2), Qt::AlignRight);
        QCOMPARE(align(0), Qt::AlignHCenter);

        // Double-clicking a divider fits the column to its texts.
        auto longText = TBaseCtrlEX::Create();
        longText->actionType = atText;
        longText->typeText = std::string(120, 'w');
        h.ctrl().AddAction(std::move(longText));
        emit header->sectionHandleDoubleClicked(2);
        QVERIFY(header->sectionSize(2) > 400);

        // A reload keeps the layout.
        test::writeFile(h.dir / "one.xml", ListToText(ActionList {}));
        h.files << QString::fromStdString((h.dir / "one.xml").string());
        h.button("VisibilityDemoButton")->click();
        QVERIFY(header->isSectionHidden(0));
        QCOMPARE(header->visualIndex(1), 0);
        QVERIFY(header->sectionSize(2) > 400);

        header->resizeSection(2, 250);
        header->moveSection(header->visualIndex(2), 0);
        h.window->showAtStart();
        h.window->resize(800, 600);
        QVERIFY(h.window->close());
        QVERIFY(h.window->controller() == nullptr);
        QVERIFY(h.hotKeys->registered().empty());
        TConfig config(h.dir / "config.xml");
        const auto frame = config.GetFrame();
        const auto cols = config.GetCols();
        QCOMPARE(QList<int>({ frame.width(), frame.height(), frame.max(), cols.Count(), cols.Col(0).Visible(),
                     cols.Col(2).Width(), cols.Col(2).Index(), cols.Col(1).Index(), cols.Col(0).Index() }),
            QList<int>({ 800, 600, 0, 3, 0, 250, 0, 1, 2 }));
        QCOMPARE(QString::fromStdString(cols.Col(0).Name() + cols.Col(1).Align()), QStringLiteral("No.Right"));
    }

    void theCaptionMarksAnUnsavedListAndASavedSessionKeepsEverything()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", kColumnsConfig);
        h.open();
        const QString product = QString::fromLatin1(kProductCaption);
        QCOMPARE(h.window->windowTitle(), product);
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(5));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("*Untitled - ") + product);
        QCOMPARE(h.status(1), QStringLiteral("Not saved"));
        h.files << QString::fromStdString((h.dir / "five.xml").string());
        h.button("AlignDemoButton")->click();
        QCOMPARE(h.window->windowTitle(), QStringLiteral("five.xml - ") + product);
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(6));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("*five.xml - ") + product);

        // The session manager's save request: bounds and list at once, and
        // the program goes on.
        h.window->resize(700, 450);
        h.window->saveSession(false);
        QCOMPARE(TConfig(h.dir / "config.xml").GetFrame().width(), 700);
        QCOMPARE(LoadListFile(h.dir / "recovery.xml")->actions.size(), size_t(2));
        QVERIFY(h.window->controller());
    }

    // SIGTERM while a command waits in a question: the question is answered
    // No, and the window closes once the command has returned.
    void theEndOfTheSessionCancelsTheOpenDialogsThenCloses()
    {
        Harness h;
        h.realQuestions = true;
        h.open();
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(5));
        h.ctrl().Select(0);
        QSignalSpy closed(h.window.get(), &TMForm::closed);
        bool asked = false;
        QTimer::singleShot(0, [&] {
            asked = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            h.window->endSession();
        });
        h.button("SpeedButton7")->click();
        QVERIFY(asked);
        QCOMPARE(closed.count(), 0);
        QCOMPARE(h.ctrl().Count(), 1); // not deleted
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!h.window->controller());
        QCOMPARE(LoadListFile(h.dir / "recovery.xml")->actions.size(), size_t(1));

        Harness idle;
        idle.open();
        idle.window->endSession();
        QVERIFY(!idle.window->controller());
    }

    void aWindowDestroyedWithoutClosingWritesNothing()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", kColumnsConfig);
        h.open();
        h.window->resize(900, 700);
        h.window.reset();
        QCOMPARE(QString::fromStdString(test::readFile(h.dir / "config.xml")), QString::fromLatin1(kColumnsConfig));
    }

    // Each button reaches its command, and the list view and the
    // controller's selection follow each other.
    void theButtonsAndTheListViewDriveTheController()
    {
        Harness h;
        h.open();
        ActionList three;
        for (int ms : { 10, 20, 30 })
            three.push_back(TBaseCtrlEX::CreateDelay(ms));
        QVERIFY(SaveListFile(h.dir / "three.xml", three));
        h.files << QString::fromStdString((h.dir / "three.xml").string());
        h.button("VisibilityDemoButton")->click();
        QCOMPARE(h.list()->model()->rowCount(), 3);
        QCOMPARE(h.cell(0, 2), QStringLiteral("Delay 10 ms"));

        h.list()->setCurrentIndex(h.list()->model()->index(1, 0));
        QCOMPARE(h.ctrl().Selected(), 1);
        h.button("sbDown")->click();
        QCOMPARE(h.list()->currentIndex().row(), 2);
        QCOMPARE(h.cell(2, 2), QStringLiteral("Delay 20 ms"));
        h.button("sbUp")->click();
        QCOMPARE(h.list()->currentIndex().row(), 1);

        h.button("SpeedButton7")->click();
        QCOMPARE(h.list()->model()->rowCount(), 2);
        QCOMPARE(h.cell(1, 2), QStringLiteral("Delay 30 ms"));

        const QString out = QString::fromStdString((h.dir / "out.xml").string());
        h.files << out;
        h.button("AlignDemoButton")->click();
        QVERIFY(QFile::exists(out));

        h.button("SpeedButton8")->click();
        QCOMPARE(h.questions, QStringList({ "Are you sure to delete the click?", "Are you sure to clear the list?" }));
        QCOMPARE(h.list()->model()->rowCount(), 0);
    }

    void newAndEditOpenTheActionEditor()
    {
        Harness h;
        h.open();
        onModal<TDForm>([](TDForm* editor) {
            QCOMPARE(editor->windowTitle(), QStringLiteral("New Action"));
            child<QPushButton>(editor, "btnOK")->click();
        });
        h.button("SpeedButton4")->click();
        QCOMPARE(h.list()->model()->rowCount(), 1);
        QCOMPARE(h.cell(0, 1), QStringLiteral("Mouse Click"));

        h.list()->setCurrentIndex(h.list()->model()->index(0, 0));
        onModal<TDForm>([](TDForm* editor) {
            QCOMPARE(editor->windowTitle(), QStringLiteral("Edit Action"));
            child<QPushButton>(editor, "btnCancel")->click();
        });
        emit h.list()->doubleClicked(h.list()->model()->index(0, 1));
        QCOMPARE(h.list()->model()->rowCount(), 1);
    }

    void theEditorsPictureButtonUsesTheProgramsOpenPrompt()
    {
        Harness h;
        h.open();
        TBDBitmapData bitmap;
        bitmap.SetSize(3, 2);
        std::memset(bitmap.Pixels(), 0x40, size_t(bitmap.DataSize()));
        std::ostringstream bytes;
        bitmap.SaveToStream(bytes);
        test::writeFile(h.dir / "shot.bmp", bytes.str());
        h.files << QString::fromStdString((h.dir / "missing.bmp").string())
                << QString::fromStdString((h.dir / "shot.bmp").string());
        onModal<TDForm>([&h](TDForm* editor) {
            child<QRadioButton>(editor, "rbBMP")->click();
            child<QPushButton>(editor, "btnBMP")->click();
            QCOMPARE(h.messages, QStringList { QStringLiteral("The file does not exist.") });
            child<QPushButton>(editor, "btnBMP")->click();
            QCOMPARE(editor->frame()->picture().size(), QSize(3, 2));
            child<QPushButton>(editor, "btnOK")->click();
        });
        h.button("SpeedButton4")->click();
        QCOMPARE(h.list()->model()->rowCount(), 1);
        QVERIFY(!h.ctrl().Action(0).fBMP.empty());
    }

    void aHotKeyTakenByTheDesktopIsShownInTheStatusBarAndTrayTip()
    {
        Harness h;
        h.takenElsewhere << std::pair { uint32_t(MOD_ALT), uint32_t(0x71) };
        h.open();
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.messages.join('\n')));
        QCOMPARE(h.status(1), QStringLiteral("Hot key ALT+F2 is used by another program"));
        QCOMPARE(h.window->trayTip(), QStringLiteral("Clickwisp\nHot key ALT+F2 is used by another program"));
    }

    void withoutARecorderRecordIsDisabledWithTheReasonAndTheNoticeComesOnce()
    {
        Harness h;
        h.recorderProblem = "Wayland does not let programs read global input";
        h.open(makeSteadyWaiter());
        const QString reason
            = QStringLiteral("Recording is not available: Wayland does not let programs read global input.");
        QToolButton* record = h.button("btnShade");
        QVERIFY(!record->isEnabled());
        QCOMPARE(record->toolTip(), reason);
        QCOMPARE(child<QLabel>(h.window.get(), "StatusPanel2")->text(),
            QStringLiteral("Playback, the screen searches and the hot keys work; recording does not. Hot keys: grabbed "
                           "through the fake desktop"));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages[0].startsWith(reason));

        // A run ends and enables the controls again, but not Record.
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(60000));
        h.button("btnStart")->click();
        h.button("btnStop")->click();
        QVERIFY(h.button("btnStart")->isEnabled());
        QVERIFY(!record->isEnabled());

        // Once told, the next start only says it in the status bar.
        h.window->close();
        h.messages.clear();
        h.open(makeSteadyWaiter());
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.messages.join('\n')));
        QVERIFY(!h.button("btnShade")->isEnabled());
        QVERIFY(!child<QLabel>(h.window.get(), "StatusPanel2")->text().isEmpty());
    }

    void optionsOkStoresTheDialogIntoTheConfiguration()
    {
        Harness h;
        h.open();
        onModal<TFMConfig>([](TFMConfig* options) {
            QCOMPARE(options->windowTitle(), QStringLiteral("Config Options"));
            child<QComboBox>(options, "cbRunningStart")->setCurrentIndex(6);
            child<QPushButton>(options, "BitBtn1")->click();
        });
        h.button("SpeedButton2")->click();
        QCOMPARE(h.ctrl().GetConfig().GetRunning().start(), 6);
        QVERIFY(h.hotKeys->registered().count({ MOD_CONTROL, 0x76 }));
    }

    void aboutBoxShowsTheCaptionAndClosesOnAClick()
    {
        Harness h;
        h.open();
        bool checked = false;
        onModal<TFMAbout>([&checked](TFMAbout* about) {
            QCOMPARE(about->windowTitle(), QStringLiteral("About Clickwisp"));
            QCOMPARE(child<QLabel>(about, "lblCaption")->text(),
                QStringLiteral("Clickwisp %1").arg(QLatin1String(kVersion)));
            const QString backends = child<QLabel>(about, "lblBackends")->text();
            QVERIFY2(backends.contains(QLatin1String("x11")), qPrintable(backends));
            QVERIFY2(backends.startsWith(QLatin1String("Backend: wayland (")), qPrintable(backends));
            QVERIFY(child<QLabel>(about, "lblWeb")->text().contains(QLatin1String(kHomePageUrl)));
            QVERIFY(child<QLabel>(about, "lblMail")->text().contains(QLatin1String("mailto:")));
            QVERIFY(child<QLabel>(about, "lblLicense")
                        ->text()
                        .contains(QLatin1String("GNU General Public License, version 3 or later")));
            QVERIFY(child<QLabel>(about, "lblLicenseLink")->text().contains(QLatin1String(kLicenseUrl)));
            checked = true;
            QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(4, 4));
        });
        h.window->ShowAbout(); // returns once the click closed the box
        QVERIFY(checked);
    }

    void withoutANotificationAreaMinimisingKeepsTheWindow()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a notification area");
        Harness h;
        h.open();
        QVERIFY(h.window->findChild<QSystemTrayIcon*>() == nullptr);
        h.window->showAtStart();
        h.window->showMinimized();
        QTest::qWait(50);
        QVERIFY(h.window->isVisible());
        h.window->showAndRaise();
        QVERIFY(!h.window->isMinimized());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
