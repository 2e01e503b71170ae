#include "tray/cSysTray.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "tray/Handles.h"
#include "tray/mSysTray.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QtGlobal>
#include <QTimer>

#include <exception>

TrayWindow::TrayWindow(QObject* parent) : QObject(parent), m_handle(registerWindow(this)) {}

TrayWindow::~TrayWindow()
{
    unregisterWindow(m_handle);
}

cSysTray::cSysTray(TrayShell& shell, QObject* parent)
    : QObject(parent), m_shell(shell), m_window(new TrayWindow(this)), mHwnd(m_window->handle())
{
}

cSysTray::~cSysTray()
{
    // The hook holds a plain pointer to us: it must go before we do.
    try {
        if (mInTray)
            setInTray(false);
    } catch (const std::exception& e) {
        qCWarning(desktopLog, "Removing the tray icon failed: %s", e.what());
    }
    if (mAdded)
        mSysTray::RemoveHook(mHwnd);
    m_window->userData = nullptr;
}

void cSysTray::setTrayIcon(const PictureRef& Icon)
{
    if (!Icon || Icon->Type() != Picture::Icon)
        return;
    if (mAdded) {
        NOTIFYICONDATAA data = newNotifyIconData(mHwnd, std::uint32_t(mIconId));
        data.uFlags = NIF_ICON;
        data.hIcon = Icon->Handle();
        m_shell.Shell_NotifyIconA(NIM_MODIFY, data);
    }
    mTrayIcon = Icon;
    emit PropertyChanged(QStringLiteral("TrayIcon"));
}

void cSysTray::setTrayTip(const QString& Tip)
{
    if (mAdded) {
        NOTIFYICONDATAA data = newNotifyIconData(mHwnd, std::uint32_t(mIconId));
        data.uFlags = NIF_TIP;
        setTextField(data.szTip, Tip);
        m_shell.Shell_NotifyIconA(NIM_MODIFY, data);
    }
    mTrayTip = Tip;
    emit PropertyChanged(QStringLiteral("TrayTip"));
}

void cSysTray::setInTray(bool Show)
{
    if (Show == mInTray)
        return;
    if (Show && m_userMode) {
        // Hooked before the add, so no notification for the icon is missed.
        mSysTray::InstallHook(mHwnd, this);
        AddToTray(mHwnd, mIconId, mTrayTip, mTrayIcon);
        mAdded = true;
    }
    if (!Show && mAdded) {
        RemoveFromTray(mHwnd, mIconId);
        mSysTray::RemoveHook(mHwnd);
        mAdded = false;
        // The balloon went with its icon: a wait for it ends (a close
        // during the first minimise must not take seconds).
        mBalloonUp = false;
    }
    mInTray = Show;
    emit PropertyChanged(QStringLiteral("InTray"));
}

void cSysTray::AddToTray(std::uint32_t hWnd, std::int32_t iconId, const QString& tip,
                         const PictureRef& icon)
{
    NOTIFYICONDATAA data = newNotifyIconData(hWnd, std::uint32_t(iconId));
    if (icon) {
        data.hIcon = icon->Handle();
        data.uFlags |= NIF_ICON;
        mTrayIcon = icon;
    }
    if (!tip.isEmpty()) {
        setTextField(data.szTip, tip);
        data.uFlags |= NIF_TIP;
        mTrayTip = tip;
    }
    data.uFlags |= NIF_MESSAGE;
    data.uCallbackMessage = kTrayCallbackMessage;
    m_shell.Shell_NotifyIconA(NIM_ADD, data);
}

void cSysTray::RemoveFromTray(std::uint32_t hWnd, std::int32_t iconId)
{
    NOTIFYICONDATAA data = newNotifyIconData(hWnd, std::uint32_t(iconId));
    m_shell.Shell_NotifyIconA(NIM_DELETE, data);
}

void cSysTray::ShowBalloon(const QString& Tip, const QString& sTitle, std::int32_t ShowTimer,
                           bool ShowOnce)
{
    if (ShowOnce && mBalloonCount >= 1)
        return;

    // ShowTimer * 1000 must fit the record's 32-bit signed milliseconds.
    constexpr std::int32_t kLongestShowTimer = 2147483;
    if (ShowTimer > kLongestShowTimer)
        throw Failure("Overflow");

    NOTIFYICONDATAA data = newNotifyIconData(mHwnd, std::uint32_t(mIconId));
    data.uFlags = NIF_INFO;
    setTextField(data.szInfoTitle, sTitle);
    setTextField(data.szInfo, Tip);
    if (ShowTimer > 0)
        data.uTimeout = std::uint32_t(ShowTimer * 1000);
    m_shell.Shell_NotifyIconA(NIM_MODIFY, data);

    mBalloonUp = true;
    if (ShowOnce)
        ++mBalloonCount;

    if (ShowTimer <= 0)
        return;

    // Wait with events flowing, on a monotonic clock (a change of day or of
    // the wall clock does not matter). Sleeps until an event arrives or the
    // time is up, so the wait costs no CPU.
    const QPointer<cSysTray> self(this);
    const qint64 limit = qint64(ShowTimer) * 1000;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (self && mBalloonUp && elapsed.elapsed() < limit) {
        wake.start(int(limit - elapsed.elapsed()));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    if (!self)
        return; // a handler run during the wait destroyed the control

    if (mBalloonUp) {
        NOTIFYICONDATAA clear = newNotifyIconData(mHwnd, std::uint32_t(mIconId));
        clear.uFlags = NIF_INFO;
        setTextField(clear.szInfoTitle, QString());
        setTextField(clear.szInfo, QString());
        m_shell.Shell_NotifyIconA(NIM_MODIFY, clear);
    }
}

void cSysTray::ReadProperties(const PropertyBag& bag)
{
    setInTray(bag.ReadProperty(QStringLiteral("InTray"), false).toBool());
    setTrayIcon(bag.ReadProperty(QStringLiteral("TrayIcon"), QVariant::fromValue(mTrayIcon))
                    .value<PictureRef>());
    setTrayTip(bag.ReadProperty(QStringLiteral("TrayTip"), kDefaultTrayTip).toString());
}

void cSysTray::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("InTray"), mInTray);
    bag.WriteProperty(QStringLiteral("TrayIcon"), QVariant::fromValue(mTrayIcon));
    bag.WriteProperty(QStringLiteral("TrayTip"), mTrayTip);
}

void cSysTray::TrayNotify(std::int32_t& lParam, std::int32_t& wParam)
{
    using ButtonSignal = void (cSysTray::*)(std::int16_t, std::int32_t);
    struct ButtonCode {
        std::int32_t code;
        std::int16_t button; // 1 left, 2 right
        ButtonSignal signal;
    };
    static const ButtonCode buttonCodes[] = {
        {TrayCode::LButtonDown, 1, &cSysTray::MouseDown},
        {TrayCode::LButtonUp, 1, &cSysTray::MouseUp},
        {TrayCode::LButtonDblClk, 1, &cSysTray::MouseDblClick},
        {TrayCode::RButtonDown, 2, &cSysTray::MouseDown},
        {TrayCode::RButtonUp, 2, &cSysTray::MouseUp},
        {TrayCode::RButtonDblClk, 2, &cSysTray::MouseDblClick},
    };

    const std::int32_t Id = wParam;
    for (const ButtonCode& b : buttonCodes) {
        if (b.code == lParam) {
            emit(this->*b.signal)(b.button, Id);
            return;
        }
    }
    switch (lParam) {
    case TrayCode::MouseMove:
        emit MouseMove(Id);
        break;
    case TrayCode::BalloonHide:
    case TrayCode::BalloonTimeout:
    case TrayCode::BalloonUserClick:
        mBalloonUp = false;
        break;
    default:
        break;
    }
}
