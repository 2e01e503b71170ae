#pragma once

#include <QString>

class Clock;
class ErrorReport;
class MediaPlayer;
class SettingsStore;

// What the window's handlers need besides its controls.
struct FormServices {
    SettingsStore& settings;
    MediaPlayer& player;
    ErrorReport& errors;
    Clock& clock;
    QString programFolder;
};
