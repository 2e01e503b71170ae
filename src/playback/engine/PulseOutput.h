#pragma once

#include "playback/engine/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_timing_info;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

// Output to the desktop's sound server (PulseAudio, or PipeWire through
// pipewire-pulse). The server holds 1.5 s of audio, so the process
// wakes a few times a second; the volume is the stream's own volume on the
// server, heard at once, and a stop rewrites what is still queued with a
// short fade.
class PulseOutput : public AudioOutput
{
public:
    PulseOutput() = default;
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool open(int rate, float gain, Pull pull) override;
    void close() override;
    void setGain(float gain) override;
    bool fadeOut() override;
    void refresh() override;
    bool drained() override;
    bool lost() override { return m_lost.load(); }

private:
    static void contextState(pa_context* context, void* self);
    static void streamState(pa_stream* stream, void* self);
    static void writeRequest(pa_stream* stream, size_t bytes, void* self);
    static void topUp(pa_mainloop_api* api, pa_time_event* event, const timeval* when, void* self);
    template <class Ready> bool waitFor(Ready ready, int ms);
    void write(size_t frames);
    uint64_t rewritePoint(const pa_timing_info** timing);
    const float* pullBlock(size_t frames, bool silence);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    Pull m_pull;
    int m_rate = 0;
    std::vector<float> m_block; // pulled
    std::vector<int16_t> m_out; // written
    // What was written lately, at unity, so a stop can fade it out again.
    std::vector<int16_t> m_history;
    uint64_t m_written = 0; // frames
    bool m_firstRequest = true;
    bool m_silent = false;   // faded out: only silence from here on
    bool m_ended = false;    // the pull said only silence follows
    bool m_draining = false; // no more frames: the queue plays out
    std::atomic<bool> m_drained{false};
    std::atomic<bool> m_lost{false};
    bool m_closing = false;
};

// The sound server when one answers and SDL_AUDIODRIVER is not set; SDL
// otherwise.
std::unique_ptr<AudioOutput> openServerOrSdlOutput(int rate, float gain, AudioOutput::Pull pull);
