#include "playback/engine/SdlOutput.h"

#include "playback/engine/Frames.h"

#ifdef HUSHWAVE_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace
{
// 1024 frames is about 23 ms: stop is heard at once, and the callback
// wakes only ~43 times a second.
constexpr int bufferFrames = 1024;
// A device that has not asked for audio for this long is gone.
constexpr auto silentDeviceLimit = std::chrono::seconds(2);

#ifdef HUSHWAVE_HAVE_ALSA
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
#endif

// Without a sound card every try would print the same lines again, all
// night; the player tells the user once itself.
void quietenDeviceErrors()
{
#ifdef HUSHWAVE_HAVE_ALSA
    snd_lib_error_set_handler(&ignoreAlsaError);
#endif
}
} // namespace

SdlOutput::~SdlOutput()
{
    close();
}

AudioOutput::Status SdlOutput::open(const Notify&)
{
    close();
    quietenDeviceErrors();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool opened = [this] {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        m_sdlInit = true;
        // Nobody reads SDL's event queue; keep device events out of it.
        SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
        SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
        SDL_AudioSpec want{};
        want.freq = outputRate;
        want.format = AUDIO_F32SYS;
        want.channels = frame::channels;
        want.samples = bufferFrames;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        // Opened paused: nothing is pulled before start().
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        return m_device != 0;
    }();
    // SDL keeps its error text per thread; let go of it here.
    SDL_TLSCleanup();
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
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlOutput::close()
{
    if (m_device)
        SDL_CloseAudioDevice(m_device);
    m_device = 0;
    if (m_sdlInit)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_sdlInit = false;
}

void SDLCALL SdlOutput::callback(void* userdata, Uint8* stream, int len)
{
    auto* self = static_cast<SdlOutput*>(userdata);
    self->m_pull(reinterpret_cast<float*>(stream), size_t(len) / (sizeof(float) * 2));
    self->m_callbacks.fetch_add(1, std::memory_order_relaxed);
}

bool SdlOutput::lost()
{
    if (!m_device || SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)
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
