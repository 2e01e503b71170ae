#include "app/SettingsStore.h"

#include "app/Failure.h"

#include <QDir>
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

void IniSettingsStore::save(const QString& key, const QString& value)
{
    const QString path = filePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw Failure("Cannot save setting \"" + key + "\": cannot create folder " + folder);

    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(m_section + '/' + key, value);
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return;
    case QSettings::AccessError:
        throw Failure("Cannot save setting \"" + key + "\": " + path + " is not writable");
    case QSettings::FormatError:
        throw Failure("Cannot save setting \"" + key + "\": " + path + " is not a valid settings file");
    }
}
