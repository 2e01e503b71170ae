#include "playback/engine/Decoder.h"

#include "app/Failure.h"

#include <QFileInfo>
#include <mpg123.h>

#include <cstring>
#include <mutex>

namespace {

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

Decoder::Decoder(const QString& path)
    : file_(path)
{
    initLibrary();
    QFileInfo info(path);
    if (!info.isFile())
        throw Failure(QString("not a file: %1").arg(path));
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Failure(QString("cannot open %1: %2").arg(path, file_.errorString()));
    openHandle();

    head_.resize(headFrames * channels);
    size_t got = 0;
    for (int i = 0; i < headReads && got == 0 && !over_; ++i)
        got = decodeSome(head_.data(), headFrames);
    if (got == 0) {
        closeHandle();
        throw Failure(QString("cannot decode %1").arg(path));
    }
    head_.resize(got * channels);
}

Decoder::~Decoder()
{
    closeHandle();
}

void Decoder::openHandle()
{
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (!handle_)
        throw Failure(QString("mp3 decoder unavailable: %1").arg(mpg123_plain_strerror(err)));
    mpg123_handle* mh = handle_;
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_FLOAT, 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, resyncLimit, 0);
    // One output format whatever the file holds: stereo float at its own rate.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    if (mpg123_open_fd(mh, file_.handle()) != MPG123_OK) {
        closeHandle();
        throw Failure(QString("cannot read %1 as mp3").arg(file_.fileName()));
    }
    long rate = 0;
    int chans = 0, enc = 0;
    if (mpg123_getformat(mh, &rate, &chans, &enc) != MPG123_OK || rate <= 0
        || chans != channels || enc != MPG123_ENC_FLOAT_32) {
        closeHandle();
        throw Failure(QString("no mp3 stream in %1").arg(file_.fileName()));
    }
    rate_ = static_cast<int>(rate);
    over_ = false;
}

void Decoder::closeHandle()
{
    if (!handle_)
        return;
    mpg123_handle* mh = handle_;
    mpg123_close(mh);
    mpg123_delete(mh);
    handle_ = nullptr;
}

size_t Decoder::decodeSome(float* dst, size_t frames)
{
    if (!handle_ || over_)
        return 0;
    mpg123_handle* mh = handle_;
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
            if (rate != rate_) { // a rate change inside one file: stop there
                over_ = true;
                break;
            }
            continue;
        }
        if (rc != MPG123_OK) { // MPG123_DONE, or an error we do not recover from
            over_ = true;
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
    const size_t headLeft = head_.size() / channels - headPos_;
    if (headLeft > 0) {
        const size_t n = std::min(headLeft, frames);
        std::memcpy(dst, head_.data() + headPos_ * channels, n * channels * sizeof(float));
        headPos_ += n;
        total = n;
        if (headPos_ * channels == head_.size()) {
            head_.clear();
            head_.shrink_to_fit();
            headPos_ = 0;
        }
    }
    if (total < frames)
        total += decodeSome(dst + total * channels, frames - total);
    return total;
}

bool Decoder::rewind()
{
    head_.clear();
    headPos_ = 0;
    if (!handle_)
        return false;
    mpg123_handle* mh = handle_;
    over_ = false;
    if (mpg123_seek(mh, 0, SEEK_SET) < 0) {
        over_ = true;
        return false;
    }
    return true;
}
