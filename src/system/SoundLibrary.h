#pragma once

#include <QString>
#include <QStringList>

class NativeNames;

// The plain files of `folder` whose names match the wildcard `pattern`, in
// case-insensitive name order so the list does not depend on the file
// system. Hidden files count; folders and their contents do not. A missing
// folder gives an empty list; a folder that exists but cannot be read throws.
// Names that are not UTF-8 are shown as Latin-1 and their bytes kept in
// `names`, which the player then opens them through.
QStringList listFilesKeepingNames(QString folder, const QString& pattern, NativeNames& names);

// The same, where no name is played: what is not UTF-8 is listed only.
QStringList GetFileList(QString folder, const QString& pattern);

// True when the path can be opened for reading as a regular file.
bool IsExistingFile(const QString& path);

// The user's own counterpart of the program folder: its sounds/ is listed
// too. $XDG_DATA_HOME/hushwave, usually ~/.local/share/hushwave.
QString userDataFolder();
