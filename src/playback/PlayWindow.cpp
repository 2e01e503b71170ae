#include "playback/PlayWindow.h"

#include "common/Clock.h"
#include "common/DateText.h"
#include "common/Guard.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "controls/ControlValues.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/NoisePlayer.h"
#include "playback/StylePath.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>

bool insidePlayWindow(int start, int end, int firstReading, int secondReading)
{
    if (start <= end)
        return start <= firstReading && end >= secondReading;
    return firstReading >= start || secondReading <= end;
}

int fadeSetting(const SettingsStore& settings, const char* key, int defaultSeconds)
{
    bool ok = false;
    const int seconds = settings.get(key, QString()).toInt(&ok);
    return ok && seconds >= 0 && seconds <= 3600 ? seconds : defaultSeconds;
}

EdgeFade windowEdges(int start, int end, const QDateTime& now, int fadeIn, int fadeOut)
{
    constexpr int day = 24 * 60 * 60;
    const int length = (end - start + day) % day + 1;
    const double at = secondsOfDay(now) + now.time().msec() / 1000.0;
    const double untilEnd = std::fmod(end + 1 - at + day, double(day));
    double scale = 1.0;
    if (fadeIn + fadeOut > length)
        scale = double(length) / (fadeIn + fadeOut);
    return EdgeFade{fadeIn * scale, fadeOut * scale, untilEnd};
}

PlayWindow::PlayWindow(PlaybackControls& controls, PlaybackServices& services)
    : m_controls(controls), m_services(services)
{
}

void PlayWindow::Timer1_Timer()
{
    // An error box waits in a nested event loop; ticks arriving meanwhile
    // must not stack up a box a second.
    if (m_ticking)
        return;
    m_ticking = true;
    tick();
    m_ticking = false;
}

void PlayWindow::tick()
{
    Guard guard(m_services.errors, Location::Timer1);
    const auto path = [&] {
        return currentPlayPath(*m_controls.Combo1, m_services.programFolder, m_services.names);
    };

    if (guard.test(100, [&] { return m_controls.Option1->isChecked(); })) {
        guard(102, [&] { enableTimer(m_controls.Timer1, false); });
        guard(104, [&] { m_services.player.playFile(path()); });
        return;
    }
    if (!guard.test(106, [&] { return m_controls.Option2->isChecked(); }))
        return;

    EdgeFade edges;
    const bool inside = guard.test(108, [&] {
        const int first = secondsOfDay(m_services.clock.now());
        const int start = secondsOfDay(m_controls.DTPicker1->dateTime());
        const QDateTime now = m_services.clock.now();
        const int second = secondsOfDay(now);
        const int end = secondsOfDay(m_controls.DTPicker2->dateTime());
        const bool within = insidePlayWindow(start, end, first, second);
        if (within) {
            if (!m_fades || m_services.player.playState() != PlayState::Playing)
                m_fades = FadeLengths{fadeSetting(m_services.settings, Key::FadeIn, 10),
                                      fadeSetting(m_services.settings, Key::FadeOut, 60)};
            edges = windowEdges(start, end, now, m_fades->in, m_fades->out);
        }
        return within;
    });
    if (inside) {
        // Told on every tick, so a clock change lands on the fade's level.
        if (guard.test(110, [&] { return m_services.player.playState() != PlayState::Playing; }))
            guard(112, [&] {
                m_services.player.setEdgeFade(edges);
                m_services.player.playFile(path());
            });
        else
            guard(110, [&] { m_services.player.setEdgeFade(edges); });
    } else {
        guard(114, [&] { m_services.player.stop(); });
    }
}

void PlayWindow::Option1_Click()
{
    m_services.settings.save(Key::Option, "Infinite");
    m_services.player.setLoopMode(true);
}

void PlayWindow::Option2_Click()
{
    if (m_controls.PushButton2->text() == Caption::turnOff() && !m_controls.Timer1->isActive())
        enableTimer(m_controls.Timer1, true);
    m_services.settings.save(Key::Option, "Timed");
    m_services.player.setLoopMode(true);
}

void PlayWindow::DTPicker1_Change()
{
    m_services.settings.save(Key::TimeFrom, formatGeneralDate(m_controls.DTPicker1->dateTime()));
}

void PlayWindow::DTPicker2_Change()
{
    m_services.settings.save(Key::TimeTo, formatGeneralDate(m_controls.DTPicker2->dateTime()));
}
