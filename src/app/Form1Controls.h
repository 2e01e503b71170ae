#pragma once

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QWidget;

// The main window's controls under their designer names. State lives in the
// controls themselves: captions, values, selections, the timers' flags.
struct Form1Controls {
    QPushButton* PushButton2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QDateTimeEdit* DTPicker1 = nullptr;
    QLabel* Label1 = nullptr;
    QDateTimeEdit* DTPicker2 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QSlider* Slider1 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check8 = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* Slider2 = nullptr;
    QWidget* WindowsMediaPlayer1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};
