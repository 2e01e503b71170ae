#include "playback/engine/SdlOutput.h"

namespace
{
// 1024 frames is about 23 ms: stop is heard at once, and the callback
// wakes only ~43 times a second.
constexpr int bufferFrames = 1024;
// A device that has not asked for audio for this long is gone.
constexpr auto silentDeviceLimit = std::chrono::seconds(2);
} // namespace

SdlOutput::~SdlOutput()
{
    close();
}

bool SdlOutput::open(int rate, float, Pull pull)
{
    close();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    m_sdlInit = true;
    // Nobody reads SDL's event queue; keep device events out of it.
    SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
    SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);

    m_pull = std::move(pull);
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = bufferFrames;
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!m_device) {
        close();
        return false;
    }
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
    self->m_pull(reinterpret_cast<float*>(stream), size_t(len) / (sizeof(float) * 2), true);
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

std::unique_ptr<AudioOutput> openSdlOutput(int rate, float gain, AudioOutput::Pull pull)
{
    auto output = std::make_unique<SdlOutput>();
    const bool opened = output->open(rate, gain, std::move(pull));
    // SDL keeps its error text per thread, and the player's watcher thread
    // that opens devices ends without SDL knowing: let go of it here.
    SDL_TLSCleanup();
    if (!opened)
        return nullptr;
    return output;
}
