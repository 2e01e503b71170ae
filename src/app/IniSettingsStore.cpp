#include "app/IniSettingsStore.h"

#include "common/Failure.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
} // namespace

void IniSettingsStore::save(const QString& key, const QString& value)
{
    const QString path = filePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QString failed = "Cannot save setting \"" + key + "\": ";
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        throw Failure(failed + "cannot create folder " + folder);

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
    QSettings::Status status = writeKey(path, fullKey, value);
    if (status == QSettings::FormatError) {
        // A file QSettings cannot parse fails every save from now on: keep
        // what it held aside, as it was, and start anew.
        QSaveFile bad(path + ".bad");
        if (!bad.open(QIODevice::WriteOnly) || bad.write(before) != before.size() || !bad.commit())
            throw Failure(failed + path + " is damaged and cannot be kept aside");
        QFile::remove(path);
        status = writeKey(path, fullKey, value);
    }
    if (status == QSettings::AccessError)
        throw Failure(failed + path + " is not writable");
    if (status == QSettings::FormatError)
        throw Failure(failed + path + " is not a valid settings file");
}
