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
const QString kResponse = QStringLiteral("Response");
// The portal's flags: 4 suspend, 8 idle.
constexpr uint kSuspend = 4;
constexpr uint kIdle = 8;
} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection bus, QDBusConnection systemBus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_systemBus(std::move(systemBus))
{
    m_portalDeadline.setSingleShot(true);
    m_portalDeadline.setInterval(kAnswerMs);
    connect(&m_portalDeadline, &QTimer::timeout, this, &SleepInhibitor::portalSilent);
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
    if (playing)
        askPortal(kSuspend | kIdle);
    else
        release();
}

void SleepInhibitor::askPortal(uint flags)
{
    if (!m_bus.isConnected()) {
        askLogind(QStringLiteral("sleep:idle"));
        return;
    }
    // The request's path is known before the call, so its Response cannot
    // slip past us between the reply and the subscription.
    const QString token = QStringLiteral("hushwave%1").arg(++m_tokens);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_asked = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_askedFlags = flags;
    m_bus.connect(kPortal, m_asked, kRequest, kResponse, this,
                  SLOT(onPortalResponse(QDBusMessage)));
    m_portalDeadline.start();

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << flags
         << QVariantMap{{QStringLiteral("reason"), kReason},
                        {QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, asked = m_asked](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (asked != m_asked)
                    return; // let go meanwhile
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (reply.isError()) {
                    const QDBusError::ErrorType error = reply.error().type();
                    if (error == QDBusError::NoReply || error == QDBusError::Timeout) {
                        portalSilent();
                        return;
                    }
                    // No portal at all: logind alone, for both.
                    forgetRequest();
                    askLogind(QStringLiteral("sleep:idle"));
                    return;
                }
                const QString handle = reply.value().path();
                // A portal older than handle tokens answers on a path of its own.
                if (handle != m_asked) {
                    m_bus.disconnect(kPortal, m_asked, kRequest, kResponse, this,
                                     SLOT(onPortalResponse(QDBusMessage)));
                    m_asked = handle;
                    m_bus.connect(kPortal, m_asked, kRequest, kResponse, this,
                                  SLOT(onPortalResponse(QDBusMessage)));
                }
                // The Response decides, or the deadline.
            });
}

void SleepInhibitor::onPortalResponse(const QDBusMessage& response)
{
    if (m_asked.isEmpty() || response.path() != m_asked || response.arguments().isEmpty())
        return;
    const QString handle = m_asked;
    const uint flags = m_askedFlags;
    forgetRequest();
    if (response.arguments().first().toUInt() == 0) {
        m_portalHandle = handle;
        settled();
    } else {
        portalRefused(flags);
    }
}

void SleepInhibitor::portalRefused(uint flags)
{
    if (flags & kSuspend) {
        // Back ends that only keep the screen awake refuse suspend: ask for
        // idle alone, and logind for the sleep lock the portal would not give.
        askPortal(kIdle);
        askLogind(QStringLiteral("sleep"));
        return;
    }
    settled();
}

void SleepInhibitor::portalSilent()
{
    const uint flags = m_askedFlags;
    closeRequest(m_asked); // a late grant must not outlive us
    forgetRequest();
    if (!m_toldSilent) {
        m_toldSilent = true;
        qCWarning(desktopLog,
                  "the desktop portal did not answer within %d s; asking logind instead",
                  kAnswerMs / 1000);
    }
    // One that did not answer will not answer a second question sooner.
    askLogind(flags & kSuspend ? QStringLiteral("sleep:idle") : QStringLiteral("idle"));
}

void SleepInhibitor::forgetRequest()
{
    m_portalDeadline.stop();
    if (m_asked.isEmpty())
        return;
    m_bus.disconnect(kPortal, m_asked, kRequest, kResponse, this,
                     SLOT(onPortalResponse(QDBusMessage)));
    m_asked.clear();
}

void SleepInhibitor::closeRequest(const QString& path)
{
    if (!path.isEmpty() && m_bus.isConnected())
        m_bus.asyncCall(
            QDBusMessage::createMethodCall(kPortal, path, kRequest, QStringLiteral("Close")));
}

void SleepInhibitor::askLogind(const QString& what)
{
    if (!m_systemBus.isConnected()) {
        settled(); // refused at once: nobody to ask
        return;
    }
    ++m_logindPending;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << what << QStringLiteral("Hushwave") << kReason << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(m_systemBus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, round = m_round](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (round != m_round)
                    return; // let go meanwhile; a late lock closes with the reply
                --m_logindPending;
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                if (!reply.isError() && reply.value().isValid())
                    m_logindFds.push_back(reply.value());
                settled();
            });
}

void SleepInhibitor::settled()
{
    if (!m_asked.isEmpty() || m_logindPending > 0 || !m_wanted)
        return;
    if (!held() && !m_toldUnheld) {
        m_toldUnheld = true;
        qCWarning(desktopLog, "neither the desktop portal nor logind keeps the session awake; "
                              "it may suspend or lock while the sound plays");
    }
    // Refused: asked again only when the sound next starts.
}

void SleepInhibitor::release()
{
    ++m_round;
    m_logindPending = 0;
    closeRequest(m_asked);
    forgetRequest();
    closeRequest(m_portalHandle);
    m_portalHandle.clear();
    m_logindFds.clear(); // closes our copies, ending the locks
}
