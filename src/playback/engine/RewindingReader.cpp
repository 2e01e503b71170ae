#include "playback/engine/RewindingReader.h"

#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"

RewindingReader::RewindingReader(Decoder& decoder, const std::atomic<bool>& loop)
    : m_decoder(decoder), m_loop(loop)
{
}

size_t RewindingReader::read(float* dst, size_t frames)
{
    size_t total = 0;
    while (total < frames) {
        if (m_atEnd) {
            if (!m_loop.load(std::memory_order_relaxed))
                break;
            // A pass that gave nothing means the file went bad: do not spin.
            if (m_passFrames == 0 || !m_decoder.rewind()) {
                m_failed = true;
                break;
            }
            m_atEnd = false;
            m_passFrames = 0;
        }
        const size_t n = m_decoder.read(dst + total * frame::channels, frames - total);
        if (n == 0) {
            m_atEnd = true;
            continue;
        }
        total += n;
        m_passFrames += n;
    }
    return total;
}
