#pragma once

#include <QCursor>
#include <QString>

// Loads a Windows cursor file (.cur) with the hot spot that the file gives;
// Qt's image reader keeps only the picture. Throws Failure when the file
// cannot be read or is not a cursor.
QCursor loadHandCursor(const QString& path);
