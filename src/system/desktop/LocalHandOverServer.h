#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

// The local socket a later start hands over through when there is no bus.
// Bounded, so that a stuck launcher or a buggy script of the user's cannot
// exhaust the program: one line of at most kMaxLine bytes per connection,
// kReadTimeoutMs to send it, at most kMaxClients connections open (a new one
// puts out the oldest). A failed accept never closes the socket: it waits
// and tries again.
class LocalHandOverServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxLine = 4096;
    static constexpr int kReadTimeoutMs = 2000;
    static constexpr int kMaxClients = 8;

    explicit LocalHandOverServer(QObject* parent = nullptr);
    ~LocalHandOverServer() override;

    // Binds and listens at `path`, readable and writable by the user only.
    // False (and a log line) when it cannot.
    bool listen(const QString& path);

signals:
    // One line a client sent, without its newline.
    void lineReceived(const QByteArray& line);

private:
    struct Client;

    void acceptPending();
    void read(int fd);
    void drop(int fd);
    void dropOldest();
    void resumeAccepting();

    QString m_path;
    int m_fd = -1;
    QSocketNotifier* m_incoming = nullptr;
    QTimer* m_retry = nullptr;
    quint64 m_accepted = 0;
    std::map<int, std::unique_ptr<Client>> m_clients;
};
