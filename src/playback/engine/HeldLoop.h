#pragma once

#include "playback/engine/FrameSource.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class Decoder;

// A file short enough to hold, decoded only once: a worker decodes it on the
// first pass into memory, as 16-bit samples (half the memory of float, and
// finer than the 16-bit sources mp3s are made from), and every later pass
// replays that memory. The reader never blocks or allocates; it only waits
// for the decoder while the first pass is still ahead of it.
//
// While `loop` is true the frames run back to back without end; with it
// false the source ends after the file. Turning loop on at the end starts
// it over.
class HeldLoop : public FrameSource
{
public:
    // Files up to this many frames (by their headers) are held: 16 MB of
    // samples, 95 s at 44.1 kHz. Longer ones stream.
    static constexpr long long maxFrames = 16 * 1024 * 1024 / 4;
    static bool fits(const Decoder& decoder);

    // Decodes the first frames before it returns, so output can start at once.
    HeldLoop(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop);
    ~HeldLoop() override;
    HeldLoop(const HeldLoop&) = delete;
    HeldLoop& operator=(const HeldLoop&) = delete;

    size_t read(float* dst, size_t frames) override;
    bool exhausted() override;
    bool holdsEveryFrame() const override { return true; }

    // Frames held once the first pass is over, else 0.
    size_t heldFrames() const;

private:
    size_t decodeSome();
    void run();

    std::unique_ptr<Decoder> m_decoder;
    const std::atomic<bool>& m_loop;
    // Room for twice the bound, in case a file's headers understate it;
    // only the pages written are ever in memory.
    const size_t m_capacity;
    std::unique_ptr<int16_t[]> m_samples;
    std::vector<float> m_chunk; // the decoder's side only
    std::atomic<size_t> m_decoded{0};
    std::atomic<bool> m_complete{false};
    std::atomic<bool> m_quit{false};
    size_t m_pos = 0; // the reader's
    std::thread m_worker;
};
