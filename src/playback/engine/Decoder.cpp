#include "playback/engine/Decoder.h"

#include "common/Failure.h"

#include <mpg123.h>
#include <QFileInfo>

#include <cstring>
#include <mutex>

namespace
{

// Frames with a broken header give up after this many bytes of search; a
// file of junk is refused instead of scanned to its end.
constexpr long resyncLimit = 64 * 1024;
// The open check decodes at most this many reads looking for the first
// samples (gapless decoding may skip the whole first frame or two).
constexpr int headReads = 16;
constexpr size_t headFrames = 4096;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

} // namespace

Decoder::Decoder(const QString& path) : m_file(path)
{
    initLibrary();
    QFileInfo info(path);
    if (!info.isFile())
        throw Failure(QString("not a file: %1").arg(path));
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Failure(QString("cannot open %1: %2").arg(path, m_file.errorString()));
    openHandle();

    m_head.resize(headFrames * channels);
    size_t got = 0;
    for (int i = 0; i < headReads && got == 0 && !m_over; ++i)
        got = decodeSome(m_head.data(), headFrames);
    if (got == 0) {
        closeHandle();
        throw Failure(QString("cannot decode %1").arg(path));
    }
    m_head.resize(got * channels);
}

Decoder::~Decoder()
{
    closeHandle();
}

void Decoder::openHandle()
{
    int err = MPG123_OK;
    m_handle = mpg123_new(nullptr, &err);
    if (!m_handle)
        throw Failure(QString("mp3 decoder unavailable: %1").arg(mpg123_plain_strerror(err)));
    mpg123_handle* mh = m_handle;
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_FLOAT, 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, resyncLimit, 0);
    // One output format whatever the file holds: stereo float at its own rate.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    if (mpg123_open_fd(mh, m_file.handle()) != MPG123_OK) {
        closeHandle();
        throw Failure(QString("cannot read %1 as mp3").arg(m_file.fileName()));
    }
    long rate = 0;
    int chans = 0, enc = 0;
    if (mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0 || chans != channels ||
        enc != MPG123_ENC_FLOAT_32) {
        closeHandle();
        throw Failure(QString("no mp3 stream in %1").arg(m_file.fileName()));
    }
    m_rate = static_cast<int>(rate);
    m_over = false;
}

void Decoder::closeHandle()
{
    if (!m_handle)
        return;
    mpg123_handle* mh = m_handle;
    mpg123_close(mh);
    mpg123_delete(mh);
    m_handle = nullptr;
}

size_t Decoder::decodeSome(float* dst, size_t frames)
{
    if (!m_handle || m_over)
        return 0;
    mpg123_handle* mh = m_handle;
    const size_t frameBytes = channels * sizeof(float);
    size_t total = 0;
    // A few reads at most: each returns at least a frame's worth or a status.
    for (int tries = 0; total < frames && tries < 64; ++tries) {
        size_t done = 0;
        int rc = mpg123_read(mh, reinterpret_cast<unsigned char*>(dst + total * channels),
                             (frames - total) * frameBytes, &done);
        total += done / frameBytes;
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int chans = 0, enc = 0;
            mpg123_getformat(mh, &rate, &chans, &enc);
            if (rate != m_rate) { // a rate change inside one file: stop there
                m_over = true;
                break;
            }
            continue;
        }
        if (rc != MPG123_OK) { // MPG123_DONE, or an error we do not recover from
            m_over = true;
            break;
        }
        if (done == 0)
            break;
    }
    return total;
}

size_t Decoder::read(float* dst, size_t frames)
{
    size_t total = 0;
    const size_t headLeft = m_head.size() / channels - m_headPos;
    if (headLeft > 0) {
        const size_t n = std::min(headLeft, frames);
        std::memcpy(dst, m_head.data() + m_headPos * channels, n * channels * sizeof(float));
        m_headPos += n;
        total = n;
        if (m_headPos * channels == m_head.size()) {
            m_head.clear();
            m_head.shrink_to_fit();
            m_headPos = 0;
        }
    }
    if (total < frames)
        total += decodeSome(dst + total * channels, frames - total);
    return total;
}

long long Decoder::lengthFrames() const
{
    if (!m_handle)
        return -1;
    const off_t n = mpg123_length(m_handle);
    return n > 0 ? static_cast<long long>(n) : -1;
}

bool Decoder::rewind()
{
    m_head.clear();
    m_headPos = 0;
    if (!m_handle)
        return false;
    mpg123_handle* mh = m_handle;
    m_over = false;
    if (mpg123_seek(mh, 0, SEEK_SET) < 0) {
        m_over = true;
        return false;
    }
    return true;
}
