#include "app/IniSettingsStore.h"

#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <unistd.h>

IniSettingsStore::IniSettingsStore(QString application, QString section)
    : m_application(std::move(application)), m_section(std::move(section))
{
}

QString IniSettingsStore::filePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           m_application + ".ini";
}

namespace
{
const QByteArray kUtf8Bom("\xef\xbb\xbf");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

QString IniSettingsStore::get(const QString& key, const QString& defaultValue) const
{
    const auto waiting = m_unwritten.constFind(key);
    if (waiting != m_unwritten.constEnd())
        return *waiting;
    QString path = filePath();
    // Some editors start a UTF-8 file with a byte-order mark, which QSettings
    // takes for damage: read such a file from a copy without it.
    QTemporaryFile withoutBom;
    const QByteArray bytes = readAll(path);
    if (bytes.startsWith(kUtf8Bom)) {
        if (!withoutBom.open() || withoutBom.write(bytes.mid(kUtf8Bom.size())) < 0 ||
            !withoutBom.flush())
            return defaultValue;
        path = withoutBom.fileName();
    }
    QSettings settings(path, QSettings::IniFormat);
    const QVariant value = settings.value(m_section + '/' + key);
    if (!value.isValid())
        return defaultValue;
    // An unquoted comma in a hand-edited file reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(',');
    return value.toString();
}

namespace
{
// One write of the given keys; changes that could not be written are taken
// back, because QSettings keeps them in a process-wide cache and later reads
// would disagree with the file.
QSettings::Status writeKeys(const QString& path, const QString& section,
                            const QMap<QString, QString>& values)
{
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QVariant> previous;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString key = section + '/' + it.key();
        previous.insert(key, settings.value(key));
        settings.setValue(key, it.value());
    }
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status != QSettings::NoError) {
        for (auto it = previous.begin(); it != previous.end(); ++it) {
            if (it.value().isValid())
                settings.setValue(it.key(), it.value());
            else
                settings.remove(it.key());
        }
    }
    return status;
}

// QSettings says only that a write failed; the user needs to know why. A
// file of the needed size is tried beside it, and the system's answer told.
QString whyNotWritten(const QString& path, qint64 needed)
{
    if (QFileInfo(path).isDir())
        return "a folder is in the way: " + path + " is a folder, not a file";
    QFile existing(path);
    if (existing.exists() && !existing.open(QIODevice::ReadWrite))
        return path + " is not writable";
    QByteArray probe = QFile::encodeName(path) + ".probe.XXXXXX";
    const int fd = ::mkstemp(probe.data());
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        const QByteArray bytes(int(needed), '\n');
        // A short write is retried: the second one says why.
        for (qsizetype done = 0; done < bytes.size() && error == 0;) {
            const ssize_t wrote =
                ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (wrote < 0 && errno != EINTR)
                error = errno;
            done += std::max<ssize_t>(wrote, 0);
        }
        if (error == 0 && ::fsync(fd) != 0)
            error = errno;
        ::close(fd);
        ::unlink(probe.constData());
    }
    if (error == ENOSPC || error == EDQUOT)
        return "no space left on the disk for " + path;
    if (error == EACCES || error == EPERM || error == EROFS)
        return path + " is not writable";
    if (error != 0)
        return path + " could not be written: " + qt_error_string(error);
    return path + " could not be written";
}

// Rewrites a file that starts with a byte-order mark without it, so QSettings
// can parse it before it writes.
bool dropBom(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.mid(kUtf8Bom.size())) == bytes.size() - kUtf8Bom.size() &&
           file.commit();
}

bool unparsable(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.contains(QStringLiteral("probe"));
    return settings.status() == QSettings::FormatError;
}

// Keeps a damaged file's bytes under the first free name of <file>.bad,
// <file>.bad.1 ...: a copy kept earlier is never written over. Empty when
// every name is taken or the copy cannot be written.
QString keepAside(const QString& path, const QByteArray& bytes)
{
    for (int n = 0; n < IniSettingsStore::kKeptCopies; ++n) {
        QString name = path + ".bad" + (n == 0 ? QString() : "." + QString::number(n));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(name))
                continue;
            return {};
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.remove();
            return {};
        }
        return name;
    }
    return {};
}
} // namespace

void IniSettingsStore::save(const QString& key, const QString& value)
{
    const QString path = filePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QString failed = "Cannot save setting \"" + key + "\": ";
    m_unwritten.insert(key, value);
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return refuse(failed + "cannot create folder " + folder);

    // A writer killed before it wrote its PID leaves an empty lock that Qt
    // would wait 30 s for on every save; nobody holds it after a second.
    const QFileInfo lock(path + ".lock");
    if (lock.exists() && lock.size() == 0 &&
        lock.lastModified().msecsTo(QDateTime::currentDateTime()) > 1000)
        QFile::remove(lock.filePath());

    QByteArray before = readAll(path);
    if (before.startsWith(kUtf8Bom)) {
        if (!dropBom(path, before))
            return refuse(failed + whyNotWritten(path, before.size() + 4096));
        before = readAll(path);
    }

    QString kept;
    if (unparsable(path)) {
        // A file QSettings cannot parse fails every save from now on: keep
        // what it held aside, as it was, and start anew. Asked before any
        // write: a write to it may leave it empty.
        kept = keepAside(path, before);
        if (kept.isEmpty() && QFileInfo::exists(path + ".bad." + QString::number(kKeptCopies - 1)))
            return refuse(failed + path + " is damaged, and " + QString::number(kKeptCopies) +
                          " damaged copies are kept already (" + path +
                          ".bad ...): remove some of them");
        if (kept.isEmpty())
            return refuse(failed + path + " is damaged and cannot be kept aside");
        QFile::remove(path);
    }
    // Changes that failed earlier go with this one: the file then holds what
    // the window shows.
    const QSettings::Status status = writeKeys(path, m_section, m_unwritten);
    if (status == QSettings::NoError)
        m_unwritten.clear();
    if (!kept.isEmpty() && status == QSettings::NoError && m_report)
        m_report->notify("The settings file " + path +
                         " could not be read, so the settings were reset.\r\n"
                         "The old file is kept as " +
                         kept + ".");
    if (status == QSettings::FormatError)
        refuse(failed + path + " is not a valid settings file");
    else if (status != QSettings::NoError)
        refuse(failed + whyNotWritten(path, before.size() + key.size() + value.size() + 4096));
}

void IniSettingsStore::refuse(const QString& description)
{
    // Told once a run: every later failure is only logged, and its change
    // waits for the next save that works.
    if (m_toldFailure) {
        qCWarning(settingsLog, "%s", qPrintable(description));
        return;
    }
    m_toldFailure = true;
    throw SaveFailure(description);
}
