#pragma once

#include "playback/engine/FormatDecoder.h"

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

struct sf_private_tag;
struct SndfileLibrary;

// WAV, FLAC, Ogg Vorbis and Ogg Opus through libsndfile. Integer samples come
// as floats in [-1, 1); float files come as they are stored. A chained Ogg
// file (streams one after another) plays each stream in turn: libsndfile
// alone reads only the first.
class SndfileDecoder : public FormatDecoder
{
public:
    // Rates outside these are a damaged header, not a recording.
    static constexpr int minRate = 4000;
    static constexpr int maxRate = 768000;

    // `fd` stays the caller's and must stay open while this lives. Throws
    // Failure when libsndfile cannot be loaded or cannot read the file.
    SndfileDecoder(int fd, const QString& name);
    ~SndfileDecoder() override;
    SndfileDecoder(const SndfileDecoder&) = delete;
    SndfileDecoder& operator=(const SndfileDecoder&) = delete;

    int sampleRate() const override { return m_rate; }
    long long lengthFrames() const override { return m_frames; }
    size_t read(float* dst, size_t frames) override;
    bool rewind() override;

    // The bytes libsndfile sees: one stream of the file.
    struct Span {
        int fd = -1;
        int64_t begin = 0;
        int64_t end = 0;
        int64_t at = 0;
    };

private:
    struct Stream {
        sf_private_tag* file = nullptr;
        int rate = 0;
        int channels = 0;
        long long frames = -1;
    };
    // Opens the stream the span holds; its file is null when it cannot be read.
    Stream openStream(Span& span);
    void closeStream();
    bool openLink(size_t link);
    size_t readStream(float* dst, size_t frames);

    const SndfileLibrary& m_sf;
    Span m_span;
    Stream m_stream;
    int m_rate = 0;
    long long m_frames = -1;
    // The bytes of each stream that plays, in order.
    std::vector<std::pair<int64_t, int64_t>> m_links;
    size_t m_link = 0;
    bool m_over = false;
    std::vector<float> m_buffer; // the stream's own channel layout
};
