#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>

// Keeps the session from suspending or going idle while sound plays: the
// desktop portal's Inhibit, and logind's sleep lock where the portal keeps
// only the screen awake (the GTK back end refuses to block suspend).
// Nothing that answers costs one line on the log; the sound plays regardless.
class SleepInhibitor : public QObject
{
    Q_OBJECT
public:
    // logind lives on the system bus; the portal on the session bus.
    explicit SleepInhibitor(QDBusConnection bus,
                            QDBusConnection systemBus = QDBusConnection::systemBus(),
                            QObject* parent = nullptr);
    ~SleepInhibitor() override;

    // Takes or gives back the inhibit; repeating a state costs nothing.
    void setPlaying(bool playing);
    bool held() const { return !m_portalHandle.isEmpty() || m_logindFd.isValid(); }

private slots:
    void onPortalResponse(const QDBusMessage& response);

private:
    void askPortal(uint flags);
    void askLogind(const QString& what);
    void portalAnswered(const QString& handle, bool granted);
    void settled();
    void release();

    QDBusConnection m_bus;
    QDBusConnection m_systemBus;
    bool m_wanted = false;
    int m_pending = 0; // questions whose answer has not come yet
    QString m_asked;   // the portal request waiting for its Response
    uint m_askedFlags = 0;
    QString m_portalHandle; // the portal request that holds the inhibit
    QDBusUnixFileDescriptor m_logindFd;
    int m_tokens = 0;
    bool m_toldUnheld = false;
};
