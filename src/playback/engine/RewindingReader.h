#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class Decoder;

// Reads a decoder as one endless sequence while `loop` is true: at the end
// of the file it rewinds to the first frame, so the passes run back to
// back, decoded anew each time. With loop false it ends at the end of the
// file; turning loop on at the end starts it over.
class RewindingReader
{
public:
    RewindingReader(Decoder& decoder, const std::atomic<bool>& loop);
    // 0 only when the file is over (and loop is off) or unreadable.
    size_t read(float* dst, size_t frames);
    // Loop is on, yet the file gave nothing or could not start over.
    bool failed() const { return m_failed; }

private:
    Decoder& m_decoder;
    const std::atomic<bool>& m_loop;
    bool m_atEnd = false;
    bool m_failed = false;
    uint64_t m_passFrames = 0;
};
