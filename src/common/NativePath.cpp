#include "common/NativePath.h"

#include <QFile>
#include <QHash>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// Remembered names, by the path they are shown under.
QHash<QString, QByteArray>& remembered()
{
    static QHash<QString, QByteArray> names;
    return names;
}

// Handles opened for paths that text cannot name; kept for the run, one per
// path, so a style played again opens no new one.
QHash<QByteArray, QString>& handles()
{
    static QHash<QByteArray, QString> opened;
    return opened;
}
} // namespace

bool keepsBytes(const QString& text, const QByteArray& native)
{
    return QFile::encodeName(text) == native;
}

QString openableNow(const QByteArray& native)
{
    QString text = QFile::decodeName(native);
    if (keepsBytes(text, native))
        return text;
    const auto known = handles().constFind(native);
    if (known != handles().constEnd())
        return *known;
    // O_PATH: a name for the file, no access yet; the player opens it anew.
    const int fd = ::open(native.constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return QString();
    QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    handles().insert(native, path);
    return path;
}

QString shownName(const QString& folder, const QByteArray& name)
{
    QString text = QFile::decodeName(name);
    if (keepsBytes(text, name))
        return text;
    QString shown = QString::fromLatin1(name);
    QString base = folder;
    if (!base.endsWith('/'))
        base += '/';
    remembered().insert(base + shown, QFile::encodeName(base) + name);
    return shown;
}

QString openable(const QString& path)
{
    const auto known = remembered().constFind(path);
    if (known == remembered().constEnd())
        return path;
    const QString opened = openableNow(*known);
    return opened.isEmpty() ? path : opened;
}
