#include "controls/WindowActivation.h"

#include "controls/WaylandActivationToken.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace
{
// Tokens are short printable words; anything else is not passed on.
constexpr qsizetype kMaxTokenLength = 1024;
} // namespace

bool isActivationToken(const QString& token)
{
    if (token.isEmpty() || token.size() > kMaxTokenLength)
        return false;
    for (const QChar c : token) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return false;
    }
    return true;
}

void ActivationOffer::offer(const QString& token)
{
    if (isActivationToken(token))
        m_token = token;
}

QString ActivationOffer::take()
{
    return std::exchange(m_token, QString());
}

QString startupActivationToken()
{
    QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (isActivationToken(wayland))
        return wayland;
    const QString x11 = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    return isActivationToken(x11) ? x11 : QString();
}

void bringForward(QWidget& window, ActivationOffer* offered)
{
    QString token = offered ? offered->take() : QString();
    const bool wayland = QGuiApplication::platformName() == QLatin1String("wayland");
    // Without one from the start that asked, one of our own: compositors
    // that prevent focus stealing then mark the window or say it is ready.
    if (token.isEmpty() && wayland)
        token = requestWaylandActivationToken(QGuiApplication::desktopFileName());
    // Qt's Wayland shell activates with this variable's token, once. On X11
    // Qt takes a startup id only as it starts, so there it goes unused.
    const bool withToken = !token.isEmpty() && wayland;
    if (withToken)
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    window.show();
    window.raise();
    // Asked of the window itself: activateWindow() asks nothing of a window
    // Qt still takes for active, and the token would be left unused.
    if (QWindow* handle = window.windowHandle())
        handle->requestActivate();
    if (!withToken)
        QApplication::alert(&window);
}
