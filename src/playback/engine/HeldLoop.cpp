#include "playback/engine/HeldLoop.h"

#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Int16Sample.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr size_t chunkFrames = 4096;
constexpr size_t prefillFrames = 16384;
constexpr float scale = 32768.0f;

} // namespace

bool HeldLoop::fits(const Decoder& decoder)
{
    const long long n = decoder.lengthFrames();
    return n > 0 && n <= maxFrames;
}

HeldLoop::HeldLoop(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop)
    : m_decoder(std::move(decoder)), m_loop(loop), m_capacity(size_t(maxFrames) * 2),
      m_samples(new int16_t[m_capacity * frame::channels]), m_chunk(chunkFrames * frame::channels)
{
    while (m_decoded.load() < prefillFrames && !m_complete.load())
        decodeSome();
    if (!m_complete.load())
        m_worker = std::thread([this] { run(); });
}

HeldLoop::~HeldLoop()
{
    m_quit.store(true);
    if (m_worker.joinable())
        m_worker.join();
}

// Decoder side: one chunk appended; at the end, or full, the pass is over.
size_t HeldLoop::decodeSome()
{
    std::vector<float>& chunk = m_chunk;
    const size_t at = m_decoded.load(std::memory_order_relaxed);
    const size_t n = m_decoder->read(chunk.data(), std::min(chunkFrames, m_capacity - at));
    int16_t* out = m_samples.get() + at * frame::channels;
    for (size_t i = 0; i < n * frame::channels; ++i)
        out[i] = toInt16(chunk[i]);
    m_decoded.store(at + n, std::memory_order_release);
    if (n == 0) {
        m_decoder.reset();
        m_complete.store(true, std::memory_order_release);
    }
    return n;
}

void HeldLoop::run()
{
    while (!m_quit.load(std::memory_order_relaxed) && !m_complete.load())
        decodeSome();
}

size_t HeldLoop::read(float* dst, size_t frames)
{
    size_t total = 0;
    while (total < frames) {
        const bool complete = m_complete.load(std::memory_order_acquire);
        const size_t ready = m_decoded.load(std::memory_order_acquire);
        if (m_pos < ready) {
            const size_t n = std::min(ready - m_pos, frames - total);
            const int16_t* in = m_samples.get() + m_pos * frame::channels;
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
    }
    return total;
}

bool HeldLoop::exhausted()
{
    return m_complete.load(std::memory_order_acquire) && m_pos == m_decoded.load() &&
           !m_loop.load(std::memory_order_relaxed);
}

size_t HeldLoop::heldFrames() const
{
    return m_complete.load(std::memory_order_acquire) ? m_decoded.load() : 0;
}
