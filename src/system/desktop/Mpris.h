#pragma once

#include "common/ApplicationId.h"
#include "system/desktop/DesktopWindow.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <functional>

// The MPRIS 2 mapping, kept apart from the bus so it can be checked alone.
namespace mpris
{
QString playbackStatus(const DesktopPlayerState& state);
QVariantMap metadata(const DesktopPlayerState& state);
// Panels speak 0.0..1.0; the slider goes from 1 (quiet, never silent) to 100.
int sliderFromVolume(double volume);
double volumeFromSlider(int slider);
} // namespace mpris

// The media player object at /org/mpris/MediaPlayer2: the window's
// controls as panels, media keys and lock screens see them.
class Mpris : public QObject
{
    Q_OBJECT
public:
    explicit Mpris(DesktopWindow& window, QObject* parent = nullptr);

    // Exports the object on the connection; false when the bus refuses it.
    bool exportOn(QDBusConnection bus);
    // Reads the window again and signals what changed.
    void refresh();

    DesktopWindow& window() { return m_window; }
    const DesktopPlayerState& state() const { return m_state; }

    // Runs the action now if the window takes input, else once it does (a
    // box is closed): a call is never answered as done and then dropped.
    void whenWindowTakesInput(std::function<void()> action);

private:
    void propertiesChanged(const QString& interface, const QVariantMap& changed);
    void runWaiting();

    DesktopWindow& m_window;
    DesktopPlayerState m_state;
    QDBusConnection m_bus;
    bool m_exported = false;
    QList<std::function<void()>> m_waiting;
    QTimer* m_waitTimer;
};

class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ noStrings)
    Q_PROPERTY(QStringList SupportedMimeTypes READ noStrings)
public:
    explicit MprisRoot(Mpris& owner);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Hushwave"); }
    // The installed menu entry, so panels find its name and icon.
    QString desktopEntry() const { return kApplicationId; }
    QStringList noStrings() const { return {}; }

public slots:
    void Raise();
    void Quit();

private:
    void playNow();
    void stopNow();

    Mpris& m_owner;
};

class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayer(Mpris& owner);

    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const { return 0; }
    double one() const { return 1.0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void PlayPause();
    void Play();
    void Pause();
    void Stop();
    // A noise has no tracks and no position.
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    void playNow();
    void stopNow();

    Mpris& m_owner;
};
