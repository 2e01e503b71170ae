#pragma once

#include "playback/engine/FrameRing.h"
#include "playback/engine/FrameSource.h"
#include "playback/engine/RewindingReader.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Decoder;

// Decodes ahead on a worker thread into a lock-free ring that the audio
// callback reads: the callback never waits for the disk or the decoder. The
// worker sleeps on a condition variable until the ring is half drained, a
// speed change or the end: less than once a second at normal speed.
class Streamer : public FrameSource
{
public:
    static constexpr size_t ringFrames = size_t(1) << 17;

    // Fills the first part of the ring before it returns (more at high
    // speed), so output can start at once. `drainRate` is source frames used
    // per second.
    Streamer(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop,
             double drainRate = 44100.0);
    ~Streamer() override;

    // Source frames the consumer uses per second, so the worker sleeps as
    // long as it can. Called from the player's thread; wakes the worker,
    // which may be sleeping for a slower speed.
    void setDrainRate(double framesPerSecond) override;

    size_t read(float* dst, size_t frames) override;
    bool exhausted() override;
    // Once what was decoded before the failure has been played.
    bool failed() override
    {
        return m_failed.load(std::memory_order_acquire) && m_ring.readable() == 0;
    }

private:
    enum End : int { Streaming, EndPending, Ended };
    void run();
    bool fill();

    std::unique_ptr<Decoder> m_decoder;
    RewindingReader m_reader;
    const std::atomic<bool>& m_loop;
    FrameRing m_ring;
    std::vector<float> m_chunk;
    std::atomic<int> m_end{Streaming};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_quit{false};
    std::atomic<double> m_drainRate{44100.0};
    std::mutex m_wakeMutex; // the worker's sleep only; the consumer never takes it
    std::condition_variable m_wake;
    std::thread m_worker;
};
