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
                   double drainRate, std::function<void()> tick)
    : m_decoder(std::move(decoder)), m_reader(*m_decoder, loop), m_loop(loop),
      m_tick(std::move(tick)), m_ring(ringFrames), m_chunk(chunkFrames * frame::channels),
      m_drainRate(drainRate)
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
    auto nextTick = steady_clock::now();
    while (!m_quit.load()) {
        if (m_tick && steady_clock::now() >= nextTick) {
            m_tick();
            nextTick = steady_clock::now() + milliseconds(250);
        }
        int end = m_end.load(std::memory_order_acquire);
        if (end == Ended)
            break;
        if (end == EndPending) {
            // Loop switched on before the last frame played: carry on. A
            // file that failed waits for the player to open it anew.
            if (m_loop.load() && !m_failed.load() &&
                m_end.compare_exchange_strong(end, Streaming)) {
                continue;
            }
            std::this_thread::sleep_for(milliseconds(5));
            continue;
        }
        while (!m_quit.load() && m_end.load() == Streaming && fill()) {
        }
        // Sleep until the ring is about half drained, or the speed changes.
        const double rate = std::max(1.0, m_drainRate.load());
        const double excess = double(m_ring.readable()) - double(m_ring.capacity()) / 2;
        const double ms = std::clamp(excess / rate * 1000.0, 2.0, 250.0);
        std::unique_lock lock(m_wakeMutex);
        if (!m_quit.load())
            m_wake.wait_for(lock, microseconds(static_cast<long>(ms * 1000)));
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
