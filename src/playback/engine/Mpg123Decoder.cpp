#include "playback/engine/Mpg123Decoder.h"

#include "common/Failure.h"
#include "playback/engine/AudioContent.h"
#include "playback/engine/Frames.h"

#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace
{

// Damage is searched past in steps of this many bytes: bigger than any frame,
// small enough that a damaged stretch costs little.
constexpr long resyncLimit = 8 * 1024;
// Reads in a row that give nothing (failed resyncs, dropped frames) before a
// pass is given up: about 2 MB of junk, or thousands of false frames.
constexpr int maxBarrenReads = 256;

// A tag that gives less than this share of the bytes that follow it is no
// tag of the whole stream (mp3s joined with cat keep the first one's).
constexpr double trustedTagShare = 0.5;

uint32_t bigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

} // namespace

Mpg123Decoder::Mpg123Decoder(int fd, const QString& name) : m_fd(fd)
{
    initLibrary();
    m_ignoreTag = tagUnderstatesStream();
    if (!openHandle())
        throw Failure(QString("no mp3 stream in %1").arg(name));
}

Mpg123Decoder::~Mpg123Decoder()
{
    closeHandle();
}

bool Mpg123Decoder::openHandle()
{
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh)
        return false;
    mpg123_param(mh, MPG123_FLAGS,
                 (m_ignoreTag ? MPG123_IGNORE_INFOFRAME : MPG123_GAPLESS) | MPG123_QUIET |
                     MPG123_FORCE_FLOAT,
                 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, resyncLimit, 0);
    // One output format whatever the file holds: stereo float at its own rate.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    long rate = 0;
    int chans = 0, enc = 0;
    if (lseek(m_fd, 0, SEEK_SET) != 0 || mpg123_open_fd(mh, m_fd) != MPG123_OK ||
        mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0 ||
        chans != frame::channels || enc != MPG123_ENC_FLOAT_32 || (m_rate != 0 && rate != m_rate)) {
        mpg123_delete(mh);
        return false;
    }
    closeHandle();
    m_handle = mh;
    m_rate = int(rate);
    m_over = false;
    m_foreign = false;
    m_damaged = false;
    return true;
}

// The Xing/Info tag in the first frame counts the stream's bytes; far fewer
// than the file holds after it means the tag's length (and its gapless
// trimming) belongs to only a first part.
bool Mpg123Decoder::tagUnderstatesStream() const
{
    struct stat st {
    };
    if (fstat(m_fd, &st) != 0)
        return false;
    uint8_t head[16 * 1024];
    const ssize_t got = pread(m_fd, head, sizeof head, 0);
    if (got <= 0)
        return false;
    int64_t start = 0;
    while (start < got) {
        const int64_t tag = id3v2TagSize(head + start, size_t(got - start));
        if (tag == 0)
            break;
        start += tag;
    }
    if (start + 4 > got || head[start] != 0xff || (head[start + 1] & 0xe0) != 0xe0)
        return false;
    // The tag sits after the side information, within the frame's first bytes.
    const int64_t end = std::min<int64_t>(got - 16, start + 64);
    for (int64_t at = start + 4; at <= end; ++at) {
        if (std::memcmp(head + at, "Xing", 4) != 0 && std::memcmp(head + at, "Info", 4) != 0)
            continue;
        const uint32_t flags = bigEndian32(head + at + 4);
        if (!(flags & 2))
            return false; // no byte count
        const uint32_t bytes = bigEndian32(head + at + ((flags & 1) ? 12 : 8));
        return double(bytes) < trustedTagShare * double(st.st_size - start);
    }
    return false;
}

void Mpg123Decoder::closeHandle()
{
    if (!m_handle)
        return;
    mpg123_handle* mh = m_handle;
    mpg123_close(mh);
    mpg123_delete(mh);
    m_handle = nullptr;
}

size_t Mpg123Decoder::read(float* dst, size_t frames)
{
    if (m_over)
        return 0;
    mpg123_handle* mh = m_handle;
    const size_t frameBytes = frame::channels * sizeof(float);
    size_t total = 0;
    int barren = 0;
    while (total < frames) {
        size_t done = 0;
        const int rc =
            mpg123_read(mh, reinterpret_cast<unsigned char*>(dst + total * frame::channels),
                        (frames - total) * frameBytes, &done);
        const size_t got = m_foreign ? 0 : done / frameBytes;
        total += got;
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int chans = 0, enc = 0;
            mpg123_getformat(mh, &rate, &chans, &enc);
            m_foreign = rate != m_rate;
            m_damaged = m_damaged || m_foreign;
        } else if (rc == MPG123_DONE) {
            m_over = true;
            break;
        } else if (rc != MPG123_OK) {
            // A failed resync has moved on by the limit; the next read
            // searches on from there.
            const int code = mpg123_errcode(mh);
            if (code != MPG123_RESYNC_FAIL && code != MPG123_OUT_OF_SYNC) {
                m_over = true;
                break;
            }
            m_damaged = true;
        }
        if (got > 0) {
            barren = 0;
        } else if (++barren > maxBarrenReads) {
            m_over = true;
            break;
        }
    }
    return total;
}

long long Mpg123Decoder::lengthFrames() const
{
    const off_t n = mpg123_length(m_handle);
    return n > 0 ? static_cast<long long>(n) : -1;
}

bool Mpg123Decoder::rewind()
{
    // After damage the decoder's state may no longer be what a fresh start
    // has (it rounds differently after false frames): start afresh, so every
    // pass gives the same frames.
    if (m_damaged) {
        m_over = !openHandle();
        return !m_over;
    }
    m_over = false;
    m_foreign = false;
    if (mpg123_seek(m_handle, 0, SEEK_SET) < 0) {
        m_over = true;
        return false;
    }
    return true;
}
