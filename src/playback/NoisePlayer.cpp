#include "playback/NoisePlayer.h"

#include "common/Guard.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "controls/ControlValues.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/StylePath.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

NoisePlayer::NoisePlayer(PlaybackControls& controls, PlaybackServices& services)
    : c(controls), s(services)
{
}

bool NoisePlayer::generatorOn() const
{
    return c.PushButton2->text() == kTurnOff;
}

void NoisePlayer::resumeGenerator()
{
    if (generatorOn()) {
        s.player.setLoopMode(true);
        enableTimer(c.Timer1, true);
    }
}

void NoisePlayer::PushButton2_Click()
{
    Guard guard(s.errors, Location::PushButton2Click);
    if (guard.test(100, [&] { return c.PushButton2->text() == kTurnOn; })) {
        guard(102, [&] { enableTimer(c.Timer1, true); });
        guard(104, [&] { s.player.setLoopMode(true); });
        guard(106, [&] { c.PushButton2->setText(kTurnOff); });
        guard(108, [&] { s.settings.save(Key::StartStopState, "ON"); });
        return;
    }
    guard(110, [&] { s.settings.save(Key::StartStopState, "OFF"); });
    guard(112, [&] { c.PushButton2->setText(kTurnOn); });
    guard(114, [&] { enableTimer(c.Timer1, false); });
    guard(116, [&] { s.player.stop(); });
    // A preview left armed would start the sound again after "Turn Off".
    guard(118, [&] { enableTimer(c.Timer2, false); });
    guard(120, [&] { c.PushButton1->setText(kPreviewSound); });
}

void NoisePlayer::PushButton1_Click()
{
    Guard guard(s.errors, Location::PushButton1Click);
    if (guard.test(100, [&] { return c.PushButton1->text() == kPreviewSound; })) {
        guard(102, [&] { c.PushButton1->setText(kStop); });
        // A refused preview goes back to "Preview Sound": nothing plays.
        if (!guard.test(104, [&] { return c.Combo1->currentIndex() != -1; })) {
            c.PushButton1->setText(kPreviewSound);
            return;
        }
        if (!guard.test(106, [&] {
                const QFileInfo file(currentPlayPath(*c.Combo1, s.programFolder));
                return file.isFile() && !file.isHidden();
            })) {
            c.PushButton1->setText(kPreviewSound);
            return;
        }
        guard(108, [&] { enableTimer(c.Timer1, false); });
        guard(110, [&] { enableTimer(c.Timer2, true); });
        guard(112, [&] { s.player.setLoopMode(false); });
        guard(114, [&] { s.player.playFile(currentPlayPath(*c.Combo1, s.programFolder)); });
        return;
    }
    if (guard.test(116, [&] { return c.PushButton1->text() == kStop; })) {
        guard(118, [&] { c.PushButton1->setText(kPreviewSound); });
        guard(120, [&] { enableTimer(c.Timer1, false); });
        guard(122, [&] { enableTimer(c.Timer2, false); });
        guard(124, [&] { s.player.stop(); });
        guard(126, [&] { resumeGenerator(); });
    }
}

void NoisePlayer::Timer2_Timer()
{
    if (s.player.playState() == PlayState::Playing)
        return;
    enableTimer(c.Timer2, false);
    c.PushButton1->setText(kPreviewSound);
    resumeGenerator();
}
