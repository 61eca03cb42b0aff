#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QComboBox;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace clickwisp {

class TConfig;

// The options dialog "Config Options": the recorder options, the four hot
// keys and the playback (repeat) options of the configuration. It edits the
// configuration in memory only: OK stores the controls into it, Cancel or
// closing stores nothing. Created for one showing.
class TFMConfig : public QDialog {
    Q_OBJECT
public:
    TFMConfig(TConfig& config, QWidget* parent = nullptr);

    // Fills the controls from the configuration (done on construction).
    void LoadFromConfig();
    // Stores the controls into the configuration (done by OK).
    void StoreToConfig();

    QCheckBox* cbMouseMove;
    QCheckBox* cbKeyboard;
    QComboBox* cbShadeStart;
    QComboBox* cbShadeStop;
    QComboBox* cbRunningStart;
    QComboBox* cbRunningStop;
    QRadioButton* rb1;
    QRadioButton* rb2;
    QRadioButton* rb3;
    QSpinBox* udrepeat; // with its field edRepTime
    QSpinBox* UpDown2; // hours
    QSpinBox* UpDown3; // minutes
    QSpinBox* UpDown4; // seconds
    QSpinBox* UpDown5; // tenths of a second
    QSlider* TrackBar1;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel

private:
    QWidget* buildRecordGroup();
    QWidget* buildRepeatGroup();
    QWidget* buildSpeedGroup();

    TConfig& m_config;
};

} // namespace clickwisp
