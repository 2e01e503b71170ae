#pragma once

#include "playback/engine/AudioOutput.h"

#include <SDL.h>

#include <atomic>
#include <chrono>

// Output through SDL (SDL_AUDIODRIVER is respected): a small device buffer,
// so volume and stop carried by the frames are heard at once.
class SdlOutput : public AudioOutput
{
public:
    SdlOutput() = default;
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    bool open(int rate, float gain, Pull pull) override;
    void close() override;
    void setGain(float) override {}
    bool fadeOut() override { return false; }
    bool drained() override { return true; }
    bool lost() override;

private:
    static void SDLCALL callback(void* userdata, Uint8* stream, int len);

    Pull m_pull;
    bool m_sdlInit = false;
    SDL_AudioDeviceID m_device = 0;
    std::atomic<unsigned long long> m_callbacks{0};
    unsigned long long m_seenCallbacks = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
};
