#pragma once

#include "playback/engine/EdgeFade.h"
#include "playback/PlaybackContext.h"

#include <optional>

class QDateTime;
class SettingsStore;

// Whether a tick is inside the daily play window, all in seconds of the day.
// The start is compared with the first clock reading and the end with the
// second; a window whose start is later than its end runs across midnight.
bool insidePlayWindow(int start, int end, int firstReading, int secondReading);

// Seconds of the FadeIn or FadeOut setting: a whole number from 0 to 3600,
// anything else is the default.
int fadeSetting(const SettingsStore& settings, const char* key, int defaultSeconds);

// The edges of a window from `start` to `end` (seconds of the day, both
// included) seen at `now`: silence is reached when the end's second is over.
// A window shorter than both fades shortens them in proportion.
EdgeFade windowEdges(int start, int end, const QDateTime& now, int fadeIn, int fadeOut);

// The play-window tick, the two play options and the two time pickers.
class PlayWindow
{
public:
    PlayWindow(PlaybackControls& controls, PlaybackServices& services);

    void Timer1_Timer();
    void Option1_Click();
    void Option2_Click();
    void DTPicker1_Change();
    void DTPicker2_Change();

private:
    void tick();

    PlaybackControls& m_controls;
    PlaybackServices& m_services;
    bool m_ticking = false;
    // The settings' fade lengths, read when the tick is to start the sound
    // and kept while it plays: each read is a read of the settings file.
    struct FadeLengths {
        int in = 0;
        int out = 0;
    };
    std::optional<FadeLengths> m_fades;
};
