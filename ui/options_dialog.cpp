#include "ui/options_dialog.h"

#include "config/config.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace clickwisp {

namespace {

// The twelve function keys; an item's index is the stored hot-key number.
QComboBox* functionKeyList(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (int i = 1; i <= 12; ++i)
        list->addItem(QStringLiteral("F%1").arg(i));
    return list;
}

QSpinBox* spin(QWidget* parent, int maximum, int step = 1)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSingleStep(step);
    box->setGroupSeparatorShown(false);
    return box;
}

// A row "label  MOD+ [list]" of a hot-key grid.
void addKeyRow(QGridLayout* grid, int row, const QString& label, const QString& modifier, QComboBox* list)
{
    grid->addWidget(new QLabel(label), row, 0);
    grid->addWidget(new QLabel(modifier), row, 1, Qt::AlignRight);
    grid->addWidget(list, row, 2);
}

// Selects item index in list, or none when the number is outside the list.
void selectNumber(QComboBox* list, int32_t number)
{
    list->setCurrentIndex(number >= 0 && number < list->count() ? number : -1);
}

// The stored number of a list: its item index. A list showing none (the
// configuration held a number outside F1-F12) keeps that number.
int32_t numberOf(const QComboBox* list, int32_t previous)
{
    return list->currentIndex() >= 0 ? list->currentIndex() : previous;
}

} // namespace

TFMConfig::TFMConfig(TConfig& config, QWidget* parent)
    : QDialog(parent)
    , m_config(config)
{
    setWindowTitle(QStringLiteral("Config Options"));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint & ~Qt::WindowContextHelpButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildRecordGroup());
    layout->addWidget(buildRepeatGroup());

    auto* buttons = new QDialogButtonBox(this);
    BitBtn1 = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    layout->addWidget(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        StoreToConfig();
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    layout->setSizeConstraint(QLayout::SetFixedSize);
    LoadFromConfig();
}

QWidget* TFMConfig::buildRecordGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Record Options"), this);
    auto* grid = new QGridLayout(group);
    cbMouseMove = new QCheckBox(QStringLiteral("Record mouse move"), group);
    cbMouseMove->setObjectName(QStringLiteral("cbMouseMove"));
    cbKeyboard = new QCheckBox(QStringLiteral("Record keystroke "), group);
    cbKeyboard->setObjectName(QStringLiteral("cbKeyboard"));
    grid->addWidget(cbMouseMove, 0, 0);
    grid->addWidget(cbKeyboard, 0, 2);
    cbShadeStart = functionKeyList(group);
    cbShadeStart->setObjectName(QStringLiteral("cbShadeStart"));
    cbShadeStop = functionKeyList(group);
    cbShadeStop->setObjectName(QStringLiteral("cbShadeStop"));
    addKeyRow(grid, 1, QStringLiteral("HotKey to Start Record:"), QStringLiteral("ALT+"), cbShadeStart);
    addKeyRow(grid, 2, QStringLiteral("HotKey to Stop Recond:"), QStringLiteral("ALT+"), cbShadeStop);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* TFMConfig::buildRepeatGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Repeat Options"), this);
    auto* layout = new QVBoxLayout(group);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    auto* keys = new QGroupBox(QStringLiteral("Hotkey"), group);
    auto* keyGrid = new QGridLayout(keys);
    cbRunningStart = functionKeyList(keys);
    cbRunningStart->setObjectName(QStringLiteral("cbRunningStart"));
    cbRunningStop = functionKeyList(keys);
    cbRunningStop->setObjectName(QStringLiteral("cbRunningStop"));
    addKeyRow(keyGrid, 0, QStringLiteral("Start repeat:"), QStringLiteral("CTRL+"), cbRunningStart);
    addKeyRow(keyGrid, 1, QStringLiteral("Stop repeat:"), QStringLiteral("CTRL+"), cbRunningStop);
    keyGrid->setRowStretch(2, 1);
    top->addWidget(keys);

    auto* mode = new QGroupBox(QStringLiteral("Repeat Mode"), group);
    auto* modeLayout = new QVBoxLayout(mode);
    rb1 = new QRadioButton(QStringLiteral("Repeat once"), mode);
    rb1->setObjectName(QStringLiteral("rb1"));
    rb2 = new QRadioButton(QStringLiteral("Repeat"), mode);
    rb2->setObjectName(QStringLiteral("rb2"));
    rb3 = new QRadioButton(QStringLiteral("Repeat until get stop order"), mode);
    rb3->setObjectName(QStringLiteral("rb3"));
    auto* modes = new QButtonGroup(mode);
    modes->addButton(rb1);
    modes->addButton(rb2);
    modes->addButton(rb3);
    udrepeat = spin(mode, 10000, 10);
    udrepeat->setObjectName(QStringLiteral("edRepTime"));
    auto* times = new QHBoxLayout;
    times->addWidget(rb2);
    times->addWidget(udrepeat);
    times->addWidget(new QLabel(QStringLiteral("times"), mode));
    times->addStretch();
    modeLayout->addWidget(rb1);
    modeLayout->addLayout(times);
    modeLayout->addWidget(rb3);
    top->addWidget(mode, 1);

    auto* interval = new QGroupBox(QStringLiteral("Interval Between Repeat"), group);
    auto* intervalLayout = new QHBoxLayout(interval);
    UpDown2 = spin(interval, 23);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown3 = spin(interval, 59);
    UpDown3->setObjectName(QStringLiteral("UpDown3"));
    UpDown4 = spin(interval, 59);
    UpDown4->setObjectName(QStringLiteral("UpDown4"));
    UpDown5 = spin(interval, 9);
    UpDown5->setObjectName(QStringLiteral("UpDown5"));
    const std::pair<QSpinBox*, const char*> parts[]
        = { { UpDown2, "Hours" }, { UpDown3, "Minutes" }, { UpDown4, "Seconds" }, { UpDown5, "1/10 S" } };
    for (const auto& [box, caption] : parts) {
        intervalLayout->addWidget(box);
        intervalLayout->addWidget(new QLabel(QString::fromLatin1(caption), interval));
        intervalLayout->addSpacing(8);
    }
    intervalLayout->addStretch();
    layout->addWidget(interval);
    layout->addWidget(buildSpeedGroup());
    return group;
}

QWidget* TFMConfig::buildSpeedGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Repeat Speed Setting"), this);
    auto* layout = new QVBoxLayout(group);
    auto labelRow = [&](std::initializer_list<const char*> texts) {
        auto* row = new QHBoxLayout;
        bool first = true;
        for (const char* text : texts) {
            if (!first)
                row->addStretch();
            first = false;
            row->addWidget(new QLabel(QString::fromLatin1(text), group));
        }
        layout->addLayout(row);
    };
    labelRow({ "1/10", "1/5", "1", "5", "10" });
    TrackBar1 = new QSlider(Qt::Horizontal, group);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(-9, 9);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(1);
    TrackBar1->setMinimumWidth(360);
    layout->addWidget(TrackBar1);
    labelRow({ "Slow", "Normal", "Fast" });
    return group;
}

void TFMConfig::LoadFromConfig()
{
    const auto shade = m_config.GetShade();
    const auto running = m_config.GetRunning();
    cbMouseMove->setChecked(shade.mousemove());
    cbKeyboard->setChecked(shade.keyboard());
    selectNumber(cbShadeStart, shade.start());
    selectNumber(cbShadeStop, shade.stop());
    selectNumber(cbRunningStart, running.start());
    selectNumber(cbRunningStop, running.stop());

    // A repeat value other than 0, 1 or 2 leaves every mode unchecked.
    auto* modes = rb1->group();
    modes->setExclusive(false);
    rb1->setChecked(running.repeat() == 0);
    rb2->setChecked(running.repeat() == 1);
    rb3->setChecked(running.repeat() == 2);
    modes->setExclusive(true);

    udrepeat->setValue(running.times());
    TrackBar1->setValue(running.speed());

    const int32_t i = running.interval();
    UpDown2->setValue(i / 3600000);
    UpDown3->setValue(i % 3600000 / 60000);
    UpDown4->setValue(i % 60000 / 1000);
    UpDown5->setValue(i % 1000 / 100);
}

void TFMConfig::StoreToConfig()
{
    auto shade = m_config.GetShade();
    auto running = m_config.GetRunning();
    shade.setMousemove(cbMouseMove->isChecked());
    shade.setKeyboard(cbKeyboard->isChecked());
    shade.setStart(numberOf(cbShadeStart, shade.start()));
    shade.setStop(numberOf(cbShadeStop, shade.stop()));
    running.setStart(numberOf(cbRunningStart, running.start()));
    running.setStop(numberOf(cbRunningStop, running.stop()));
    running.setRepeat(rb1->isChecked() ? 0 : rb2->isChecked() ? 1 : 2);
    running.setTimes(udrepeat->value());
    running.setSpeed(TrackBar1->value());
    running.setInterval(
        UpDown2->value() * 3600000 + UpDown3->value() * 60000 + UpDown4->value() * 1000 + UpDown5->value() * 100);
}

} // namespace clickwisp
