#include "system/SoundLibrary.h"

#include "common/Failure.h"
#include "common/NativeNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

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
    // The folder read tells plain files apart: only links and file systems
    // that do not say are probed one by one.
    struct Entry {
        QString key; // computed once: a sort compares each name many times
        QString name;
        bool plain;
    };
    std::vector<Entry> entries;
    // readdir is safe on a stream no other thread reads.
    while (const dirent* entry = ::readdir(dir)) { // NOLINT(concurrency-mt-unsafe)
        const QByteArray name(entry->d_name);
        if (name == "." || name == ".." || entry->d_type == DT_DIR)
            continue;
        // Plain ASCII, the usual name, is the same text in any encoding.
        const bool ascii =
            std::all_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x80; });
        QString shown = ascii ? QString::fromLatin1(name) : names.shownName(folder, name);
        if (matchesPattern(shown, pattern))
            entries.push_back({shown.toLower(), std::move(shown), entry->d_type == DT_REG});
    }
    ::closedir(dir);
    // Case-insensitive name order; names equal but for case in code order,
    // so they keep their places whatever order the folder gives them in.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : a.name < b.name;
    });

    QStringList result;
    result.reserve(qsizetype(entries.size()));
    for (const Entry& entry : entries) {
        if (entry.plain || IsExistingFile(openNative(folder + entry.name, &names).path()))
            result << entry.name;
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
