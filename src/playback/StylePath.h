#pragma once

#include <qnamespace.h>
#include <QString>

class QComboBox;

// The style shown for a file name: every ".mp3" taken out (case-sensitive).
QString styleName(const QString& fileName);

// The title a style is shown by outside the list: a mix by its name alone.
QString styleTitle(const QString& listed);

// Where a style's sound lives: <program folder>/sounds/<style>.mp3, or, when
// that is no file and <style> itself is one, <program folder>/sounds/<style>.
QString playPath(const QString& programFolder, const QString& style);

// A list entry found outside the program folder keeps, under this role, the
// folder whose sounds/ it came from.
constexpr int kStyleFolderRole = Qt::UserRole;

// The play path of the list's current entry, from the folder it was found in.
QString currentPlayPath(const QComboBox& list, const QString& programFolder);
