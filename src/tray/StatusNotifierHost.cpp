#include "tray/StatusNotifierHost.h"

#include "common/Logging.h"
#include "controls/WindowActivation.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>

#include <atomic>

namespace
{
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

void registerTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(done);
}

// Notification bodies may be read as markup.
QString plainBody(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    text.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return text;
}
} // namespace

QDBusArgument& operator<<(QDBusArgument& out, const SniPixmap& pixmap)
{
    out.beginStructure();
    out << pixmap.width << pixmap.height << pixmap.argb;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, SniPixmap& pixmap)
{
    in.beginStructure();
    in >> pixmap.width >> pixmap.height >> pixmap.argb;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const SniToolTip& tip)
{
    out.beginStructure();
    out << tip.iconName << tip.pixmaps << tip.title << tip.text;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, SniToolTip& tip)
{
    in.beginStructure();
    in >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    in.endStructure();
    return in;
}

SniPixmaps sniPixmaps(const QIcon& icon)
{
    SniPixmaps out;
    for (const QSize& size : icon.availableSizes()) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        SniPixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.reserve(image.width() * image.height() * 4);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = line[x];
                pixmap.argb.append(char(qAlpha(p)));
                pixmap.argb.append(char(qRed(p)));
                pixmap.argb.append(char(qGreen(p)));
                pixmap.argb.append(char(qBlue(p)));
            }
        }
        out.append(pixmap);
    }
    return out;
}

StatusNotifierHost::StatusNotifierHost(QDBusConnection bus, QObject* parent)
    : TrayHost(parent), m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    registerTypes();
    m_present = m_bus.interface()->isServiceRegistered(kWatcher).value() && hostRegistered();
    // A watcher without a panel yet: the panel announces itself when it comes.
    m_bus.connect(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
    m_watcher =
        new QDBusServiceWatcher(kWatcher, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                const bool was = m_present;
                m_present = !newOwner.isEmpty();
                if (m_present && !was)
                    emit appeared();
            });
}

bool StatusNotifierHost::hostRegistered() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage answer = m_bus.call(get, QDBus::Block, 1000);
    // A watcher that cannot say is taken at its word of being there.
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return true;
    return answer.arguments().first().value<QDBusVariant>().variant().toBool();
}

void StatusNotifierHost::onHostRegistered()
{
    if (m_present)
        return;
    m_present = true;
    emit appeared();
}

std::unique_ptr<TrayItem> StatusNotifierHost::createItem()
{
    if (!m_bus.isConnected())
        return nullptr;
    return std::make_unique<StatusNotifierItem>(m_bus, nullptr, m_offer);
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject* parent, ActivationOffer* offer)
    : TrayItem(parent), m_bus(std::move(bus)), m_offer(offer)
{
    registerTypes();
    static std::atomic<int> counter{0};
    m_service = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(++counter);
    new StatusNotifierItemAdaptor(*this);
    const bool named = m_bus.registerService(m_service);
    if (!(named && m_bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors))) {
        // Told once a run: the icon is made again each time it is shown.
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            qCWarning(desktopLog,
                      "the tray icon could not be registered on the session bus as %s: %s",
                      qPrintable(m_service), qPrintable(m_bus.lastError().message()));
    }
    m_bus.connect(kNotifications, kNotificationsPath, kNotifications,
                  QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kNotifications, kNotificationsPath, kNotifications,
                  QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    // A watcher that starts (or starts again) later learns of the item too.
    auto* watcher =
        new QDBusServiceWatcher(kWatcher, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { registerWithWatcher(); });
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    closeMessage();
    m_bus.unregisterObject(kItemPath);
    // The watcher drops an item whose name has gone.
    m_bus.unregisterService(m_service);
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_service;
    m_bus.asyncCall(call);
}

void StatusNotifierItem::setIcon(const QIcon& icon)
{
    m_pixmaps = sniPixmaps(icon);
    m_bus.send(QDBusMessage::createSignal(kItemPath, QStringLiteral("org.kde.StatusNotifierItem"),
                                          QStringLiteral("NewIcon")));
}

void StatusNotifierItem::setToolTip(const QString& tip)
{
    m_toolTip = tip;
    m_bus.send(QDBusMessage::createSignal(kItemPath, QStringLiteral("org.kde.StatusNotifierItem"),
                                          QStringLiteral("NewToolTip")));
}

void StatusNotifierItem::showMessage(const QString& title, const QString& text, int msecs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath,
                                                       kNotifications, QStringLiteral("Notify"));
    // The one message of the item replaces its last, if that is still up.
    call << QStringLiteral("Hushwave") << m_notification << kApplicationId << title
         << plainBody(text) << QStringList{QStringLiteral("default"), QString()}
         << QVariantMap{{QStringLiteral("desktop-entry"), kApplicationId}} << qint32(msecs);
    m_notifying = true;
    m_closeWhenShown = false;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_notifying = false;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return; // no notification server: the icon is still there
        m_notification = reply.value();
        if (m_closeWhenShown)
            closeMessage();
    });
}

void StatusNotifierItem::closeMessage()
{
    if (m_notifying) {
        m_closeWhenShown = true;
        return;
    }
    if (m_notification == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kNotifications, kNotificationsPath, kNotifications, QStringLiteral("CloseNotification"));
    call << m_notification;
    m_bus.asyncCall(call);
    m_notification = 0;
}

void StatusNotifierItem::onActionInvoked(uint id, const QString& action)
{
    if (id != 0 && id == m_notification && action == QStringLiteral("default"))
        emit messageClicked();
}

void StatusNotifierItem::onNotificationClosed(uint id, uint)
{
    if (id != 0 && id == m_notification)
        m_notification = 0;
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem& item)
    : QDBusAbstractAdaptor(&item), m_item(item)
{
}

SniToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return SniToolTip{QString(), {}, m_item.toolTip(), QString()};
}

void StatusNotifierItemAdaptor::Activate(int, int)
{
    emit m_item.activated(QSystemTrayIcon::Trigger);
}

void StatusNotifierItemAdaptor::SecondaryActivate(int, int)
{
    emit m_item.activated(QSystemTrayIcon::MiddleClick);
}

void StatusNotifierItemAdaptor::ContextMenu(int, int)
{
    emit m_item.activated(QSystemTrayIcon::Context);
}

void StatusNotifierItemAdaptor::ProvideXdgActivationToken(const QString& token)
{
    if (ActivationOffer* offer = m_item.activationOffer())
        offer->offer(token);
}
