#include "app/appearance/DesktopColourScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace
{
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Read wraps the value in one variant more than ReadOne does.
QVariant unwrapped(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}
} // namespace

DesktopColourScheme::DesktopColourScheme(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Any sender on the portal's path and interface: matched by the portal's
    // name, with typed arguments, the signal was lost now and then here.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QDBusMessage)));
    read(QStringLiteral("ReadOne"));
}

void DesktopColourScheme::read(const QString& method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call << kGroup << kKey;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, method](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                    take(reply.arguments().constFirst());
                // Portals before version 2 of the interface know only Read.
                else if (method == QStringLiteral("ReadOne"))
                    read(QStringLiteral("Read"));
            });
}

void DesktopColourScheme::settingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments.at(0).toString() == kGroup &&
        arguments.at(1).toString() == kKey)
        take(arguments.at(2));
}

void DesktopColourScheme::take(const QVariant& value)
{
    bool ok = false;
    const unsigned scheme = unwrapped(value).toUInt(&ok);
    const std::optional<unsigned> preference = ok ? std::optional(scheme) : std::nullopt;
    if (preference == m_preference)
        return;
    m_preference = preference;
    emit changed();
}
