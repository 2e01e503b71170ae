#pragma once

#include "playback/PlaybackContext.h"

// Whether a tick is inside the daily play window, all in seconds of the day.
// The start is compared with the first clock reading and the end with the
// second; a window whose start is later than its end runs across midnight.
bool insidePlayWindow(int start, int end, int firstReading, int secondReading);

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

    PlaybackControls& c;
    PlaybackServices& s;
    bool m_ticking = false;
};
