#pragma once

#include "playback/engine/AudioOutput.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/engine/SoundSource.h"

#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

// The program's media player: mp3 through libmpg123 (gapless), mixes of
// several files (MixSource), speed through
// libsamplerate, output through whatever `opener` opens (SDL by default).
//
// Play states it reports:
//   0 Undefined      nothing assigned yet, or the last file could not be
//                    opened or decoded
//   1 Stopped        after stop()
//   3 Playing        from a successful playFile() until stop, end or failure
//   8 MediaEnded     the file played to its end with loop mode off
//   9 Transitioning  the output was lost while playing; it is being reopened
//   10 Ready         the file opened but no output could be opened; the player
//                    tries again every couple of seconds and starts the file
//                    when it can, until stop() or another assignment
//
// A source that can no longer be read (a file gone or changed) calls its
// session's restartLater() from any thread: the player then lets the output
// go and tries the file and an output again every couple of seconds, in
// state 10, until it plays again from the first frame.
//
// Call it from one thread (the UI thread). The audio callback never blocks,
// locks, allocates or touches the disk: a file that fits in memory is
// decoded once and replayed from there (DecodedLoop); a longer one is decoded
// ahead by a worker (Streamer).
class AudioPlayer : public MediaPlayer
{
public:
    explicit AudioPlayer(OutputOpener opener = openSdlOutput);
    ~AudioPlayer() override;
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    void playFile(const QString& path) override;
    void setLoopMode(bool loop) override;
    void setVolume(int volume) override;
    void setRate(double rate) override;
    void stop() override;
    PlayState playState() const override;
    void setEdgeFade(const EdgeFade& fade) override;

    // Where the parts of a mix are looked for after the mix's own folder.
    void setSoundFolders(const QStringList& folders) { m_soundFolders = folders; }

    // Output frames that had to be silence because decoding fell behind,
    // over the current file.
    unsigned long long underrunFrames() const;

private:
    struct Session;
    OpenedSound open(const QString& path) const;
    void halt(bool fade) const;

    OutputOpener m_opener;
    QStringList m_soundFolders;
    std::atomic<bool> m_loop{false};
    std::atomic<int> m_volume{50};
    std::atomic<double> m_rate{1.0};
    std::optional<EdgeFade> m_nextFade;
    mutable std::unique_ptr<Session> m_session;
    mutable PlayState m_state = PlayState::Undefined;
};
