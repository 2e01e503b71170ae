#pragma once

#include "playback/engine/AudioOutput.h"
#include "playback/engine/ServerQueue.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_timing_info;
struct pa_time_event;
struct pa_mainloop_api;
struct pa_sink_info;
struct pa_operation;
struct pa_sample_spec;
struct pa_buffer_attr;
struct timeval;

// Output to the desktop's sound server (PulseAudio, or PipeWire through
// pipewire-pulse), at the default sink's rate. The server holds 1.5 s of
// audio, so the process wakes a few times a second. The volume is applied
// to the samples with a glide and the queue rewritten, so a change is heard
// at once; the stream's own volume is the desktop mixer's and never set. A
// stop rewrites what is still queued with a short fade.
//
// A server that answers without a sink, or does not answer yet, is waited
// for: open() says Waiting and the output notifies when a sink or the
// server's answer arrives.
class PulseOutput : public AudioOutput
{
public:
    PulseOutput() = default;
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    Status open(const Notify& notify) override;
    int rate() const override { return m_rate; }
    bool start(Pull pull) override;
    void close() override;
    bool appliesVolume() const override { return true; }
    void setGain(float gain) override;
    bool tellsLoss() const override { return true; }
    bool fadeOut() override;
    void refresh() override;
    void drain() override;
    bool drained() const override { return m_drained.load() || m_lost.load(); }
    bool lost() override { return m_lost.load(); }

private:
    static void contextState(pa_context* context, void* self);
    static void sinkEvent(pa_context* context, int type, uint32_t index, void* self);
    static void sinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void streamState(pa_stream* stream, void* self);
    static void writeRequest(pa_stream* stream, size_t bytes, void* self);
    static void topUp(pa_mainloop_api* api, pa_time_event* event, const timeval* when, void* self);
    static void forget(pa_operation* op);
    template <class Ready> bool waitFor(Ready ready, int ms);
    bool waitForOperation(pa_operation* op, int ms);
    bool connect();
    bool connectStream(const pa_sample_spec& spec, const pa_buffer_attr& attr);
    int defaultSinkRate();
    void closeStream();
    void tell();
    void write(size_t frames);
    void rewrite(uint64_t from);
    uint64_t rewritePoint(const pa_timing_info** timing);
    uint64_t chunk() const;
    uint64_t changePoint(uint64_t from) const;
    const float* pullBlock(size_t frames, bool silence);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    Notify m_notify;          // set and called with the loop locked
    bool m_listening = false; // the player wants m_notify called
    Pull m_pull;
    int m_rate = 0;
    int m_sinkRate = 0; // answer of the last sink query; 0 for none
    bool m_subscribed = false;
    // Sized from the rate: room for a rewrite of everything still queued,
    // which under load can be more than the target length.
    ServerQueue m_queue;
    float m_gain = 1.0f;
    std::vector<float> m_block;             // pulled for a rewrite
    std::vector<ServerQueue::Sample> m_out; // written
    uint64_t m_written = 0;                 // frames
    uint64_t m_taken = 0;                   // by the server, as it last said
    bool m_firstRequest = true;
    bool m_silent = false;   // faded out: only silence from here on
    bool m_ended = false;    // the pull said only silence follows
    bool m_draining = false; // no more frames: the queue plays out
    std::atomic<bool> m_drained{false};
    std::atomic<bool> m_lost{false};
};
