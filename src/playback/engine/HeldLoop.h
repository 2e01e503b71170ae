#pragma once

#include "playback/engine/FrameSource.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class Decoder;
struct SRC_STATE_tag;

// A file short enough to hold, decoded only once: a worker decodes it on the
// first pass into memory, as 16-bit samples (half the memory of float, and
// finer than the 16-bit sources mp3s are made from), and every later pass
// replays that memory. The reader never blocks or allocates; it only waits
// for the worker while the first pass is still ahead of it.
//
// Told the output's rate (playAt), the worker also resamples it once to that
// rate, as a circle: the loop's tail comes before its head and its head after
// its tail, and the loop holds a whole number of frames, so later passes
// join end to start without a step and play with no resampler at all.
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
    // Only while nothing reads. Goes on from the same place in the file.
    bool playAt(int rate) override;

    // Frames held once the first pass is over (at the rate played), else 0.
    size_t heldFrames() const;

private:
    bool resampling() const { return m_rate != m_fileRate; }
    void decodeSome();
    void convertSome();
    void step();
    bool done() const;
    void startWorker();
    void stopWorker();
    const int16_t* frameAt(size_t pos, size_t* run) const;

    std::unique_ptr<Decoder> m_decoder;
    const std::atomic<bool>& m_loop;
    const int m_fileRate;
    const long long m_lengthGuess; // frames, by the file's headers
    int m_rate;                    // frames are read at this rate
    // Room for twice the bound, in case a file's headers understate it;
    // only the pages written are ever in memory.
    const size_t m_capacity;
    std::unique_ptr<int16_t[]> m_input; // at the file's rate
    std::vector<float> m_chunk;         // the worker's
    std::atomic<size_t> m_decoded{0};
    bool m_inputDone = false; // the worker's until it is joined

    // Resampled to m_rate, when that is not the file's: the loop, and its
    // first frames again as they follow its last (from the second pass on).
    SRC_STATE_tag* m_resampler = nullptr;
    double m_ratio = 1.0;
    std::unique_ptr<int16_t[]> m_output;
    size_t m_outputCapacity = 0;
    std::vector<int16_t> m_seam;
    std::vector<float> m_converted; // the worker's
    size_t m_fed = 0;               // input frames given to the resampler
    size_t m_produced = 0;          // output frames it gave back

    // Published to the reader: frames ready, and once complete the loop's
    // length and how much of its start the seam replaces.
    std::atomic<size_t> m_ready{0};
    std::atomic<bool> m_complete{false};
    size_t m_loopFrames = 0;
    size_t m_seamFrames = 0;

    std::atomic<bool> m_quit{false};
    size_t m_pos = 0;      // the reader's
    bool m_lapped = false; // the reader's: past the first pass
    std::thread m_worker;
};
