#include "playback/engine/SndfileDecoder.h"

#include "common/Failure.h"
#include "playback/engine/Frames.h"
#include "playback/engine/SndfileLibrary.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace
{
constexpr size_t bufferFrames = 2048;
constexpr int maxChannels = 64;

using Span = SndfileDecoder::Span;

// libsndfile reads the file through these, so that it sees one stream of a
// chained file as if it were the whole file.
sf_count_t spanLength(void* user)
{
    const auto* span = static_cast<const Span*>(user);
    return span->end - span->begin;
}

sf_count_t spanSeek(sf_count_t offset, int whence, void* user)
{
    auto* span = static_cast<Span*>(user);
    const int64_t base = whence == SEEK_CUR   ? span->at
                         : whence == SEEK_END ? span->end
                                              : span->begin;
    span->at = std::clamp<int64_t>(base + offset, span->begin, span->end);
    return span->at - span->begin;
}

sf_count_t spanRead(void* ptr, sf_count_t count, void* user)
{
    auto* span = static_cast<Span*>(user);
    const int64_t want = std::min<int64_t>(count, span->end - span->at);
    const ssize_t n = want > 0 ? ::pread(span->fd, ptr, size_t(want), span->at) : 0;
    if (n <= 0)
        return 0;
    span->at += n;
    return n;
}

sf_count_t spanWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t spanTell(void* user)
{
    const auto* span = static_cast<const Span*>(user);
    return span->at - span->begin;
}

uint32_t littleEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Ogg page header: capture pattern, version, flags, granule, serial, page
// number, checksum, segment count, then the segment table.
constexpr size_t pageHeader = 27;
constexpr uint8_t firstPageFlag = 0x02;

// Where each stream of a chained Ogg file begins, then the file's end; just
// {0, end} for any other file. The page walk is paid only when the last page
// belongs to another stream than the first.
std::vector<int64_t> streamStarts(int fd, int64_t size)
{
    uint8_t first[pageHeader];
    if (size < int64_t(pageHeader) || ::pread(fd, first, pageHeader, 0) != ssize_t(pageHeader) ||
        std::memcmp(first, "OggS", 4) != 0)
        return {0, size};
    std::vector<uint8_t> tail(size_t(std::min<int64_t>(size, 65536)));
    const int64_t tailAt = size - int64_t(tail.size());
    if (::pread(fd, tail.data(), tail.size(), tailAt) != ssize_t(tail.size()))
        return {0, size};
    for (size_t i = tail.size() - pageHeader + 1; i-- > 0;) {
        if (std::memcmp(&tail[i], "OggS", 4) == 0) {
            if (littleEndian32(&tail[i + 14]) == littleEndian32(first + 14))
                return {0, size};
            break;
        }
    }

    std::vector<int64_t> starts{0};
    int64_t at = 0;
    bool previousFirst = true;
    uint8_t page[pageHeader + 255];
    while (at + int64_t(pageHeader) <= size) {
        const ssize_t n = ::pread(fd, page, sizeof page, at);
        if (n < ssize_t(pageHeader) || std::memcmp(page, "OggS", 4) != 0 ||
            n < ssize_t(pageHeader + page[26]))
            break; // damage: the rest belongs to the stream it is in
        int64_t body = 0;
        for (size_t i = 0; i < page[26]; ++i)
            body += page[pageHeader + i];
        // A stream's first pages come together (several for a multiplexed
        // one); a first page after others begins the next stream.
        const bool isFirst = (page[5] & firstPageFlag) != 0;
        if (isFirst && !previousFirst)
            starts.push_back(at);
        previousFirst = isFirst;
        at += int64_t(pageHeader) + page[26] + body;
    }
    starts.push_back(size);
    return starts;
}

const SndfileLibrary& loadLibrary(const QString& name)
{
    const SndfileLibrary* library = SndfileLibrary::get();
    if (!library)
        throw Failure(QString("cannot read %1: libsndfile cannot be loaded").arg(name));
    return *library;
}
} // namespace

SndfileDecoder::SndfileDecoder(int fd, const QString& name) : m_sf(loadLibrary(name))
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        throw Failure(QString("cannot read %1").arg(name));
    const std::vector<int64_t> starts = streamStarts(fd, st.st_size);
    m_span = Span{fd, 0, starts[1], 0};
    m_stream = openStream(m_span);
    if (!m_stream.file)
        throw Failure(QString("cannot read %1: %2").arg(name, m_sf.errorText(nullptr)));
    if (m_stream.rate < minRate || m_stream.rate > maxRate || m_stream.channels < 1 ||
        m_stream.channels > maxChannels) {
        closeStream();
        throw Failure(QString("no usable audio in %1").arg(name));
    }
    m_rate = m_stream.rate;
    m_frames = m_stream.frames;
    m_links = {{0, starts[1]}};
    m_buffer.resize(bufferFrames * size_t(m_stream.channels));
    // Later streams play when they have the first one's rate (the player
    // runs at one rate per file); the others are left out.
    for (size_t i = 1; i + 1 < starts.size(); ++i) {
        Span probe{fd, starts[i], starts[i + 1], starts[i]};
        const Stream next = openStream(probe);
        if (!next.file)
            continue;
        m_sf.close(next.file);
        if (next.rate != m_rate || next.channels < 1 || next.channels > maxChannels)
            continue;
        m_links.emplace_back(starts[i], starts[i + 1]);
        m_frames = m_frames >= 0 && next.frames >= 0 ? m_frames + next.frames : -1;
    }
}

SndfileDecoder::~SndfileDecoder()
{
    closeStream();
}

SndfileDecoder::Stream SndfileDecoder::openStream(Span& span)
{
    SF_VIRTUAL_IO io{spanLength, spanSeek, spanRead, spanWrite, spanTell}; // copied by libsndfile
    SF_INFO info{};
    span.at = span.begin;
    Stream stream;
    stream.file = m_sf.openVirtual(&io, SFM_READ, &info, &span);
    stream.rate = info.samplerate;
    stream.channels = info.channels;
    stream.frames = info.frames > 0 && info.frames != SF_COUNT_MAX ? info.frames : -1;
    return stream;
}

void SndfileDecoder::closeStream()
{
    if (m_stream.file)
        m_sf.close(m_stream.file);
    m_stream = Stream{};
}

bool SndfileDecoder::openLink(size_t link)
{
    if (link >= m_links.size())
        return false;
    closeStream();
    const auto [begin, end] = m_links[link];
    m_span = Span{m_span.fd, begin, end, begin};
    m_stream = openStream(m_span);
    if (!m_stream.file)
        return false;
    m_link = link;
    m_buffer.resize(bufferFrames * size_t(m_stream.channels));
    return true;
}

size_t SndfileDecoder::read(float* dst, size_t frames)
{
    size_t total = 0;
    while (total < frames && !m_over) {
        const size_t n = readStream(dst + total * frame::channels, frames - total);
        total += n;
        if (n == 0 && !openLink(m_link + 1))
            m_over = true;
    }
    return total;
}

size_t SndfileDecoder::readStream(float* dst, size_t frames)
{
    if (!m_stream.file)
        return 0;
    if (m_stream.channels == frame::channels) {
        const sf_count_t n = m_sf.readFloat(m_stream.file, dst, sf_count_t(frames));
        return n > 0 ? size_t(n) : 0;
    }
    size_t total = 0;
    while (total < frames) {
        const size_t want = std::min(frames - total, bufferFrames);
        const sf_count_t n = m_sf.readFloat(m_stream.file, m_buffer.data(), sf_count_t(want));
        if (n <= 0)
            break;
        // Mono to both sides; of more channels the first two, which are front
        // left and right in WAV and FLAC.
        const size_t step = size_t(m_stream.channels);
        const size_t right = m_stream.channels == 1 ? 0 : 1;
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
    if (m_link == 0 && m_stream.file) {
        m_over = m_sf.seek(m_stream.file, 0, SEEK_SET) != 0;
        return !m_over;
    }
    m_over = !openLink(0);
    return !m_over;
}
