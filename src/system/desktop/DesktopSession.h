#pragma once

#include <QObject>

class ActivationOffer;
class DesktopWindow;
class Mpris;
class SingleInstance;
class SleepInhibitor;

// The window's presence on the desktop's session bus: the media player
// object for panels and media keys, and no sleep while sound plays. Also
// shows the window when a second start asks for it. Without a bus only the
// last of these works; what could not be had is said once on the log.
class DesktopSession : public QObject
{
    Q_OBJECT
public:
    // A token the second start hands over goes to `activation`.
    DesktopSession(DesktopWindow& window, SingleInstance& instance, ActivationOffer& activation,
                   QObject* parent = nullptr);
    ~DesktopSession() override;

private:
    void update();

    DesktopWindow& m_window;
    Mpris* m_mpris = nullptr;
    SleepInhibitor* m_inhibitor = nullptr;
};
