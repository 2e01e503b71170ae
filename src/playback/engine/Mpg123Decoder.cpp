#include "playback/engine/Mpg123Decoder.h"

#include "common/Failure.h"

#include <mpg123.h>
#include <unistd.h>

#include <mutex>

namespace
{

// Damage is searched past in steps of this many bytes: bigger than any frame,
// small enough that a damaged stretch costs little.
constexpr long resyncLimit = 8 * 1024;
// Reads in a row that give nothing (failed resyncs, dropped frames) before a
// pass is given up: about 2 MB of junk, or thousands of false frames.
constexpr int maxBarrenReads = 256;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

} // namespace

Mpg123Decoder::Mpg123Decoder(int fd, const QString& name) : m_fd(fd)
{
    initLibrary();
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
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_FLOAT, 0);
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
        mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0 || chans != channels ||
        enc != MPG123_ENC_FLOAT_32 || (m_rate != 0 && rate != m_rate)) {
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
    const size_t frameBytes = channels * sizeof(float);
    size_t total = 0;
    int barren = 0;
    while (total < frames) {
        size_t done = 0;
        const int rc = mpg123_read(mh, reinterpret_cast<unsigned char*>(dst + total * channels),
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
