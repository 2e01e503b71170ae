#pragma once

#include "playback/engine/AudioOutput.h"

#include <SDL.h>

#include <atomic>
#include <chrono>

// Output through SDL (SDL_AUDIODRIVER is respected), at 44.1 kHz: a small
// device buffer, so volume and stop carried by the frames are heard at once.
// SDL cannot say when its device goes away: lost() watches the callbacks.
class SdlOutput : public AudioOutput
{
public:
    static constexpr int outputRate = 44100;

    SdlOutput() = default;
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    Status open(const Notify& notify) override;
    int rate() const override { return outputRate; }
    bool start(Pull pull) override;
    void close() override;
    bool appliesVolume() const override { return false; }
    bool tellsLoss() const override { return false; }
    bool fadeOut() override { return false; }
    bool drained() const override { return true; }
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
