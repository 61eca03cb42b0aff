// The editor's capture with a stand-in pointer and screen: the buttons and
// keys wired to the presenter's capture, the timer, and the swatch. The X11 pointer
// and 1 x 1 screen reads behind it are tested with the backends on Xvfb
// (tests/playback/x11_playback_test, tests/screen/x11_screen_test).

#include "tests/ui/action_editor_helpers.h"

#include "platform/input_injector.h"
#include "platform/screen_source.h"
#include "tests/support/process.h"
#include "ui/point_pick_overlay.h"
#include "ui/target_marker.h"
#include "ui/typed_fields.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

using namespace clickwisp;
using test::child;

namespace {

class StubPointer : public InputInjector {
public:
    ScreenPoint position { 0, 0 };
    bool readable = true; // false: as on Wayland
    ScreenPoint GetCursorPos() override { return position; }
    bool canReadPointer() const override { return readable; }
    void SetCursorPos(int32_t x, int32_t y) override { position = { x, y }; }
    void mouse_event(uint32_t, int32_t) override { }
    void keybd_event(uint8_t, uint32_t) override { }
};

// A 1920 x 1080 screen whose pixel (x, y) is colourAt(x, y), as 0x00RRGGBB.
class StubScreen : public ScreenSource {
public:
    std::function<uint32_t(int32_t, int32_t)> colourAt = [](int32_t, int32_t) { return 0u; };
    std::function<void()> onCapture = [] {};
    int captures = 0;
    ScreenSize screenSize() override { return { 1920, 1080 }; }
    bool capture(int32_t left, int32_t top, const PixelView& target) override
    {
        ++captures;
        onCapture();
        for (int32_t y = 0; y < target.height; ++y)
            for (int32_t x = 0; x < target.width; ++x) {
                const uint32_t c = colourAt(left + x, top + y);
                uint8_t* p = target.row(y) + 3 * x;
                p[0] = uint8_t(c);
                p[1] = uint8_t(c >> 8);
                p[2] = uint8_t(c >> 16);
            }
        return true;
    }
};

} // namespace

class ActionEditorCaptureTest : public QObject {
    Q_OBJECT

private:
    StubPointer m_pointer;
    StubScreen m_screen;

    // Shows the dialog and starts a fixed-point capture that has seen (x, y).
    void startFixedPointCapture(TDForm& dialog, int32_t x, int32_t y)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child<QRadioButton>(&dialog, "rbFixed")->click();
        child<QPushButton>(&dialog, "btnCapture")->click();
        m_pointer.position = { x, y };
        QTRY_COMPARE(child<QLineEdit>(&dialog, "edPX")->text(), QString::number(x));
    }

private slots:
    void init()
    {
        m_pointer.position = { 0, 0 };
        m_pointer.readable = true;
        m_screen.colourAt = [](int32_t x, int32_t) { return x < 100 ? 0x123456u : 0xFF0000u; };
    }

    // Each capture button starts its capture (btnCapture: see
    // startFixedPointCapture); the colour paints the swatch.
    void eachCaptureFillsItsOwnFields()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"), &m_pointer, &m_screen);
        TfrmDefine* f = dialog.frame();
        auto text = [&](const char* name) { return child<QLineEdit>(f, name)->text(); };
        m_pointer.position = { 250, 120 };
        child<QRadioButton>(f, "rbMove")->click();
        child<QPushButton>(f, "btnMoveCapture")->click();
        f->timerSetPointTimer();
        QCOMPARE(QStringList({ text("edMoveX"), text("edMoveY") }), QStringList({ "250", "120" }));

        f->StopCapture();
        child<QRadioButton>(f, "rbClick")->click();
        child<QRadioButton>(f, "rbColor")->click();
        child<QPushButton>(f, "btnCaptureColor")->click();
        f->timerSetPointTimer();
        QCOMPARE(text("edColor"), QStringLiteral("clRed"));
        m_pointer.position = { 50, 9 };
        f->timerSetPointTimer();
        QCOMPARE(text("edColor"), QStringLiteral("$00563412"));
        QCOMPARE(child<QLineEdit>(f, "edCl")->palette().color(QPalette::Base), QColor(0x12, 0x34, 0x56));
    }

    // Where the pointer cannot be read, a capture shows an overlay over the
    // screen instead of following the pointer: a left click there fills the
    // point or the colour, Esc or a right click cancels and changes nothing.
    void anUnreadablePointerIsPickedByAClickOnAnOverlay()
    {
        m_pointer.readable = false;
        m_pointer.position = { 5, 5 }; // not where the pointer is: never read
        TDForm dialog(nullptr, QStringLiteral("New Action"), &m_pointer, &m_screen);
        TfrmDefine* f = dialog.frame();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto text = [&](const char* name) { return child<QLineEdit>(f, name)->text(); };
        auto overlay = [&]() -> PointPickOverlay* {
            for (auto* o : f->findChildren<PointPickOverlay*>(QStringLiteral("PointPickOverlay")))
                if (o->isVisible())
                    return o;
            return nullptr;
        };
        child<QRadioButton>(f, "rbFixed")->click();
        const QString x0 = text("edPX"), y0 = text("edPY");

        child<QPushButton>(f, "btnCapture")->click();
        PointPickOverlay* o = overlay();
        QVERIFY(o);
        QCOMPARE(o->geometry(), QGuiApplication::primaryScreen()->geometry());
        QVERIFY(o->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!test::captureTimer(f)->isActive());
        QTest::keyClick(o, Qt::Key_Escape);
        QCOMPARE(QStringList({ text("edPX"), text("edPY") }), QStringList({ x0, y0 }));
        QVERIFY(!overlay() && !f->capturingPoint());
        QVERIFY(dialog.isVisible());

        child<QPushButton>(f, "btnCapture")->click();
        QVERIFY(overlay());
        QTest::mouseClick(overlay(), Qt::RightButton, {}, QPoint(20, 30));
        QVERIFY(!overlay() && !f->capturingPoint());
        QCOMPARE(QStringList({ text("edPX"), text("edPY") }), QStringList({ x0, y0 }));

        child<QPushButton>(f, "btnCapture")->click();
        o = overlay();
        QVERIFY(o);
        const QPoint at = o->mapToGlobal(QPoint(321, 234));
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(321, 234));
        QCOMPARE(QStringList({ text("edPX"), text("edPY") }),
            QStringList({ QString::number(at.x()), QString::number(at.y()) }));
        QVERIFY(!overlay() && !f->capturingPoint());
        QTRY_VERIFY(f->findChildren<PointPickOverlay*>().isEmpty()); // closed windows go

        // Left of x = 100 the screen is $00563412, right of it red.
        child<QRadioButton>(f, "rbColor")->click();
        child<QPushButton>(f, "btnCaptureColor")->click();
        QVERIFY(overlay());
        QTest::mouseClick(overlay(), Qt::LeftButton, {}, overlay()->mapFromGlobal(QPoint(50, 9)));
        QCOMPARE(text("edColor"), QStringLiteral("$00563412"));
        QCOMPARE(child<QLineEdit>(f, "edCl")->palette().color(QPalette::Base), QColor(0x12, 0x34, 0x56));
        QVERIFY(!overlay() && !f->capturingColor());
        QCOMPARE(text("edPX"), QString::number(at.x())); // the point stays
    }

    // The key goes to whichever control has the focus; the dialog sees it
    // first, and one that types a character ends the capture.
    void keysThatTypeACharacterEndTheCapture()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"), &m_pointer, &m_screen);
        startFixedPointCapture(dialog, 11, 12);
        auto* edPX = child<QLineEdit>(&dialog, "edPX");
        QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(child(&dialog, "edPY"), &arrow);
        m_pointer.position = { 33, 44 };
        QTRY_COMPARE(edPX->text(), QStringLiteral("33")); // still capturing
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(child(&dialog, "edPY"), &enter);
        QVERIFY(!test::captureTimer(&dialog)->isActive());
        m_pointer.position = { 55, 66 };
        QTest::qWait(50); // several ticks, had the timer still been running
        QCOMPARE(edPX->text(), QStringLiteral("33"));
        QVERIFY(dialog.isVisible());
    }

    void okAndClosingEndTheCapture()
    {
        TDForm dialog(nullptr, QStringLiteral("New Action"), &m_pointer, &m_screen);
        TfrmDefine* f = dialog.frame();
        startFixedPointCapture(dialog, 77, 88);
        child<QPushButton>(&dialog, "btnOK")->click();
        QVERIFY(!f->capturingPoint());
        QVERIFY(!test::captureTimer(f)->isActive());
        auto action = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*action).has_value());
        QCOMPARE(action->mouseClickPosX, 77);
        QCOMPARE(action->mouseClickPosY, 88);

        TDForm closing(nullptr, QStringLiteral("New Action"), &m_pointer, &m_screen);
        closing.show();
        QVERIFY(QTest::qWaitForWindowExposed(&closing));
        closing.frame()->StartColorCapture();
        closing.close();
        QVERIFY(!test::captureTimer(&closing)->isActive());
        QCOMPARE(closing.result(), int(QDialog::Rejected));
    }

    void theTestButtonSearchesWithTheDialogsValuesOutOfSightAndMarksThePlace()
    {
        // Left of x = 100 the screen is $00563412, right of it red.
        auto action = TBaseCtrlEX::Create();
        action->mousePoint = cpColor;
        action->fColor = "$00563412";
        TDForm dialog(nullptr, QStringLiteral("Edit Action"), &m_pointer, &m_screen);
        dialog.LoadFromAction(*action);
        TfrmDefine* f = dialog.frame();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect home = dialog.geometry();
        QRect seenAt;
        m_screen.onCapture = [&] { seenAt = dialog.frameGeometry(); };

        child<QPushButton>(f, "btnTestColor")->click();
        QVERIFY(f->testingTarget());
        QVERIFY(!child<QPushButton>(f, "btnTestColor")->isEnabled());
        QTRY_VERIFY(!f->testingTarget());
        QVERIFY2(!seenAt.isNull() && !seenAt.intersects(QGuiApplication::primaryScreen()->virtualGeometry()),
            "the dialog is out of sight during the capture");
        // Back in its place (the offscreen platform may shift a moved window by its 2-pixel frame).
        QCOMPARE(dialog.size(), home.size());
        QVERIFY2((dialog.geometry().topLeft() - home.topLeft()).manhattanLength() <= 4, "the dialog is back");
        QCOMPARE(child<QLabel>(f, "lbTestColor")->text(), QStringLiteral("Found at (0 : 0)"));
        TargetMarker* marker = f->targetMarker();
        QVERIFY(marker && marker->isVisible());
        const int b = TargetMarker::kBorder;
        QCOMPARE(marker->geometry(), QRect(-7 - b, -7 - b, 15 + 2 * b, 15 + 2 * b)); // the 15 x 15 square
        QVERIFY(marker->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(marker->windowFlags().testFlag(Qt::FramelessWindowHint));
        QTRY_VERIFY_WITH_TIMEOUT(!marker->isVisible(), 3000);

        // Other values in the dialog: red 240 exactly is nowhere; 94 % finds it at x = 100.
        auto other = TBaseCtrlEX::Create();
        other->mousePoint = cpColor;
        other->fColor = "$000000F0";
        dialog.LoadFromAction(*other);
        auto before = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*before).has_value());
        child<QPushButton>(f, "btnTestColor")->click();
        QTRY_VERIFY(!f->testingTarget());
        QCOMPARE(child<QLabel>(f, "lbTestColor")->text(), QStringLiteral("Not found \u2014 best 94 % at (100 : 0)"));
        QTRY_VERIFY(marker->isVisible());
        QCOMPARE(marker->geometry().center(), QPoint(100, 0));
        // The test changes none of the dialog's values.
        auto after = TBaseCtrlEX::Create();
        QVERIFY(dialog.SaveToAction(*after).has_value());
        QCOMPARE(test::dumpAction(*after), test::dumpAction(*before));
        // The result as the documentation shows it (scripts/screenshot-action-editor.sh).
        const QString folder = qEnvironmentVariable("CLICKWISP_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(dialog.grab().save(folder + QStringLiteral("/action-editor-test.png")));

        // A picture: a 4 x 2 cut across the edge, found by its centre.
        test::TempDir dir;
        TBDBitmapData picture;
        test::fillBitmap(picture, 4, 2, [](int32_t x, int32_t) { return x < 2 ? 0x123456u : 0xFF0000u; });
        test::writeFile(dir / "cut.bmp", test::bmpBytes(picture));
        QVERIFY(f->LoadPictureFile(QString::fromStdString((dir / "cut.bmp").string())).has_value());
        child<QRadioButton>(f, "rbBMP")->click();
        child<QPushButton>(f, "btnTestBMP")->click();
        QTRY_VERIFY(!f->testingTarget());
        QCOMPARE(child<QLabel>(f, "lbTestBMP")->text(), QStringLiteral("Found at (100 : 1)"));
        QCOMPARE(marker->geometry(), QRect(98 - b, 0 - b, 4 + 2 * b, 2 + 2 * b));

        // An invalid field is named instead of searching.
        const int captures = m_screen.captures;
        child<TypedSpinBox>(f, "edBMPSimilar")->setText(QStringLiteral(""));
        child<QPushButton>(f, "btnTestBMP")->click();
        QTRY_VERIFY(!f->testingTarget());
        QVERIFY2(child<QLabel>(f, "lbTestBMP")->text().startsWith(QStringLiteral("BMP similarity")),
            qPrintable(child<QLabel>(f, "lbTestBMP")->text()));
        QCOMPARE(m_screen.captures, captures);
        m_screen.onCapture = [] {};
    }
};

QTEST_MAIN(ActionEditorCaptureTest)
#include "action_editor_capture_test.moc"
