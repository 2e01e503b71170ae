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

#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
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

// One line to the first run's socket, within `timeoutMs` (a plain socket: Qt's
// would bring its network library into every start). False when no one took it.
bool sendLine(const QString& path, const QByteArray& line, int timeoutMs)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Bounds the connect (a full backlog) and the write alike.
    const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    for (qsizetype at = 0; sent && at < line.size();) {
        const ssize_t n = ::send(fd, line.constData() + at, size_t(line.size() - at), MSG_NOSIGNAL);
        sent = n > 0;
        at += n > 0 ? n : 0;
    }
    ::close(fd);
    return sent;
}
} // namespace

SingleInstance::SingleInstance(QString busName, QString runtimeDir, QDBusConnection bus,
                               QObject* parent)
    : QObject(parent), m_busName(std::move(busName)), m_runtimeDir(std::move(runtimeDir)),
      m_bus(std::move(bus))
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
    QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/hushwave";
    if (ownFolder(cache)) {
        qCWarning(desktopLog, "%s is not ours; the lock and socket are in %s instead",
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
        if (answer.type() == QDBusMessage::ReplyMessage)
            break;
        QThread::msleep(kRetryMs);
    } while (!deadline.hasExpired());
    return true;
}

bool SingleInstance::handOverLocally(const QString& activationToken)
{
    if (m_runtimeDir.isEmpty())
        return false; // nowhere safe to keep a lock: play on without one
    const QString lockPath = m_runtimeDir + QStringLiteral("/hushwave.lock");
    // A lock of the kernel's: it goes with the process, so a killed run
    // leaves nothing that blocks the next start.
    m_lockFd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return false; // nowhere to keep a lock: play on without one
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
        listen();
        return false;
    }
    ::close(m_lockFd);
    m_lockFd = -1;

    const QString socketPath = m_runtimeDir + QStringLiteral("/hushwave.socket");
    const QDeadlineTimer deadline(kHandOverMs);
    QByteArray line = kRaise;
    if (isActivationToken(activationToken))
        line += ' ' + activationToken.toLatin1();
    line += '\n';
    while (!sendLine(socketPath, line, kRetryMs * 4) && !deadline.hasExpired())
        QThread::msleep(kRetryMs);
    return true;
}

void SingleInstance::listen()
{
    const QString socketPath = m_runtimeDir + QStringLiteral("/hushwave.socket");
    // We hold the lock, so a socket there is a dead run's.
    QFile::remove(socketPath);
    m_server = new LocalHandOverServer(this);
    if (!m_server->listen(socketPath))
        return;
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
