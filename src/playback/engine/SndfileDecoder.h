#pragma once

#include "playback/engine/FormatDecoder.h"

#include <QString>

#include <vector>

struct sf_private_tag;

// WAV, FLAC, Ogg Vorbis and Ogg Opus through libsndfile. Integer samples come
// as floats in [-1, 1); float files come as they are stored.
class SndfileDecoder : public FormatDecoder
{
public:
    // `fd` stays the caller's and must stay open while this lives; it is read
    // from its start. Throws Failure when libsndfile cannot read the file.
    SndfileDecoder(int fd, const QString& name);
    ~SndfileDecoder() override;
    SndfileDecoder(const SndfileDecoder&) = delete;
    SndfileDecoder& operator=(const SndfileDecoder&) = delete;

    int sampleRate() const override { return m_rate; }
    long long lengthFrames() const override { return m_frames; }
    size_t read(float* dst, size_t frames) override;
    bool rewind() override;

private:
    sf_private_tag* m_file = nullptr;
    int m_rate = 0;
    int m_fileChannels = 0;
    long long m_frames = -1;
    bool m_over = false;
    std::vector<float> m_buffer; // the file's own channel layout
};
