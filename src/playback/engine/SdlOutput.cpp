#include "playback/engine/SdlOutput.h"

#include "playback/engine/Frames.h"
#include "playback/engine/SdlLibrary.h"

namespace
{
// 1024 frames is about 23 ms: stop is heard at once, and the callback
// wakes only ~43 times a second.
constexpr int bufferFrames = 1024;
// A device that has not asked for audio for this long is gone.
constexpr auto silentDeviceLimit = std::chrono::seconds(2);

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
} // namespace

SdlOutput::~SdlOutput()
{
    close();
}

AudioOutput::Status SdlOutput::open(const Notify&)
{
    close();
    m_sdl = SdlLibrary::get();
    if (!m_sdl)
        return Status::Unavailable;
    // Without a sound card every try would print the same lines again, all
    // night; the player tells the user once itself. ALSA gets its own
    // handler back when SDL lets go.
    if (m_sdl->setAlsaErrorHandler)
        m_sdl->setAlsaErrorHandler(&ignoreAlsaError);
    m_sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool opened = [this] {
        if (m_sdl->initSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        m_sdlInit = true;
        // Nobody reads SDL's event queue; keep device events out of it.
        m_sdl->eventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
        m_sdl->eventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
        SDL_AudioSpec want{};
        want.freq = outputRate;
        want.format = AUDIO_F32SYS;
        want.channels = frame::channels;
        want.samples = bufferFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        // Opened paused: nothing is pulled before start().
        m_device = m_sdl->openAudioDevice(nullptr, 0, &want, nullptr, 0);
        return m_device != 0;
    }();
    // SDL keeps its error text per thread; let go of it here.
    m_sdl->tlsCleanup();
    if (!opened) {
        close();
        return Status::Unavailable;
    }
    return Status::Opened;
}

bool SdlOutput::start(Pull pull)
{
    if (!m_device)
        return false;
    m_pull = std::move(pull);
    m_seenCallbacks = m_callbacks.load();
    m_lastProgress = std::chrono::steady_clock::now();
    m_sdl->pauseAudioDevice(m_device, 0);
    return true;
}

void SdlOutput::close()
{
    if (!m_sdl)
        return;
    if (m_device)
        m_sdl->closeAudioDevice(m_device);
    m_device = 0;
    if (m_sdlInit)
        m_sdl->quitSubSystem(SDL_INIT_AUDIO);
    m_sdlInit = false;
    if (m_sdl->setAlsaErrorHandler)
        m_sdl->setAlsaErrorHandler(nullptr);
}

void SdlOutput::callback(void* userdata, uint8_t* stream, int len)
{
    auto* self = static_cast<SdlOutput*>(userdata);
    self->m_pull(reinterpret_cast<float*>(stream), size_t(len) / (sizeof(float) * 2));
    self->m_callbacks.fetch_add(1, std::memory_order_relaxed);
}

bool SdlOutput::lost()
{
    if (!m_device || m_sdl->audioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)
        return true;
    const auto now = std::chrono::steady_clock::now();
    const unsigned long long count = m_callbacks.load();
    if (count != m_seenCallbacks) {
        m_seenCallbacks = count;
        m_lastProgress = now;
        return false;
    }
    return now - m_lastProgress > silentDeviceLimit;
}
