#include "playback/engine/PulseOutput.h"

#include "playback/engine/SdlOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace
{
constexpr int channels = 2;
// 16-bit to the server: half the data of float, so half the transfers (each
// wakes the server, which then preempts us), and nothing is lost for a held
// loop, whose samples are 16-bit already.
constexpr size_t frameBytes = sizeof(int16_t) * channels;
// The server holds this much and asks for more each time a third has
// played: about two requests a second, each waking the process twice (the
// request, and the server handing the shared block back).
constexpr double queueSeconds = 1.5;
constexpr double requestSeconds = 0.5;
// The first request is answered with this much at once and the rest a
// moment later, so a decoder that has just started is not outrun.
constexpr size_t firstFrames = 4096;
constexpr size_t pullFrames = 4096;
constexpr pa_usec_t topUpDelay = 50 * PA_USEC_PER_MSEC;
// A stop rewrites the queue from this far ahead of what the server has
// taken, and fades over this long.
constexpr double rewriteMargin = 0.015;
constexpr double fadeSeconds = 0.005;
constexpr size_t historyFrames = size_t(1) << 17; // covers the queue at 96 kHz
constexpr int connectTimeoutMs = 2000;

int16_t toSample(float v)
{
    return int16_t(std::clamp(std::lrint(v * 32768.0f), -32768L, 32767L));
}

bool contextGone(pa_context* c)
{
    const pa_context_state_t s = pa_context_get_state(c);
    return s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED;
}

bool streamGone(pa_stream* s)
{
    const pa_stream_state_t state = pa_stream_get_state(s);
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

pa_cvolume volumeOf(float gain)
{
    pa_cvolume v;
    pa_cvolume_set(&v, channels, pa_sw_volume_from_linear(double(gain)));
    return v;
}
} // namespace

PulseOutput::~PulseOutput()
{
    close();
}

// Waits with the loop locked; the callbacks only signal.
template <class Ready> bool PulseOutput::waitFor(Ready ready, int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        pa_threaded_mainloop_unlock(m_loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(m_loop);
    }
    return true;
}

bool PulseOutput::open(int rate, float gain, Pull pull)
{
    close();
    m_pull = std::move(pull);
    m_rate = rate;
    m_written = 0;
    m_firstRequest = true;
    m_silent = m_ended = m_draining = m_closing = false;
    m_drained.store(false);
    m_lost.store(false);
    m_block.assign(pullFrames * channels, 0.0f);
    // Room for a rewrite of everything still queued, which under load can be
    // more than the target length.
    m_out.assign(historyFrames * channels, 0);
    m_history.assign(historyFrames * channels, 0);

    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Hushwave");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "hushwave");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "hushwave");
    m_context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Hushwave", props);
    pa_proplist_free(props);
    if (!m_context) {
        close();
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseOutput::contextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        close();
        return false;
    }

    pa_threaded_mainloop_lock(m_loop);
    bool ok = waitFor(
                  [this] {
                      return pa_context_get_state(m_context) == PA_CONTEXT_READY ||
                             contextGone(m_context);
                  },
                  connectTimeoutMs) &&
              pa_context_get_state(m_context) == PA_CONTEXT_READY;
    if (ok) {
        const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(rate), channels};
        m_stream = pa_stream_new(m_context, "Noise", &spec, nullptr);
        ok = m_stream != nullptr;
    }
    if (ok) {
        pa_stream_set_state_callback(m_stream, &PulseOutput::streamState, this);
        pa_stream_set_write_callback(m_stream, &PulseOutput::writeRequest, this);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(queueSeconds * rate) * frameBytes;
        // Start on the first frames, not when the whole queue is there.
        attr.prebuf = uint32_t(firstFrames * frameBytes);
        attr.minreq = uint32_t(requestSeconds * rate) * frameBytes;
        attr.fragsize = uint32_t(-1);
        const pa_cvolume volume = volumeOf(gain);
        ok = pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_NOFLAGS, &volume,
                                        nullptr) == 0 &&
             waitFor(
                 [this] {
                     return pa_stream_get_state(m_stream) == PA_STREAM_READY ||
                            streamGone(m_stream) || contextGone(m_context);
                 },
                 connectTimeoutMs) &&
             pa_stream_get_state(m_stream) == PA_STREAM_READY;
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!ok) {
        close();
        return false;
    }
    return true;
}

void PulseOutput::close()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    m_closing = true;
    if (m_stream) {
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseOutput::contextState(pa_context* context, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    if (contextGone(context) && !out->m_closing)
        out->m_lost.store(true);
}

void PulseOutput::streamState(pa_stream* stream, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    if (streamGone(stream) && !out->m_closing)
        out->m_lost.store(true);
}

void PulseOutput::writeRequest(pa_stream*, size_t bytes, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    size_t frames = bytes / frameBytes;
    if (out->m_firstRequest) {
        out->m_firstRequest = false;
        if (frames > firstFrames) {
            frames = firstFrames;
            pa_context_rttime_new(out->m_context, pa_rtclock_now() + topUpDelay,
                                  &PulseOutput::topUp, out);
        }
    }
    out->write(frames);
}

void PulseOutput::topUp(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    api->time_free(event);
    if (out->m_stream && pa_stream_get_state(out->m_stream) == PA_STREAM_READY) {
        const size_t bytes = pa_stream_writable_size(out->m_stream);
        if (bytes != size_t(-1))
            out->write(bytes / frameBytes);
    }
}

// The loop's thread, with the loop locked.
// The next frames from the player into m_block, or silence.
const float* PulseOutput::pullBlock(size_t frames, bool silence)
{
    float* block = m_block.data();
    if (silence)
        std::fill_n(block, frames * channels, 0.0f);
    else
        m_ended = !m_pull(block, frames, false);
    return block;
}

void PulseOutput::write(size_t frames)
{
    if (m_draining || m_ended || !m_stream)
        return;
    const size_t room = size_t(queueSeconds * m_rate) + 1;
    while (frames > 0 && !m_ended) {
        // Pulled in pieces, so a file that ends is followed by little
        // silence; written at once, since every write wakes the server.
        const size_t total = std::min(frames, room);
        size_t done = 0;
        while (done < total && !m_ended) {
            const size_t n = std::min(total - done, pullFrames);
            const float* block = pullBlock(n, m_silent);
            int16_t* out = m_out.data() + done * channels;
            for (size_t i = 0; i < n * channels; ++i)
                out[i] = toSample(block[i]);
            for (size_t i = 0; i < n; ++i) {
                const size_t at = size_t((m_written + done + i) % historyFrames) * channels;
                m_history[at] = out[2 * i];
                m_history[at + 1] = out[2 * i + 1];
            }
            done += n;
        }
        if (pa_stream_write(m_stream, m_out.data(), done * frameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0)
            return;
        m_written += done;
        frames -= done;
    }
    if (m_ended) {
        // A file shorter than the queue must start all the same.
        pa_operation* op = pa_stream_trigger(m_stream, nullptr, nullptr);
        if (op)
            pa_operation_unref(op);
    }
}

void PulseOutput::setGain(float gain)
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        const pa_cvolume volume = volumeOf(gain);
        pa_operation* op = pa_context_set_sink_input_volume(
            m_context, pa_stream_get_index(m_stream), &volume, nullptr, nullptr);
        if (op)
            pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(m_loop);
}

// With the loop locked: where a rewrite of the queue starts, just ahead of
// what the server has taken.
uint64_t PulseOutput::rewritePoint(const pa_timing_info** timingOut)
{
    bool updated = false;
    pa_operation* op = pa_stream_update_timing_info(m_stream, nullptr, nullptr);
    if (op) {
        waitFor([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, 100);
        updated = pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
    }
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
    *timingOut = timing;
    // A fresh read index of 0 is real: the server has not started on the
    // queue yet (a sink waking up), and all of it can be rewritten.
    const bool known = timing && !timing->read_index_corrupt && (updated || timing->read_index > 0);
    const uint64_t taken = known ? uint64_t(timing->read_index) / frameBytes : m_written;
    const uint64_t oldest = m_written > historyFrames ? m_written - historyFrames : 0;
    return std::max(oldest, std::min(m_written, taken + uint64_t(rewriteMargin * m_rate)));
}

bool PulseOutput::fadeOut()
{
    if (!m_loop)
        return true;
    pa_threaded_mainloop_lock(m_loop);
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY || m_silent) {
        pa_threaded_mainloop_unlock(m_loop);
        return true; // nothing is heard from this stream
    }
    const pa_timing_info* timing = nullptr;
    const uint64_t from = rewritePoint(&timing);
    const uint64_t taken = from - std::min(from, uint64_t(rewriteMargin * m_rate));
    const size_t fade = size_t(fadeSeconds * m_rate);
    const size_t count = size_t(m_written - from);
    if (count > 0 && count <= m_out.size() / channels) {
        int16_t* out = m_out.data();
        for (size_t i = 0; i < count; ++i) {
            const float g = i < fade ? 1.0f - float(i + 1) / float(fade) : 0.0f;
            const size_t at = size_t((from + i) % historyFrames) * channels;
            out[2 * i] = int16_t(std::lrint(m_history[at] * g));
            out[2 * i + 1] = int16_t(std::lrint(m_history[at + 1] * g));
        }
        pa_stream_write(m_stream, out, count * frameBytes, nullptr, -int64_t(count * frameBytes),
                        PA_SEEK_RELATIVE);
    }
    m_silent = true;
    // Until the fade has reached the speaker: what the server held before
    // it, plus the sink's own latency.
    const double ahead = double(from - std::min(from, taken) + fade) / m_rate;
    const double sink = timing ? double(timing->sink_usec) / 1e6 : 0.0;
    pa_threaded_mainloop_unlock(m_loop);
    const double wait = std::min(0.2, ahead + sink + 0.005);
    std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    return true;
}

void PulseOutput::refresh()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY && !m_silent && !m_ended &&
        !m_draining) {
        const pa_timing_info* timing = nullptr;
        const uint64_t from = rewritePoint(&timing);
        const size_t count = size_t(m_written - from);
        const size_t fade = size_t(fadeSeconds * m_rate);
        if (count > 0 && count <= m_out.size() / channels) {
            // Fresh frames over the queue, crossfaded from what was there.
            for (size_t done = 0; done < count;) {
                const size_t n = std::min(count - done, pullFrames);
                const float* block = pullBlock(n, m_ended);
                int16_t* out = m_out.data() + done * channels;
                for (size_t i = 0; i < n; ++i) {
                    const size_t k = done + i;
                    const size_t at = size_t((from + k) % historyFrames) * channels;
                    const float t = k < fade ? float(k + 1) / float(fade + 1) : 1.0f;
                    for (size_t c = 0; c < channels; ++c) {
                        const float old = float(m_history[at + c]) / 32768.0f;
                        out[2 * i + c] = toSample(block[2 * i + c] * t + old * (1.0f - t));
                        m_history[at + c] = out[2 * i + c];
                    }
                }
                done += n;
            }
            pa_stream_write(m_stream, m_out.data(), count * frameBytes, nullptr,
                            -int64_t(count * frameBytes), PA_SEEK_RELATIVE);
            if (m_ended) {
                pa_operation* op = pa_stream_trigger(m_stream, nullptr, nullptr);
                if (op)
                    pa_operation_unref(op);
            }
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
}

bool PulseOutput::drained()
{
    if (!m_loop)
        return true;
    pa_threaded_mainloop_lock(m_loop);
    if (!m_draining) {
        m_draining = true;
        pa_operation* op = m_stream
                               ? pa_stream_drain(
                                     m_stream,
                                     [](pa_stream*, int, void* self) {
                                         static_cast<PulseOutput*>(self)->m_drained.store(true);
                                     },
                                     this)
                               : nullptr;
        if (op)
            pa_operation_unref(op);
        else
            m_drained.store(true);
    }
    const bool done = m_drained.load() || m_lost.load();
    pa_threaded_mainloop_unlock(m_loop);
    return done;
}

std::unique_ptr<AudioOutput> openServerOrSdlOutput(int rate, float gain, AudioOutput::Pull pull)
{
    // Tests and users who name an SDL driver get SDL.
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (!driver || !*driver) {
        auto server = std::make_unique<PulseOutput>();
        if (server->open(rate, gain, pull))
            return server;
    }
    return openSdlOutput(rate, gain, std::move(pull));
}
