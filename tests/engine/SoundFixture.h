#pragma once

// Test sound files in the formats libsndfile writes: WAV, FLAC, Ogg Vorbis,
// Ogg Opus. Noise or a sine, so levels and loops are easy to check.

#include <QFile>
#include <QString>
#include <sndfile.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

// Interleaved frames of `channels` channels: noise of the given amplitude, or
// a sine of that amplitude when hz > 0.
inline std::vector<float> makeSignal(size_t frames, int channels, int rate, float amplitude,
                                     double hz = 0.0, unsigned seed = 1)
{
    std::vector<float> v(frames * size_t(channels));
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> noise(-amplitude, amplitude);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[i * size_t(channels) + size_t(c)] =
                hz > 0 ? float(amplitude * std::sin(2 * M_PI * hz * double(i) / rate)) : noise(gen);
    return v;
}

// Writes `samples` (interleaved) with the given libsndfile format, e.g.
// SF_FORMAT_WAV | SF_FORMAT_PCM_16 or SF_FORMAT_OGG | SF_FORMAT_OPUS.
inline void writeSound(const QString& path, int format, int rate, int channels,
                       const std::vector<float>& samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 sf_strerror(nullptr));
    // Float files keep what they are given, overs included.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    const auto frames = sf_count_t(samples.size() / size_t(channels));
    const sf_count_t done = sf_writef_float(f, samples.data(), frames);
    sf_close(f);
    if (done != frames)
        throw std::runtime_error("short write to " + path.toStdString());
}
