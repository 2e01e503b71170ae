#pragma once

#include "playback/engine/AudioOutput.h"

#include <atomic>
#include <chrono>
#include <cstdint>

struct SdlLibrary;

// Output through SDL (SDL_AUDIODRIVER is respected), at 44.1 kHz: a small
// device buffer, so volume and stop carried by the frames are heard at once.
// SDL cannot say when its device goes away: lost() watches the callbacks.
// SDL itself is loaded by the first open; without it nothing is available.
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
    static void callback(void* userdata, uint8_t* stream, int len);

    const SdlLibrary* m_sdl = nullptr;
    Pull m_pull;
    bool m_sdlInit = false;
    uint32_t m_device = 0;
    std::atomic<unsigned long long> m_callbacks{0};
    unsigned long long m_seenCallbacks = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
};
