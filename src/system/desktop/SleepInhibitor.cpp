#include "system/desktop/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace
{
const QString kReason = QStringLiteral("Playing noise");
// The portal's flags: 4 suspend, 8 idle.
constexpr uint kSuspendAndIdle = 4 | 8;
} // namespace

SleepInhibitor::SleepInhibitor(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
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
    if (m_asking)
        return; // the answer in flight settles it
    if (playing)
        askPortal();
    else
        release();
}

void SleepInhibitor::askPortal()
{
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << kSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), kReason}};
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            askLogind();
            return;
        }
        m_asking = false;
        m_portalHandle = reply.value();
        if (!m_wanted)
            release();
    });
}

void SleepInhibitor::askLogind()
{
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Hushwave") << kReason
         << QStringLiteral("block");
    // logind lives on the system bus.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (!reply.isError())
            m_logindFd = reply.value(); // the inhibit lasts while the descriptor is open
        // Refused: asked again only when the sound next starts.
        if (!m_wanted)
            release();
    });
}

void SleepInhibitor::release()
{
    if (!m_portalHandle.path().isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), m_portalHandle.path(),
            QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
        m_portalHandle = QDBusObjectPath();
    }
    m_logindFd = QDBusUnixFileDescriptor(); // closes our copy, ending the inhibit
}
