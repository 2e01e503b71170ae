#pragma once

#include "playback/PlaybackContext.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QWidget;

// The main window's controls under their designer names: those the playback
// handlers use, and the rest. State lives in the controls themselves.
struct Form1Controls : PlaybackControls {
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check8 = nullptr;
    QLabel* Label2 = nullptr;
    QWidget* WindowsMediaPlayer1 = nullptr;
};
