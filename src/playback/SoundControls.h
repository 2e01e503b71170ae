#pragma once

#include "playback/PlaybackContext.h"

// The style list and the volume and pitch sliders.
class SoundControls
{
public:
    SoundControls(PlaybackControls& controls, PlaybackServices& services);

    void Combo1_Click();
    void Slider1_Change();
    void Slider2_Change();

private:
    PlaybackControls& m_controls;
    PlaybackServices& m_services;
};
