#pragma once

#include <QString>

class Clock;
class ErrorReport;
class MediaPlayer;
class NativeNames;
class QComboBox;
class QDateTimeEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class SettingsStore;

// The window's controls that the playback handlers read and set, under their
// designer names. State lives in the controls: captions, values, timers' flags.
struct PlaybackControls {
    QPushButton* PushButton2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QDateTimeEdit* DTPicker1 = nullptr;
    QDateTimeEdit* DTPicker2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QSlider* Slider1 = nullptr;
    QSlider* Slider2 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};

// What the handlers need besides the controls.
struct PlaybackServices {
    SettingsStore& settings;
    MediaPlayer& player;
    ErrorReport& errors;
    Clock& clock;
    QString programFolder;
    // The bytes of listed names that are not UTF-8; none in tests that list none.
    const NativeNames* names = nullptr;
};
