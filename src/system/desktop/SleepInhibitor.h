#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QTimer>

#include <vector>

// Keeps the session from suspending or going idle while sound plays: the
// desktop portal's Inhibit, and logind's sleep lock where the portal keeps
// only the screen awake (the GTK back end refuses to block suspend).
// Nothing is waited on that cannot answer: a bus that is not there refuses
// at once, and a portal that does not answer within kAnswerMs counts as a
// refusal. Nothing that holds costs one line on the log a run; the sound
// plays regardless.
class SleepInhibitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int kAnswerMs = 3000;

    // logind lives on the system bus; the portal on the session bus.
    explicit SleepInhibitor(QDBusConnection bus,
                            QDBusConnection systemBus = QDBusConnection::systemBus(),
                            QObject* parent = nullptr);
    ~SleepInhibitor() override;

    // Takes or gives back the inhibit; repeating a state costs nothing.
    // Giving it back also lets go of every question still in flight.
    void setPlaying(bool playing);
    bool held() const { return !m_portalHandle.isEmpty() || !m_logindFds.empty(); }

private slots:
    void onPortalResponse(const QDBusMessage& response);

private:
    void askPortal(uint flags);
    void portalRefused(uint flags);
    void portalSilent();
    void askLogind(const QString& what);
    void forgetRequest();
    void closeRequest(const QString& path);
    void settled();
    void release();

    QDBusConnection m_bus;
    QDBusConnection m_systemBus;
    bool m_wanted = false;
    // Raised at every release: answers to an earlier round are let go.
    quint64 m_round = 0;
    QString m_asked; // the portal request waiting for its Response
    uint m_askedFlags = 0;
    QTimer m_portalDeadline;
    int m_logindPending = 0;
    QString m_portalHandle; // the portal request that holds the inhibit
    // The locks last while their descriptors are open.
    std::vector<QDBusUnixFileDescriptor> m_logindFds;
    int m_tokens = 0;
    bool m_toldUnheld = false;
    bool m_toldSilent = false;
};
