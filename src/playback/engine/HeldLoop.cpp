#include "playback/engine/HeldLoop.h"

#include "common/Failure.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Int16Sample.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace
{
constexpr size_t chunkFrames = 4096;
constexpr size_t prefillFrames = 16384;
constexpr double startSeconds = 2.0;
constexpr float scale = 32768.0f;
// The first pass is resampled while it plays, on a machine that may be
// busy: the converter the player used live, 80 dB clean, keeps well ahead
// even for a 192 kHz file.
constexpr int converter = SRC_SINC_FASTEST;
// The loop's first frames are made again after its last, with the tail in
// the converter's memory; this covers the filter's reach with room to spare.
constexpr size_t seamMax = 8192;

} // namespace

bool HeldLoop::fits(const Decoder& decoder)
{
    const long long n = decoder.lengthFrames();
    return n > 0 && n <= maxFrames;
}

HeldLoop::HeldLoop(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop)
    : m_decoder(std::move(decoder)), m_loop(loop), m_fileRate(m_decoder->sampleRate()),
      m_lengthGuess(m_decoder->lengthFrames()), m_rate(m_fileRate),
      m_capacity(size_t(maxFrames) * 2), m_input(new int16_t[m_capacity * frame::channels]),
      m_chunk(chunkFrames * frame::channels)
{
    while (m_ready.load() < prefillFrames && !done())
        step();
    startWorker();
}

HeldLoop::~HeldLoop()
{
    stopWorker();
    src_delete(m_resampler);
}

void HeldLoop::startWorker()
{
    m_quit.store(false);
    if (!done())
        m_worker = std::thread([this] {
            while (!m_quit.load(std::memory_order_relaxed) && !done())
                step();
        });
}

void HeldLoop::stopWorker()
{
    m_quit.store(true);
    if (m_worker.joinable())
        m_worker.join();
}

bool HeldLoop::done() const
{
    return m_complete.load(std::memory_order_acquire);
}

// The worker: one chunk decoded, or resampled, or both.
void HeldLoop::step()
{
    if (!m_inputDone)
        decodeSome();
    if (resampling()) {
        convertSome();
        return;
    }
    if (m_inputDone)
        m_loopFrames = m_decoded.load(std::memory_order_relaxed);
    m_ready.store(m_decoded.load(std::memory_order_relaxed), std::memory_order_release);
    if (m_inputDone)
        m_complete.store(true, std::memory_order_release);
}

// One chunk appended at the file's rate; at the end, or full, the input is over.
void HeldLoop::decodeSome()
{
    const size_t at = m_decoded.load(std::memory_order_relaxed);
    const size_t n = m_decoder->read(m_chunk.data(), std::min(chunkFrames, m_capacity - at));
    int16_t* out = m_input.get() + at * frame::channels;
    for (size_t i = 0; i < n * frame::channels; ++i)
        out[i] = toInt16(m_chunk[i]);
    m_decoded.store(at + n, std::memory_order_release);
    if (n == 0) {
        m_decoder.reset();
        m_inputDone = true;
    }
}

// One chunk through the converter. The input runs on past the loop's end
// into its start again, so the last frames see the head that follows them
// and the seam's frames see the tail before them.
void HeldLoop::convertSome()
{
    const size_t decoded = m_decoded.load(std::memory_order_relaxed);
    if (m_inputDone && m_loopFrames == 0) {
        // The length as decoded; the ratio was set from the headers' guess,
        // so only a file that lied about it can be off by part of a frame.
        m_loopFrames = std::max(m_produced, size_t(std::llround(double(decoded) * m_ratio)));
        m_loopFrames = std::min(m_loopFrames, m_outputCapacity);
        m_seamFrames = std::min(seamMax, m_loopFrames);
        m_seam.assign(m_seamFrames * frame::channels, 0);
    }
    if (m_inputDone && decoded == 0) {
        m_complete.store(true, std::memory_order_release);
        return;
    }
    const size_t n = m_inputDone ? chunkFrames : std::min(chunkFrames, decoded - m_fed);
    if (n == 0)
        return;
    for (size_t i = 0; i < n; ++i) {
        const int16_t* in = m_input.get() + ((m_fed + i) % decoded) * frame::channels;
        m_chunk[2 * i] = float(in[0]) / scale;
        m_chunk[2 * i + 1] = float(in[1]) / scale;
    }
    SRC_DATA data{};
    data.data_in = m_chunk.data();
    data.input_frames = long(n);
    data.data_out = m_converted.data();
    data.output_frames = long(m_converted.size() / frame::channels);
    data.src_ratio = m_ratio;
    if (src_process(m_resampler, &data) != 0) {
        // Cannot happen with a valid ratio; end the loop where it got to.
        m_loopFrames = m_seamFrames = 0;
        m_ready.store(m_produced, std::memory_order_release);
        m_complete.store(true, std::memory_order_release);
        return;
    }
    m_fed += size_t(data.input_frames_used);
    const size_t end = m_inputDone ? m_loopFrames + m_seamFrames : m_outputCapacity;
    for (long k = 0; k < data.output_frames_gen && m_produced < end; ++k, ++m_produced) {
        const float* v = m_converted.data() + k * frame::channels;
        int16_t* out = m_produced < m_outputCapacity && (!m_inputDone || m_produced < m_loopFrames)
                           ? m_output.get() + m_produced * frame::channels
                           : m_seam.data() + (m_produced - m_loopFrames) * frame::channels;
        out[0] = toInt16(v[0]);
        out[1] = toInt16(v[1]);
    }
    m_ready.store(m_inputDone ? std::min(m_produced, m_loopFrames) : m_produced,
                  std::memory_order_release);
    if (m_inputDone && m_produced >= end)
        m_complete.store(true, std::memory_order_release);
}

bool HeldLoop::playAt(int rate)
{
    if (rate <= 0)
        return false;
    if (rate == m_rate)
        return true;
    stopWorker();
    m_complete.store(false);
    const double moved = double(rate) / double(m_rate);
    m_rate = rate;
    m_fed = m_produced = m_loopFrames = m_seamFrames = 0;
    m_ready.store(0);
    m_lapped = false;
    if (resampling()) {
        if (!m_resampler) {
            int err = 0;
            m_resampler = src_new(converter, frame::channels, &err);
            if (!m_resampler)
                throw Failure(QString("resampler unavailable: %1").arg(src_strerror(err)));
        }
        src_reset(m_resampler);
        // A whole number of frames per loop: the ratio of the lengths.
        const double guess = double(std::max(1LL, m_lengthGuess));
        m_ratio = std::max(1.0, std::round(guess * rate / m_fileRate)) / guess;
        m_outputCapacity = size_t(std::ceil(double(m_capacity) * m_ratio)) + 1;
        m_output.reset(new int16_t[m_outputCapacity * frame::channels]);
        m_converted.assign((size_t(std::ceil(chunkFrames * m_ratio)) + 64) * frame::channels, 0.0f);
    } else {
        m_output.reset();
        m_seam.clear();
    }
    m_pos = size_t(double(m_pos) * moved);
    // A server's whole queue is asked for at once as it starts: that much
    // is made here, so a worker slowed by a busy machine is not outrun.
    const size_t ahead = resampling() ? size_t(startSeconds * rate) : prefillFrames;
    while (m_ready.load() < m_pos + ahead && !done())
        step();
    startWorker();
    return true;
}

// The reader: where frame `pos` is, and how many follow it there.
const int16_t* HeldLoop::frameAt(size_t pos, size_t* run) const
{
    if (m_lapped && pos < m_seamFrames) {
        *run = std::min(*run, m_seamFrames - pos);
        return m_seam.data() + pos * frame::channels;
    }
    const int16_t* held = resampling() ? m_output.get() : m_input.get();
    return held + pos * frame::channels;
}

size_t HeldLoop::read(float* dst, size_t frames)
{
    size_t total = 0;
    while (total < frames) {
        const bool complete = m_complete.load(std::memory_order_acquire);
        const size_t ready = m_ready.load(std::memory_order_acquire);
        if (m_pos < ready) {
            size_t n = std::min(ready - m_pos, frames - total);
            const int16_t* in = frameAt(m_pos, &n);
            float* out = dst + total * frame::channels;
            for (size_t i = 0; i < n * frame::channels; ++i)
                out[i] = float(in[i]) / scale;
            m_pos += n;
            total += n;
            continue;
        }
        if (!complete || ready == 0 || !m_loop.load(std::memory_order_relaxed))
            break; // not decoded yet, or the end
        m_pos = 0;
        m_lapped = true;
    }
    return total;
}

bool HeldLoop::exhausted()
{
    return m_complete.load(std::memory_order_acquire) && m_pos >= m_ready.load() &&
           !m_loop.load(std::memory_order_relaxed);
}

size_t HeldLoop::heldFrames() const
{
    return m_complete.load(std::memory_order_acquire) ? m_loopFrames : 0;
}
