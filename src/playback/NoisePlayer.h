#pragma once

#include "playback/PlaybackContext.h"

// The on/off button, the preview button and the preview watch.
class NoisePlayer
{
public:
    NoisePlayer(PlaybackControls& controls, PlaybackServices& services);

    void PushButton2_Click();
    void PushButton1_Click();
    void Timer2_Timer();

private:
    bool generatorOn() const;
    // After a preview, the generator that is on takes over again.
    void resumeGenerator();

    PlaybackControls& m_controls;
    PlaybackServices& m_services;
};

inline const char* const kTurnOn = "Turn On";
inline const char* const kTurnOff = "Turn Off";
inline const char* const kPreviewSound = "Preview Sound";
inline const char* const kStop = "Stop";
