#pragma once

#include "playback/engine/AudioOutput.h"
#include "playback/engine/EdgeFade.h"
#include "playback/engine/FadeMailbox.h"
#include "playback/engine/OutputChooser.h"
#include "playback/engine/SoundSource.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class Renderer;

using SteadyClock = std::chrono::steady_clock;

// What every session of a player shares with it.
struct SessionLink {
    OutputChoice outputs;
    std::atomic<bool> loop{false};
    std::atomic<int> volume{50};
    std::atomic<double> rate{1.0};
    // Any thread: the session wants its serve() called soon.
    std::function<void()> wake = [] {};
    // The player's thread: an output could be had (true) or none (false).
    std::function<void(bool)> tellOutput = [](bool) {};
    std::function<SteadyClock::time_point()> now = [] { return SteadyClock::now(); };
};

// One assigned file: it is opened, played through the first output that
// can be had, followed when that output is lost, waits, comes back or
// drains, and stopped with a fade. Driven by its player's thread through
// serve() and halt(); the output's thread only pulls; the window's thread
// only tells it the fade edges and reads its phase.
class Session
{
public:
    enum Phase : int {
        Opening,    // the file is being opened, or its output
        Playing,    // an output takes its frames
        Waiting,    // no output can play it yet, or the file cannot be read again
        Lost,       // its output was lost while playing
        Ended,      // played to its end and drained
        Unplayable, // the file could not be opened at all
    };
    using Opener = std::function<OpenedSound()>;

    Session(SessionLink& link, QString path, Opener opener, const EdgeFade& fade);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Any thread.
    const QString& path() const { return m_path; }
    Phase phase() const { return Phase(m_phase.load()); }
    bool started() const { return m_started.load(); }
    unsigned long long underrunFrames() const { return m_underrun.load(); }

    // The window's thread: the play window's edges from now on.
    void tell(const EdgeFade& fade);
    // Any thread: choose an output again at the next serve().
    void notify();

    // The player's thread. Opens the file the first time, then follows the
    // output (lost, missing, drained); returns when to be served again if
    // no wake() comes before.
    std::optional<SteadyClock::time_point> serve();
    // Fades out what plays (within a few ms) and lets go of the output.
    void halt(bool fade);
    // The link's volume or rate changed.
    void volumeChanged();
    void rateChanged();

private:
    void build(OpenedSound sound);
    EdgeFade edgesNow(const FadeMailbox::Told& told) const;
    void takeEdges();
    bool pull(float* out, size_t frames);
    void closeOutput();
    bool startOutput(std::unique_ptr<AudioOutput> opened, size_t rank);
    void choose();
    void preferBetter();
    bool reopenFile();
    std::optional<SteadyClock::time_point> nextLook() const;

    SessionLink& m_link;
    const QString m_path;
    const Opener m_opener;
    bool m_opened = false; // the first open was tried
    int m_fileRate = 0;
    std::unique_ptr<FrameSource> m_source;
    std::unique_ptr<Renderer> m_renderer;
    OutputChooser m_chooser;
    std::unique_ptr<AudioOutput> m_output;
    size_t m_outputRank = 0;
    bool m_outputVolume = false; // the output applies the volume
    bool m_draining = false;
    std::optional<SteadyClock::time_point> m_retryAt;
    int m_retries = 0; // tries in a row that found no output
    SteadyClock::time_point m_betterAt;

    std::atomic<int> m_phase{Opening};
    std::atomic<bool> m_attention{true}; // an output notified: choose again
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_failTold{false};
    std::atomic<bool> m_started{false}; // an output took frames
    std::atomic<unsigned long long> m_underrun{0};

    // Pulls that returned silence after a stop; halt() waits for two.
    std::atomic<int> m_quietPulls{0};
    std::mutex m_quietMutex;
    std::condition_variable m_quiet;

    FadeMailbox m_fade;
    unsigned m_fadeTaken = 0; // the pull's
};
