#pragma once

#include "tray/NotifyIconData.h"
#include "tray/Picture.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <cstdint>

class cSysTray;

// The tray control's own window: the target of the tray callback message.
// Its event handling is the window procedure that the hook stands in front of.
class TrayWindow : public QObject
{
    Q_OBJECT
public:
    explicit TrayWindow(QObject* parent = nullptr);
    ~TrayWindow() override;

    std::uint32_t handle() const { return m_handle; }

    // The user-data slot: the owning control while hooked (not owned).
    cSysTray* userData = nullptr;

private:
    std::uint32_t m_handle;
};

// The saved properties of a control, read when its host creates it.
class PropertyBag
{
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const
    {
        return m_values.value(name, defaultValue);
    }
    void WriteProperty(const QString& name, const QVariant& value) { m_values.insert(name, value); }
    bool contains(const QString& name) const { return m_values.contains(name); }

private:
    QHash<QString, QVariant> m_values;
};

// The tip a new control carries until it is given one (with its NUL).
inline const QString kDefaultTrayTip = QStringLiteral("Telnet Server") + QChar(0);

// One icon in the notification area: icon, tip, balloon, and the shell's
// mouse notifications turned into four events. Talks to the shell only
// through TrayShell; notifications arrive through its window while the icon
// is in the tray.
class cSysTray : public QObject
{
    Q_OBJECT
public:
    explicit cSysTray(TrayShell& shell, QObject* parent = nullptr);
    ~cSysTray() override;

    PictureRef TrayIcon() const { return mTrayIcon; }
    // An empty picture or one that is not an icon is ignored.
    void setTrayIcon(const PictureRef& Icon);

    QString TrayTip() const { return mTrayTip; }
    void setTrayTip(const QString& Tip);

    bool InTray() const { return mInTray; }
    void setInTray(bool Show);

    // Shows a balloon on the icon. With ShowTimer > 0 it waits that many
    // seconds (events keep flowing), or less when the shell reports the
    // balloon gone, and then takes the balloon away itself. Throws
    // Failure("Overflow") when ShowTimer seconds do not fit in 32-bit ms.
    void ShowBalloon(const QString& Tip, const QString& sTitle, std::int32_t ShowTimer,
                     bool ShowOnce);

    // "InTray", "TrayIcon" (a PictureRef), "TrayTip", in that order, each
    // through its property.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Design mode stores InTray without touching the shell.
    void setUserMode(bool runMode) { m_userMode = runMode; }

    // Decodes one tray callback message; only the hook calls it.
    void TrayNotify(std::int32_t& lParam, std::int32_t& wParam);

    std::uint32_t hWnd() const { return mHwnd; }
    TrayWindow* window() const { return m_window; }
    bool added() const { return mAdded; }
    bool balloonUp() const { return mBalloonUp; }
    std::int32_t balloonCount() const { return mBalloonCount; }

signals:
    void MouseMove(std::int32_t Id);
    void MouseDown(std::int16_t Button, std::int32_t Id);
    void MouseUp(std::int16_t Button, std::int32_t Id);
    void MouseDblClick(std::int16_t Button, std::int32_t Id);
    // A property changed ("InTray", "TrayIcon", "TrayTip").
    void PropertyChanged(const QString& name);

private:
    void AddToTray(std::uint32_t hWnd, std::int32_t iconId, const QString& tip,
                   const PictureRef& icon);
    void RemoveFromTray(std::uint32_t hWnd, std::int32_t iconId);

    TrayShell& m_shell;
    TrayWindow* m_window;
    bool m_userMode = true;

    bool mInTray = false;
    std::int32_t mIconId = 0;
    QString mTrayTip;
    std::uint32_t mHwnd;
    PictureRef mTrayIcon;
    bool mAdded = false;
    bool mBalloonUp = false;
    std::int32_t mBalloonCount = 0;
};
