#pragma once

#include <qnamespace.h>
#include <QString>

class NativeNames;
class QComboBox;

// The style shown for a file name: every ".mp3" taken out (case-sensitive).
QString styleName(const QString& fileName);

// The title a style is shown by outside the list: a mix by its name alone.
QString styleTitle(const QString& listed);

// A list entry found outside the program folder keeps, under this role, the
// folder whose sounds/ it came from.
constexpr int kStyleFolderRole = Qt::UserRole;

// The file of the list's current entry, in the sounds/ of the folder it was
// found in (see soundFilePath).
QString currentPlayPath(const QComboBox& list, const QString& programFolder,
                        const NativeNames* names);
