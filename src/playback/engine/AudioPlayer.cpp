#include "playback/engine/AudioPlayer.h"

#include "common/Failure.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Renderer.h"
#include "playback/engine/Streamer.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;
// 1024 frames is about 23 ms: stop is heard at once, and the callback
// wakes only ~43 times a second.
constexpr int bufferFrames = 1024;
// A device that has not asked for audio for this long is gone.
constexpr auto silentDeviceLimit = std::chrono::seconds(2);
constexpr auto reopenInterval = std::chrono::seconds(1);
} // namespace

struct AudioPlayer::Session {
    AudioPlayer* player = nullptr;
    std::unique_ptr<Streamer> streamer;
    std::unique_ptr<Renderer> renderer;
    SDL_AudioSpec want{};

    // Device open and close happen on the UI thread and on the worker
    // (reopening a lost device); never in the callback.
    std::mutex deviceMutex;
    SDL_AudioDeviceID device = 0;
    bool closed = false;
    bool running = false;

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> ended{false};
    std::atomic<bool> lost{false};
    std::atomic<int> quietCallbacks{0};
    std::atomic<unsigned long long> callbacks{0};

    // The worker calls watch() on this session: end it before any member goes.
    ~Session() { streamer.reset(); }

    // Worker only.
    unsigned long long seenCallbacks = 0;
    Clock::time_point lastProgress = Clock::now();
    Clock::time_point nextAttempt = Clock::now();

    static void SDLCALL callback(void* userdata, Uint8* stream, int len)
    {
        auto* s = static_cast<Session*>(userdata);
        auto* out = reinterpret_cast<float*>(stream);
        const size_t frames = size_t(len) / (sizeof(float) * Renderer::channels);
        s->renderer->setVolume(s->player->m_volume.load(std::memory_order_relaxed));
        s->renderer->setRate(s->player->m_rate.load(std::memory_order_relaxed));
        if (s->stopRequested.load(std::memory_order_relaxed))
            s->renderer->stop();
        s->renderer->render(out, frames);
        if (s->renderer->finished()) {
            if (s->renderer->ended())
                s->ended.store(true);
            s->finished.store(true);
            s->quietCallbacks.fetch_add(1);
        }
        s->callbacks.fetch_add(1, std::memory_order_relaxed);
    }

    bool open()
    {
        device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device)
            SDL_PauseAudioDevice(device, 0);
        return device != 0;
    }

    void close()
    {
        std::lock_guard lock(deviceMutex);
        closed = true;
        if (device)
            SDL_CloseAudioDevice(device);
        device = 0;
    }
};

AudioPlayer::AudioPlayer() = default;

AudioPlayer::~AudioPlayer()
{
    halt(true);
    if (m_sdlReady)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioPlayer::playFile(const QString& path)
{
    std::unique_ptr<Decoder> decoder;
    try {
        decoder = std::make_unique<Decoder>(path);
    } catch (const Failure&) {
        // Unplayable: no message, and nothing plays.
        halt(true);
        m_state = PlayState::Undefined;
        return;
    }
    halt(true);
    m_state = PlayState::Ready;

    if (!m_sdlReady) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return;
        m_sdlReady = true;
        // Nobody reads SDL's event queue; keep device events out of it.
        SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
        SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
    }

    const int rate = decoder->sampleRate();
    auto session = std::make_unique<Session>();
    Session* s = session.get();
    s->player = this;
    s->streamer = std::make_unique<Streamer>(std::move(decoder), m_loop, rate * m_rate.load(),
                                             [this, s] { watch(*s); });
    s->renderer = std::make_unique<Renderer>(*s->streamer, rate, rate);
    s->renderer->setVolume(m_volume.load());
    s->renderer->setRate(m_rate.load());
    s->want.freq = rate;
    s->want.format = AUDIO_F32SYS;
    s->want.channels = Renderer::channels;
    s->want.samples = bufferFrames;
    s->want.callback = &Session::callback;
    s->want.userdata = s;
    {
        std::lock_guard lock(s->deviceMutex);
        if (!s->open()) {
            s->closed = true;
            return; // no device: Ready, and the next assignment tries again
        }
        s->running = true;
    }
    m_session = std::move(session);
    m_state = PlayState::Playing;
}

// Fades out what plays (within a few ms), closes the device and ends the
// worker.
void AudioPlayer::halt(bool fade) const
{
    if (!m_session)
        return;
    Session& s = *m_session;
    if (fade && !s.finished.load()) {
        s.stopRequested.store(true);
        // The fade plus one whole buffer of silence reach the device before
        // it closes; bounded in case the device has gone quiet.
        const auto deadline = Clock::now() + std::chrono::milliseconds(200);
        while (s.quietCallbacks.load() < 2 && Clock::now() < deadline && !s.lost.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    s.close();
    m_session.reset();
}

void AudioPlayer::watch(Session& s)
{
    std::lock_guard lock(s.deviceMutex);
    if (s.closed || !s.running)
        return;
    const auto now = Clock::now();
    bool lost = s.device == 0 || SDL_GetAudioDeviceStatus(s.device) == SDL_AUDIO_STOPPED;
    const unsigned long long count = s.callbacks.load();
    if (count != s.seenCallbacks) {
        s.seenCallbacks = count;
        s.lastProgress = now;
    } else if (now - s.lastProgress > silentDeviceLimit) {
        lost = true;
    }
    if (!lost)
        return;
    s.lost.store(true);
    if (now < s.nextAttempt)
        return;
    s.nextAttempt = now + reopenInterval;
    if (s.device)
        SDL_CloseAudioDevice(s.device);
    s.device = 0;
    if (s.open()) {
        s.lastProgress = now;
        s.lost.store(false);
    }
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
}

void AudioPlayer::setRate(double rate)
{
    if (!(rate >= 1.0 && rate <= 50.0)) // NaN fails both
        throw Failure(QString("Invalid property value: rate %1 is outside 1 to 50").arg(rate));
    m_rate.store(rate);
    if (m_session)
        m_session->streamer->setDrainRate(rate * m_session->want.freq);
}

void AudioPlayer::stop()
{
    halt(true);
    if (m_state != PlayState::Undefined)
        m_state = PlayState::Stopped;
}

PlayState AudioPlayer::playState() const
{
    if (m_session) {
        if (m_session->ended.load()) {
            halt(false);
            m_state = PlayState::MediaEnded;
        } else if (m_session->lost.load()) {
            return PlayState::Transitioning;
        }
    }
    return m_state;
}

unsigned long long AudioPlayer::underrunFrames() const
{
    return m_session ? m_session->renderer->underrunFrames() : 0;
}
