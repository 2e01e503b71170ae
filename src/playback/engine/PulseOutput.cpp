#include "playback/engine/PulseOutput.h"

#include "playback/engine/Frames.h"
#include "playback/engine/Ramps.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <type_traits>

namespace
{
using Sample = ServerQueue::Sample;
constexpr size_t frameBytes = sizeof(Sample) * frame::channels;
constexpr pa_sample_format_t sampleFormat =
    std::is_same_v<Sample, float> ? PA_SAMPLE_FLOAT32NE : PA_SAMPLE_S16NE;
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
// A rewrite of the queue starts at what the server has taken, but changes
// the sound only this far after it, and a chunk of the server's later: by
// the time the rewrite arrives the server may have taken that much more.
constexpr double landingSeconds = 0.015;
constexpr uint64_t maxChunkFrames = 4096;
constexpr double maxFadeWait = 0.3;
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
    m_queue.reset(size_t(2 * queueSeconds * m_rate), m_gain);
    m_block.assign(pullFrames * frame::channels, 0.0f);
    m_out.assign(m_queue.capacity() * frame::channels, 0);

    const pa_sample_spec spec{sampleFormat, uint32_t(m_rate), frame::channels};
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
            // Pulled straight into the queue, then out in one pass.
            size_t n = std::min(total - done, pullFrames);
            float* kept = m_queue.slot(m_written + done, &n);
            if (m_silent)
                std::fill_n(kept, n * frame::channels, 0.0f);
            else
                m_ended = !m_pull(kept, n);
            m_queue.render(m_written + done, n, m_out.data() + done * frame::channels);
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

// With the loop locked: where a rewrite of the queue starts, at what the
// server has taken.
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
    m_taken = std::min(m_written, known ? uint64_t(timing->read_index) / frameBytes : m_written);
    const uint64_t capacity = m_queue.capacity();
    const uint64_t oldest = m_written > capacity ? m_written - capacity : 0;
    // Never before the last change began: what lies before it is as it was.
    return std::max({oldest, m_taken, m_queue.lastStart()});
}

// Where a change rewritten from `from` on is heard from. A server takes
// whole chunks (PipeWire a cycle of its graph, often 2048 frames, with no
// latency reported for it), so what it has taken is a multiple of the
// chunk: the largest power of two that divides it is taken for the chunk.
uint64_t PulseOutput::chunk() const
{
    return m_taken > 0 ? std::min(maxChunkFrames, m_taken & (~m_taken + 1)) : 0;
}

uint64_t PulseOutput::changePoint(uint64_t from) const
{
    const uint64_t landing = m_taken + uint64_t(landingSeconds * m_rate) + chunk();
    return std::min(m_written, std::max(from, landing));
}

// With the loop locked: the queue from `from` on written again over what
// the server holds.
void PulseOutput::rewrite(uint64_t from)
{
    const size_t count = size_t(m_written - from);
    if (count == 0)
        return;
    m_queue.render(from, count, m_out.data());
    pa_stream_write(m_stream, m_out.data(), count * frameBytes, nullptr,
                    -int64_t(count * frameBytes), PA_SEEK_RELATIVE);
}

void PulseOutput::setGain(float gain)
{
    m_gain = gain;
    if (!m_loop || !m_stream)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY && !m_silent && !m_draining) {
        const pa_timing_info* timing = nullptr;
        const uint64_t from = rewritePoint(&timing);
        m_queue.glide(changePoint(from), gain, uint64_t(ramp::glideSeconds * m_rate));
        rewrite(from);
    } else {
        m_queue.glide(m_written, gain, 0);
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
    const uint64_t taken = m_taken;
    const uint64_t start = changePoint(from);
    const size_t fade = size_t(ramp::fadeSeconds * m_rate);
    m_queue.glide(start, 0.0f, fade);
    rewrite(from);
    m_silent = true;
    // Until the fade has reached the speaker: what the server held before
    // it, plus the sink's own latency, or the chunks that are on their way
    // through PipeWire's graph, which reports none.
    const double ahead = double(start - std::min(start, taken) + fade) / m_rate;
    const double sink = timing ? double(timing->sink_usec) / 1e6 : 0.0;
    const double inFlight = std::max(sink, 2.0 * double(chunk()) / m_rate);
    pa_threaded_mainloop_unlock(m_loop);
    const double wait = std::min(maxFadeWait, ahead + inFlight + 0.005);
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
        const uint64_t start = changePoint(from);
        // Fresh frames over the queue, crossfaded from what was there;
        // after an end, silence.
        const size_t fade = size_t(ramp::fadeSeconds * m_rate);
        for (uint64_t at = start; at < m_written;) {
            const size_t n = size_t(std::min<uint64_t>(m_written - at, pullFrames));
            m_queue.replace(at, n, pullBlock(n, m_ended), start, fade);
            at += n;
        }
        if (from < m_written) {
            rewrite(from);
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
