#include "ui/options_dialog.h"

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
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

namespace clickwisp {

namespace {

// The function keys; an item's index is the stored hot-key number.
QComboBox* functionKeyList(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (const std::string& name : FunctionKeyNames())
        list->addItem(QString::fromStdString(name));
    return list;
}

QSpinBox* spin(QWidget* parent, NumberRange range)
{
    auto* box = new QSpinBox(parent);
    box->setRange(range.minimum, range.maximum);
    box->setSingleStep(range.step);
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

} // namespace

TFMConfig::TFMConfig(TConfig& config, QWidget* parent, OptionsContext context)
    : QDialog(parent)
    , m_config(config)
    , m_context(context)
{
    setWindowTitle(QStringLiteral("Config Options"));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint & ~Qt::WindowContextHelpButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildRecordGroup());
    layout->addWidget(buildRepeatGroup());
    if (!ManualKeyBindings(OptionsFields {}, m_context).empty())
        layout->addWidget(buildBindingsGroup());

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
    if (m_bindings) {
        for (size_t i = 0; i < 4; ++i)
            connect(hotKeyList(i), &QComboBox::currentIndexChanged, this, &TFMConfig::showBindings);
        showBindings();
    }
}

QWidget* TFMConfig::buildBindingsGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Hot keys on this desktop"), this);
    auto* layout = new QVBoxLayout(group);
    auto* lead = new QLabel(QStringLiteral("This desktop does not let programs take global hot keys. Bind these keys "
                                           "to these commands in the desktop's keyboard settings:"),
        group);
    lead->setWordWrap(true);
    layout->addWidget(lead);
    m_bindings = named(new QLabel(group), "ManualKeyBindings");
    m_bindings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bindings->setTextFormat(Qt::PlainText);
    layout->addWidget(m_bindings);
    return group;
}

void TFMConfig::showBindings()
{
    QStringList lines;
    for (const ManualKeyBinding& binding : ManualKeyBindings(fieldsShown(), m_context))
        lines << QStringLiteral("%1\t%2").arg(
            QString::fromStdString(binding.keys), QString::fromStdString(binding.command));
    m_bindings->setText(lines.join(QLatin1Char('\n')));
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
    m_repeatCount = named(spin(mode, kRepeatTimes), "edRepTime");
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
    m_intervalHours = named(spin(interval, kIntervalParts[0]), "UpDown2");
    m_intervalMinutes = named(spin(interval, kIntervalParts[1]), "UpDown3");
    m_intervalSeconds = named(spin(interval, kIntervalParts[2]), "UpDown4");
    m_intervalTenths = named(spin(interval, kIntervalParts[3]), "UpDown5");
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
    m_speed->setRange(kSpeed.minimum, kSpeed.maximum);
    m_speed->setPageStep(kSpeed.step);
    m_speed->setTickPosition(QSlider::TicksBelow);
    m_speed->setTickInterval(1);
    m_speed->setMinimumWidth(360);
    layout->addWidget(m_speed);
    labelRow({ "Slow", "Normal", "Fast" });
    return group;
}

QComboBox* TFMConfig::hotKeyList(size_t which) const
{
    QComboBox* const lists[] = { m_recordStartKey, m_recordStopKey, m_runStartKey, m_runStopKey };
    return lists[which];
}

QSpinBox* TFMConfig::intervalPart(size_t which) const
{
    QSpinBox* const parts[] = { m_intervalHours, m_intervalMinutes, m_intervalSeconds, m_intervalTenths };
    return parts[which];
}

void TFMConfig::LoadFromConfig()
{
    const OptionsFields fields = OptionsFromConfig(m_config);
    m_recordMoves->setChecked(fields.recordMoves);
    m_recordKeys->setChecked(fields.recordKeys);
    for (size_t i = 0; i < fields.hotKeys.size(); ++i)
        hotKeyList(i)->setCurrentIndex(fields.hotKeys[i]);

    auto* modes = m_repeatOnce->group();
    modes->setExclusive(false);
    m_repeatOnce->setChecked(fields.repeatMode == 0);
    m_repeatTimes->setChecked(fields.repeatMode == 1);
    m_repeatUntilStopped->setChecked(fields.repeatMode == 2);
    modes->setExclusive(true);

    m_repeatCount->setValue(fields.times);
    m_speed->setValue(fields.speed);
    for (size_t i = 0; i < fields.interval.size(); ++i)
        intervalPart(i)->setValue(fields.interval[i]);
}

OptionsFields TFMConfig::fieldsShown() const
{
    OptionsFields fields;
    fields.recordMoves = m_recordMoves->isChecked();
    fields.recordKeys = m_recordKeys->isChecked();
    for (size_t i = 0; i < fields.hotKeys.size(); ++i)
        fields.hotKeys[i] = hotKeyList(i)->currentIndex();
    fields.repeatMode = m_repeatOnce->isChecked() ? 0
        : m_repeatTimes->isChecked()              ? 1
        : m_repeatUntilStopped->isChecked()       ? 2
                                                  : -1;
    fields.times = m_repeatCount->value();
    fields.speed = m_speed->value();
    for (size_t i = 0; i < fields.interval.size(); ++i)
        fields.interval[i] = intervalPart(i)->value();
    return fields;
}

void TFMConfig::StoreToConfig()
{
    StoreOptions(fieldsShown(), m_config);
}

} // namespace clickwisp
