#include "app/IniSettingsStore.h"

#include "app/IniSection.h"

#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/Logging.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/stat.h>

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
// Tells one version of the file from another without reading it.
QByteArray stampOf(const struct stat& info)
{
    return QByteArray::number(qulonglong(info.st_dev)) + ':' +
           QByteArray::number(qulonglong(info.st_ino)) + ':' +
           QByteArray::number(qlonglong(info.st_size)) + ':' +
           QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_mtim.tv_nsec)) + ':' +
           QByteArray::number(qlonglong(info.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_ctim.tv_nsec));
}

QByteArray stampOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? stampOf(info)
                                                                   : QByteArray("absent");
}

// The section's keys as a read gives them.
QMap<QString, QString> valuesOf(QSettings& ini, const QString& section)
{
    QMap<QString, QString> values;
    ini.beginGroup(section);
    for (const QString& key : ini.childKeys()) {
        const QVariant value = ini.value(key);
        // An unquoted comma in a hand-edited file reads back as a list.
        values.insert(key, value.typeId() == QMetaType::QStringList ? value.toStringList().join(',')
                                                                    : value.toString());
    }
    ini.endGroup();
    return values;
}

// A few lines of the file for QSettings to read or write: in the temp
// folder, or beside the settings where that is full.
std::unique_ptr<QTemporaryFile> scratchWith(const QByteArray& lines, const QString& folder)
{
    for (const QString& where : {QDir::tempPath(), folder}) {
        auto scratch = std::make_unique<QTemporaryFile>(where + "/hushwave-section-XXXXXX.ini");
        if (scratch->open() && scratch->write(lines) == lines.size() && scratch->flush()) {
            scratch->close();
            return scratch;
        }
    }
    return nullptr;
}

// The values QSettings reads from the given lines of the section.
std::optional<QMap<QString, QString>> valuesIn(const QByteArray& lines, const QString& section,
                                               const QString& folder)
{
    const auto scratch = scratchWith('[' + section.toUtf8() + "]\n" + lines, folder);
    if (!scratch)
        return std::nullopt;
    QSettings ini(scratch->fileName(), QSettings::IniFormat);
    return valuesOf(ini, section);
}

// The line QSettings writes for each value, quoted and escaped its way.
std::optional<QMap<QString, QByteArray>> linesFor(const QMap<QString, QString>& values,
                                                  const QString& section, const QString& folder)
{
    const auto scratch = scratchWith({}, folder);
    if (!scratch)
        return std::nullopt;
    {
        QSettings ini(scratch->fileName(), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            ini.setValue(section + '/' + it.key(), it.value());
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return std::nullopt;
    }
    QFile written(scratch->fileName());
    if (!written.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = written.readAll();
    QMap<QString, QByteArray> lines;
    for (const IniScan::Line& line : scanIni(bytes, section, nullptr).lines)
        lines.insert(line.key, bytes.mid(line.start, line.end - line.start).trimmed() + '\n');
    if (lines.size() != values.size())
        return std::nullopt;
    return lines;
}
} // namespace

void IniSettingsStore::lookUp(const QString& path, const QString& key) const
{
    m_asked.insert(key);
    if (!m_read.haveBytes) {
        QFile file(path);
        struct stat info = {};
        if (file.open(QIODevice::ReadOnly)) {
            if (::fstat(file.handle(), &info) == 0)
                m_read.stamp = stampOf(info);
            m_read.bytes = file.readAll();
        }
        // One that cannot be read is not an empty one for a save to write over.
        m_read.haveBytes = file.isOpen() || !file.exists();
    }
    const QByteArray& bytes = m_read.bytes;
    // After a change by someone else, every key asked for so far in one
    // pass; otherwise the new key alone.
    const QSet<QString> wanted = m_read.looked.isEmpty() ? m_asked : QSet<QString>{key};
    const IniScan scan = scanIni(bytes, m_section, &wanted);
    QMap<QString, qsizetype> last; // the last of a key's lines wins, as in QSettings
    for (qsizetype i = 0; i < scan.lines.size(); ++i)
        last.insert(scan.lines[i].key, i);
    QByteArray lines;
    for (qsizetype i : last) {
        const IniScan::Line& line = scan.lines[i];
        lines += bytes.mid(line.start, line.end - line.start);
        if (!lines.endsWith('\n'))
            lines += '\n';
    }
    std::optional<QMap<QString, QString>> values =
        valuesIn(lines, m_section, QFileInfo(path).absolutePath());
    if (!values) {
        // Nowhere for a scratch copy: the whole file, slow but right, and
        // not kept.
        QSettings ini(path, QSettings::IniFormat);
        values = valuesOf(ini, m_section);
        m_read.stamp.clear();
    }
    for (auto it = values->begin(); it != values->end(); ++it)
        m_read.values.insert(it.key(), it.value());
    m_read.looked += wanted;
}

QString IniSettingsStore::get(const QString& key, const QString& defaultValue) const
{
    const auto waiting = m_unwritten.constFind(key);
    if (waiting != m_unwritten.constEnd())
        return *waiting;
    const QString path = filePath();
    const QByteArray stamp = stampOf(path);
    if (m_read.path != path || m_read.stamp != stamp || stamp.isEmpty()) {
        m_read = Read{};
        m_read.path = path;
        m_read.stamp = stamp;
    }
    if (!m_read.looked.contains(key))
        lookUp(path, key);
    const auto stored = m_read.values.constFind(key);
    return stored != m_read.values.constEnd() ? *stored : defaultValue;
}

namespace
{
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

    // Written by one at a time, waiting as QSettings does (a dead holder's
    // lock goes stale); one that cannot be made leaves the write to tell why.
    QLockFile writing(lock.filePath());
    writing.lock();

    // The file as last read or written, while it is unchanged.
    QByteArray readStamp = stampOf(path);
    const bool known = m_read.path == path && m_read.stamp == readStamp && m_read.haveBytes;
    QByteArray before = known ? m_read.bytes : QByteArray();
    QFile file(path);
    if (!known && file.exists() && !file.open(QIODevice::ReadOnly))
        return refuse(failed + whyNotWritten(path, file.size() + 4096));
    struct stat info = {};
    if (file.isOpen() && ::fstat(file.handle(), &info) == 0)
        readStamp = stampOf(info);
    if (file.isOpen())
        before = file.readAll();
    file.close();

    // Changes that failed earlier go with this one: the file then holds what
    // the window shows.
    const QList<QString> changed = m_unwritten.keys();
    const QSet<QString> keys(changed.begin(), changed.end());
    IniScan scan = scanIni(before, m_section, &keys);
    QString kept;
    if (scan.damaged) {
        // A file QSettings cannot parse: keep what it held aside, as it was,
        // and start anew with the keys of this section it held.
        kept = keepAside(path, before);
        if (kept.isEmpty() && QFileInfo::exists(path + ".bad." + QString::number(kKeptCopies - 1)))
            return refuse(failed + path + " is damaged, and " + QString::number(kKeptCopies) +
                          " damaged copies are kept already (" + path +
                          ".bad ...): remove some of them");
        if (kept.isEmpty())
            return refuse(failed + path + " is damaged and cannot be kept aside");
        QByteArray anew = '[' + m_section.toUtf8() + "]\n";
        for (const IniScan::Line& line : scanIni(before, m_section, nullptr).lines)
            anew += before.mid(line.start, line.end - line.start).trimmed() + '\n';
        before = anew;
        scan = scanIni(before, m_section, &keys);
    }
    const std::optional<QMap<QString, QByteArray>> lines = linesFor(m_unwritten, m_section, folder);
    if (!lines)
        return refuse(failed + "no scratch copy could be written in " + QDir::tempPath() + " or " +
                      folder);
    const QByteArray after = editIni(before, scan, m_section, *lines);
    QSaveFile out(path);
    // Unbuffered: a buffered write that fails in commit() is renamed into place.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        out.write(after) != after.size() || !out.commit())
        return refuse(failed + whyNotWritten(path, after.size() + 4096));
    // What was read stays true of the file but for the keys just written.
    if (m_read.path != path || m_read.stamp != readStamp || !kept.isEmpty()) {
        m_read = Read{};
        m_read.path = path;
    }
    m_read.stamp = stampOf(path);
    m_read.bytes = after;
    m_read.haveBytes = true;
    for (auto it = m_unwritten.begin(); it != m_unwritten.end(); ++it) {
        m_read.values.insert(it.key(), it.value());
        m_read.looked.insert(it.key());
    }
    m_unwritten.clear();
    if (!kept.isEmpty() && m_report)
        m_report->notify(
            QCoreApplication::translate("IniSettingsStore",
                                        "The settings file %1 could not be read, so the "
                                        "settings were reset.\r\nThe old file is kept as %2.")
                .arg(path, kept));
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
