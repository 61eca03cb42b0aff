#pragma once

#include "app/options_presenter.h"

#include <QDialog>

#include <cstddef>

class QCheckBox;
class QLabel;
class QPushButton;
class QComboBox;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace clickwisp {

class TConfig;

// The options dialog "Config Options": the recorder options, the four hot
// keys and the playback (repeat) options of the configuration, converted by
// app/options_presenter.h. It edits the
// configuration in memory only: OK stores the controls into it, Cancel or
// closing stores nothing. Created for one showing.
class TFMConfig : public QDialog {
    Q_OBJECT
public:
    // With a context asking for it, the dialog also lists the key bindings to
    // make in the compositor's settings, following the chosen keys.
    TFMConfig(TConfig& config, QWidget* parent = nullptr, OptionsContext context = {});

    // Fills the controls from the configuration (done on construction).
    void LoadFromConfig();
    // Stores the controls into the configuration (done by OK).
    void StoreToConfig();

private:
    QWidget* buildRecordGroup();
    QWidget* buildRepeatGroup();
    QWidget* buildSpeedGroup();
    QWidget* buildBindingsGroup();
    void showBindings();
    OptionsFields fieldsShown() const;
    // The hot-key lists and interval parts in the presenter's order.
    QComboBox* hotKeyList(size_t which) const;
    QSpinBox* intervalPart(size_t which) const;

    TConfig& m_config;
    OptionsContext m_context;
    // The widgets; each carries its designer name (in the comments) as
    // objectName(), by which tests find it.
    QCheckBox* m_recordMoves; // cbMouseMove
    QCheckBox* m_recordKeys; // cbKeyboard
    QComboBox* m_recordStartKey; // cbShadeStart
    QComboBox* m_recordStopKey; // cbShadeStop
    QComboBox* m_runStartKey; // cbRunningStart
    QComboBox* m_runStopKey; // cbRunningStop
    QRadioButton* m_repeatOnce; // rb1
    QRadioButton* m_repeatTimes; // rb2
    QRadioButton* m_repeatUntilStopped; // rb3
    QSpinBox* m_repeatCount; // edRepTime (with its arrows udrepeat)
    QSpinBox* m_intervalHours; // UpDown2
    QSpinBox* m_intervalMinutes; // UpDown3
    QSpinBox* m_intervalSeconds; // UpDown4
    QSpinBox* m_intervalTenths; // UpDown5
    QSlider* m_speed; // TrackBar1
    QLabel* m_bindings = nullptr; // ManualKeyBindings: only where the user binds the keys
    QPushButton* m_okButton; // BitBtn1
    QPushButton* m_cancelButton; // BitBtn2
};

} // namespace clickwisp
