#pragma once

#include <QString>

// How the desktop knows the program (set in the build, which installs the
// menu entry and icon under it): the window, the tray item, notifications
// and the media player object all give this same name.
inline const QString kApplicationId = QStringLiteral(HUSHWAVE_APP_ID);

// The name the user knows the program by: the window's title and its messages.
inline constexpr const char* kProductName = "Hushwave";
