#include "playback/engine/AudioPlayer.h"

#include "common/Failure.h"
#include "playback/engine/MixSource.h"
#include "playback/engine/Renderer.h"
#include "playback/engine/SoundSource.h"
#include "playback/engine/Streamer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;
// How often a lost output is checked for, and how often a missing one (or a
// file that could not be read again) is tried again.
constexpr auto watchInterval = std::chrono::seconds(1);
constexpr auto retryInterval = std::chrono::seconds(2);
} // namespace

// One assigned file: its source, renderer and output, and a supervisor
// thread that follows the output (lost, missing) while the file is assigned.
struct AudioPlayer::Session {
    enum Phase : int { Waiting, Playing, Lost };

    AudioPlayer& player;
    const QString path;
    int rate = 0;
    std::unique_ptr<FrameSource> source;
    std::unique_ptr<Renderer> renderer;

    // Guards `output` between the UI thread and the supervisor; the pull
    // never takes it.
    mutable std::mutex mutex;
    std::unique_ptr<AudioOutput> output;

    std::atomic<int> phase{Waiting};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> ended{false};
    std::atomic<int> quietPulls{0};
    std::atomic<bool> reopenFile{false};

    // The edges as last told, with when; handed to the pull without a lock:
    // it takes them when the serial has moved and did not move meanwhile.
    std::atomic<unsigned> fadeSerial{0};
    std::atomic<double> fadeIn{0.0};
    std::atomic<double> fadeOut{0.0};
    std::atomic<double> fadeUntilEnd{-1.0};
    std::atomic<Clock::rep> fadeTold{0}; // steady clock ticks
    unsigned fadeTaken = 0;              // the pull's

    std::mutex wakeMutex;
    std::condition_variable wake;
    bool quit = false;
    std::thread supervisor;

    Session(AudioPlayer& p, QString file, const EdgeFade& fade) : player(p), path(std::move(file))
    {
        tell(fade);
        fadeTaken = fadeSerial.load();
    }
    ~Session()
    {
        endSupervisor();
        closeOutput();
    }

    // Only while no output is open.
    void build(OpenedSound sound)
    {
        const int fileRate = sound.rate;
        std::unique_ptr<FrameSource> made = std::move(sound.source);
        auto r = std::make_unique<Renderer>(*made, fileRate, fileRate);
        r->setVolume(player.m_volume.load());
        r->setRate(player.m_rate.load());
        r->setEdgeFade(edgesNow());
        std::lock_guard lock(mutex);
        rate = fileRate;
        source = std::move(made);
        renderer = std::move(r);
    }

    // The UI thread.
    void tell(const EdgeFade& fade)
    {
        fadeTold.store(Clock::now().time_since_epoch().count());
        fadeIn.store(fade.in);
        fadeOut.store(fade.out);
        fadeUntilEnd.store(fade.untilEnd);
        fadeSerial.fetch_add(1, std::memory_order_release);
    }

    // A file opened again later starts on the fade's level at that moment.
    EdgeFade edgesNow() const
    {
        EdgeFade fade{fadeIn.load(), fadeOut.load(), fadeUntilEnd.load()};
        if (fade.untilEnd >= 0.0) {
            const std::chrono::duration<double> since =
                Clock::now() - Clock::time_point(Clock::duration(fadeTold.load()));
            fade.untilEnd = std::max(0.0, fade.untilEnd - since.count());
        }
        return fade;
    }

    // The output's thread.
    void takeEdges()
    {
        const unsigned serial = fadeSerial.load(std::memory_order_acquire);
        if (serial == fadeTaken)
            return;
        const EdgeFade fade{fadeIn.load(), fadeOut.load(), fadeUntilEnd.load()};
        if (fadeSerial.load(std::memory_order_acquire) != serial)
            return; // told again meanwhile: the next pull takes it
        fadeTaken = serial;
        renderer->setEdgeFade(fade);
    }

    // The output's thread.
    bool pull(float* out, size_t frames, bool carryVolume)
    {
        takeEdges();
        renderer->setVolume(carryVolume ? player.m_volume.load(std::memory_order_relaxed) : 100);
        renderer->setRate(player.m_rate.load(std::memory_order_relaxed));
        if (stopRequested.load(std::memory_order_relaxed))
            renderer->stop();
        renderer->render(out, frames);
        if (renderer->finished()) {
            if (renderer->ended())
                ended.store(true);
            finished.store(true);
            quietPulls.fetch_add(1);
            return false;
        }
        return true;
    }

    bool openOutput()
    {
        auto opened = player.m_opener(
            rate, Renderer::volumeGain(player.m_volume.load()),
            [this](float* out, size_t frames, bool carry) { return pull(out, frames, carry); });
        if (!opened)
            return false;
        std::lock_guard lock(mutex);
        output = std::move(opened);
        phase.store(Playing);
        return true;
    }

    void closeOutput()
    {
        std::unique_ptr<AudioOutput> old;
        {
            std::lock_guard lock(mutex);
            old = std::move(output);
        }
        if (old)
            old->close();
    }

    void startSupervisor()
    {
        supervisor = std::thread([this] { supervise(); });
    }

    void endSupervisor()
    {
        {
            std::lock_guard lock(wakeMutex);
            quit = true;
        }
        wake.notify_all();
        if (supervisor.joinable())
            supervisor.join();
    }

    // Any thread: the source can no longer be read (the file went away or
    // changed). The output is let go, and the file and an output are tried
    // again every couple of seconds; the file then starts from its beginning.
    void restartLater()
    {
        reopenFile.store(true);
        wake.notify_all();
    }

    void supervise()
    {
        std::unique_lock lock(wakeMutex);
        while (!quit) {
            const int now = phase.load();
            wake.wait_for(lock, now == Playing ? watchInterval : retryInterval);
            if (quit)
                break;
            lock.unlock();
            step();
            lock.lock();
        }
    }

    void step()
    {
        // Looping, the file could not be read again (gone, emptied, or now
        // at another rate): open it anew, now or at a later try.
        if (source && source->failed())
            restartLater();
        if (reopenFile.exchange(false)) {
            phase.store(Waiting);
            closeOutput();
            std::lock_guard lock(mutex);
            renderer.reset();
            source.reset();
        }
        if (phase.load() == Playing) {
            bool gone = false;
            {
                std::lock_guard lock(mutex);
                gone = output && !finished.load() && output->lost();
            }
            if (!gone)
                return;
            phase.store(Lost);
            closeOutput();
        }
        if (!renderer) {
            try {
                build(player.open(path));
            } catch (const Failure&) {
                return; // still unreadable: next time
            }
        }
        if (!openOutput() && phase.load() == Playing)
            phase.store(Waiting);
    }
};

AudioPlayer::AudioPlayer(OutputOpener opener) : m_opener(std::move(opener)) {}

AudioPlayer::~AudioPlayer()
{
    halt(true);
}

void AudioPlayer::playFile(const QString& path)
{
    OpenedSound sound;
    try {
        sound = open(path);
    } catch (const Failure&) {
        // Unplayable: no message, and nothing plays.
        m_nextFade.reset();
        halt(true);
        m_state = PlayState::Undefined;
        return;
    }
    halt(true);

    auto session = std::make_unique<Session>(*this, path, m_nextFade.value_or(EdgeFade{}));
    m_nextFade.reset();
    session->build(std::move(sound));
    // No output now: Ready, and the supervisor keeps trying.
    m_state = session->openOutput() ? PlayState::Playing : PlayState::Ready;
    session->startSupervisor();
    m_session = std::move(session);
}

OpenedSound AudioPlayer::open(const QString& path) const
{
    return openSound(path, m_soundFolders, m_loop, m_rate.load());
}

// Fades out what plays (within a few ms), closes the output and ends the
// session.
void AudioPlayer::halt(bool fade) const
{
    if (!m_session)
        return;
    Session& s = *m_session;
    s.endSupervisor();
    if (fade && s.output && !s.finished.load() && s.phase.load() == Session::Playing &&
        !s.output->fadeOut()) {
        s.stopRequested.store(true);
        // The fade plus one whole buffer of silence reach the device before
        // it closes; bounded in case the device has gone quiet.
        const auto deadline = Clock::now() + std::chrono::milliseconds(200);
        while (s.quietPulls.load() < 2 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    s.closeOutput();
    m_session.reset();
}

void AudioPlayer::setLoopMode(bool loop)
{
    m_loop.store(loop);
}

void AudioPlayer::setVolume(int volume)
{
    if (volume < 0 || volume > 100)
        throw Failure(QString("Invalid property value: volume %1 is outside 0 to 100").arg(volume));
    m_volume.store(volume);
    if (m_session) {
        std::lock_guard lock(m_session->mutex);
        if (m_session->output)
            m_session->output->setGain(Renderer::volumeGain(volume));
    }
}

void AudioPlayer::setRate(double rate)
{
    if (!(rate >= 1.0 && rate <= 50.0)) // NaN fails both
        throw Failure(QString("Invalid property value: rate %1 is outside 1 to 50").arg(rate));
    m_rate.store(rate);
    if (m_session) {
        std::lock_guard lock(m_session->mutex);
        if (auto* mix = dynamic_cast<MixSource*>(m_session->source.get()))
            mix->setSpeed(rate);
        if (auto* streamer = dynamic_cast<Streamer*>(m_session->source.get()))
            streamer->setDrainRate(rate * m_session->rate);
        else if (m_session->output) // a held loop has every frame ready at any speed
            m_session->output->refresh();
    }
}

void AudioPlayer::setEdgeFade(const EdgeFade& fade)
{
    if (m_session && playState() == PlayState::Playing)
        m_session->tell(fade);
    else
        m_nextFade = fade;
}

void AudioPlayer::stop()
{
    m_nextFade.reset();
    halt(true);
    if (m_state != PlayState::Undefined)
        m_state = PlayState::Stopped;
}

PlayState AudioPlayer::playState() const
{
    if (!m_session)
        return m_state;
    Session& s = *m_session;
    if (s.ended.load()) {
        bool heard = true;
        {
            std::lock_guard lock(s.mutex);
            heard = !s.output || s.output->drained();
        }
        if (heard) {
            halt(false);
            m_state = PlayState::MediaEnded;
            return m_state;
        }
    }
    switch (s.phase.load()) {
    case Session::Playing:
        return PlayState::Playing;
    case Session::Lost:
        return PlayState::Transitioning;
    default:
        return PlayState::Ready;
    }
}

unsigned long long AudioPlayer::underrunFrames() const
{
    return m_session && m_session->renderer ? m_session->renderer->underrunFrames() : 0;
}
