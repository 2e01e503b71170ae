#include "system/desktop/SleepInhibitor.h"

#include "common/Logging.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace
{
const QString kReason = QStringLiteral("Playing noise");
const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// The portal's flags: 4 suspend, 8 idle.
constexpr uint kSuspend = 4;
constexpr uint kIdle = 8;
} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection bus, QDBusConnection systemBus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_systemBus(std::move(systemBus))
{
}

SleepInhibitor::~SleepInhibitor()
{
    m_wanted = false;
    release();
}

void SleepInhibitor::setPlaying(bool playing)
{
    if (playing == m_wanted)
        return;
    m_wanted = playing;
    if (m_pending > 0)
        return; // the answers in flight settle it
    if (playing)
        askPortal(kSuspend | kIdle);
    else
        release();
}

void SleepInhibitor::askPortal(uint flags)
{
    // The request's path is known before the call, so its Response cannot
    // slip past us between the reply and the subscription.
    const QString token = QStringLiteral("hushwave%1").arg(++m_tokens);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_asked = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_askedFlags = flags;
    m_bus.connect(kPortal, m_asked, kRequest, QStringLiteral("Response"), this,
                  SLOT(onPortalResponse(QDBusMessage)));
    ++m_pending;

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << flags
         << QVariantMap{{QStringLiteral("reason"), kReason},
                        {QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (!reply.isError()) {
            const QString handle = reply.value().path();
            // A portal older than handle tokens answers on a path of its own.
            if (handle != m_asked) {
                m_bus.disconnect(kPortal, m_asked, kRequest, QStringLiteral("Response"), this,
                                 SLOT(onPortalResponse(QDBusMessage)));
                m_asked = handle;
                m_bus.connect(kPortal, m_asked, kRequest, QStringLiteral("Response"), this,
                              SLOT(onPortalResponse(QDBusMessage)));
            }
            return; // the Response decides
        }
        // No portal at all: logind alone, for both.
        m_bus.disconnect(kPortal, m_asked, kRequest, QStringLiteral("Response"), this,
                         SLOT(onPortalResponse(QDBusMessage)));
        m_asked.clear();
        --m_pending;
        askLogind(QStringLiteral("sleep:idle"));
    });
}

void SleepInhibitor::onPortalResponse(const QDBusMessage& response)
{
    if (response.path() != m_asked || response.arguments().isEmpty())
        return;
    m_bus.disconnect(kPortal, m_asked, kRequest, QStringLiteral("Response"), this,
                     SLOT(onPortalResponse(QDBusMessage)));
    const QString handle = m_asked;
    m_asked.clear();
    --m_pending;
    portalAnswered(handle, response.arguments().first().toUInt() == 0);
}

void SleepInhibitor::portalAnswered(const QString& handle, bool granted)
{
    if (granted) {
        m_portalHandle = handle;
    } else if (m_askedFlags & kSuspend) {
        // Back ends that only keep the screen awake refuse suspend: ask for
        // idle alone, and logind for the sleep lock the portal would not give.
        askPortal(kIdle);
        askLogind(QStringLiteral("sleep"));
        return;
    }
    settled();
}

void SleepInhibitor::askLogind(const QString& what)
{
    ++m_pending;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << what << QStringLiteral("Hushwave") << kReason << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(m_systemBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        --m_pending;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (!reply.isError())
            m_logindFd = reply.value(); // the lock lasts while the descriptor is open
        settled();
    });
}

void SleepInhibitor::settled()
{
    if (m_pending > 0)
        return;
    if (!m_wanted) {
        release();
        return;
    }
    if (!held() && !m_toldUnheld) {
        m_toldUnheld = true;
        qCWarning(desktopLog, "neither the desktop portal nor logind keeps the session awake; "
                              "it may suspend or lock while the sound plays");
    }
    // Refused: asked again only when the sound next starts.
}

void SleepInhibitor::release()
{
    if (!m_portalHandle.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(kPortal, m_portalHandle, kRequest,
                                                       QStringLiteral("Close")));
        m_portalHandle.clear();
    }
    m_logindFd = QDBusUnixFileDescriptor(); // closes our copy, ending the lock
}
