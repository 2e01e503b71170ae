#pragma once

#include <QFile>
#include <QString>

#include <cstddef>
#include <vector>

struct mpg123_handle_struct;

// One open mp3 file, decoded gaplessly (encoder delay and padding trimmed
// from the LAME tag) to interleaved stereo 32-bit float; mono is spread to
// both channels. Not thread-safe: one thread at a time.
class Decoder
{
public:
    static constexpr int channels = 2;

    // Opens the file and decodes its first frames, so a file that opens here
    // is known to play. Throws Failure when it cannot.
    explicit Decoder(const QString& path);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int sampleRate() const { return m_rate; }
    // Frames in the file as its headers tell (exact with a LAME or Xing
    // tag, else estimated from the file's size); -1 when unknown.
    long long lengthFrames() const;

    // Up to `frames` frames into dst; 0 once the file is over or unreadable.
    size_t read(float* dst, size_t frames);
    // Back to the first frame. False when the file can no longer be read.
    bool rewind();

private:
    void openHandle();
    void closeHandle();
    size_t decodeSome(float* dst, size_t frames);

    QFile m_file;
    mpg123_handle_struct* m_handle = nullptr;
    int m_rate = 0;
    bool m_over = false;
    // Frames decoded by the open check, handed out before anything else.
    std::vector<float> m_head;
    size_t m_headPos = 0;
};
