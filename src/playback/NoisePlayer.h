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

// The captions that hold the generator's and the preview's state, in the
// user's language. Every caption is set and compared through these, so the
// state reads the same in every language.
namespace Caption
{
QString turnOn();
QString turnOff();
QString previewSound();
QString stop();
} // namespace Caption
