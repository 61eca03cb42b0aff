#pragma once

#include "app/action_editor_presenter.h"
#include "app/screen_snapshot.h"
#include "core/action.h"
#include "core/error.h"
#include "screen/bitmap_data.h"
#include "ui/point_pick_overlay.h"

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTimer;

namespace clickwisp {

class InputInjector;
class ScreenSource;
class TargetMarker;
class TypedSpinBox;

// The editor frame: every control of the action editor, drawn as the
// presenter (app/action_editor_presenter.h) says; the rules live there.
// The capture reads the pointer from input and the pixel from screen; when
// either is null, Qt's own cursor position or screen grab is used instead.
class TfrmDefine : public QFrame {
    Q_OBJECT
public:
    TfrmDefine(QWidget* parent, InputInjector* input, ScreenSource* screen);
    ~TfrmDefine() override;

    // Shows every field of action. Values outside a list (a button byte of 9,
    // a key code without a name) select nothing, and saving then keeps them.
    void LoadFromAction(const TBaseCtrlEX& action);
    // Checks every field first; on an invalid one returns an error naming it
    // and leaves action untouched. Otherwise writes every field, whatever the
    // type; the picture text is replaced only when another picture was loaded.
    Result<void> SaveToAction(TBaseCtrlEX& action);

    // A field whose text does not convert, with the message saying which.
    struct FieldProblem {
        QWidget* field = nullptr;
        QString message;
    };
    // The first field (in saving order) that SaveToAction would refuse.
    std::optional<FieldProblem> FindInvalidField() const;

    // Loads a picture file (any format Qt reads) as the action's picture,
    // converted to a 24-bit BMP. A missing or unreadable file is an error and
    // the previous picture stays.
    Result<void> LoadPictureFile(const QString& path);
    bool hasPicture() const { return !m_pictureText.empty(); }
    // The shown picture (null when there is none or it could not be read).
    const QImage& picture() const { return m_picture; }

    // Starts following the pointer into the click point fields (edPX, edPY)
    // for a click, or into the move point fields (edMoveX, edMoveY) for any
    // other type. Where input cannot read the pointer, a PointPickOverlay on
    // each screen waits for the click instead, and Esc cancels.
    void StartPointCapture();
    // Starts following the colour under the pointer into the colour text
    // (edColor) and its swatch (edCl); an overlay as above where the pointer
    // cannot be read.
    void StartColorCapture();
    // Ends a capture under way; the last captured values stay.
    void StopCapture();
    // A key press the dialog sees first: one that types a character ends the
    // capture.
    void keyPressed(bool typesCharacter);
    bool capturingPoint() const { return m_capture.capturingPoint(); }
    bool capturingColor() const { return m_capture.capturingColour(); }
    // One tick of the capture timer (every 10 ms while capturing).
    void timerSetPointTimer();
    // The click on a PointPickOverlay at point: fills the fields as a tick
    // there would and ends the capture.
    void pickPoint(ScreenPoint point);

    // "Test" on the colour (picture) group: moves the dialog out of sight,
    // waits kTestHideMs for the desktop to redraw, captures the screen and
    // searches it with the current values as a click would; the result goes
    // to lbTestColor (lbTestBMP) and the place is marked for kTestMarkMs.
    // Nothing in the action changes.
    void StartTargetTest(bool picture);
    bool testingTarget() const { return m_testing; }
    TargetMarker* targetMarker() const { return m_marker; }
    static constexpr int kTestHideMs = kTargetTestHideMs;
    static constexpr int kTestMarkMs = kTargetTestMarkMs;

    // Enables or disables every control inside panel, at any depth.
    static void SetChildrenEnabled(QWidget* panel, bool enabled);

    // The file prompt of "Load BMP": returns the chosen file, or an empty
    // text when the user cancels. Tests replace it; the default shows a file
    // dialog.
    void setFilePrompt(std::function<QString()> prompt);
    // Where warnings go; the default shows a "Warning" message box.
    void setWarningHandler(std::function<void(const QString&)> handler);
    void showWarning(const QString& text);

private:
    // The click panel: button and click kind, the click point choice, and
    // below it the group of the chosen point's target.
    void buildClickPanel();
    void buildClickPointChoice();
    QWidget* buildClickTargets();
    void buildFixedPointGroup(QWidget* targets);
    void buildColourGroup(QWidget* targets);
    void buildPictureGroup(QWidget* targets);
    void buildMovePanel();
    void buildKeyPanel();
    void buildTextPanel();
    void buildDelayPanel();
    void buildLayout();
    void fillKeyList();
    // The controls' contents as the presenter sees them, and back.
    ActionEditorFields fields() const;
    void showFields(const ActionEditorFields& fields);
    QWidget* textField(EditorText which) const;
    void setFieldText(EditorText which, const std::string& text);
    // The timer runs exactly while the capture follows the pointer, the
    // overlays are shown exactly while it waits for a click.
    void followCapture();
    void showPickOverlays();
    void closePickOverlays();
    // The part of the snapshot at area (screen coordinates); null without one.
    QImage snapshotOf(const QRect& area) const;
    // The captured texts into their fields, and the swatch.
    void showCaptured(const ActionEditorFields& captured, const std::vector<EditorText>& changed);
    // Each type panel enabled exactly with its radio button.
    void ApplyTypeRule();
    // The group of the checked click point shown, the others hidden.
    void ApplyClickPointRule();
    void btnBMPClick();
    void setSwatch(const QString& colourText);
    void showPicture();
    ScreenPoint readPointer() const;
    std::optional<uint32_t> readPixel(ScreenPoint point);
    void finishTargetTest(bool picture, QRect home);

    // The widgets; each carries its designer name (in the comments) as
    // objectName(), by which tests find it.
    // Type radio buttons and their panels.
    QRadioButton* m_typeClick; // rbClick
    QRadioButton* m_typeMove; // rbMove
    QRadioButton* m_typeKey; // rbKey
    QRadioButton* m_typeText; // rbText
    QRadioButton* m_typeDelay; // rbDelay
    QFrame* m_clickPanel; // plClick
    QFrame* m_movePanel; // plMove
    QFrame* m_keyPanel; // plKey
    QFrame* m_textPanel; // plText
    QFrame* m_delayPanel; // plDelay
    // Click panel.
    QComboBox* m_buttonList; // cbButton
    QComboBox* m_clickKindList; // cbClick
    QGroupBox* m_clickPointBox; // gbClickPoint
    QRadioButton* m_pointCurrent; // rbCurrent
    QRadioButton* m_pointFixed; // rbFixed
    QRadioButton* m_pointColour; // rbColor
    QRadioButton* m_pointPicture; // rbBMP
    QGroupBox* m_fixedPointBox; // gbPoint
    QPushButton* m_pointCaptureButton; // btnCapture
    QLineEdit* m_clickX; // edPX
    QLineEdit* m_clickY; // edPY
    QGroupBox* m_colourBox; // gbColor
    QPushButton* m_colourCaptureButton; // btnCaptureColor
    QLineEdit* m_colourSwatch; // edCl
    QLineEdit* m_colourText; // edColor
    TypedSpinBox* m_colourSimilarity; // edSimilar
    QPushButton* m_colourTestButton; // btnTestColor
    QLabel* m_colourTestResult; // lbTestColor
    QGroupBox* m_pictureBox; // gbBMP
    QPushButton* m_pictureLoadButton; // btnBMP
    QScrollArea* m_pictureScroll; // sbImage
    QLabel* m_pictureLabel; // ImageBMP
    TypedSpinBox* m_pictureSimilarity; // edBMPSimilar
    QPushButton* m_pictureTestButton; // btnTestBMP
    QLabel* m_pictureTestResult; // lbTestBMP
    // Move panel.
    QPushButton* m_moveCaptureButton; // btnMoveCapture
    QLineEdit* m_moveX; // edMoveX
    QLineEdit* m_moveY; // edMoveY
    // Key panel.
    QComboBox* m_keyList; // cbKey
    QComboBox* m_keyActionList; // cbKeyAction
    // Text panel.
    QLineEdit* m_typedText; // edText
    // Delay panel.
    TypedSpinBox* m_delayHours; // edIntHour
    TypedSpinBox* m_delayMinutes; // edIntMin
    TypedSpinBox* m_delaySeconds; // edIntSec
    TypedSpinBox* m_delayTenths; // edIntTen
    TypedSpinBox* m_delayHundredths; // edIntHun
    TypedSpinBox* m_delayThousandths; // edIntThd
    QTimer* m_captureTimer; // timerSetPoint, every 10 ms while capturing

    InputInjector* m_input;
    ScreenSource* m_screen;
    QButtonGroup* m_typeGroup;
    QButtonGroup* m_pointGroup;
    EditorCapture m_capture;
    std::vector<QPointer<PointPickOverlay>> m_pickOverlays; // one per screen while waiting for a click
    ScreenSnapshot m_pickSnapshot; // the screens before the overlays showed, for a colour pick
    std::string m_pictureText; // the picture as the action stores it
    QImage m_picture; // its decoded form, for display
    std::function<QString()> m_filePrompt;
    std::function<void(const QString&)> m_warn;
    bool m_testing = false;
    TargetMarker* m_marker = nullptr;
    std::unique_ptr<ScreenSource> m_qtScreen; // for the test when m_screen is null
};

} // namespace clickwisp
