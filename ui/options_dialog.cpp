#include "ui/options_dialog.h"

#include "config/config.h"
#include "ui/widget_name.h"

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
    m_okButton = named(buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole), "BitBtn1");
    m_cancelButton = named(buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole), "BitBtn2");
    m_okButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    m_cancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    layout->addWidget(buttons);
    connect(m_okButton, &QPushButton::clicked, this, [this] {
        StoreToConfig();
        accept();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    layout->setSizeConstraint(QLayout::SetFixedSize);
    LoadFromConfig();
}

QWidget* TFMConfig::buildRecordGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Record Options"), this);
    auto* grid = new QGridLayout(group);
    m_recordMoves = named(new QCheckBox(QStringLiteral("Record mouse move"), group), "cbMouseMove");
    m_recordKeys = named(new QCheckBox(QStringLiteral("Record keystroke "), group), "cbKeyboard");
    grid->addWidget(m_recordMoves, 0, 0);
    grid->addWidget(m_recordKeys, 0, 2);
    m_recordStartKey = named(functionKeyList(group), "cbShadeStart");
    m_recordStopKey = named(functionKeyList(group), "cbShadeStop");
    addKeyRow(grid, 1, QStringLiteral("HotKey to Start Record:"), QStringLiteral("ALT+"), m_recordStartKey);
    addKeyRow(grid, 2, QStringLiteral("HotKey to Stop Recond:"), QStringLiteral("ALT+"), m_recordStopKey);
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
    m_runStartKey = named(functionKeyList(keys), "cbRunningStart");
    m_runStopKey = named(functionKeyList(keys), "cbRunningStop");
    addKeyRow(keyGrid, 0, QStringLiteral("Start repeat:"), QStringLiteral("CTRL+"), m_runStartKey);
    addKeyRow(keyGrid, 1, QStringLiteral("Stop repeat:"), QStringLiteral("CTRL+"), m_runStopKey);
    keyGrid->setRowStretch(2, 1);
    top->addWidget(keys);

    auto* mode = new QGroupBox(QStringLiteral("Repeat Mode"), group);
    auto* modeLayout = new QVBoxLayout(mode);
    m_repeatOnce = named(new QRadioButton(QStringLiteral("Repeat once"), mode), "rb1");
    m_repeatTimes = named(new QRadioButton(QStringLiteral("Repeat"), mode), "rb2");
    m_repeatUntilStopped = named(new QRadioButton(QStringLiteral("Repeat until get stop order"), mode), "rb3");
    auto* modes = new QButtonGroup(mode);
    modes->addButton(m_repeatOnce);
    modes->addButton(m_repeatTimes);
    modes->addButton(m_repeatUntilStopped);
    m_repeatCount = named(spin(mode, 10000, 10), "edRepTime");
    auto* times = new QHBoxLayout;
    times->addWidget(m_repeatTimes);
    times->addWidget(m_repeatCount);
    times->addWidget(new QLabel(QStringLiteral("times"), mode));
    times->addStretch();
    modeLayout->addWidget(m_repeatOnce);
    modeLayout->addLayout(times);
    modeLayout->addWidget(m_repeatUntilStopped);
    top->addWidget(mode, 1);

    auto* interval = new QGroupBox(QStringLiteral("Interval Between Repeat"), group);
    auto* intervalLayout = new QHBoxLayout(interval);
    m_intervalHours = named(spin(interval, 23), "UpDown2");
    m_intervalMinutes = named(spin(interval, 59), "UpDown3");
    m_intervalSeconds = named(spin(interval, 59), "UpDown4");
    m_intervalTenths = named(spin(interval, 9), "UpDown5");
    const std::pair<QSpinBox*, const char*> parts[] = { { m_intervalHours, "Hours" }, { m_intervalMinutes, "Minutes" },
        { m_intervalSeconds, "Seconds" }, { m_intervalTenths, "1/10 S" } };
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
    m_speed = named(new QSlider(Qt::Horizontal, group), "TrackBar1");
    m_speed->setRange(-9, 9);
    m_speed->setPageStep(1);
    m_speed->setTickPosition(QSlider::TicksBelow);
    m_speed->setTickInterval(1);
    m_speed->setMinimumWidth(360);
    layout->addWidget(m_speed);
    labelRow({ "Slow", "Normal", "Fast" });
    return group;
}

void TFMConfig::LoadFromConfig()
{
    const auto shade = m_config.GetShade();
    const auto running = m_config.GetRunning();
    m_recordMoves->setChecked(shade.mousemove());
    m_recordKeys->setChecked(shade.keyboard());
    selectNumber(m_recordStartKey, shade.start());
    selectNumber(m_recordStopKey, shade.stop());
    selectNumber(m_runStartKey, running.start());
    selectNumber(m_runStopKey, running.stop());

    // A repeat value other than 0, 1 or 2 leaves every mode unchecked.
    auto* modes = m_repeatOnce->group();
    modes->setExclusive(false);
    m_repeatOnce->setChecked(running.repeat() == 0);
    m_repeatTimes->setChecked(running.repeat() == 1);
    m_repeatUntilStopped->setChecked(running.repeat() == 2);
    modes->setExclusive(true);

    m_repeatCount->setValue(running.times());
    m_speed->setValue(running.speed());

    const int32_t i = running.interval();
    m_intervalHours->setValue(i / 3600000);
    m_intervalMinutes->setValue(i % 3600000 / 60000);
    m_intervalSeconds->setValue(i % 60000 / 1000);
    m_intervalTenths->setValue(i % 1000 / 100);
}

void TFMConfig::StoreToConfig()
{
    auto shade = m_config.GetShade();
    auto running = m_config.GetRunning();
    shade.setMousemove(m_recordMoves->isChecked());
    shade.setKeyboard(m_recordKeys->isChecked());
    shade.setStart(numberOf(m_recordStartKey, shade.start()));
    shade.setStop(numberOf(m_recordStopKey, shade.stop()));
    running.setStart(numberOf(m_runStartKey, running.start()));
    running.setStop(numberOf(m_runStopKey, running.stop()));
    running.setRepeat(m_repeatOnce->isChecked() ? 0 : m_repeatTimes->isChecked() ? 1 : 2);
    running.setTimes(m_repeatCount->value());
    running.setSpeed(m_speed->value());
    running.setInterval(m_intervalHours->value() * 3600000 + m_intervalMinutes->value() * 60000
        + m_intervalSeconds->value() * 1000 + m_intervalTenths->value() * 100);
}

} // namespace clickwisp
