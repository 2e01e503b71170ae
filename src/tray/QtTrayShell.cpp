#include "tray/QtTrayShell.h"

#include "tray/Handles.h"

#include <QCoreApplication>

#include <climits>

struct QtTrayShell::Entry {
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t callbackMessage = 0; // 0: the record asked for no callback
    std::unique_ptr<QSystemTrayIcon> icon;
    // The desktop host's icon; Qt's icon stays hidden while there is one.
    std::unique_ptr<TrayItem> item;
    QTimer balloonTimer;
    bool balloonUp = false;
    // A balloon waiting for the icon to be docked.
    QTimer placeTimer;
    int placeTries = 0;
    QString title;
    QString text;
    int timeout = 0;
};

// A new X11 icon sits at the screen's origin until the tray host docks it,
// which takes a few tens of milliseconds; a balloon shown before that would
// point at the corner of the screen.
constexpr int kPlaceRetryMs = 50;
constexpr int kPlaceTries = 20;

// Qt shows a balloon for 10 s when not told otherwise.
constexpr int kDefaultBalloonMs = 10000;

std::vector<std::int32_t> trayCodesFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {TrayCode::LButtonDown, TrayCode::LButtonUp};
    case QSystemTrayIcon::Context:
        return {TrayCode::RButtonDown, TrayCode::RButtonUp};
    // Qt reports the first press of a double click as a Trigger; the shell
    // sends the double click and then the second release.
    case QSystemTrayIcon::DoubleClick:
        return {TrayCode::LButtonDblClk, TrayCode::LButtonUp};
    case QSystemTrayIcon::MiddleClick:
        return {TrayCode::MButtonDown, TrayCode::MButtonUp};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

QtTrayShell::QtTrayShell(TrayHost* host, QObject* parent) : QObject(parent), m_host(host)
{
    if (m_host)
        connect(m_host, &TrayHost::appeared, this, [this] {
            for (auto& [key, entry] : m_icons)
                useHost(*entry);
        });
}

QtTrayShell::~QtTrayShell() = default;

QSystemTrayIcon* QtTrayShell::icon(std::uint32_t hWnd, std::uint32_t uID) const
{
    const auto it = m_icons.find({hWnd, uID});
    return it == m_icons.end() ? nullptr : it->second->icon.get();
}

bool QtTrayShell::Shell_NotifyIconA(std::uint32_t dwMessage, const NOTIFYICONDATAA& data)
{
    if (data.cbSize < kNotifyIconDataSize)
        return false;
    const auto it = m_icons.find({data.hWnd, data.uID});
    switch (dwMessage) {
    case NIM_ADD:
        return it == m_icons.end() && add(data);
    case NIM_MODIFY:
        return it != m_icons.end() && modify(*it->second, data);
    case NIM_DELETE:
        if (it == m_icons.end())
            return false;
        it->second->icon->hide();
        it->second->item.reset();
        m_icons.erase(it);
        return true;
    default:
        return false;
    }
}

bool QtTrayShell::add(const NOTIFYICONDATAA& data)
{
    // Like the shell, refuse an icon for a window that does not exist.
    if (!windowFromHandle(data.hWnd))
        return false;
    auto entry = std::make_unique<Entry>();
    entry->hWnd = data.hWnd;
    entry->uID = data.uID;
    if (data.uFlags & NIF_MESSAGE)
        entry->callbackMessage = data.uCallbackMessage;
    entry->icon = std::make_unique<QSystemTrayIcon>();
    if (data.uFlags & NIF_ICON)
        entry->icon->setIcon(imageFromHandle(data.hIcon));
    if (data.uFlags & NIF_TIP)
        entry->icon->setToolTip(textField(data.szTip));

    Entry* raw = entry.get();
    connect(entry->icon.get(), &QSystemTrayIcon::activated, this,
            [this, raw](QSystemTrayIcon::ActivationReason reason) { activated(*raw, reason); });
    connect(entry->icon.get(), &QSystemTrayIcon::messageClicked, this,
            [this, raw] { balloonClicked(*raw); });
    raw->placeTimer.setSingleShot(true);
    connect(&raw->placeTimer, &QTimer::timeout, this, [this, raw] { presentBalloon(*raw); });
    raw->balloonTimer.setSingleShot(true);
    connect(&raw->balloonTimer, &QTimer::timeout, this, [this, raw] {
        raw->balloonUp = false;
        // Not every notification server honours the timeout.
        if (raw->item)
            raw->item->closeMessage();
        post(*raw, TrayCode::BalloonTimeout);
    });

    if (m_host && m_host->present())
        useHost(*raw);
    else
        entry->icon->show();
    if (data.uFlags & NIF_INFO)
        showBalloon(*raw, data);
    m_icons.emplace(std::make_pair(data.hWnd, data.uID), std::move(entry));
    return true;
}

bool QtTrayShell::modify(Entry& entry, const NOTIFYICONDATAA& data)
{
    if (data.uFlags & NIF_MESSAGE)
        entry.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        entry.icon->setIcon(imageFromHandle(data.hIcon));
        if (entry.item)
            entry.item->setIcon(entry.icon->icon());
    }
    if (data.uFlags & NIF_TIP) {
        entry.icon->setToolTip(textField(data.szTip));
        if (entry.item)
            entry.item->setToolTip(entry.icon->toolTip());
    }
    if (data.uFlags & NIF_INFO)
        showBalloon(entry, data);
    return true;
}

void QtTrayShell::useHost(Entry& entry)
{
    if (entry.item || !m_host)
        return;
    entry.item = m_host->createItem();
    if (!entry.item)
        return;
    entry.icon->hide();
    entry.item->setIcon(entry.icon->icon());
    entry.item->setToolTip(entry.icon->toolTip());
    Entry* raw = &entry;
    connect(entry.item.get(), &TrayItem::activated, this,
            [this, raw](QSystemTrayIcon::ActivationReason reason) { activated(*raw, reason); });
    connect(entry.item.get(), &TrayItem::messageClicked, this,
            [this, raw] { balloonClicked(*raw); });
}

void QtTrayShell::activated(const Entry& entry, QSystemTrayIcon::ActivationReason reason) const
{
    for (std::int32_t code : trayCodesFor(reason))
        post(entry, code);
}

void QtTrayShell::balloonClicked(Entry& entry)
{
    if (!entry.balloonUp)
        return;
    entry.balloonUp = false;
    entry.balloonTimer.stop();
    post(entry, TrayCode::BalloonUserClick);
}

void QtTrayShell::showBalloon(Entry& entry, const NOTIFYICONDATAA& data)
{
    const QString title = textField(data.szInfoTitle);
    const QString text = textField(data.szInfo);
    // An empty balloon takes the current one away.
    if (text.isEmpty()) {
        hideBalloon(entry);
        return;
    }
    if (entry.balloonUp)
        hideBalloon(entry);
    const int timeout = data.uTimeout > 0 && data.uTimeout <= std::uint32_t(INT_MAX)
                            ? int(data.uTimeout)
                            : kDefaultBalloonMs;
    entry.title = title;
    entry.text = text;
    entry.timeout = timeout;
    entry.placeTries = 0;
    presentBalloon(entry);
    entry.balloonUp = true;
    entry.balloonTimer.start(timeout);
    post(entry, TrayCode::BalloonShow);
}

void QtTrayShell::presentBalloon(Entry& entry)
{
    if (entry.item) {
        entry.item->showMessage(entry.title, entry.text, entry.timeout);
        return;
    }
    const QRect placed = entry.icon->geometry();
    if (!placed.isEmpty() && placed.topLeft() == QPoint(0, 0) && entry.placeTries < kPlaceTries) {
        ++entry.placeTries;
        entry.placeTimer.start(kPlaceRetryMs);
        return;
    }
    entry.icon->showMessage(entry.title, entry.text, QSystemTrayIcon::NoIcon, entry.timeout);
}

void QtTrayShell::hideBalloon(Entry& entry)
{
    entry.balloonTimer.stop();
    entry.placeTimer.stop();
    // Qt takes its own balloon away when given an empty one; a desktop
    // notification is closed instead, never replaced by an empty one.
    if (entry.item)
        entry.item->closeMessage();
    else
        entry.icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
    if (entry.balloonUp) {
        entry.balloonUp = false;
        post(entry, TrayCode::BalloonHide);
    }
}

void QtTrayShell::post(const Entry& entry, std::int32_t lParam) const
{
    if (entry.callbackMessage == 0)
        return;
    if (QObject* window = windowFromHandle(entry.hWnd))
        QCoreApplication::postEvent(
            window, new TrayCallbackEvent(entry.callbackMessage, std::int32_t(entry.uID), lParam));
}
