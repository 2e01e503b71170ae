#include "playback/SoundControls.h"

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "playback/engine/MediaPlayer.h"

#include <QComboBox>
#include <QSlider>

SoundControls::SoundControls(PlaybackControls& controls, PlaybackServices& services)
    : m_controls(controls), m_services(services)
{
}

void SoundControls::Combo1_Click()
{
    m_services.settings.save(Key::Combo1, QString::number(m_controls.Combo1->currentIndex()));
}

// The player first: a save that fails must not leave the sound disagreeing
// with the slider the user sees.
void SoundControls::Slider1_Change()
{
    m_services.player.setVolume(m_controls.Slider1->value());
    m_services.settings.save(Key::Volume, QString::number(m_controls.Slider1->value()));
}

void SoundControls::Slider2_Change()
{
    m_services.player.setRate(static_cast<double>(m_controls.Slider2->value()));
    m_services.settings.save(Key::Pitch, QString::number(m_controls.Slider2->value()));
}
