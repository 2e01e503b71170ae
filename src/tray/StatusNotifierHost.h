#pragma once

#include "common/ApplicationId.h"
#include "tray/TrayItem.h"

class ActivationOffer;

#include <QByteArray>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>

class QDBusServiceWatcher;

// The StatusNotifierItem tray of Plasma, GNOME's AppIndicator extension,
// XFCE and most Wayland panels, watched on the session bus: Qt decides once,
// at start, whether to use it, so a panel that starts after the program
// would never get an icon from Qt.
class StatusNotifierHost : public TrayHost
{
    Q_OBJECT
public:
    explicit StatusNotifierHost(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);

    bool present() const override { return m_present; }
    std::unique_ptr<TrayItem> createItem() override;
    // Where items put the tokens a host hands over; must outlive them.
    void setActivationOffer(ActivationOffer* offer) { m_offer = offer; }

private slots:
    void onHostRegistered();

private:
    bool hostRegistered() const;

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_present = false;
    ActivationOffer* m_offer = nullptr;
};

// One icon pixmap as the protocol carries it: ARGB32 in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& out, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& in, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& out, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& in, SniToolTip& tip);

// The pixmaps of an icon at each size it holds.
SniPixmaps sniPixmaps(const QIcon& icon);

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)

// One item on the bus, its own service name registered with the watcher
// (again whenever a watcher appears), and its balloon a desktop notification.
class StatusNotifierItem : public TrayItem
{
    Q_OBJECT
public:
    explicit StatusNotifierItem(QDBusConnection bus, QObject* parent = nullptr,
                                ActivationOffer* offer = nullptr);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& tip) override;
    void showMessage(const QString& title, const QString& text, int msecs) override;
    void closeMessage() override;

    const SniPixmaps& pixmaps() const { return m_pixmaps; }
    const QString& toolTip() const { return m_toolTip; }
    QString serviceName() const { return m_service; }
    ActivationOffer* activationOffer() const { return m_offer; }

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    void registerWithWatcher();

    QDBusConnection m_bus;
    ActivationOffer* m_offer = nullptr;
    QString m_service;
    SniPixmaps m_pixmaps;
    QString m_toolTip;
    uint m_notification = 0;  // the notification shown, 0 when none
    bool m_notifying = false; // a Notify call is in flight
    bool m_closeWhenShown = false;
};

class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(SniPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(SniPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem& item);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return kApplicationId; }
    QString title() const { return QStringLiteral("Hushwave"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    SniPixmaps iconPixmap() const { return m_item.pixmaps(); }
    SniPixmaps noPixmaps() const { return {}; }
    SniToolTip toolTip() const;
    // No menu: a click of any button brings the window back.
    bool itemIsMenu() const { return false; }

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int, const QString&) {}
    // Hosts that have one pass the desktop's token just before Activate.
    void ProvideXdgActivationToken(const QString& token);

signals:
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem& m_item;
};
