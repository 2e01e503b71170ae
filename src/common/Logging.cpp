#include "common/Logging.h"

// Warnings and above by default; info and debug when the rules enable them.
Q_LOGGING_CATEGORY(audioLog, "hushwave.audio", QtWarningMsg)
Q_LOGGING_CATEGORY(desktopLog, "hushwave.desktop", QtWarningMsg)
Q_LOGGING_CATEGORY(settingsLog, "hushwave.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(windowLog, "hushwave.window", QtWarningMsg)
