#include "playback/engine/PulseOutput.h"

#include "playback/engine/Frames.h"
#include "playback/engine/Int16Sample.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{
// 16-bit to the server: half the data of float, so half the transfers (each
// wakes the server, which then preempts us), and nothing is lost for a held
// loop, whose samples are 16-bit already.
constexpr size_t frameBytes = sizeof(int16_t) * frame::channels;
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
// A rewrite of the queue starts this far ahead of what the server has
// taken; a stop fades over fadeSeconds, a volume change glides over
// glideSeconds (as the renderer's own glide).
constexpr double rewriteMargin = 0.015;
constexpr double fadeSeconds = 0.005;
constexpr double glideSeconds = 0.020;
} // namespace

bool PulseOutput::start(Pull pull)
{
    if (!m_context || m_rate <= 0)
        return false;
    m_pull = std::move(pull);
    m_written = 0;
    m_firstRequest = true;
    m_silent = m_ended = m_draining = false;
    m_drained.store(false);
    m_lost.store(false);
    m_capacity = size_t(2 * queueSeconds * m_rate);
    m_block.assign(pullFrames * frame::channels, 0.0f);
    m_out.assign(m_capacity * frame::channels, 0);
    m_history.assign(m_capacity * frame::channels, 0);
    m_glide = Glide{0, 0, m_glide.toGain, m_glide.toGain};

    const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(m_rate), frame::channels};
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(queueSeconds * m_rate) * frameBytes;
    // Start on the first frames, not when the whole queue is there.
    attr.prebuf = uint32_t(firstFrames * frameBytes);
    attr.minreq = uint32_t(requestSeconds * m_rate) * frameBytes;
    attr.fragsize = uint32_t(-1);
    return connectStream(spec, attr);
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

float PulseOutput::gainAt(uint64_t frame) const
{
    const Glide& g = m_glide;
    if (frame >= g.to)
        return g.toGain;
    if (frame <= g.from)
        return g.fromGain;
    const float t = float(frame - g.from) / float(g.to - g.from);
    return g.fromGain + (g.toGain - g.fromGain) * t;
}

// The loop's thread, with the loop locked.
// The next frames from the player into m_block, or silence.
const float* PulseOutput::pullBlock(size_t frames, bool silence)
{
    float* block = m_block.data();
    if (silence)
        std::fill_n(block, frames * frame::channels, 0.0f);
    else
        m_ended = !m_pull(block, frames);
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
            int16_t* out = m_out.data() + done * frame::channels;
            for (size_t i = 0; i < n; ++i) {
                const uint64_t frame = m_written + done + i;
                const size_t at = size_t(frame % m_capacity) * frame::channels;
                const float g = gainAt(frame);
                for (size_t c = 0; c < frame::channels; ++c) {
                    const float v = block[2 * i + c];
                    m_history[at + c] = toInt16(v);
                    out[2 * i + c] = toInt16(v * g);
                }
            }
            done += n;
        }
        if (pa_stream_write(m_stream, m_out.data(), done * frameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0)
            return;
        m_written += done;
        frames -= done;
    }
    if (m_ended) // a file shorter than the queue must start all the same
        forget(pa_stream_trigger(m_stream, nullptr, nullptr));
}

// With the loop locked: where a rewrite of the queue starts, just ahead of
// what the server has taken.
uint64_t PulseOutput::rewritePoint(const pa_timing_info** timingOut)
{
    bool updated = false;
    pa_operation* op = pa_stream_update_timing_info(m_stream, nullptr, nullptr);
    if (op) {
        waitForOperation(op, 100);
        updated = pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
    }
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
    *timingOut = timing;
    // A fresh read index of 0 is real: the server has not started on the
    // queue yet (a sink waking up), and all of it can be rewritten.
    const bool known = timing && !timing->read_index_corrupt && (updated || timing->read_index > 0);
    const uint64_t taken = known ? uint64_t(timing->read_index) / frameBytes : m_written;
    const uint64_t oldest = m_written > m_capacity ? m_written - m_capacity : 0;
    return std::max(oldest, std::min(m_written, taken + uint64_t(rewriteMargin * m_rate)));
}

// With the loop locked: the frames `offset` to `offset + n` after `from`
// into m_out again, at the gain of each frame. `fresh` (n frames, or null)
// is crossfaded in over the fade and replaces what was there.
void PulseOutput::stage(uint64_t from, size_t offset, size_t n, const float* fresh)
{
    const size_t fade = size_t(fadeSeconds * m_rate);
    int16_t* out = m_out.data() + offset * frame::channels;
    for (size_t i = 0; i < n; ++i) {
        const size_t k = offset + i;
        const size_t at = size_t((from + k) % m_capacity) * frame::channels;
        const float t = fresh ? (k < fade ? float(k + 1) / float(fade + 1) : 1.0f) : 0.0f;
        const float g = gainAt(from + k);
        for (size_t c = 0; c < frame::channels; ++c) {
            const float old = float(m_history[at + c]) / 32768.0f;
            const float v = fresh ? fresh[2 * i + c] * t + old * (1.0f - t) : old;
            m_history[at + c] = toInt16(v);
            out[2 * i + c] = toInt16(v * g);
        }
    }
}

// With the loop locked: m_out's first `count` frames replace the last
// `count` frames written.
void PulseOutput::replaceQueued(size_t count)
{
    pa_stream_write(m_stream, m_out.data(), count * frameBytes, nullptr,
                    -int64_t(count * frameBytes), PA_SEEK_RELATIVE);
}

void PulseOutput::setGain(float gain)
{
    if (!m_loop || !m_stream) {
        m_glide = Glide{0, 0, gain, gain};
        return;
    }
    pa_threaded_mainloop_lock(m_loop);
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY && !m_silent && !m_draining) {
        const pa_timing_info* timing = nullptr;
        const uint64_t from = rewritePoint(&timing);
        m_glide = Glide{from, from + uint64_t(glideSeconds * m_rate), gainAt(from), gain};
        const size_t count = size_t(m_written - from);
        stage(from, 0, count, nullptr);
        if (count > 0)
            replaceQueued(count);
    } else {
        m_glide = Glide{m_written, m_written, gain, gain};
    }
    pa_threaded_mainloop_unlock(m_loop);
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
    if (count > 0) {
        // The gain glides to silence; the history stays as it was.
        const Glide kept = m_glide;
        m_glide = Glide{from, from + fade, gainAt(from), 0.0f};
        stage(from, 0, count, nullptr);
        replaceQueued(count);
        m_glide = kept;
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
        // Fresh frames over the queue, crossfaded from what was there;
        // after an end, silence.
        for (size_t done = 0; done < count;) {
            const size_t n = std::min(count - done, pullFrames);
            stage(from, done, n, pullBlock(n, m_ended));
            done += n;
        }
        if (count > 0) {
            replaceQueued(count);
            if (m_ended)
                forget(pa_stream_trigger(m_stream, nullptr, nullptr));
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseOutput::drain()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (!m_draining) {
        m_draining = true;
        pa_operation* op = m_stream ? pa_stream_drain(
                                          m_stream,
                                          [](pa_stream*, int, void* self) {
                                              auto* out = static_cast<PulseOutput*>(self);
                                              out->m_drained.store(true);
                                              out->tell();
                                          },
                                          this)
                                    : nullptr;
        if (op)
            pa_operation_unref(op);
        else
            m_drained.store(true);
    }
    pa_threaded_mainloop_unlock(m_loop);
}
