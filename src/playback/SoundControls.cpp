#include "playback/SoundControls.h"

#include "app/SettingsStore.h"
#include "playback/MediaPlayer.h"

#include <QComboBox>
#include <QSlider>

SoundControls::SoundControls(Form1Controls& controls, FormServices& services)
    : c(controls), s(services)
{
}

void SoundControls::Combo1_Click()
{
    s.settings.save("Combo1", QString::number(c.Combo1->currentIndex()));
}

void SoundControls::Slider1_Change()
{
    s.settings.save("Volume", QString::number(c.Slider1->value()));
    s.player.setVolume(c.Slider1->value());
}

void SoundControls::Slider2_Change()
{
    s.settings.save("Pitch", QString::number(c.Slider2->value()));
    s.player.setRate(static_cast<double>(c.Slider2->value()));
}
