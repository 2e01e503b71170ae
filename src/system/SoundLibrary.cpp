#include "system/SoundLibrary.h"

#include "common/Failure.h"
#include "common/NativeNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

#include <dirent.h>

namespace
{
// Windows wildcard semantics: "*.*" and "*" match every name, a dotless one too.
bool matchesPattern(const QString& name, const QString& pattern)
{
    if (pattern == "*.*" || pattern == "*")
        return true;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(
                                    pattern, QRegularExpression::UnanchoredWildcardConversion),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch() && re.match(name).capturedLength() == name.size();
}
} // namespace

QStringList listFilesKeepingNames(QString folder, const QString& pattern, NativeNames& names)
{
    if (!folder.endsWith('/'))
        folder += '/';
    const QFileInfo info(folder);
    if (!info.exists())
        return {};
    // Read as bytes: a name that is not UTF-8 is listed and played too.
    DIR* dir = info.isDir() && info.isReadable() ? ::opendir(QFile::encodeName(folder).constData())
                                                 : nullptr;
    if (!dir)
        throw Failure("Cannot list the folder " + folder);
    QStringList listed;
    // readdir is safe on a stream no other thread reads.
    while (const dirent* entry = ::readdir(dir)) { // NOLINT(concurrency-mt-unsafe)
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            listed << names.shownName(folder, name);
    }
    ::closedir(dir);
    // Case-insensitive name order; equal names keep the order they came in.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const QString& a, const QString& b) { return a.toLower() < b.toLower(); });

    QStringList result;
    for (const QString& name : std::as_const(listed)) {
        // The probe's handle is closed at once: a name costs nothing until played.
        if (matchesPattern(name, pattern) &&
            IsExistingFile(openNative(folder + name, &names).path()))
            result << name;
    }
    return result;
}

QStringList GetFileList(QString folder, const QString& pattern)
{
    NativeNames unkept;
    return listFilesKeepingNames(std::move(folder), pattern, unkept);
}

bool IsExistingFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QString userDataFolder()
{
    // A relative XDG_DATA_HOME is invalid by the base directory rules.
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    return (QDir::isAbsolutePath(home) ? home : QDir::homePath() + "/.local/share") + "/hushwave";
}
