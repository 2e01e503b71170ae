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
    : c(controls), s(services)
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
    Guard guard(s.errors, Location::Timer1);
    const auto path = [&] { return currentPlayPath(*c.Combo1, s.programFolder); };

    if (guard.test(100, [&] { return c.Option1->isChecked(); })) {
        guard(102, [&] { enableTimer(c.Timer1, false); });
        guard(104, [&] { s.player.playFile(path()); });
        return;
    }
    if (!guard.test(106, [&] { return c.Option2->isChecked(); }))
        return;

    EdgeFade edges;
    const bool inside = guard.test(108, [&] {
        const int first = secondsOfDay(s.clock.now());
        const int start = secondsOfDay(c.DTPicker1->dateTime());
        const QDateTime now = s.clock.now();
        const int second = secondsOfDay(now);
        const int end = secondsOfDay(c.DTPicker2->dateTime());
        edges = windowEdges(start, end, now, fadeSetting(s.settings, Key::FadeIn, 10),
                            fadeSetting(s.settings, Key::FadeOut, 60));
        return insidePlayWindow(start, end, first, second);
    });
    if (inside) {
        // Told on every tick, so a clock change lands on the fade's level.
        if (guard.test(110, [&] { return s.player.playState() != PlayState::Playing; }))
            guard(112, [&] {
                s.player.setEdgeFade(edges);
                s.player.playFile(path());
            });
        else
            guard(110, [&] { s.player.setEdgeFade(edges); });
    } else {
        guard(114, [&] { s.player.stop(); });
    }
}

void PlayWindow::Option1_Click()
{
    s.settings.save(Key::Option, "Infinite");
    s.player.setLoopMode(true);
}

void PlayWindow::Option2_Click()
{
    if (c.PushButton2->text() == kTurnOff && !c.Timer1->isActive())
        enableTimer(c.Timer1, true);
    s.settings.save(Key::Option, "Timed");
    s.player.setLoopMode(true);
}

void PlayWindow::DTPicker1_Change()
{
    s.settings.save(Key::TimeFrom, formatGeneralDate(c.DTPicker1->dateTime()));
}

void PlayWindow::DTPicker2_Change()
{
    s.settings.save(Key::TimeTo, formatGeneralDate(c.DTPicker2->dateTime()));
}
