// The main window on the offscreen platform, over a fake desktop.
#include "core/list_controller.h"
#include "core/list_file.h"
#include "platform/fake/fake_hot_keys.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_recorder.h"
#include "platform/fake/fake_waiter.h"
#include "screen/bitmap_data.h"
#include "tests/support/process.h"
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

namespace {

const char* kColumnsConfig
    = "<config versionNo=\"2.0\" generated=\"x\"><frame running=\"rbNormal\" left=\"0\" top=\"0\" height=\"420\" "
      "width=\"640\" max=\"False\"/><shade mousemove=\"True\" keyboard=\"True\" start=\"1\" stop=\"2\"/>"
      "<running start=\"1\" stop=\"2\" interval=\"1000\" speed=\"0\" repeat=\"1\" times=\"1\"/><cols>"
      "<col id=\"0\" Name=\"No.\" Align=\"center\" Color=\"\" Visible=\"False\" Width=\"40\" Index=\"2\"/>"
      "<col id=\"1\" Name=\"Type\" Align=\"Right\" Color=\"\" Visible=\"True\" Width=\"120\" Index=\"0\"/>"
      "<col id=\"2\" Name=\"Action\" Align=\"right\" Color=\"\" Visible=\"True\" Width=\"200\" Index=\"1\"/>"
      "</cols></config>";

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
    std::unique_ptr<TMForm> window;

    void open(std::shared_ptr<Waiter> waiter = nullptr)
    {
        MainWindowServices services;
        services.configPath = dir / "config.xml";
        auto keys = std::make_unique<FakeHotKeys>(trace);
        auto rec = std::make_unique<FakeRecorder>(trace);
        hotKeys = keys.get();
        for (const auto& [modifiers, vk] : takenElsewhere)
            hotKeys->holdElsewhere(modifiers, vk);
        recorder = rec.get();
        services.hotKeys = std::move(keys);
        services.recorder = std::move(rec);
        services.playbackDesktop = [trace = trace] {
            return makeFakePlatform(FakeOptions { trace, {}, { 0, 0 }, true });
        };
        services.waiter = waiter ? waiter : makeTraceWaiter(trace);
        services.dialogs.askYesNo = [this](const QString& question) {
            questions << question;
            return answers.isEmpty() ? true : answers.takeFirst();
        };
        services.dialogs.showMessage = [this](const QString& text) { messages << text; };
        services.dialogs.chooseFile = [this](bool) { return files.isEmpty() ? std::nullopt : files.takeFirst(); };
        window = std::make_unique<TMForm>(std::move(services));
    }
    TMouseCtrl& ctrl() { return *window->controller(); }
    QString status(int panel) const { return (panel ? window->StatusPanel1 : window->StatusPanel0)->text(); }
    QString cell(int row, int column) const { return window->VT->model()->index(row, column).data().toString(); }
    // The pointer moves over a control.
    void pointAt(QWidget* widget) const
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QList<QWidget*> editingControls() const
    {
        TMForm& w = *window;
        return { w.VT, w.btnShade, w.VisibilityDemoButton, w.AlignDemoButton, w.SpeedButton4, w.SpeedButton5,
            w.SpeedButton7, w.SpeedButton8, w.SpeedButton2, w.QuitButton, w.btnStart, w.sbUp, w.sbDown };
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
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Clickwisp 4.2.1"));
        QCOMPARE(h.status(0), QStringLiteral("Ready"));
        QCOMPARE(h.status(1), QString());
        const QList<std::tuple<QToolButton*, const char*, const char*>> buttons = {
            { h.window->btnShade, "&Record Mouse", "Record Mouse Actions" },
            { h.window->VisibilityDemoButton, "&Load", "Load Action List From File" },
            { h.window->AlignDemoButton, "&Save", "Save Action List to File" },
            { h.window->SpeedButton4, "&New", "Create a new Action" },
            { h.window->SpeedButton5, "&Edit", "Edit Selected Action" },
            { h.window->SpeedButton7, "&Delete", "Delete Selected Action" },
            { h.window->SpeedButton8, "&Clear", "Delete All Actions" },
            { h.window->SpeedButton2, "&Options", "Config Options" },
            { h.window->QuitButton, "E&xit", "Quit" },
            { h.window->btnStart, "Star&t", "Start to Run Action List" },
            { h.window->btnStop, "Sto&p", "Stop Running Action List" },
            { h.window->sbUp, "", "Move Up" },
            { h.window->sbDown, "", "Move Down" },
        };
        for (const auto& [button, caption, hint] : buttons) {
            QCOMPARE(button->text(), QString::fromLatin1(caption));
            QCOMPARE(button->toolTip(), QString::fromLatin1(hint));
            QVERIFY(button->isEnabled());
            QVERIFY(!button->icon().isNull());
            h.pointAt(button);
            QCOMPARE(h.status(1), QString::fromLatin1(hint));
        }
        QCOMPARE(h.window->VT->toolTip(), QStringLiteral("Action List.  Double Click to edit "));
        h.pointAt(h.window->VT->viewport());
        QCOMPARE(h.status(1), QStringLiteral("Action List.  Double Click to edit "));
        QVERIFY(h.window->VT->isEnabled());
    }

    void recordingTogglesCaptionStatusAndHints()
    {
        Harness h;
        h.open();
        h.window->btnShade->click();
        QCOMPARE(h.window->btnShade->text(), QStringLiteral("Stop Record"));
        QCOMPARE(h.status(0), QStringLiteral("Recoding..."));
        h.pointAt(h.window->VisibilityDemoButton);
        QCOMPARE(h.status(1), QStringLiteral("Press ALT+F3 to Stop Record Mouse Action"));
        for (QWidget* control : h.editingControls())
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));

        QVERIFY(h.recorder->feed({ WM_LBUTTONDOWN, 40, 50, 1000, 0 }));
        QVERIFY(h.recorder->feed({ WM_LBUTTONUP, 40, 50, 1100, 0 }));
        h.window->btnShade->click();
        QCOMPARE(h.window->btnShade->text(), QStringLiteral("&Record Mouse"));
        QCOMPARE(h.status(0), QStringLiteral("Ready"));
        QCOMPARE(h.window->VT->model()->rowCount(), 3);
        QCOMPARE(h.cell(1, 2), QStringLiteral("Delay 100 ms"));
        QCOMPARE(h.cell(2, 0), QStringLiteral("3"));
    }

    void playingDisablesEverythingButStop()
    {
        Harness h;
        h.open(makeSteadyWaiter());
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(60000));
        h.window->btnStart->click();
        QCOMPARE(h.status(0), QStringLiteral("Running..."));
        QCOMPARE(h.status(1), QStringLiteral("Press CTRL+F3 to Stop Running Action List"));
        for (QWidget* control : h.editingControls())
            QVERIFY(!control->isEnabled());
        QVERIFY(h.window->btnStop->isEnabled());
        QVERIFY(h.window->menuBar()->isEnabled());
        h.pointAt(h.window->btnStop);
        QCOMPARE(h.status(1), QStringLiteral("Press CTRL+F3 to Stop Running Action List"));

        h.window->btnStop->click();
        for (QWidget* control : h.editingControls())
            QVERIFY(control->isEnabled());
        QTRY_COMPARE(h.status(0), QStringLiteral("Finished"));
        QCOMPARE(h.status(1), QStringLiteral("Press CTRL+F2 to Run Action List"));
    }

    void hotKeysArriveAsQueuedEvents()
    {
        Harness h;
        h.open();
        QCOMPARE(int(h.hotKeys->registered().size()), 4);
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(5));
        QVERIFY(h.hotKeys->press(MOD_CONTROL, 0x71)); // CTRL+F2
        QCOMPARE(h.status(0), QStringLiteral("Ready")); // nothing before the event loop runs
        QTRY_COMPARE(h.status(0), QStringLiteral("Finished"));
        QVERIFY(h.hotKeys->press(MOD_ALT, 0x71)); // ALT+F2
        QTRY_COMPARE(h.window->btnShade->text(), QStringLiteral("Stop Record"));
    }

    void aListWithoutColumnsAnnouncesNoCellsOutsideTheModel()
    {
        Harness h;
        std::string config = kColumnsConfig;
        const size_t cols = config.find("<cols>");
        config.replace(cols, config.find("</cols>") + 7 - cols, "<cols/>");
        test::writeFile(h.dir / "config.xml", config);
        h.open();
        QAbstractItemModel* model = h.window->VT->model();
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

    void columnsFollowTheConfigurationAndAreWrittenBackAtClose()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", kColumnsConfig);
        h.open();
        QHeaderView* header = h.window->VT->header();
        QCOMPARE(header->count(), 3);
        QVERIFY(header->isSectionHidden(0));
        QCOMPARE(header->sectionSize(1), 120);
        QCOMPARE(header->sectionSize(2), 200);
        QCOMPARE(header->visualIndex(1), 0);
        QCOMPARE(header->visualIndex(2), 1);
        QCOMPARE(header->visualIndex(0), 2);
        QVERIFY(header->sectionsMovable());
        QCOMPARE(header->sectionResizeMode(1), QHeaderView::Interactive);
        auto* model = h.window->VT->model();
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Type"));
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(7));
        const auto align = [&](int column) {
            return Qt::Alignment(model->index(0, column).data(Qt::TextAlignmentRole).toInt())
                & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(align(1), Qt::AlignLeft); // "Right" is not "right"
        QCOMPARE(align(2), Qt::AlignRight);
        QCOMPARE(align(0), Qt::AlignHCenter);
        QCOMPARE(h.cell(0, 0), QStringLiteral("1"));

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
        h.window->VisibilityDemoButton->click();
        QVERIFY(header->isSectionHidden(0));
        QCOMPARE(header->visualIndex(1), 0);
        QVERIFY(header->sectionSize(2) > 400);

        header->resizeSection(2, 250);
        header->moveSection(header->visualIndex(2), 0);
        h.window->showAtStart();
        QVERIFY(h.window->close());
        const std::string saved = test::readFile(h.dir / "config.xml");
        TConfig config(h.dir / "config.xml");
        auto cols = config.GetCols();
        QCOMPARE(cols.Count(), 3);
        QCOMPARE(QString::fromStdString(cols.Col(0).Name()), QStringLiteral("No."));
        QVERIFY(!cols.Col(0).Visible());
        QCOMPARE(cols.Col(0).Width(), 40); // hidden: keeps its width
        QCOMPARE(cols.Col(2).Width(), 250);
        QCOMPARE(cols.Col(2).Index(), 0);
        QCOMPARE(cols.Col(1).Index(), 1);
        QCOMPARE(cols.Col(0).Index(), 2);
        QCOMPARE(QString::fromStdString(cols.Col(1).Align()), QStringLiteral("Right"));
    }

    void windowSizeComesFromTheConfigurationAndIsSavedOnClose()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", kColumnsConfig);
        h.open();
        QCOMPARE(h.window->size(), QSize(640, 420));
        h.window->showAtStart();
        h.window->resize(800, 600);
        QVERIFY(h.window->close());
        TConfig config(h.dir / "config.xml");
        QCOMPARE(config.GetFrame().width(), 800);
        QCOMPARE(config.GetFrame().height(), 600);
        QVERIFY(!config.GetFrame().max());
        QVERIFY(h.window->controller() == nullptr);
        QVERIFY(h.hotKeys->registered().empty());
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

    void brokenConfigurationIsReportedOnceAndDefaultsApply()
    {
        Harness h;
        test::writeFile(h.dir / "config.xml", "<config versionNo=\"2.0\"><frame width=\"wide\"");
        h.open();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.window->size(), QSize(700, 500));
        QCOMPARE(h.window->VT->header()->count(), 3);
        QCOMPARE(h.status(0), QStringLiteral("Ready"));
    }

    void listCommandsWorkThroughTheButtons()
    {
        Harness h;
        h.open();
        ActionList three;
        for (int ms : { 10, 20, 30 })
            three.push_back(TBaseCtrlEX::CreateDelay(ms));
        QVERIFY(SaveListFile(h.dir / "three.xml", three));
        h.files << QString::fromStdString((h.dir / "three.xml").string());
        h.window->VisibilityDemoButton->click();
        QCOMPARE(h.window->VT->model()->rowCount(), 3);
        QCOMPARE(h.cell(0, 2), QStringLiteral("Delay 10 ms"));

        h.window->VT->setCurrentIndex(h.window->VT->model()->index(1, 0));
        QCOMPARE(h.ctrl().Selected(), 1);
        h.window->sbDown->click();
        QCOMPARE(h.window->VT->currentIndex().row(), 2);
        QCOMPARE(h.cell(2, 2), QStringLiteral("Delay 20 ms"));
        QCOMPARE(h.cell(2, 0), QStringLiteral("3"));
        h.window->sbUp->click();
        h.window->sbUp->click();
        QCOMPARE(h.window->VT->currentIndex().row(), 0);
        QCOMPARE(h.cell(0, 2), QStringLiteral("Delay 20 ms"));

        h.window->SpeedButton7->click();
        QCOMPARE(h.questions.last(), QStringLiteral("Are you sure to delete the click?"));
        QCOMPARE(h.window->VT->model()->rowCount(), 2);
        QCOMPARE(h.cell(0, 2), QStringLiteral("Delay 10 ms"));

        h.answers << false;
        h.window->SpeedButton8->click();
        QCOMPARE(h.questions.last(), QStringLiteral("Are you sure to clear the list?"));
        QCOMPARE(h.window->VT->model()->rowCount(), 2);

        const QString out = QString::fromStdString((h.dir / "out.xml").string());
        h.files << out << out;
        h.window->AlignDemoButton->click();
        QVERIFY(QFile::exists(out));
        h.answers << false;
        h.window->AlignDemoButton->click();
        QCOMPARE(h.questions.last(), QStringLiteral("A file with the same name already exists,overwrite?"));
        auto saved = LoadListFile(out.toStdString());
        QVERIFY(saved);
        QCOMPARE(int(saved->actions.size()), 2);
    }

    void newAndEditOpenTheActionEditor()
    {
        Harness h;
        h.open();
        onModal<TDForm>([](TDForm* editor) {
            QCOMPARE(editor->windowTitle(), QStringLiteral("New Action"));
            editor->btnOK->click();
        });
        h.window->SpeedButton4->click();
        QCOMPARE(h.window->VT->model()->rowCount(), 1);
        QCOMPARE(h.cell(0, 1), QStringLiteral("Mouse Click"));

        h.window->VT->setCurrentIndex(h.window->VT->model()->index(0, 0));
        onModal<TDForm>([](TDForm* editor) {
            QCOMPARE(editor->windowTitle(), QStringLiteral("Edit Action"));
            editor->btnCancel->click();
        });
        emit h.window->VT->doubleClicked(h.window->VT->model()->index(0, 1));
        QCOMPARE(h.window->VT->model()->rowCount(), 1);
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
            editor->frame()->rbBMP->click();
            editor->frame()->btnBMP->click();
            QCOMPARE(h.messages, QStringList { QStringLiteral("The file does not exist.") });
            editor->frame()->btnBMP->click();
            QCOMPARE(editor->frame()->picture().size(), QSize(3, 2));
            editor->btnOK->click();
        });
        h.window->SpeedButton4->click();
        QCOMPARE(h.window->VT->model()->rowCount(), 1);
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

    void optionsOkRegistersTheNewHotKeys()
    {
        Harness h;
        h.open();
        onModal<TFMConfig>([](TFMConfig* options) {
            QCOMPARE(options->windowTitle(), QStringLiteral("Config Options"));
            options->cbRunningStart->setCurrentIndex(6);
            options->BitBtn1->click();
        });
        h.window->SpeedButton2->click();
        QVERIFY(h.hotKeys->registered().count({ MOD_CONTROL, 0x76 }));
        QVERIFY(!h.hotKeys->registered().count({ MOD_CONTROL, 0x71 }));
        QCOMPARE(h.ctrl().GetConfig().GetRunning().start(), 6);
        h.ctrl().AddAction(TBaseCtrlEX::CreateDelay(1));
        h.window->btnStart->click();
        QTRY_COMPARE(h.status(1), QStringLiteral("Press CTRL+F7 to Run Action List"));
    }

    void aboutBoxShowsTheCaptionAndClosesOnAClick()
    {
        Harness h;
        h.open();
        bool checked = false;
        onModal<TFMAbout>([&checked](TFMAbout* about) {
            QCOMPARE(about->windowTitle(), QStringLiteral("About Clickwisp"));
            QCOMPARE(about->lblCaption->text(), QStringLiteral("Clickwisp 4.2.1"));
            QVERIFY(about->lblWeb->text().contains(QLatin1String(kHomePageUrl)));
            QVERIFY(about->lblMail->text().contains(QLatin1String("mailto:")));
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
        QVERIFY(h.window->TrayIcon == nullptr);
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
