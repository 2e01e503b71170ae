#pragma once

#include "playback/engine/MediaPlayer.h"
#include "playback/engine/OutputChooser.h"
#include "playback/engine/SoundSource.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The program's media player. A file is decoded by what it holds (MPEG
// audio through libmpg123, gapless; WAV, FLAC, Ogg Vorbis and Opus through
// libsndfile); a text file named .mix plays its parts at once (MixSource).
// Speed and the output's rate go through libsamplerate. Output goes through
// the first of `outputs` that can be had: SDL alone by default; the program
// passes preferredOutputs() (the sound server, then SDL).
//
// Play states it reports:
//   0 Undefined      nothing assigned yet, or the last file could not be
//                    opened or decoded
//   1 Stopped        after stop()
//   3 Playing        from a successful playFile() until stop, end or failure
//                    (while its output is being opened too)
//   8 MediaEnded     the file played to its end with loop mode off
//   9 Transitioning  the output was lost while playing; it is being reopened
//   10 Ready         the file opened but no output can play it yet; the
//                    player starts it when one can, until stop() or another
//                    assignment
//
// Call it from one thread (the UI thread), which it never keeps waiting on
// a device or server: outputs are opened, drained and closed on the
// player's own thread. The audio callback never waits on the disk or a
// decoder and never allocates: a file that fits in memory is decoded once,
// by a worker during its first pass, and replayed from there (HeldLoop); a
// longer one is decoded ahead by a worker (Streamer). It takes a lock only
// to wake the player's thread when the file ends or fails, and that lock is
// only ever held for a moment.
class AudioPlayer : public MediaPlayer
{
public:
    explicit AudioPlayer(OutputChoice outputs = {makeSdlOutput});
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
    using Task = std::function<void(AudioPlayer&)>;

    OpenedSound open(const QString& path) const;
    void post(Task task);
    void poke();
    void run();
    void serve();
    void halt(bool fade);
    void tellOutput(bool had);

    const OutputChoice m_outputs;
    QStringList m_soundFolders;
    // Files that failed to open, so the play window's ticks do not decode them again.
    const std::shared_ptr<RefusedFiles> m_refused;
    std::atomic<bool> m_loop{false};
    std::atomic<int> m_volume{50};
    std::atomic<double> m_rate{1.0};
    // The UI thread's view.
    std::shared_ptr<Session> m_session;
    PlayState m_state = PlayState::Undefined;
    std::optional<EdgeFade> m_nextFade;

    // The player's thread and what is posted to it.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    bool m_poked = false;
    bool m_quit = false;
    std::shared_ptr<Session> m_active; // the player's thread only
    bool m_toldMissing = false;        // the player's thread only
    std::thread m_thread;
};
