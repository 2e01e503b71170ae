#pragma once

// Test mp3s made on the spot: noise encoded with LAME, whose Info/LAME tag
// carries the encoder delay and padding that gapless decoding trims.

#include <lame/lame.h>
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

inline void writeNoiseMp3(const QString& path, double seconds, int rate = 44100, int channels = 2,
                          unsigned seed = 1, float amplitude = 0.3f)
{
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_num_channels(gf, channels);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(gf, 128);
    lame_set_quality(gf, 7);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0)
        throw std::runtime_error("lame_init_params failed");

    const int frames = int(seconds * rate);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> noise(-amplitude, amplitude);
    std::vector<float> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = noise(gen);
        right[i] = noise(gen);
    }
    std::vector<unsigned char> out(size_t(1.25 * frames) + 7200 * 4);
    QByteArray mp3;
    const int chunk = 8192;
    for (int at = 0; at < frames; at += chunk) {
        const int n = std::min(chunk, frames - at);
        int got = lame_encode_buffer_ieee_float(gf, left.data() + at, right.data() + at, n,
                                                out.data(), int(out.size()));
        if (got < 0)
            throw std::runtime_error("lame encode failed");
        mp3.append(reinterpret_cast<const char*>(out.data()), got);
    }
    int got = lame_encode_flush(gf, out.data(), int(out.size()));
    mp3.append(reinterpret_cast<const char*>(out.data()), got);
    // The tag frame is written last, over the placeholder at the start.
    unsigned char tag[8192];
    const size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= size_t(mp3.size()))
        mp3.replace(0, int(tagSize), QByteArray(reinterpret_cast<const char*>(tag), int(tagSize)));
    lame_close(gf);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(mp3) != mp3.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}
