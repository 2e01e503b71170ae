#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class LocalHandOverServer;

// One player per user. The first start owns the session bus name and a lock
// beside the settings file, which names the local socket it listens on (in
// the runtime folder); a later start asks the first to show its window, on
// the bus or through that socket, and then leaves.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    // busName: the well-known name the first instance owns; runtimeDir: where
    // the socket goes; lockPath: the lock every start of this user finds,
    // whatever its environment (beside the settings file the runs share).
    SingleInstance(QString busName, QString runtimeDir, QString lockPath,
                   QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides once: true when another instance runs and has been told to
    // show itself (with the desktop's activation token, when this start was
    // given one); this one should then end without touching anything.
    bool handOver(const QString& activationToken = {});
    // After a hand-over: whether the first one took the request. False when
    // it did not answer in time (said on the log).
    bool answered() const { return m_answered; }
    // True when this instance holds the bus name (the bus is there).
    bool ownsBusName() const { return m_ownsBusName; }

    // Where the socket goes: $XDG_RUNTIME_DIR, or a private folder of the
    // user's in the temp folder.
    static QString defaultRuntimeDir();

public slots:
    // The desktop's way to activate an application on the bus; a second
    // start calls it with its token.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

signals:
    // Another start asked for the window; the token may be empty.
    void raiseRequested(const QString& activationToken);

private:
    bool handOverOnBus(const QString& activationToken);
    bool handOverLocally(const QString& activationToken);
    void listen();
    void tellNoAnswer() const;

    QString m_busName;
    QString m_runtimeDir;
    QString m_lockPath;
    QDBusConnection m_bus;
    bool m_decided = false;
    bool m_second = false;
    bool m_ownsBusName = false;
    bool m_answered = false;
    int m_lockFd = -1;
    LocalHandOverServer* m_server = nullptr;
};
