#include "playback/engine/SndfileDecoder.h"

#include "common/Failure.h"
#include "playback/engine/Frames.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>

namespace
{
constexpr size_t bufferFrames = 2048;
// Outside this a header is damaged, not a recording.
constexpr int minRate = 4000;
constexpr int maxRate = 192000;
constexpr int maxChannels = 64;
} // namespace

SndfileDecoder::SndfileDecoder(int fd, const QString& name)
{
    SF_INFO info{};
    if (lseek(fd, 0, SEEK_SET) != 0 || !(m_file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE)))
        throw Failure(QString("cannot read %1: %2").arg(name, sf_strerror(nullptr)));
    if (info.samplerate < minRate || info.samplerate > maxRate || info.channels < 1 ||
        info.channels > maxChannels) {
        sf_close(m_file);
        throw Failure(QString("no usable audio in %1").arg(name));
    }
    m_rate = info.samplerate;
    m_fileChannels = info.channels;
    m_frames = info.frames > 0 && info.frames != SF_COUNT_MAX ? info.frames : -1;
    m_buffer.resize(bufferFrames * size_t(m_fileChannels));
}

SndfileDecoder::~SndfileDecoder()
{
    sf_close(m_file);
}

size_t SndfileDecoder::read(float* dst, size_t frames)
{
    if (m_over)
        return 0;
    if (m_fileChannels == frame::channels) {
        const sf_count_t n = sf_readf_float(m_file, dst, sf_count_t(frames));
        if (n <= 0)
            m_over = true;
        return n > 0 ? size_t(n) : 0;
    }
    size_t total = 0;
    while (total < frames) {
        const size_t want = std::min(frames - total, bufferFrames);
        const sf_count_t n = sf_readf_float(m_file, m_buffer.data(), sf_count_t(want));
        if (n <= 0) {
            m_over = true;
            break;
        }
        // Mono to both sides; of more channels the first two, which are front
        // left and right in WAV and FLAC.
        const size_t step = size_t(m_fileChannels);
        const size_t right = m_fileChannels == 1 ? 0 : 1;
        float* out = dst + total * frame::channels;
        for (size_t i = 0; i < size_t(n); ++i) {
            out[2 * i] = m_buffer[i * step];
            out[2 * i + 1] = m_buffer[i * step + right];
        }
        total += size_t(n);
        if (size_t(n) < want)
            break;
    }
    return total;
}

bool SndfileDecoder::rewind()
{
    m_over = sf_seek(m_file, 0, SEEK_SET) != 0;
    return !m_over;
}
