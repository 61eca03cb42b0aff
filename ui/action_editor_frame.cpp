// Construction and layout of the editor frame, the type and click-point
// rules, and the key list. Loading, saving, capture and pictures are in
// action_editor_fields.cpp.
#include "ui/action_editor_frame.h"

#include "core/key_names.h"
#include "ui/typed_fields.h"

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

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* pointField(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = named(new QLineEdit(text, parent), name);
    edit->setValidator(new TypedFieldFilter(edit, true, 4));
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

TypedSpinBox* similarityField(QWidget* parent, const char* name)
{
    auto* spin = named(new TypedSpinBox(parent, 60, 100, 5, true, 0), name);
    spin->setText(QStringLiteral("100"));
    return spin;
}

TypedSpinBox* timeField(QWidget* parent, const char* name, int maximum, int maxLength, const char* text)
{
    auto* spin = named(new TypedSpinBox(parent, 0, maximum, 1, false, maxLength), name);
    spin->setText(QString::fromLatin1(text));
    return spin;
}

} // namespace

TfrmDefine::TfrmDefine(QWidget* parent, InputInjector* input, ScreenSource* screen)
    : QFrame(parent)
    , m_input(input)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("frmDefine"));
    rbClick = named(new QRadioButton(QStringLiteral("Mouse Click"), this), "rbClick");
    rbMove = named(new QRadioButton(QStringLiteral("Mouse Move"), this), "rbMove");
    rbKey = named(new QRadioButton(QStringLiteral("Keystroke "), this), "rbKey");
    rbText = named(new QRadioButton(QStringLiteral("Type Text"), this), "rbText");
    rbDelay = named(new QRadioButton(QStringLiteral("Delay"), this), "rbDelay");
    m_typeGroup = new QButtonGroup(this);
    for (auto* rb : { rbClick, rbMove, rbKey, rbText, rbDelay })
        m_typeGroup->addButton(rb, m_typeGroup->buttons().size());

    buildClickPanel();
    buildMovePanel();
    buildKeyPanel();
    buildTextPanel();
    buildDelayPanel();
    buildLayout();

    timerSetPoint = named(new QTimer(this), "timerSetPoint");
    timerSetPoint->setInterval(10);
    connect(timerSetPoint, &QTimer::timeout, this, &TfrmDefine::timerSetPointTimer);

    connect(m_typeGroup, &QButtonGroup::idClicked, this, [this] { ApplyTypeRule(); });
    connect(m_pointGroup, &QButtonGroup::idClicked, this, [this] { ApplyClickPointRule(); });
    connect(btnCapture, &QPushButton::clicked, this, &TfrmDefine::StartPointCapture);
    connect(btnMoveCapture, &QPushButton::clicked, this, &TfrmDefine::StartPointCapture);
    connect(btnCaptureColor, &QPushButton::clicked, this, &TfrmDefine::StartColorCapture);
    connect(btnBMP, &QPushButton::clicked, this, &TfrmDefine::btnBMPClick);
    connect(btnTestColor, &QPushButton::clicked, this, [this] { StartTargetTest(false); });
    connect(btnTestBMP, &QPushButton::clicked, this, [this] { StartTargetTest(true); });

    rbClick->setChecked(true);
    rbCurrent->setChecked(true);
    ApplyTypeRule();
    ApplyClickPointRule();
    fillKeyList();
}

TfrmDefine::~TfrmDefine() = default;

void TfrmDefine::buildClickPanel()
{
    plClick = named(new QFrame(this), "plClick");
    plClick->setFrameShape(QFrame::StyledPanel);

    cbButton = named(new QComboBox(plClick), "cbButton");
    cbButton->addItems(
        { QStringLiteral("Left Button"), QStringLiteral("Right Button"), QStringLiteral("Middle Button") });
    cbClick = named(new QComboBox(plClick), "cbClick");
    cbClick->addItems({ QStringLiteral("Single Click"), QStringLiteral("Double Click"), QStringLiteral("Button Down"),
        QStringLiteral("Button Up") });

    gbClickPoint = named(new QGroupBox(QStringLiteral("Click Point"), plClick), "gbClickPoint");
    rbCurrent = named(new QRadioButton(QStringLiteral("Click where the mouse is"), gbClickPoint), "rbCurrent");
    rbFixed = named(new QRadioButton(QStringLiteral("Click on a fixed point"), gbClickPoint), "rbFixed");
    rbColor = named(new QRadioButton(QStringLiteral("Click color block "), gbClickPoint), "rbColor");
    rbBMP = named(new QRadioButton(QStringLiteral("Click BMP block"), gbClickPoint), "rbBMP");
    m_pointGroup = new QButtonGroup(this);
    auto* pointLayout = new QGridLayout(gbClickPoint);
    int id = 0;
    for (auto* rb : { rbCurrent, rbFixed, rbColor, rbBMP }) {
        m_pointGroup->addButton(rb, id);
        pointLayout->addWidget(rb, id / 2, id % 2);
        ++id;
    }

    // The three target groups share one place; only the chosen one shows.
    auto* targets = new QWidget(plClick);
    auto* targetLayout = new QGridLayout(targets);
    targetLayout->setContentsMargins(0, 0, 0, 0);

    gbPoint = named(new QGroupBox(QStringLiteral("specify click point"), targets), "gbPoint");
    btnCapture = named(new QPushButton(QStringLiteral("Start Capture"), gbPoint), "btnCapture");
    edPX = pointField(gbPoint, "edPX", QStringLiteral("1000"));
    edPY = pointField(gbPoint, "edPY", QStringLiteral("600"));
    layOutPointCapture(gbPoint, btnCapture, edPX, edPY)->setRowStretch(2, 1);

    gbColor = named(new QGroupBox(QStringLiteral("specify color block"), targets), "gbColor");
    btnCaptureColor = named(new QPushButton(QStringLiteral("Start Capture"), gbColor), "btnCaptureColor");
    edCl = named(new QLineEdit(gbColor), "edCl");
    edCl->setReadOnly(true);
    edCl->setFocusPolicy(Qt::NoFocus);
    edCl->setFixedWidth(edCl->sizeHint().height() * 2);
    edColor = named(new QLineEdit(QStringLiteral("clBlack"), gbColor), "edColor");
    edColor->setReadOnly(true);
    edSimilar = similarityField(gbColor, "edSimilar");
    auto* colorGrid = new QGridLayout(gbColor);
    colorGrid->addWidget(btnCaptureColor, 0, 0);
    colorGrid->addWidget(edCl, 0, 1);
    colorGrid->addWidget(edColor, 0, 2, 1, 3);
    colorGrid->addWidget(new QLabel(QStringLiteral("Color Simliar:"), gbColor), 1, 0);
    colorGrid->addWidget(edSimilar, 1, 1, 1, 2, Qt::AlignLeft);
    colorGrid->addWidget(new QLabel(QStringLiteral("%"), gbColor), 1, 3);
    colorGrid->setColumnStretch(4, 1);
    colorGrid->addWidget(new QLabel(QString::fromLatin1(kCaptureHint), gbColor), 2, 0, 1, 5);
    btnTestColor = named(new QPushButton(QStringLiteral("Test"), gbColor), "btnTestColor");
    lbTestColor = named(new QLabel(gbColor), "lbTestColor");
    colorGrid->addWidget(btnTestColor, 3, 0);
    colorGrid->addWidget(lbTestColor, 3, 1, 1, 4);

    gbBMP = named(new QGroupBox(QStringLiteral("specify bmp"), targets), "gbBMP");
    btnBMP = named(new QPushButton(QStringLiteral("Load BMP"), gbBMP), "btnBMP");
    sbImage = named(new QScrollArea(gbBMP), "sbImage");
    ImageBMP = named(new QLabel(sbImage), "ImageBMP");
    ImageBMP->setAlignment(Qt::AlignCenter);
    sbImage->setWidget(ImageBMP);
    sbImage->setWidgetResizable(true);
    sbImage->setAlignment(Qt::AlignCenter);
    sbImage->setMinimumSize(160, 72);
    edBMPSimilar = similarityField(gbBMP, "edBMPSimilar");
    auto* bmpGrid = new QGridLayout(gbBMP);
    bmpGrid->addWidget(btnBMP, 0, 0);
    bmpGrid->addWidget(sbImage, 0, 1, 3, 1);
    bmpGrid->addWidget(new QLabel(QStringLiteral("BMP Simliar:"), gbBMP), 1, 0);
    auto* bmpSimilarRow = new QHBoxLayout;
    bmpSimilarRow->addWidget(edBMPSimilar);
    bmpSimilarRow->addWidget(new QLabel(QStringLiteral("%"), gbBMP));
    bmpSimilarRow->addStretch(1);
    bmpGrid->addLayout(bmpSimilarRow, 2, 0);
    btnTestBMP = named(new QPushButton(QStringLiteral("Test"), gbBMP), "btnTestBMP");
    lbTestBMP = named(new QLabel(gbBMP), "lbTestBMP");
    bmpGrid->addWidget(btnTestBMP, 3, 0);
    bmpGrid->addWidget(lbTestBMP, 3, 1);
    bmpGrid->setColumnStretch(1, 1);

    for (auto* group : { gbPoint, gbColor, gbBMP })
        targetLayout->addWidget(group, 0, 0);
    // Room for the largest group, so the dialog keeps its size when the
    // click point changes.
    QSize room;
    for (auto* group : { gbPoint, gbColor, gbBMP })
        room = room.expandedTo(group->sizeHint());
    targets->setMinimumSize(room);

    auto* layout = new QGridLayout(plClick);
    layout->addWidget(new QLabel(QStringLiteral("Mouse"), plClick), 0, 0);
    layout->addWidget(cbButton, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Action"), plClick), 0, 2);
    layout->addWidget(cbClick, 0, 3);
    layout->setColumnStretch(4, 1);
    layout->addWidget(gbClickPoint, 1, 0, 1, 5);
    layout->addWidget(targets, 2, 0, 1, 5);
}

void TfrmDefine::buildMovePanel()
{
    plMove = named(new QFrame(this), "plMove");
    plMove->setFrameShape(QFrame::StyledPanel);
    btnMoveCapture = named(new QPushButton(QStringLiteral("Start Capture"), plMove), "btnMoveCapture");
    edMoveX = pointField(plMove, "edMoveX", QStringLiteral("1000"));
    edMoveY = pointField(plMove, "edMoveY", QStringLiteral("600"));
    layOutPointCapture(plMove, btnMoveCapture, edMoveX, edMoveY);
}

void TfrmDefine::buildKeyPanel()
{
    plKey = named(new QFrame(this), "plKey");
    plKey->setFrameShape(QFrame::StyledPanel);
    cbKey = named(new QComboBox(plKey), "cbKey");
    cbKey->setMaxVisibleItems(20);
    cbKeyAction = named(new QComboBox(plKey), "cbKeyAction");
    cbKeyAction->addItems({ QStringLiteral("Key Down"), QStringLiteral("Key Up"), QStringLiteral("Key Press") });
    auto* layout = new QHBoxLayout(plKey);
    layout->addWidget(new QLabel(QStringLiteral("Key"), plKey));
    layout->addWidget(cbKey);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Action"), plKey));
    layout->addWidget(cbKeyAction);
    layout->addStretch(1);
}

void TfrmDefine::buildTextPanel()
{
    plText = named(new QFrame(this), "plText");
    plText->setFrameShape(QFrame::StyledPanel);
    edText = named(new QLineEdit(plText), "edText");
    auto* layout = new QHBoxLayout(plText);
    layout->addWidget(edText);
}

void TfrmDefine::buildDelayPanel()
{
    plDelay = named(new QFrame(this), "plDelay");
    plDelay->setFrameShape(QFrame::StyledPanel);
    edIntHour = timeField(plDelay, "edIntHour", 23, 2, "0");
    edIntMin = timeField(plDelay, "edIntMin", 59, 2, "0");
    edIntSec = timeField(plDelay, "edIntSec", 59, 2, "1");
    edIntTen = timeField(plDelay, "edIntTen", 9, 1, "0");
    edIntHun = timeField(plDelay, "edIntHun", 9, 1, "0");
    edIntThd = timeField(plDelay, "edIntThd", 9, 1, "0");
    auto* layout = new QHBoxLayout(plDelay);
    const std::pair<TypedSpinBox*, const char*> fields[] = {
        { edIntHour, "Hours" },
        { edIntMin, "Minutes" },
        { edIntSec, "Seconds" },
        { edIntTen, "1/10 S" },
        { edIntHun, "1/100 S" },
        { edIntThd, "ms(1/1000 S)" },
    };
    for (const auto& [spin, caption] : fields) {
        layout->addWidget(spin);
        layout->addWidget(new QLabel(QString::fromLatin1(caption), plDelay));
        layout->addSpacing(6);
    }
    layout->addStretch(1);
}

void TfrmDefine::buildLayout()
{
    auto* layout = new QGridLayout(this);
    const std::pair<QRadioButton*, QFrame*> rows[] = {
        { rbClick, plClick },
        { rbMove, plMove },
        { rbKey, plKey },
        { rbText, plText },
        { rbDelay, plDelay },
    };
    int row = 0;
    for (const auto& [radio, panel] : rows) {
        layout->addWidget(radio, row, 0, Qt::AlignTop);
        layout->addWidget(panel, row, 1);
        ++row;
    }
    layout->setColumnStretch(1, 1);

    // Tab order: each radio button before its panel, the panels in reading order.
    QWidget* order[] = { rbClick, cbButton, cbClick, rbCurrent, rbFixed, rbColor, rbBMP, btnCapture, edPX, edPY,
        btnCaptureColor, edColor, edSimilar, btnTestColor, btnBMP, edBMPSimilar, btnTestBMP, rbMove, btnMoveCapture,
        edMoveX, edMoveY, rbKey, cbKey, cbKeyAction, rbText, edText, rbDelay, edIntHour, edIntMin, edIntSec, edIntTen,
        edIntHun, edIntThd };
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfrmDefine::fillKeyList()
{
    cbKey->clear();
    auto add = [this](int code) {
        const std::string name = KeyName(code);
        if (!name.empty())
            cbKey->addItem(QString::fromStdString(name), code);
    };
    for (int code = 48; code <= 256; ++code)
        add(code);
    for (int code = 1; code <= 47; ++code)
        add(code);
    cbKey->setCurrentIndex(cbKey->count() > 0 ? 0 : -1);
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
    const std::pair<QRadioButton*, QFrame*> rows[] = {
        { rbClick, plClick },
        { rbMove, plMove },
        { rbKey, plKey },
        { rbText, plText },
        { rbDelay, plDelay },
    };
    for (const auto& [radio, panel] : rows)
        panel->setEnabled(radio->isChecked());
    for (const auto& [radio, panel] : rows)
        SetChildrenEnabled(panel, radio->isChecked());
}

void TfrmDefine::ApplyClickPointRule()
{
    gbPoint->setVisible(rbFixed->isChecked());
    btnCapture->setEnabled(rbFixed->isChecked());
    gbColor->setVisible(rbColor->isChecked());
    btnCaptureColor->setEnabled(rbColor->isChecked());
    gbBMP->setVisible(rbBMP->isChecked());
    btnBMP->setEnabled(rbBMP->isChecked());
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
