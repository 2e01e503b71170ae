#pragma once

#include <cstddef>

// One format's decoder over an open file: interleaved stereo 32-bit float at
// the file's own rate, mono spread to both channels. Not thread-safe.
class FormatDecoder
{
public:
    virtual ~FormatDecoder() = default;
    virtual int sampleRate() const = 0;
    // Frames in the file as its headers tell; -1 when unknown.
    virtual long long lengthFrames() const = 0;
    // Up to `frames` frames into dst; 0 only once the file is over or unreadable.
    virtual size_t read(float* dst, size_t frames) = 0;
    // Back to the first frame, exactly. False when the file can no longer be read.
    virtual bool rewind() = 0;
};
