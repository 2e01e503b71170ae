#include "system/desktop/SingleInstance.h"

#include "common/Logging.h"
#include "controls/WindowActivation.h"
#include "system/desktop/LocalHandOverServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// A second start must be gone within a second even when the first is
// still busy starting up.
constexpr int kHandOverMs = 800;
constexpr int kRetryMs = 50;

const QString kActivatePath = QStringLiteral("/io/github/hushwave/Hushwave");
const QString kActivateInterface = QStringLiteral("org.freedesktop.Application");
const QByteArray kRaise = QByteArrayLiteral("raise");

// Both keys: a Wayland token or an X11 startup id, whichever it is.
QString tokenOf(const QVariantMap& platformData)
{
    for (const char* key : {"activation-token", "desktop-startup-id"}) {
        QString token = platformData.value(QLatin1String(key)).toString();
        if (isActivationToken(token))
            return token;
    }
    return {};
}

// A plain socket: Qt's would bring its network library into every start.
// The connection to the first run's socket within `timeoutMs` (a full
// backlog waits), or -1.
int connectTo(const QString& path, int timeoutMs)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends the line, then waits for the first run to close the connection,
// which it does once it has read the line: a stopped one leaves it open.
bool sendAndWaitForClose(int fd, const QByteArray& line, const QDeadlineTimer& deadline)
{
    for (qsizetype at = 0; at < line.size();) {
        const ssize_t n = ::send(fd, line.constData() + at, size_t(line.size() - at), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        at += n;
    }
    for (;;) {
        pollfd watch{fd, POLLIN, 0};
        const int ready = ::poll(&watch, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char discard[64];
        const ssize_t n = ::recv(fd, discard, sizeof discard, 0);
        if (n <= 0)
            return n == 0;
    }
}

} // namespace

SingleInstance::SingleInstance(QString busName, QString runtimeDir, QString lockPath,
                               QDBusConnection bus, QObject* parent)
    : QObject(parent), m_busName(std::move(busName)), m_runtimeDir(std::move(runtimeDir)),
      m_lockPath(std::move(lockPath)), m_bus(std::move(bus))
{
}

SingleInstance::~SingleInstance()
{
    delete m_server; // the socket file goes before the lock
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

namespace
{
// A folder of this user's alone: made if missing, not a link, owned by us,
// and then closed to others.
bool ownFolder(const QString& path)
{
    QDir().mkpath(path);
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/hushwave";
}

// The socket a lock names, when it is one of ours; empty while the first
// start has not listened yet, or when it holds anything else.
QString socketNamedIn(int lockFd)
{
    char buffer[4096];
    const ssize_t size = ::pread(lockFd, buffer, sizeof buffer, 0);
    const QByteArray name = QByteArray(buffer, std::max<ssize_t>(size, 0)).split('\n').first();
    struct stat info = {};
    if (name.isEmpty() || ::lstat(name.constData(), &info) != 0 || !S_ISSOCK(info.st_mode) ||
        info.st_uid != ::getuid())
        return {};
    return QFile::decodeName(name);
}

bool isSocket(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Whether a run listens there: one of another settings file may share the
// runtime folder.
bool answers(const QString& path)
{
    const int fd = connectTo(path, kRetryMs);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}
} // namespace

QString SingleInstance::defaultRuntimeDir()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    QString shared = QDir::tempPath() + QStringLiteral("/hushwave-%1").arg(::getuid());
    if (ownFolder(shared))
        return shared;
    // Someone else took the name in the shared temp folder: a folder of the
    // user's own keeps one player per session all the same.
    QString cache = cacheFolder();
    if (ownFolder(cache)) {
        qCWarning(desktopLog, "%s is not ours; the hand-over socket is in %s instead",
                  qPrintable(shared), qPrintable(cache));
        return cache;
    }
    qCWarning(desktopLog, "neither %s nor %s can be ours; more than one instance may run",
              qPrintable(shared), qPrintable(cache));
    return QString();
}

bool SingleInstance::handOver(const QString& activationToken)
{
    if (m_decided)
        return m_second;
    m_decided = true;
    if (!m_bus.isConnected()) {
        m_second = handOverLocally(activationToken);
        return m_second;
    }
    m_second = handOverOnBus(activationToken);
    // Holding the name, take the lock too: a start that finds no bus (or
    // another bus) still finds this one. One that holds it already wins.
    if (!m_second && handOverLocally(activationToken)) {
        if (m_ownsBusName)
            m_bus.interface()->unregisterService(m_busName);
        m_ownsBusName = false;
        m_second = true;
    }
    return m_second;
}

bool SingleInstance::handOverOnBus(const QString& activationToken)
{
    QDBusConnectionInterface* names = m_bus.interface();
    const auto reply = names->registerService(m_busName, QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsBusName = true;
        m_bus.registerObject(kActivatePath, this, QDBusConnection::ExportScriptableSlots);
        return false;
    }
    if (!names->isServiceRegistered(m_busName).value()) {
        // The bus refused the name for another reason: play on, alone.
        qCWarning(
            desktopLog,
            "the session bus refused the name %s (%s); panels and media keys will not "
            "see the player",
            qPrintable(m_busName),
            qPrintable(reply.isValid() ? QStringLiteral("not granted") : reply.error().message()));
        return false;
    }
    // The first may not have its objects up yet: ask again for a moment.
    const QDeadlineTimer deadline(kHandOverMs);
    QDBusMessage raise = QDBusMessage::createMethodCall(
        m_busName, kActivatePath, kActivateInterface, QStringLiteral("Activate"));
    QVariantMap platformData;
    if (!activationToken.isEmpty()) {
        platformData.insert(QStringLiteral("activation-token"), activationToken);
        platformData.insert(QStringLiteral("desktop-startup-id"), activationToken);
    }
    raise << platformData;
    do {
        const QDBusMessage answer =
            m_bus.call(raise, QDBus::Block, int(std::max<qint64>(deadline.remainingTime(), 1)));
        if (answer.type() == QDBusMessage::ReplyMessage) {
            m_answered = true;
            break;
        }
        QThread::msleep(kRetryMs);
    } while (!deadline.hasExpired());
    if (!m_answered)
        tellNoAnswer();
    return true;
}

void SingleInstance::tellNoAnswer() const
{
    qCWarning(desktopLog,
              "another Hushwave runs for this user but did not answer within %d ms; "
              "its window could not be shown",
              kHandOverMs);
}

bool SingleInstance::handOverLocally(const QString& activationToken)
{
    // Beside the settings file, so every start of this user meets it, with
    // or without a runtime folder; in the runtime folder where it cannot be.
    QStringList lockPaths;
    if (!m_lockPath.isEmpty() && QDir().mkpath(QFileInfo(m_lockPath).absolutePath()))
        lockPaths << m_lockPath;
    if (!m_runtimeDir.isEmpty())
        lockPaths << m_runtimeDir + QStringLiteral("/hushwave.lock");
    // A lock of the kernel's: it goes with the process, so a killed run
    // leaves nothing that blocks the next start.
    for (const QString& path : lockPaths) {
        m_lockFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lockFd >= 0)
            break;
    }
    if (m_lockFd < 0)
        return false; // nowhere to keep a lock: play on without one
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
        listen();
        return false;
    }

    // The first writes where it listens once it does: read until it has.
    const QDeadlineTimer deadline(kHandOverMs);
    QByteArray line = kRaise;
    if (isActivationToken(activationToken))
        line += ' ' + activationToken.toLatin1();
    line += '\n';
    do {
        const QString socketPath = socketNamedIn(m_lockFd);
        const int fd = socketPath.isEmpty() ? -1 : connectTo(socketPath, kRetryMs * 4);
        if (fd >= 0) {
            m_answered = sendAndWaitForClose(fd, line, deadline);
            ::close(fd);
            break;
        }
        QThread::msleep(kRetryMs);
    } while (!deadline.hasExpired());
    ::close(m_lockFd);
    m_lockFd = -1;
    if (!m_answered)
        tellNoAnswer();
    return true;
}

void SingleInstance::listen()
{
    // We hold the lock, so a socket it names, or one at our path, is a dead
    // run's.
    const QString dead = socketNamedIn(m_lockFd);
    if (!dead.isEmpty())
        QFile::remove(dead);
    QString socketPath;
    if (!m_runtimeDir.isEmpty())
        socketPath = m_runtimeDir + QStringLiteral("/hushwave.socket");
    if (!socketPath.isEmpty() && QFileInfo::exists(socketPath) && !isSocket(socketPath)) {
        // Something else is in the way: the user's own cache folder serves.
        const QString fallback = cacheFolder();
        const bool usable = fallback != m_runtimeDir && ownFolder(fallback);
        const QString instead = usable ? "; listening in " + fallback + " instead"
                                       : QStringLiteral("; later starts cannot hand over");
        qCWarning(desktopLog, "%s is in the way of the hand-over socket (it is not a socket)%s",
                  qPrintable(socketPath), qPrintable(instead));
        socketPath = usable ? fallback + QStringLiteral("/hushwave.socket") : QString();
    }
    if (isSocket(socketPath) && answers(socketPath))
        socketPath = QFileInfo(socketPath).absolutePath() +
                     QStringLiteral("/hushwave-%1.socket").arg(::getpid());
    else if (isSocket(socketPath))
        QFile::remove(socketPath);
    m_server = new LocalHandOverServer(this);
    // Later starts read where to find us from the lock.
    const QByteArray named = !socketPath.isEmpty() && m_server->listen(socketPath)
                                 ? QFile::encodeName(socketPath) + '\n'
                                 : QByteArray();
    if (::ftruncate(m_lockFd, 0) != 0 ||
        ::pwrite(m_lockFd, named.constData(), size_t(named.size()), 0) != named.size())
        qCWarning(desktopLog, "cannot note the hand-over socket in the lock: %s",
                  qPrintable(qt_error_string(errno)));
    connect(m_server, &LocalHandOverServer::lineReceived, this, [this](const QByteArray& line) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() <= 2 && words.first() == kRaise)
            emit raiseRequested(words.size() == 2 ? QString::fromLatin1(words.last()) : QString());
    });
}

void SingleInstance::Activate(const QVariantMap& platformData)
{
    emit raiseRequested(tokenOf(platformData));
}
