#include "system/desktop/LocalHandOverServer.h"

#include "common/Logging.h"

#include <QFile>
#include <QSocketNotifier>
#include <QtGlobal>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// How long to leave a failed accept before trying again: long enough not to
// spin while the descriptors are used up, short for a start that waits.
constexpr int kRetryAcceptMs = 100;
} // namespace

struct LocalHandOverServer::Client {
    int fd;
    quint64 serial; // the order they came in
    QSocketNotifier* readable;
    QTimer* deadline;
    QByteArray pending;

    // Dropped from inside the notifier's or the timer's own signal: they go later.
    ~Client()
    {
        readable->setEnabled(false);
        readable->deleteLater();
        deadline->stop();
        deadline->deleteLater();
        ::close(fd);
    }
};

LocalHandOverServer::LocalHandOverServer(QObject* parent) : QObject(parent)
{
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryAcceptMs);
    connect(m_retry, &QTimer::timeout, this, &LocalHandOverServer::resumeAccepting);
}

LocalHandOverServer::~LocalHandOverServer()
{
    m_clients.clear();
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

bool LocalHandOverServer::listen(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path) {
        qCWarning(desktopLog, "cannot listen on %s: the path is too long", name.constData());
        return false;
    }
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        qCWarning(desktopLog, "cannot listen on %s: %s", name.constData(),
                  qPrintable(qt_error_string(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_incoming = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &LocalHandOverServer::acceptPending);
    return true;
}

void LocalHandOverServer::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // Out of descriptors: ours go first, the oldest one.
            if ((errno == EMFILE || errno == ENFILE) && !m_clients.empty()) {
                dropOldest();
                continue;
            }
            // Otherwise the connection waits in the queue, and the socket stays.
            qCWarning(desktopLog, "a start could not be taken yet: %s",
                      qPrintable(qt_error_string(errno)));
            m_incoming->setEnabled(false);
            m_retry->start();
            return;
        }
        // A new start's line comes with its connection; an idle one that
        // holds a place must not keep it out.
        if (m_clients.size() >= size_t(kMaxClients))
            dropOldest();
        auto* readable = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        connect(readable, &QSocketNotifier::activated, this, [this, fd] { read(fd); });
        auto* deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this, fd] { drop(fd); });
        deadline->start(kReadTimeoutMs);
        m_clients.emplace(
            fd, std::unique_ptr<Client>(new Client{fd, ++m_accepted, readable, deadline, {}}));
        read(fd); // what came with the connection
    }
}

void LocalHandOverServer::dropOldest()
{
    const auto oldest =
        std::min_element(m_clients.begin(), m_clients.end(), [](const auto& a, const auto& b) {
            return a.second->serial < b.second->serial;
        });
    drop(oldest->first);
}

void LocalHandOverServer::read(int fd)
{
    const auto found = m_clients.find(fd);
    if (found == m_clients.end())
        return;
    QByteArray& pending = found->second->pending;
    char chunk[1024];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got > 0)
            pending.append(chunk, got);
        const qsizetype end = pending.indexOf('\n');
        if (end < 0 && pending.size() <= kMaxLine && got > 0)
            continue;
        // One line per connection: a line, the end of the stream, or too
        // much without a newline ends it.
        QByteArray line;
        if (end >= 0 && end <= kMaxLine)
            line = pending.left(end);
        else if (end < 0 && got == 0 && pending.size() <= kMaxLine)
            line = pending;
        drop(fd); // before the signal: its slot may run the event loop
        if (!line.isEmpty())
            emit lineReceived(line);
        return;
    }
}

void LocalHandOverServer::drop(int fd)
{
    m_clients.erase(fd);
}

void LocalHandOverServer::resumeAccepting()
{
    m_incoming->setEnabled(true);
}
