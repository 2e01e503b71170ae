#include "playback/engine/AudioPlayer.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/TellOnce.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace
{
// A quit waits this long for the player's thread; one still held by a
// slow disk (a file opening) is left behind, so the program ends in time.
constexpr auto quitWait = std::chrono::milliseconds(1000);
} // namespace

struct AudioPlayer::Core {
    using Task = std::function<void(Core&)>;

    SessionLink link;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Task> tasks;
    bool poked = false;
    bool quit = false;
    bool done = false;
    std::condition_variable finished;
    std::shared_ptr<Session> active; // the player's thread only
    bool toldMissing = false;        // the player's thread only
    TellOnce told;                   // a file's problems, retried by the play window
    std::thread thread;

    explicit Core(OutputChoice outputs)
    {
        link.outputs = std::move(outputs);
        link.wake = [this] { poke(); };
        link.tellOutput = [this](bool had) { tellOutput(had); };
    }

    void post(Task task)
    {
        {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_all();
    }

    void poke()
    {
        {
            std::lock_guard lock(mutex);
            poked = true;
        }
        wake.notify_all();
    }

    // The player's thread: runs what the UI thread posted, and follows the
    // session between requests.
    void run()
    {
        std::optional<SteadyClock::time_point> next;
        std::unique_lock lock(mutex);
        for (;;) {
            const auto due = [&] { return quit || poked || !tasks.empty(); };
            if (next)
                wake.wait_until(lock, *next, due);
            else
                wake.wait(lock, due);
            std::deque<Task> now;
            now.swap(tasks);
            poked = false;
            const bool quitting = quit;
            lock.unlock();
            for (Task& task : now)
                task(*this);
            if (quitting) {
                halt(true);
                break;
            }
            next = active ? active->serve() : std::nullopt;
            lock.lock();
        }
        std::lock_guard doneLock(mutex);
        done = true;
        finished.notify_all();
    }

    // The player's thread.
    void halt(bool fade)
    {
        if (active)
            active->halt(fade);
        active.reset();
    }

    // The player's thread: a missing output is told once, and its return.
    void tellOutput(bool had)
    {
        if (had == !toldMissing)
            return;
        toldMissing = !had;
        if (had)
            qCInfo(audioLog, "Sound output is available again.");
        else
            qCWarning(audioLog, "No sound output can be opened; trying again quietly.");
    }
};

AudioPlayer::AudioPlayer(OutputChoice outputs) : m_core(std::make_shared<Core>(std::move(outputs)))
{
    m_lookup.told = &m_core->told;
    m_lookup.refused = std::make_shared<RefusedFiles>();
    m_core->thread = std::thread([core = m_core] { core->run(); });
}

AudioPlayer::~AudioPlayer()
{
    m_session.reset();
    std::unique_lock lock(m_core->mutex);
    m_core->quit = true;
    m_core->wake.notify_all();
    if (m_core->finished.wait_for(lock, quitWait, [this] { return m_core->done; })) {
        lock.unlock();
        m_core->thread.join();
    } else {
        lock.unlock();
        m_core->thread.detach();
    }
}

void AudioPlayer::playFile(const QString& path)
{
    // Nothing of it was heard yet: the same file again (the play window's
    // tick) tries the outputs again without starting over, and a server
    // that is waited for keeps its connection.
    const EdgeFade edges = m_nextFade.value_or(EdgeFade{});
    m_nextFade.reset();
    if (m_session && m_session->path() == path && !m_session->started() &&
        m_session->phase() == Session::Waiting) {
        m_session->tell(edges);
        m_session->notify();
        return;
    }
    SessionLink& link = m_core->link;
    auto opener = [&link, path, lookup = m_lookup] {
        return openSound(path, lookup, link.loop, link.rate.load());
    };
    auto session = std::make_shared<Session>(link, path, std::move(opener), edges);
    m_session = session;
    m_state = PlayState::Playing;
    m_core->post([session](Core& core) {
        core.halt(true);
        core.active = session;
    });
}

void AudioPlayer::setLoopMode(bool loop)
{
    m_core->link.loop.store(loop);
}

void AudioPlayer::setVolume(int volume)
{
    if (volume < 0 || volume > 100)
        throw Failure(QString("Invalid property value: volume %1 is outside 0 to 100").arg(volume));
    m_core->link.volume.store(volume);
    m_core->post([](Core& core) {
        if (core.active)
            core.active->volumeChanged();
    });
}

void AudioPlayer::setRate(double rate)
{
    if (!(rate >= 1.0 && rate <= 50.0)) // NaN fails both
        throw Failure(QString("Invalid property value: rate %1 is outside 1 to 50").arg(rate));
    m_core->link.rate.store(rate);
    m_core->post([](Core& core) {
        if (core.active)
            core.active->rateChanged();
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
    const PlayState before = playState();
    m_nextFade.reset();
    if (m_session)
        m_core->post([](Core& core) { core.halt(true); });
    m_session.reset();
    m_state = before == PlayState::Undefined ? PlayState::Undefined : PlayState::Stopped;
}

PlayState AudioPlayer::playState() const
{
    if (!m_session)
        return m_state;
    switch (m_session->phase()) {
    case Session::Opening:
    case Session::Playing:
        return PlayState::Playing;
    case Session::Lost:
        return PlayState::Transitioning;
    case Session::Ended:
        return PlayState::MediaEnded;
    case Session::Unplayable:
        return PlayState::Undefined;
    default:
        return PlayState::Ready;
    }
}

unsigned long long AudioPlayer::underrunFrames() const
{
    return m_session ? m_session->underrunFrames() : 0;
}
