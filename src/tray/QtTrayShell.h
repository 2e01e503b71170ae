#pragma once

#include "tray/NotifyIconData.h"
#include "tray/TrayItem.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// The tray shell on Qt: each added record becomes a QSystemTrayIcon; its
// clicks and balloon clicks come back to the record's window as tray
// callback messages, posted like the shell's.
//
// Given a desktop tray host (StatusNotifierItem), icons go there whenever it
// is present, also when it arrives after start-up; Qt's icon is used only
// without one.
class QtTrayShell : public QObject, public TrayShell
{
    Q_OBJECT
public:
    explicit QtTrayShell(TrayHost* host = nullptr, QObject* parent = nullptr);
    ~QtTrayShell() override;

    bool Shell_NotifyIconA(std::uint32_t dwMessage, const NOTIFYICONDATAA& data) override;

    // The icon added for a window and identifier, or null.
    QSystemTrayIcon* icon(std::uint32_t hWnd, std::uint32_t uID) const;

private:
    struct Entry;

    bool add(const NOTIFYICONDATAA& data);
    bool modify(Entry& entry, const NOTIFYICONDATAA& data);
    void showBalloon(Entry& entry, const NOTIFYICONDATAA& data);
    void presentBalloon(Entry& entry);
    void hideBalloon(Entry& entry);
    void post(const Entry& entry, std::int32_t lParam) const;
    void useHost(Entry& entry);
    void activated(const Entry& entry, QSystemTrayIcon::ActivationReason reason) const;
    void balloonClicked(Entry& entry);

    TrayHost* m_host = nullptr;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<Entry>> m_icons;
};

// The mouse messages the shell sends for a Qt activation, in order.
std::vector<std::int32_t> trayCodesFor(QSystemTrayIcon::ActivationReason reason);
