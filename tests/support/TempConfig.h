#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME and XDG_CONFIG_DIRS at fresh temporary folders for
// the life of the object, and puts the old values back afterwards.
class TempConfig
{
public:
    TempConfig() : m_oldHome(qgetenv("XDG_CONFIG_HOME")), m_oldDirs(qgetenv("XDG_CONFIG_DIRS"))
    {
        QDir(m_root.path()).mkpath("home");
        QDir(m_root.path()).mkpath("system");
        qputenv("XDG_CONFIG_HOME", home().toUtf8());
        qputenv("XDG_CONFIG_DIRS", system().toUtf8());
    }
    ~TempConfig()
    {
        restore("XDG_CONFIG_HOME", m_oldHome);
        restore("XDG_CONFIG_DIRS", m_oldDirs);
    }
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    QString home() const { return m_root.path() + "/home"; }
    QString system() const { return m_root.path() + "/system"; }
    QString settingsFile() const { return home() + "/Tarnwell.ini"; }

private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QTemporaryDir m_root;
    QByteArray m_oldHome;
    QByteArray m_oldDirs;
};
