// Construction and layout of the editor frame, the type and click-point
// rules, and the key list. Loading, saving, capture and pictures are in
// action_editor_fields.cpp.
#include "ui/action_editor_frame.h"

#include "platform/input_injector.h"
#include "ui/typed_fields.h"
#include "ui/widget_name.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace clickwisp {

namespace {

const char* const kCaptureHint = "Press Any Key To Stop Capture";

QLineEdit* pointField(QWidget* parent, const char* name, EditorText which)
{
    auto* edit = named(new QLineEdit(parent), name);
    const EditorFieldRule rule = FieldRuleOf(which);
    edit->setValidator(new TypedFieldFilter(edit, rule.digitsOnly, rule.maxLength));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("888888")) + 12);
    return edit;
}

// "Start Capture", "X:" x, "Y:" y, and the hint below them.
QGridLayout* layOutPointCapture(QWidget* holder, QPushButton* capture, QLineEdit* x, QLineEdit* y)
{
    auto* grid = new QGridLayout(holder);
    grid->addWidget(capture, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("X:"), holder), 0, 1);
    grid->addWidget(x, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Y:"), holder), 0, 3);
    grid->addWidget(y, 0, 4);
    grid->setColumnStretch(5, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(kCaptureHint), holder), 1, 0, 1, 6);
    return grid;
}

// A field with arrows, as the presenter's rule for it says.
TypedSpinBox* spinField(QWidget* parent, const char* name, EditorText which)
{
    const EditorFieldRule rule = FieldRuleOf(which);
    const NumberRange range = rule.arrows.value_or(NumberRange { 0, 0, 0 });
    return named(
        new TypedSpinBox(parent, range.minimum, range.maximum, range.step, rule.digitsOnly, rule.maxLength), name);
}

} // namespace

TfrmDefine::TfrmDefine(QWidget* parent, InputInjector* input, ScreenSource* screen)
    : QFrame(parent)
    , m_input(input)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("frmDefine"));
    m_typeClick = named(new QRadioButton(QStringLiteral("Mouse Click"), this), "rbClick");
    m_typeMove = named(new QRadioButton(QStringLiteral("Mouse Move"), this), "rbMove");
    m_typeKey = named(new QRadioButton(QStringLiteral("Keystroke "), this), "rbKey");
    m_typeText = named(new QRadioButton(QStringLiteral("Type Text"), this), "rbText");
    m_typeDelay = named(new QRadioButton(QStringLiteral("Delay"), this), "rbDelay");
    m_typeGroup = new QButtonGroup(this);
    for (auto* rb : { m_typeClick, m_typeMove, m_typeKey, m_typeText, m_typeDelay })
        m_typeGroup->addButton(rb, m_typeGroup->buttons().size());

    buildClickPanel();
    buildMovePanel();
    buildKeyPanel();
    buildTextPanel();
    buildDelayPanel();
    buildLayout();

    m_captureTimer = named(new QTimer(this), "timerSetPoint");
    m_captureTimer->setInterval(10);
    connect(m_captureTimer, &QTimer::timeout, this, &TfrmDefine::timerSetPointTimer);
    m_capture.setPointerReadable(!m_input || m_input->canReadPointer());

    connect(m_typeGroup, &QButtonGroup::idClicked, this, [this] { ApplyTypeRule(); });
    connect(m_pointGroup, &QButtonGroup::idClicked, this, [this] { ApplyClickPointRule(); });
    connect(m_pointCaptureButton, &QPushButton::clicked, this, &TfrmDefine::StartPointCapture);
    connect(m_moveCaptureButton, &QPushButton::clicked, this, &TfrmDefine::StartPointCapture);
    connect(m_colourCaptureButton, &QPushButton::clicked, this, &TfrmDefine::StartColorCapture);
    connect(m_pictureLoadButton, &QPushButton::clicked, this, &TfrmDefine::btnBMPClick);
    connect(m_colourTestButton, &QPushButton::clicked, this, [this] { StartTargetTest(false); });
    connect(m_pictureTestButton, &QPushButton::clicked, this, [this] { StartTargetTest(true); });

    fillKeyList();
    showFields(ActionEditorFields {}); // a new action's fields
}

TfrmDefine::~TfrmDefine() = default;

void TfrmDefine::buildClickPanel()
{
    m_clickPanel = named(new QFrame(this), "plClick");
    m_clickPanel->setFrameShape(QFrame::StyledPanel);

    m_buttonList = named(new QComboBox(m_clickPanel), "cbButton");
    m_buttonList->addItems(
        { QStringLiteral("Left Button"), QStringLiteral("Right Button"), QStringLiteral("Middle Button") });
    m_clickKindList = named(new QComboBox(m_clickPanel), "cbClick");
    m_clickKindList->addItems({ QStringLiteral("Single Click"), QStringLiteral("Double Click"),
        QStringLiteral("Button Down"), QStringLiteral("Button Up") });
    buildClickPointChoice();
    QWidget* targets = buildClickTargets();

    auto* layout = new QGridLayout(m_clickPanel);
    layout->addWidget(new QLabel(QStringLiteral("Mouse"), m_clickPanel), 0, 0);
    layout->addWidget(m_buttonList, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Action"), m_clickPanel), 0, 2);
    layout->addWidget(m_clickKindList, 0, 3);
    layout->setColumnStretch(4, 1);
    layout->addWidget(m_clickPointBox, 1, 0, 1, 5);
    layout->addWidget(targets, 2, 0, 1, 5);
}

void TfrmDefine::buildClickPointChoice()
{
    m_clickPointBox = named(new QGroupBox(QStringLiteral("Click Point"), m_clickPanel), "gbClickPoint");
    m_pointCurrent = named(new QRadioButton(QStringLiteral("Click where the mouse is"), m_clickPointBox), "rbCurrent");
    m_pointFixed = named(new QRadioButton(QStringLiteral("Click on a fixed point"), m_clickPointBox), "rbFixed");
    m_pointColour = named(new QRadioButton(QStringLiteral("Click color block "), m_clickPointBox), "rbColor");
    m_pointPicture = named(new QRadioButton(QStringLiteral("Click BMP block"), m_clickPointBox), "rbBMP");
    m_pointGroup = new QButtonGroup(this);
    auto* pointLayout = new QGridLayout(m_clickPointBox);
    int id = 0;
    for (auto* rb : { m_pointCurrent, m_pointFixed, m_pointColour, m_pointPicture }) {
        m_pointGroup->addButton(rb, id);
        pointLayout->addWidget(rb, id / 2, id % 2);
        ++id;
    }
}

QWidget* TfrmDefine::buildClickTargets()
{
    // The three target groups share one place; only the chosen one shows.
    auto* targets = new QWidget(m_clickPanel);
    auto* targetLayout = new QGridLayout(targets);
    targetLayout->setContentsMargins(0, 0, 0, 0);
    buildFixedPointGroup(targets);
    buildColourGroup(targets);
    buildPictureGroup(targets);

    for (auto* group : { m_fixedPointBox, m_colourBox, m_pictureBox })
        targetLayout->addWidget(group, 0, 0);
    // Room for the largest group, so the dialog keeps its size when the
    // click point changes.
    QSize room;
    for (auto* group : { m_fixedPointBox, m_colourBox, m_pictureBox })
        room = room.expandedTo(group->sizeHint());
    targets->setMinimumSize(room);
    return targets;
}

void TfrmDefine::buildFixedPointGroup(QWidget* targets)
{
    m_fixedPointBox = named(new QGroupBox(QStringLiteral("specify click point"), targets), "gbPoint");
    m_pointCaptureButton = named(new QPushButton(QStringLiteral("Start Capture"), m_fixedPointBox), "btnCapture");
    m_clickX = pointField(m_fixedPointBox, "edPX", EditorText::ClickX);
    m_clickY = pointField(m_fixedPointBox, "edPY", EditorText::ClickY);
    layOutPointCapture(m_fixedPointBox, m_pointCaptureButton, m_clickX, m_clickY)->setRowStretch(2, 1);
}

void TfrmDefine::buildColourGroup(QWidget* targets)
{
    m_colourBox = named(new QGroupBox(QStringLiteral("specify color block"), targets), "gbColor");
    m_colourCaptureButton = named(new QPushButton(QStringLiteral("Start Capture"), m_colourBox), "btnCaptureColor");
    m_colourSwatch = named(new QLineEdit(m_colourBox), "edCl");
    m_colourSwatch->setReadOnly(true);
    m_colourSwatch->setFocusPolicy(Qt::NoFocus);
    m_colourSwatch->setFixedWidth(m_colourSwatch->sizeHint().height() * 2);
    m_colourText = named(new QLineEdit(m_colourBox), "edColor");
    m_colourText->setReadOnly(true);
    m_colourSimilarity = spinField(m_colourBox, "edSimilar", EditorText::ColourSimilarity);
    auto* colorGrid = new QGridLayout(m_colourBox);
    colorGrid->addWidget(m_colourCaptureButton, 0, 0);
    colorGrid->addWidget(m_colourSwatch, 0, 1);
    colorGrid->addWidget(m_colourText, 0, 2, 1, 3);
    colorGrid->addWidget(new QLabel(QStringLiteral("Color Simliar:"), m_colourBox), 1, 0);
    colorGrid->addWidget(m_colourSimilarity, 1, 1, 1, 2, Qt::AlignLeft);
    colorGrid->addWidget(new QLabel(QStringLiteral("%"), m_colourBox), 1, 3);
    colorGrid->setColumnStretch(4, 1);
    colorGrid->addWidget(new QLabel(QString::fromLatin1(kCaptureHint), m_colourBox), 2, 0, 1, 5);
    m_colourTestButton = named(new QPushButton(QStringLiteral("Test"), m_colourBox), "btnTestColor");
    m_colourTestResult = named(new QLabel(m_colourBox), "lbTestColor");
    colorGrid->addWidget(m_colourTestButton, 3, 0);
    colorGrid->addWidget(m_colourTestResult, 3, 1, 1, 4);
}

void TfrmDefine::buildPictureGroup(QWidget* targets)
{
    m_pictureBox = named(new QGroupBox(QStringLiteral("specify bmp"), targets), "gbBMP");
    m_pictureLoadButton = named(new QPushButton(QStringLiteral("Load BMP"), m_pictureBox), "btnBMP");
    m_pictureScroll = named(new QScrollArea(m_pictureBox), "sbImage");
    m_pictureLabel = named(new QLabel(m_pictureScroll), "ImageBMP");
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_pictureScroll->setWidget(m_pictureLabel);
    m_pictureScroll->setWidgetResizable(true);
    m_pictureScroll->setAlignment(Qt::AlignCenter);
    m_pictureScroll->setMinimumSize(160, 72);
    m_pictureSimilarity = spinField(m_pictureBox, "edBMPSimilar", EditorText::PictureSimilarity);
    auto* bmpGrid = new QGridLayout(m_pictureBox);
    bmpGrid->addWidget(m_pictureLoadButton, 0, 0);
    bmpGrid->addWidget(m_pictureScroll, 0, 1, 3, 1);
    bmpGrid->addWidget(new QLabel(QStringLiteral("BMP Simliar:"), m_pictureBox), 1, 0);
    auto* bmpSimilarRow = new QHBoxLayout;
    bmpSimilarRow->addWidget(m_pictureSimilarity);
    bmpSimilarRow->addWidget(new QLabel(QStringLiteral("%"), m_pictureBox));
    bmpSimilarRow->addStretch(1);
    bmpGrid->addLayout(bmpSimilarRow, 2, 0);
    m_pictureTestButton = named(new QPushButton(QStringLiteral("Test"), m_pictureBox), "btnTestBMP");
    m_pictureTestResult = named(new QLabel(m_pictureBox), "lbTestBMP");
    bmpGrid->addWidget(m_pictureTestButton, 3, 0);
    bmpGrid->addWidget(m_pictureTestResult, 3, 1);
    bmpGrid->setColumnStretch(1, 1);
}

void TfrmDefine::buildMovePanel()
{
    m_movePanel = named(new QFrame(this), "plMove");
    m_movePanel->setFrameShape(QFrame::StyledPanel);
    m_moveCaptureButton = named(new QPushButton(QStringLiteral("Start Capture"), m_movePanel), "btnMoveCapture");
    m_moveX = pointField(m_movePanel, "edMoveX", EditorText::MoveX);
    m_moveY = pointField(m_movePanel, "edMoveY", EditorText::MoveY);
    layOutPointCapture(m_movePanel, m_moveCaptureButton, m_moveX, m_moveY);
}

void TfrmDefine::buildKeyPanel()
{
    m_keyPanel = named(new QFrame(this), "plKey");
    m_keyPanel->setFrameShape(QFrame::StyledPanel);
    m_keyList = named(new QComboBox(m_keyPanel), "cbKey");
    m_keyList->setMaxVisibleItems(20);
    m_keyActionList = named(new QComboBox(m_keyPanel), "cbKeyAction");
    m_keyActionList->addItems({ QStringLiteral("Key Down"), QStringLiteral("Key Up"), QStringLiteral("Key Press") });
    auto* layout = new QHBoxLayout(m_keyPanel);
    layout->addWidget(new QLabel(QStringLiteral("Key"), m_keyPanel));
    layout->addWidget(m_keyList);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Action"), m_keyPanel));
    layout->addWidget(m_keyActionList);
    layout->addStretch(1);
}

void TfrmDefine::buildTextPanel()
{
    m_textPanel = named(new QFrame(this), "plText");
    m_textPanel->setFrameShape(QFrame::StyledPanel);
    m_typedText = named(new QLineEdit(m_textPanel), "edText");
    auto* layout = new QHBoxLayout(m_textPanel);
    layout->addWidget(m_typedText);
}

void TfrmDefine::buildDelayPanel()
{
    m_delayPanel = named(new QFrame(this), "plDelay");
    m_delayPanel->setFrameShape(QFrame::StyledPanel);
    m_delayHours = spinField(m_delayPanel, "edIntHour", EditorText::DelayHours);
    m_delayMinutes = spinField(m_delayPanel, "edIntMin", EditorText::DelayMinutes);
    m_delaySeconds = spinField(m_delayPanel, "edIntSec", EditorText::DelaySeconds);
    m_delayTenths = spinField(m_delayPanel, "edIntTen", EditorText::DelayTenths);
    m_delayHundredths = spinField(m_delayPanel, "edIntHun", EditorText::DelayHundredths);
    m_delayThousandths = spinField(m_delayPanel, "edIntThd", EditorText::DelayThousandths);
    auto* layout = new QHBoxLayout(m_delayPanel);
    const std::pair<TypedSpinBox*, const char*> fields[] = {
        { m_delayHours, "Hours" },
        { m_delayMinutes, "Minutes" },
        { m_delaySeconds, "Seconds" },
        { m_delayTenths, "1/10 S" },
        { m_delayHundredths, "1/100 S" },
        { m_delayThousandths, "ms(1/1000 S)" },
    };
    for (const auto& [spin, caption] : fields) {
        layout->addWidget(spin);
        layout->addWidget(new QLabel(QString::fromLatin1(caption), m_delayPanel));
        layout->addSpacing(6);
    }
    layout->addStretch(1);
}

void TfrmDefine::buildLayout()
{
    auto* layout = new QGridLayout(this);
    const std::pair<QRadioButton*, QFrame*> rows[] = {
        { m_typeClick, m_clickPanel },
        { m_typeMove, m_movePanel },
        { m_typeKey, m_keyPanel },
        { m_typeText, m_textPanel },
        { m_typeDelay, m_delayPanel },
    };
    int row = 0;
    for (const auto& [radio, panel] : rows) {
        layout->addWidget(radio, row, 0, Qt::AlignTop);
        layout->addWidget(panel, row, 1);
        ++row;
    }
    layout->setColumnStretch(1, 1);

    // Tab order: each radio button before its panel, the panels in reading order.
    QWidget* order[] = { m_typeClick, m_buttonList, m_clickKindList, m_pointCurrent, m_pointFixed, m_pointColour,
        m_pointPicture, m_pointCaptureButton, m_clickX, m_clickY, m_colourCaptureButton, m_colourText,
        m_colourSimilarity, m_colourTestButton, m_pictureLoadButton, m_pictureSimilarity, m_pictureTestButton,
        m_typeMove, m_moveCaptureButton, m_moveX, m_moveY, m_typeKey, m_keyList, m_keyActionList, m_typeText,
        m_typedText, m_typeDelay, m_delayHours, m_delayMinutes, m_delaySeconds, m_delayTenths, m_delayHundredths,
        m_delayThousandths };
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmDefine::fillKeyList()
{
    m_keyList->clear();
    for (const KeyChoice& key : EditorKeyList())
        m_keyList->addItem(QString::fromStdString(key.name), key.code);
}

void TfrmDefine::SetChildrenEnabled(QWidget* panel, bool enabled)
{
    for (QObject* child : panel->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        widget->setEnabled(enabled);
        SetChildrenEnabled(widget, enabled);
    }
}

void TfrmDefine::ApplyTypeRule()
{
    ActionEditorFields chosen;
    chosen.type = m_typeGroup->checkedId();
    const EditorLayout layout = LayoutFor(chosen);
    QFrame* const panels[] = { m_clickPanel, m_movePanel, m_keyPanel, m_textPanel, m_delayPanel };
    for (size_t i = 0; i < std::size(panels); ++i)
        panels[i]->setEnabled(layout.panels[i]);
    for (size_t i = 0; i < std::size(panels); ++i)
        SetChildrenEnabled(panels[i], layout.panels[i]);
}

void TfrmDefine::ApplyClickPointRule()
{
    ActionEditorFields chosen;
    chosen.clickPoint = m_pointGroup->checkedId();
    const EditorLayout layout = LayoutFor(chosen);
    const std::pair<QGroupBox*, QPushButton*> targets[] = { { m_fixedPointBox, m_pointCaptureButton },
        { m_colourBox, m_colourCaptureButton }, { m_pictureBox, m_pictureLoadButton } };
    for (size_t i = 0; i < std::size(targets); ++i) {
        targets[i].first->setVisible(layout.targets[i]);
        targets[i].second->setEnabled(layout.targets[i]);
    }
    StopCapture();
}

void TfrmDefine::setFilePrompt(std::function<QString()> prompt)
{
    m_filePrompt = std::move(prompt);
}

void TfrmDefine::setWarningHandler(std::function<void(const QString&)> handler)
{
    m_warn = std::move(handler);
}

void TfrmDefine::showWarning(const QString& text)
{
    if (m_warn) {
        m_warn(text);
        return;
    }
    QMessageBox::warning(window(), QStringLiteral("Warning"), text);
}

} // namespace clickwisp
