#pragma once

#include <QLoggingCategory>

// What the program says on its log, by what it is about. Faults a user must
// know are warnings and always shown; routine notes are info, shown only
// when asked for, e.g. QT_LOGGING_RULES="hushwave.audio.info=true".
Q_DECLARE_LOGGING_CATEGORY(audioLog)    // hushwave.audio: sound outputs, mixes
Q_DECLARE_LOGGING_CATEGORY(desktopLog)  // hushwave.desktop: one instance, tray, sleep, logon entry
Q_DECLARE_LOGGING_CATEGORY(settingsLog) // hushwave.settings: the settings file
Q_DECLARE_LOGGING_CATEGORY(windowLog)   // hushwave.window: a window handler that failed
