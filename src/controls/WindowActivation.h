#pragma once

#include <QString>

class QWidget;

// The desktop's leave to bring our window forward: an xdg-activation token
// on Wayland, a startup id on X11, handed over by a second start or a tray
// host. Compositors that prevent focus stealing honour only a token.
bool isActivationToken(const QString& token);

// The token offered last, kept for the next bringForward(). The program makes
// one and hands it to what receives tokens and to the window.
class ActivationOffer
{
public:
    // A token that is no token is dropped.
    void offer(const QString& token);
    QString take();

private:
    QString m_token;
};
// The token this process was started with, if any; read before the toolkit
// starts, since it takes the startup id for itself.
QString startupActivationToken();

// Shows and raises the window with the token offered (used on Wayland);
// without one it asks for attention, in case the desktop keeps it behind.
void bringForward(QWidget& window, ActivationOffer* offered);
