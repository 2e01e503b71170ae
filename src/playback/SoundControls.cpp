#include "playback/SoundControls.h"

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "playback/engine/MediaPlayer.h"

#include <QComboBox>
#include <QSlider>

SoundControls::SoundControls(PlaybackControls& controls, PlaybackServices& services)
    : c(controls), s(services)
{
}

void SoundControls::Combo1_Click()
{
    s.settings.save(Key::Combo1, QString::number(c.Combo1->currentIndex()));
}

// The player first: a save that fails must not leave the sound disagreeing
// with the slider the user sees.
void SoundControls::Slider1_Change()
{
    s.player.setVolume(c.Slider1->value());
    s.settings.save(Key::Volume, QString::number(c.Slider1->value()));
}

void SoundControls::Slider2_Change()
{
    s.player.setRate(static_cast<double>(c.Slider2->value()));
    s.settings.save(Key::Pitch, QString::number(c.Slider2->value()));
}
