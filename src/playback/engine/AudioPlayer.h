#pragma once

#include "playback/engine/MediaPlayer.h"
#include "playback/engine/OutputChooser.h"
#include "playback/engine/Session.h"
#include "playback/engine/SoundSource.h"

#include <QStringList>

#include <memory>
#include <optional>

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
// a disk, a device or a server: files are opened, and outputs opened,
// drained and closed, on the player's own thread; an assignment reads
// Playing at once and the verdict a moment later. The audio callback never
// waits on the disk or a decoder and never allocates: a file that fits in
// memory is decoded once, by a worker during its first pass, and replayed
// from there (HeldLoop); a longer one is decoded ahead by a worker
// (Streamer). It takes a lock only to wake the player's thread when the
// file ends, fails or has faded out, and that lock is only ever held for a
// moment.
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

    // Where the parts of a mix are looked for after the mix's own folder, and
    // the bytes of listed names that are not UTF-8 (which must outlive the
    // player). Set before the first file is assigned.
    void setSoundFolders(const QStringList& folders, const NativeNames* names = nullptr)
    {
        m_lookup.soundFolders = folders;
        m_lookup.names = names;
    }

    // Output frames that had to be silence because decoding fell behind,
    // over the current file.
    unsigned long long underrunFrames() const;

private:
    struct Core;

    // The player's thread and what it shares; kept alive by that thread
    // too, so a quit need not wait for a slow disk.
    std::shared_ptr<Core> m_core;
    // The UI thread's view.
    SoundLookup m_lookup;
    std::shared_ptr<Session> m_session;
    PlayState m_state = PlayState::Undefined;
    std::optional<EdgeFade> m_nextFade;
};
