#include "system/desktop/Mpris.h"

#include <QDBusMessage>
#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace
{
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

namespace mpris
{
QString playbackStatus(const DesktopPlayerState& state)
{
    // A generator waiting for its play window is on: it counts as playing.
    return state.generatorOn || state.previewOn ? QStringLiteral("Playing")
                                                : QStringLiteral("Stopped");
}

QVariantMap metadata(const DesktopPlayerState& state)
{
    // One track per style, so the id stays the same as long as the style does.
    const QString id = state.styleIndex >= 0
                           ? QStringLiteral("/org/hushwave/style/%1").arg(state.styleIndex)
                           : QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(id)));
    if (!state.style.isEmpty())
        map.insert(QStringLiteral("xesam:title"), state.style);
    return map;
}

int sliderFromVolume(double volume)
{
    if (std::isnan(volume))
        return 1;
    // Clamped first: a huge volume would not fit an int once scaled.
    return std::clamp(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100.0)), 1, 100);
}

double volumeFromSlider(int slider)
{
    return slider / 100.0;
}
} // namespace mpris

Mpris::Mpris(DesktopWindow& window, QObject* parent)
    : QObject(parent), m_window(window), m_state(window.desktopState()),
      m_bus(QStringLiteral("hushwave-none")), m_waitTimer(new QTimer(this))
{
    new MprisRoot(*this);
    new MprisPlayer(*this);
    m_waitTimer->setInterval(100);
    connect(m_waitTimer, &QTimer::timeout, this, &Mpris::runWaiting);
}

void Mpris::whenWindowTakesInput(std::function<void()> action)
{
    m_waiting.append(std::move(action));
    runWaiting();
}

void Mpris::runWaiting()
{
    // In order, each one reading the window afresh: two Plays still turn on once.
    while (!m_waiting.isEmpty() && m_window.takesInput())
        m_waiting.takeFirst()();
    if (m_waiting.isEmpty())
        m_waitTimer->stop();
    else if (!m_waitTimer->isActive())
        m_waitTimer->start();
}

bool Mpris::exportOn(QDBusConnection bus)
{
    m_bus = bus;
    m_exported = bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors);
    return m_exported;
}

void Mpris::refresh()
{
    const DesktopPlayerState now = m_window.desktopState();
    if (now == m_state)
        return;
    QVariantMap changed;
    if (mpris::playbackStatus(now) != mpris::playbackStatus(m_state))
        changed.insert(QStringLiteral("PlaybackStatus"), mpris::playbackStatus(now));
    if (now.volume != m_state.volume)
        changed.insert(QStringLiteral("Volume"), mpris::volumeFromSlider(now.volume));
    if (now.style != m_state.style || now.styleIndex != m_state.styleIndex)
        changed.insert(QStringLiteral("Metadata"), mpris::metadata(now));
    m_state = now;
    if (!changed.isEmpty())
        propertiesChanged(kPlayerInterface, changed);
}

void Mpris::propertiesChanged(const QString& interface, const QVariantMap& changed)
{
    if (!m_exported)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_bus.send(signal);
}

MprisRoot::MprisRoot(Mpris& owner) : QDBusAbstractAdaptor(&owner), m_owner(owner) {}

void MprisRoot::Raise()
{
    m_owner.window().raiseWindow();
}

void MprisRoot::Quit()
{
    // After the reply has gone out: closing ends the program.
    QMetaObject::invokeMethod(
        &m_owner,
        [owner = &m_owner] {
            owner->whenWindowTakesInput([owner] { owner->window().closeWindow(); });
        },
        Qt::QueuedConnection);
}

MprisPlayer::MprisPlayer(Mpris& owner) : QDBusAbstractAdaptor(&owner), m_owner(owner) {}

QString MprisPlayer::playbackStatus() const
{
    return mpris::playbackStatus(m_owner.window().desktopState());
}

QVariantMap MprisPlayer::metadata() const
{
    return mpris::metadata(m_owner.window().desktopState());
}

double MprisPlayer::volume() const
{
    return mpris::volumeFromSlider(m_owner.window().desktopState().volume);
}

void MprisPlayer::setVolume(double volume)
{
    const int value = mpris::sliderFromVolume(volume);
    m_owner.whenWindowTakesInput([this, value] { m_owner.window().moveVolume(value); });
}

void MprisPlayer::PlayPause()
{
    m_owner.whenWindowTakesInput([this] {
        const DesktopPlayerState state = m_owner.window().desktopState();
        if (state.generatorOn || state.previewOn)
            stopNow();
        else
            playNow();
    });
}

void MprisPlayer::Play()
{
    m_owner.whenWindowTakesInput([this] { playNow(); });
}

void MprisPlayer::playNow()
{
    if (!m_owner.window().desktopState().generatorOn)
        m_owner.window().clickTurnOnOff();
}

void MprisPlayer::Pause()
{
    Stop(); // a noise has nowhere to pause at
}

void MprisPlayer::Stop()
{
    m_owner.whenWindowTakesInput([this] { stopNow(); });
}

void MprisPlayer::stopNow()
{
    const DesktopPlayerState state = m_owner.window().desktopState();
    if (state.generatorOn)
        m_owner.window().clickTurnOnOff(); // "Turn Off" also ends a preview
    else if (state.previewOn)
        m_owner.window().clickPreview();
}
