#include "tray/MinimizeToTray.h"

#include "common/ErrorReport.h"
#include "common/Guard.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "controls/WindowActivation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QWidget>

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): declared in MinimizeToTray.h
bool HiddenInTray = false;

bool systemTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString balloonText()
{
    return QCoreApplication::translate(
        "MinimizeToTray",
        "has been minimized to the system tray.\r\n"
        "Click on the blue 'T' icon (T for Tarnwell) to bring the software back.");
}

PropertyBag savedTrayProperties(const QIcon& trayIcon)
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("InTray"), false);
    bag.WriteProperty(QStringLiteral("TrayIcon"), QVariant::fromValue(Picture::fromIcon(trayIcon)));
    return bag;
}

MinimizeToTray::MinimizeToTray(QWidget& form, cSysTray& cSysTray1, QCheckBox* Check8,
                               SettingsStore& settings, ErrorReport& report,
                               TrayAvailability trayAvailable, QObject* parent)
    : QObject(parent), m_form(form), m_tray(cSysTray1), m_check8(Check8), m_settings(settings),
      m_report(report), m_trayAvailable(std::move(trayAvailable))
{
    m_form.installEventFilter(this);
}

MinimizeToTray::~MinimizeToTray() = default;

bool MinimizeToTray::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_form) {
        // A state change of a window not yet shown (the minimised start) is
        // handled when it is shown; hiding it now would leave show() to
        // bring it back.
        if (event->type() == QEvent::Show ||
            (event->type() == QEvent::WindowStateChange && m_form.isVisible()))
            queueResize();
    }
    return false;
}

void MinimizeToTray::queueResize()
{
    // Run after the state change has been delivered: the handler may hide
    // the window and wait for seconds with events flowing.
    QMetaObject::invokeMethod(
        this, [this] { atQtEdge("Form_Resize", [this] { Form_Resize(); }); }, Qt::QueuedConnection);
}

void MinimizeToTray::restoreCheck8()
{
    const bool on = m_settings.get(Key::Minimized, QStringLiteral("Off")) == QStringLiteral("On");
    if (!m_check8 || m_check8->isChecked() == on)
        return;
    {
        const QSignalBlocker quiet(m_check8);
        m_check8->setChecked(on);
    }
    // The change writes itself back, as a click would; a failure belongs to
    // the load step that made it.
    Check8_Click();
}

void MinimizeToTray::minimizeAtStart()
{
    m_form.setWindowState(m_form.windowState() | Qt::WindowMinimized);
}

void MinimizeToTray::Form_Resize()
{
    if (!(m_form.windowState() & Qt::WindowMinimized) || HiddenInTray)
        return;
    // Without a tray host the icon cannot bring the window back: it stays
    // minimised on the task bar. Asked at every minimise, so a host that
    // appears later is used from then on.
    if (!m_trayAvailable())
        return;
    // Normal before hidden: on X11 a hidden window given its normal state
    // back is mapped again.
    m_form.setWindowState(m_form.windowState() & ~Qt::WindowMinimized);
    m_form.hide();
    HiddenInTray = true;
    m_tray.ShowBalloon(balloonText(), kBalloonTitle, kBalloonSeconds, true);
}

void MinimizeToTray::cSysTray1_MouseUp(std::int16_t, std::int32_t)
{
    // Minimised on the task bar (there was no tray host then): bring it up too.
    if (m_form.windowState() & Qt::WindowMinimized)
        m_form.setWindowState(m_form.windowState() & ~Qt::WindowMinimized);
    bringForward(m_form, m_offer);
    HiddenInTray = false;
}

void MinimizeToTray::Check8_Click()
{
    if (!m_check8)
        return;
    m_settings.save(Key::Minimized,
                    m_check8->isChecked() ? QStringLiteral("On") : QStringLiteral("Off"));
}

void MinimizeToTray::Form_QueryUnload()
{
    Guard guard(m_report, Location::FormQueryUnload);
    guard(102, [this] { m_tray.setInTray(false); });
    guard(104, [] { QCoreApplication::processEvents(); });
    guard(106, [] { QCoreApplication::processEvents(); });
}
