#include "system/SoundLibrary.h"

#include "common/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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

QStringList GetFileList(QString folder, const QString& pattern)
{
    if (!folder.endsWith('/'))
        folder += '/';
    const QFileInfo info(folder);
    if (!info.exists())
        return {};
    QDir dir(folder);
    if (!info.isDir() || !info.isReadable() || !dir.isReadable())
        throw Failure("Cannot list the folder " + folder);

    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    QStringList result;
    for (const QString& name : names) {
        if (matchesPattern(name, pattern) && IsExistingFile(folder + name))
            result << name;
    }
    return result;
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
