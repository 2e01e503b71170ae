#pragma once

#include "playback/engine/FormatDecoder.h"

#include <QString>

struct mpg123_handle_struct;

// MPEG audio through libmpg123, gapless: the encoder delay and padding named
// in the LAME tag are trimmed, so a loop has no seam. Damaged frames are
// skipped and decoding goes on after them.
class Mpg123Decoder : public FormatDecoder
{
public:
    // `fd` stays the caller's and must stay open while this lives. Throws
    // Failure when no MPEG stream starts in the file.
    Mpg123Decoder(int fd, const QString& name);
    ~Mpg123Decoder() override;
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    int sampleRate() const override { return m_rate; }
    // Exact with a LAME or Xing tag, else estimated from the file's size.
    long long lengthFrames() const override;
    size_t read(float* dst, size_t frames) override;
    bool rewind() override;

private:
    // A new handle at the start of the file; false when it does not open
    // (or no longer has the rate it had).
    bool openHandle();
    void closeHandle();
    bool tagUnderstatesStream() const;

    const int m_fd;
    mpg123_handle_struct* m_handle = nullptr;
    int m_rate = 0;
    bool m_over = false;
    // The LAME/Xing tag is read as audio, not trusted for the length.
    bool m_ignoreTag = false;
    // This pass met damage.
    bool m_damaged = false;
    // A damaged frame read as a frame of another rate: its samples are dropped.
    bool m_foreign = false;
};
