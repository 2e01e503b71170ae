#include "playback/engine/Streamer.h"

#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"

#include <algorithm>
#include <chrono>

namespace
{
constexpr size_t chunkFrames = 4096;
constexpr size_t minPrefillFrames = 16384;
} // namespace

Streamer::Streamer(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop,
                   double drainRate)
    : m_decoder(std::move(decoder)), m_reader(*m_decoder, loop), m_loop(loop), m_ring(ringFrames),
      m_chunk(chunkFrames * frame::channels), m_drainRate(drainRate)
{
    // 50 ms of output, whatever the speed, within three quarters of the ring.
    const size_t prefill =
        std::clamp(size_t(drainRate * 0.05), minPrefillFrames, ringFrames * 3 / 4);
    while (m_ring.readable() < prefill && m_end.load() == Streaming)
        fill();
    m_worker = std::thread([this] { run(); });
}

Streamer::~Streamer()
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_quit.store(true);
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void Streamer::setDrainRate(double framesPerSecond)
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_drainRate.store(framesPerSecond);
    }
    m_wake.notify_all();
}

// Decodes one chunk into the ring; false when there was no room.
bool Streamer::fill()
{
    const size_t room = m_ring.writable();
    if (room < chunkFrames / 2)
        return false;
    const size_t n = m_reader.read(m_chunk.data(), std::min(room, chunkFrames));
    m_ring.write(m_chunk.data(), n);
    if (m_reader.failed())
        m_failed.store(true, std::memory_order_release);
    if (n < std::min(room, chunkFrames))
        m_end.store(EndPending, std::memory_order_release);
    return true;
}

void Streamer::run()
{
    using namespace std::chrono;
    while (!m_quit.load()) {
        int end = m_end.load(std::memory_order_acquire);
        if (end == Ended)
            break;
        double seconds = 0.0;
        if (end == EndPending) {
            // Loop switched on before the last frame played: carry on. A
            // file that failed waits for the player to open it anew.
            if (m_loop.load() && !m_failed.load() &&
                m_end.compare_exchange_strong(end, Streaming)) {
                continue;
            }
            // Nothing to decode: a loop switched on is looked for while
            // what is left plays, halving the wait as it runs out.
            seconds = double(m_ring.readable()) / std::max(1.0, m_drainRate.load()) / 2;
        } else {
            while (!m_quit.load() && m_end.load() == Streaming && fill()) {
            }
            // Asleep until the ring is about half drained, or the speed
            // changes, or a stop.
            const double excess = double(m_ring.readable()) - double(m_ring.capacity()) / 2;
            seconds = excess / std::max(1.0, m_drainRate.load());
        }
        const auto wait = duration<double>(std::clamp(seconds, 0.005, 10.0));
        std::unique_lock lock(m_wakeMutex);
        if (!m_quit.load())
            m_wake.wait_for(lock, duration_cast<microseconds>(wait));
    }
}

size_t Streamer::read(float* dst, size_t frames)
{
    return m_ring.read(dst, frames);
}

bool Streamer::exhausted()
{
    int end = m_end.load(std::memory_order_acquire);
    if (end == Ended)
        return true;
    // With loop switched on the worker is about to carry on: wait for it.
    if (end == EndPending && m_ring.readable() == 0 && !m_loop.load())
        return m_end.compare_exchange_strong(end, Ended) || end == Ended;
    return false;
}
