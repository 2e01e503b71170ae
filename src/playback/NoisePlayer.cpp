#include "playback/NoisePlayer.h"

#include "common/Guard.h"
#include "common/NativeNames.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "controls/ControlValues.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/StylePath.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

namespace Caption
{
QString turnOn()
{
    return QCoreApplication::translate("NoisePlayer", "Turn On");
}

QString turnOff()
{
    return QCoreApplication::translate("NoisePlayer", "Turn Off");
}

QString previewSound()
{
    return QCoreApplication::translate("NoisePlayer", "Preview Sound");
}

QString stop()
{
    return QCoreApplication::translate("NoisePlayer", "Stop");
}
} // namespace Caption

NoisePlayer::NoisePlayer(PlaybackControls& controls, PlaybackServices& services)
    : m_controls(controls), m_services(services)
{
}

bool NoisePlayer::generatorOn() const
{
    return m_controls.PushButton2->text() == Caption::turnOff();
}

void NoisePlayer::resumeGenerator()
{
    if (generatorOn()) {
        m_services.player.setLoopMode(true);
        enableTimer(m_controls.Timer1, true);
    }
}

void NoisePlayer::PushButton2_Click()
{
    Guard guard(m_services.errors, Location::PushButton2Click);
    if (guard.test(100, [&] { return m_controls.PushButton2->text() == Caption::turnOn(); })) {
        guard(102, [&] { enableTimer(m_controls.Timer1, true); });
        guard(104, [&] { m_services.player.setLoopMode(true); });
        guard(106, [&] { m_controls.PushButton2->setText(Caption::turnOff()); });
        guard(108, [&] { m_services.settings.save(Key::StartStopState, "ON"); });
        return;
    }
    guard(110, [&] { m_services.settings.save(Key::StartStopState, "OFF"); });
    guard(112, [&] { m_controls.PushButton2->setText(Caption::turnOn()); });
    guard(114, [&] { enableTimer(m_controls.Timer1, false); });
    guard(116, [&] { m_services.player.stop(); });
    // A preview left armed would start the sound again after "Turn Off".
    guard(118, [&] { enableTimer(m_controls.Timer2, false); });
    guard(120, [&] { m_controls.PushButton1->setText(Caption::previewSound()); });
}

void NoisePlayer::PushButton1_Click()
{
    Guard guard(m_services.errors, Location::PushButton1Click);
    if (guard.test(100,
                   [&] { return m_controls.PushButton1->text() == Caption::previewSound(); })) {
        guard(102, [&] { m_controls.PushButton1->setText(Caption::stop()); });
        // A refused preview goes back to "Preview Sound": nothing plays.
        if (!guard.test(104, [&] { return m_controls.Combo1->currentIndex() != -1; })) {
            m_controls.PushButton1->setText(Caption::previewSound());
            return;
        }
        if (!guard.test(106, [&] {
                const QString path =
                    currentPlayPath(*m_controls.Combo1, m_services.programFolder, m_services.names);
                return isNativeFile(path, m_services.names) && !QFileInfo(path).isHidden();
            })) {
            m_controls.PushButton1->setText(Caption::previewSound());
            return;
        }
        guard(108, [&] { enableTimer(m_controls.Timer1, false); });
        guard(110, [&] { enableTimer(m_controls.Timer2, true); });
        guard(112, [&] { m_services.player.setLoopMode(false); });
        guard(114, [&] {
            m_services.player.playFile(
                currentPlayPath(*m_controls.Combo1, m_services.programFolder, m_services.names));
        });
        return;
    }
    if (guard.test(116, [&] { return m_controls.PushButton1->text() == Caption::stop(); })) {
        guard(118, [&] { m_controls.PushButton1->setText(Caption::previewSound()); });
        guard(120, [&] { enableTimer(m_controls.Timer1, false); });
        guard(122, [&] { enableTimer(m_controls.Timer2, false); });
        guard(124, [&] { m_services.player.stop(); });
        guard(126, [&] { resumeGenerator(); });
    }
}

void NoisePlayer::Timer2_Timer()
{
    if (m_services.player.playState() == PlayState::Playing)
        return;
    enableTimer(m_controls.Timer2, false);
    m_controls.PushButton1->setText(Caption::previewSound());
    resumeGenerator();
}
