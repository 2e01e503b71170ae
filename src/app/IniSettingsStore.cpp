#include "app/IniSettingsStore.h"

#include "common/ErrorReport.h"
#include "common/Failure.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

IniSettingsStore::IniSettingsStore(QString application, QString section)
    : m_application(std::move(application)), m_section(std::move(section))
{
}

QString IniSettingsStore::filePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           m_application + ".ini";
}

QString IniSettingsStore::get(const QString& key, const QString& defaultValue) const
{
    QSettings settings(filePath(), QSettings::IniFormat);
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
// One write of one key; a change that could not be written is taken back,
// because QSettings keeps it in a process-wide cache and later reads would
// disagree with the file.
QSettings::Status writeKey(const QString& path, const QString& key, const QString& value)
{
    QSettings settings(path, QSettings::IniFormat);
    const QVariant previous = settings.value(key);
    settings.setValue(key, value);
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status != QSettings::NoError) {
        if (previous.isValid())
            settings.setValue(key, previous);
        else
            settings.remove(key);
    }
    return status;
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
        const QString name = path + ".bad" + (n == 0 ? QString() : "." + QString::number(n));
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
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        throw SaveFailure(failed + "cannot create folder " + folder);

    // A writer killed before it wrote its PID leaves an empty lock that Qt
    // would wait 30 s for on every save; nobody holds it after a second.
    const QFileInfo lock(path + ".lock");
    if (lock.exists() && lock.size() == 0 &&
        lock.lastModified().msecsTo(QDateTime::currentDateTime()) > 1000)
        QFile::remove(lock.filePath());

    QFile file(path);
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();

    const QString fullKey = m_section + '/' + key;
    QString kept;
    if (unparsable(path)) {
        // A file QSettings cannot parse fails every save from now on: keep
        // what it held aside, as it was, and start anew. Asked before any
        // write: a write to it may leave it empty.
        kept = keepAside(path, before);
        if (kept.isEmpty() && QFileInfo::exists(path + ".bad." + QString::number(kKeptCopies - 1)))
            throw SaveFailure(failed + path + " is damaged, and " + QString::number(kKeptCopies) +
                              " damaged copies are kept already (" + path +
                              ".bad ...): remove some of them");
        if (kept.isEmpty())
            throw SaveFailure(failed + path + " is damaged and cannot be kept aside");
        QFile::remove(path);
    }
    const QSettings::Status status = writeKey(path, fullKey, value);
    if (!kept.isEmpty() && status == QSettings::NoError && m_report)
        m_report->notify("The settings file " + path +
                         " could not be read, so the settings were reset.\r\n"
                         "The old file is kept as " +
                         kept + ".");
    if (status == QSettings::AccessError)
        throw SaveFailure(failed + path + " is not writable");
    if (status == QSettings::FormatError)
        throw SaveFailure(failed + path + " is not a valid settings file");
}
