#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>

// Keeps the session from suspending or going idle while sound plays: the
// desktop portal's Inhibit, else logind's. Without either (or refused),
// nothing happens and nothing is said: the sound plays on regardless.
class SleepInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit SleepInhibitor(QDBusConnection bus, QObject* parent = nullptr);
    ~SleepInhibitor() override;

    // Takes or gives back the inhibit; repeating a state costs nothing.
    void setPlaying(bool playing);
    bool held() const { return !m_portalHandle.path().isEmpty() || m_logindFd.isValid(); }

private:
    void askPortal();
    void askLogind();
    void release();

    QDBusConnection m_bus;
    bool m_wanted = false;
    bool m_asking = false;
    QDBusObjectPath m_portalHandle;
    QDBusUnixFileDescriptor m_logindFd;
};
