#pragma once

#include "playback/engine/FrameSource.h"
#include "playback/engine/RewindingReader.h"

// A file decoded as it is read, on the reader's own thread: rendering
// offline (tests, the soak run) needs no worker running ahead.
class OfflineSource : public FrameSource
{
public:
    OfflineSource(Decoder& decoder, const std::atomic<bool>& loop) : m_reader(decoder, loop) {}

    size_t read(float* dst, size_t frames) override
    {
        const size_t n = m_reader.read(dst, frames);
        if (n < frames)
            m_over = true;
        return n;
    }
    bool exhausted() override { return m_over; }

private:
    RewindingReader m_reader;
    bool m_over = false;
};
