#include "system/desktop/DesktopSession.h"

#include "common/Logging.h"
#include "controls/WindowActivation.h"

#include "system/desktop/DesktopWindow.h"
#include "system/desktop/Mpris.h"
#include "system/desktop/SingleInstance.h"
#include "system/desktop/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusError>

DesktopSession::DesktopSession(DesktopWindow& window, SingleInstance& instance,
                               ActivationOffer& activation, QObject* parent)
    : QObject(parent), m_window(window)
{
    connect(&instance, &SingleInstance::raiseRequested, this,
            [this, &activation](const QString& token) {
                activation.offer(token);
                m_window.raiseWindow();
            });
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Without a session bus logind may still hold; without either the
    // inhibitor says so once.
    m_inhibitor = new SleepInhibitor(bus, QDBusConnection::systemBus(), this);
    // The name is ours only when this is the one instance.
    if (bus.isConnected() && instance.ownsBusName()) {
        m_mpris = new Mpris(window, this);
        if (!m_mpris->exportOn(bus)) {
            qCWarning(desktopLog,
                      "the media player object could not be registered on the session "
                      "bus: %s; panels and media keys will not see the player",
                      qPrintable(bus.lastError().message()));
            delete m_mpris;
            m_mpris = nullptr;
        }
    }
    m_window.setDesktopListener([this] { update(); });
    update();
}

DesktopSession::~DesktopSession()
{
    m_window.setDesktopListener({});
}

void DesktopSession::update()
{
    if (m_mpris)
        m_mpris->refresh();
    m_inhibitor->setPlaying(m_window.desktopState().soundPlaying);
}
