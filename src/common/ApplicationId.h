#pragma once

#include <QString>

// How the desktop knows the program: the installed menu entry and icon are
// named after it, so the window, the tray item, notifications and the media
// player object all give this same name.
inline const QString kApplicationId = QStringLiteral("io.github.hushwave.Hushwave");
