#include "playback/engine/AudioPlayer.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Renderer.h"

#include <chrono>
#include <optional>

namespace
{
using SteadyClock = std::chrono::steady_clock;
// An output that cannot tell that it was lost is asked this often; one
// that could not be had (or a file that could not be read again) is tried
// again this often; a better output than the one playing, or one that
// waits, this often.
constexpr auto watchInterval = std::chrono::seconds(1);
constexpr auto retryInterval = std::chrono::seconds(2);
constexpr auto betterInterval = std::chrono::seconds(5);
} // namespace

// One assigned file: its source, and the renderer and output it plays
// through. Everything but the pull and the atomics is the player's thread's.
struct AudioPlayer::Session {
    enum Phase : int { Opening, Playing, Waiting, Lost, Ended };

    AudioPlayer& player;
    const QString path;
    int fileRate = 0;
    std::unique_ptr<FrameSource> source;
    std::unique_ptr<Renderer> renderer;
    OutputChooser chooser;
    std::unique_ptr<AudioOutput> output;
    size_t outputRank = 0;
    bool outputVolume = false; // the output applies the volume

    std::atomic<int> phase{Opening};
    std::atomic<bool> attention{true}; // an output notified: choose again
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> ended{false};
    std::atomic<bool> failTold{false};
    std::atomic<bool> started{false}; // an output took frames
    std::atomic<int> quietPulls{0};
    std::atomic<unsigned long long> underrun{0};
    bool draining = false;
    std::optional<SteadyClock::time_point> retryAt;
    SteadyClock::time_point betterAt;

    // The play window's edges as last told, with when; handed to the pull
    // without a lock: it takes them when the serial has moved and did not
    // move meanwhile.
    std::atomic<unsigned> fadeSerial{0};
    std::atomic<double> fadeIn{0.0};
    std::atomic<double> fadeOut{0.0};
    std::atomic<double> fadeUntilEnd{-1.0};
    std::atomic<SteadyClock::rep> fadeTold{0}; // steady clock ticks
    unsigned fadeTaken = 0;                    // the pull's

    Session(AudioPlayer& p, QString file, const EdgeFade& fade)
        : player(p), path(std::move(file)), chooser(p.m_outputs)
    {
        tell(fade);
    }
    ~Session() { closeOutput(); }

    void build(OpenedSound sound)
    {
        fileRate = sound.rate;
        source = std::move(sound.source);
    }

    // The UI thread.
    void tell(const EdgeFade& fade)
    {
        fadeTold.store(SteadyClock::now().time_since_epoch().count());
        fadeIn.store(fade.in);
        fadeOut.store(fade.out);
        fadeUntilEnd.store(fade.untilEnd);
        fadeSerial.fetch_add(1, std::memory_order_release);
    }

    // A renderer made later (another output, the file opened again) starts
    // on the fade's level at that moment.
    EdgeFade edgesNow() const
    {
        EdgeFade fade{fadeIn.load(), fadeOut.load(), fadeUntilEnd.load()};
        if (fade.untilEnd >= 0.0) {
            const std::chrono::duration<double> since =
                SteadyClock::now() -
                SteadyClock::time_point(SteadyClock::duration(fadeTold.load()));
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
    bool pull(float* out, size_t frames)
    {
        takeEdges();
        renderer->setVolume(outputVolume ? 100 : player.m_volume.load(std::memory_order_relaxed));
        renderer->setRate(player.m_rate.load(std::memory_order_relaxed));
        if (stopRequested.load(std::memory_order_relaxed))
            renderer->stop();
        renderer->render(out, frames);
        underrun.store(renderer->underrunFrames(), std::memory_order_relaxed);
        if (source->failed() && !failTold.exchange(true))
            player.poke();
        if (renderer->finished()) {
            if (renderer->ended() && !ended.exchange(true))
                player.poke();
            finished.store(true);
            quietPulls.fetch_add(1);
            return false;
        }
        return true;
    }

    void notify()
    {
        attention.store(true);
        player.poke();
    }

    void closeOutput()
    {
        if (output)
            output->close();
        output.reset();
        chooser.reset();
    }

    // Every frame from here on comes at the output's rate, resampled once.
    bool startOutput(std::unique_ptr<AudioOutput> opened, size_t rank)
    {
        closeOutput();
        renderer = std::make_unique<Renderer>(*source, fileRate, opened->rate());
        renderer->setRate(player.m_rate.load());
        fadeTaken = fadeSerial.load(std::memory_order_acquire);
        renderer->setEdgeFade(edgesNow());
        outputVolume = opened->appliesVolume();
        renderer->setVolume(outputVolume ? 100 : player.m_volume.load());
        if (outputVolume)
            opened->setGain(Renderer::volumeGain(player.m_volume.load()));
        finished.store(false);
        if (!opened->start([this](float* out, size_t frames) { return pull(out, frames); }))
            return false;
        output = std::move(opened);
        outputRank = rank;
        started.store(true);
        phase.store(Playing);
        betterAt = SteadyClock::now() + betterInterval;
        return true;
    }

    void choose()
    {
        OutputChooser::Choice choice = chooser.choose([this] { notify(); });
        if (choice.output && startOutput(std::move(choice.output), choice.rank)) {
            retryAt.reset();
            player.tellOutput(true);
            return;
        }
        if (phase.load() != Lost)
            phase.store(Waiting);
        // One that waits notifies (and is asked again now and then, in case
        // its answer was lost to a hang); nothing at all is tried again soon.
        retryAt = SteadyClock::now() + (choice.waiting ? betterInterval : retryInterval);
        if (!choice.waiting)
            player.tellOutput(false);
    }

    // Plays on an output earlier in the order once it can be had (a server
    // that came back), instead of staying on a fallback for good.
    void preferBetter()
    {
        betterAt = SteadyClock::now() + betterInterval;
        OutputChooser::Choice choice = chooser.choose([this] { notify(); }, outputRank);
        if (choice.output && !startOutput(std::move(choice.output), choice.rank)) {
            closeOutput();
            phase.store(Lost);
            attention.store(true);
        }
    }

    // The file could not be read again (gone, emptied, or now at another
    // rate): open it anew, now or at a later try, from its first frame.
    bool reopenFile()
    {
        closeOutput();
        renderer.reset();
        source.reset();
        failTold.store(false);
        try {
            build(player.open(path));
        } catch (const Failure&) {
            retryAt = SteadyClock::now() + retryInterval;
            return false;
        }
        attention.store(true); // and an output for it
        return true;
    }

    // The player's thread: follows the output (lost, missing, drained).
    // Returns when to look again, if no notification will come.
    std::optional<SteadyClock::time_point> serve()
    {
        if (phase.load() == Ended)
            return std::nullopt;
        const auto now = SteadyClock::now();
        if (source && source->failed()) {
            phase.store(Waiting);
            reopenFile();
        }
        if (!source) {
            if (retryAt && now < *retryAt)
                return retryAt;
            if (!reopenFile())
                return retryAt;
        }
        if (output) {
            if (ended.load()) {
                if (!draining) {
                    draining = true;
                    output->drain();
                }
                if (!output->drained())
                    return output->tellsLoss() ? std::nullopt : std::optional(now + watchInterval);
                closeOutput();
                phase.store(Ended);
                return std::nullopt;
            }
            if (outputRank > 0 && now >= betterAt)
                preferBetter();
            if (output && !output->lost())
                return nextLook();
            phase.store(Lost);
            closeOutput();
            attention.store(true);
        }
        if (attention.exchange(false) || (retryAt && now >= *retryAt))
            choose();
        return output ? nextLook() : retryAt;
    }

    // While playing: when to ask an output that cannot tell it was lost,
    // and when to look for a better one.
    std::optional<SteadyClock::time_point> nextLook() const
    {
        std::optional<SteadyClock::time_point> next;
        if (outputRank > 0)
            next = betterAt;
        if (output && !output->tellsLoss()) {
            const auto watch = SteadyClock::now() + watchInterval;
            next = next ? std::min(*next, watch) : watch;
        }
        return next;
    }

    // Fades out what plays (within a few ms) and lets go of the output.
    void halt(bool fade)
    {
        if (fade && output && !finished.load() && phase.load() == Playing && !output->fadeOut()) {
            stopRequested.store(true);
            // The fade plus one whole buffer of silence reach the device
            // before it closes; bounded in case the device has gone quiet.
            const auto deadline = SteadyClock::now() + std::chrono::milliseconds(200);
            while (quietPulls.load() < 2 && SteadyClock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        closeOutput();
    }
};

AudioPlayer::AudioPlayer(OutputChoice outputs)
    : m_outputs(std::move(outputs)), m_refused(std::make_shared<RefusedFiles>()),
      m_thread([this] { run(); })
{
}

AudioPlayer::~AudioPlayer()
{
    post([](AudioPlayer& p) { p.halt(true); });
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void AudioPlayer::post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_all();
}

void AudioPlayer::poke()
{
    {
        std::lock_guard lock(m_mutex);
        m_poked = true;
    }
    m_wake.notify_all();
}

// The player's thread: runs what the UI thread posted, and follows the
// session's output between requests.
void AudioPlayer::run()
{
    std::optional<SteadyClock::time_point> next;
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto due = [&] { return m_quit || m_poked || !m_tasks.empty(); };
        if (next)
            m_wake.wait_until(lock, *next, due);
        else
            m_wake.wait(lock, due);
        std::deque<Task> tasks;
        tasks.swap(m_tasks);
        m_poked = false;
        const bool quit = m_quit;
        lock.unlock();
        for (Task& task : tasks)
            task(*this);
        if (quit) {
            halt(true);
            return;
        }
        next = m_active ? m_active->serve() : std::nullopt;
        lock.lock();
    }
}

// The player's thread.
void AudioPlayer::halt(bool fade)
{
    if (m_active)
        m_active->halt(fade);
    m_active.reset();
}

// The player's thread: a missing output is told once, and its return.
void AudioPlayer::tellOutput(bool had)
{
    if (had == !m_toldMissing)
        return;
    m_toldMissing = !had;
    if (had)
        qCInfo(audioLog, "Sound output is available again.");
    else
        qCWarning(audioLog, "No sound output can be opened; trying again quietly.");
}

void AudioPlayer::playFile(const QString& path)
{
    // Nothing of it was heard yet: the same file again (the play window's
    // tick) tries the outputs again without starting over, and a server
    // that is waited for keeps its connection.
    const EdgeFade edges = m_nextFade.value_or(EdgeFade{});
    m_nextFade.reset();
    if (m_session && m_session->path == path && !m_session->started.load() &&
        m_session->phase.load() == Session::Waiting) {
        m_session->tell(edges);
        m_session->notify();
        return;
    }
    OpenedSound sound;
    try {
        sound = open(path);
    } catch (const Failure&) {
        // Unplayable: no message, and nothing plays.
        stop();
        m_state = PlayState::Undefined;
        return;
    }
    auto session = std::make_shared<Session>(*this, path, edges);
    session->build(std::move(sound));
    m_session = session;
    m_state = PlayState::Playing;
    post([session](AudioPlayer& p) {
        p.halt(true);
        p.m_active = session;
    });
}

OpenedSound AudioPlayer::open(const QString& path) const
{
    return openSound(path, m_soundFolders, m_loop, m_rate.load(), m_refused);
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
    post([](AudioPlayer& p) {
        if (p.m_active && p.m_active->output && p.m_active->outputVolume)
            p.m_active->output->setGain(Renderer::volumeGain(p.m_volume.load()));
    });
}

void AudioPlayer::setRate(double rate)
{
    if (!(rate >= 1.0 && rate <= 50.0)) // NaN fails both
        throw Failure(QString("Invalid property value: rate %1 is outside 1 to 50").arg(rate));
    m_rate.store(rate);
    post([](AudioPlayer& p) {
        Session* s = p.m_active.get();
        if (!s || !s->source)
            return;
        s->source->setDrainRate(p.m_rate.load() * s->fileRate);
        if (s->output && s->source->holdsEveryFrame())
            s->output->refresh();
    });
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
    if (m_session)
        post([](AudioPlayer& p) { p.halt(true); });
    m_session.reset();
    if (m_state != PlayState::Undefined)
        m_state = PlayState::Stopped;
}

PlayState AudioPlayer::playState() const
{
    if (!m_session)
        return m_state;
    switch (m_session->phase.load()) {
    case Session::Opening:
    case Session::Playing:
        return PlayState::Playing;
    case Session::Lost:
        return PlayState::Transitioning;
    case Session::Ended:
        return PlayState::MediaEnded;
    default:
        return PlayState::Ready;
    }
}

unsigned long long AudioPlayer::underrunFrames() const
{
    return m_session ? m_session->underrun.load() : 0;
}
