#pragma once

#include "common/Failure.h"
#include "engine/Mp3Fixture.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/FrameSource.h"

#include <gtest/gtest.h>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

// The whole file decoded once, plainly: the reference a loop must repeat.
inline std::vector<float> decodeAll(const QString& path, int* rate = nullptr)
{
    Decoder decoder(path);
    if (rate)
        *rate = decoder.sampleRate();
    std::vector<float> all;
    std::vector<float> buf(4096 * 2);
    while (size_t n = decoder.read(buf.data(), 4096))
        all.insert(all.end(), buf.begin(), buf.begin() + long(n * 2));
    return all;
}

// Replays frames held in memory, once.
// Reads `frames` frames in uneven blocks, as a renderer asks, waiting while
// a worker is still ahead; stops early when the source ends or fails.
inline std::vector<float> readFrames(FrameSource& source, size_t frames)
{
    std::vector<float> out;
    std::vector<float> buf(4096 * 2);
    const size_t sizes[] = {1, 256, 4096, 441, 3000};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (size_t k = 0; out.size() / 2 < frames && std::chrono::steady_clock::now() < deadline;
         ++k) {
        const size_t want = std::min(sizes[k % 5], frames - out.size() / 2);
        const size_t n = source.read(buf.data(), want);
        out.insert(out.end(), buf.begin(), buf.begin() + long(n * 2));
        if (n < want) {
            if (source.exhausted() || source.failed())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return out;
}

class VectorSource : public FrameSource
{
public:
    explicit VectorSource(std::vector<float> frames) : m_frames(std::move(frames)) {}
    size_t read(float* dst, size_t frames) override
    {
        const size_t n = std::min(frames, m_frames.size() / 2 - m_pos);
        std::copy_n(m_frames.begin() + long(m_pos * 2), n * 2, dst);
        m_pos += n;
        return n;
    }
    bool exhausted() override { return m_pos * 2 == m_frames.size(); }

private:
    std::vector<float> m_frames;
    size_t m_pos = 0;
};

// A steady level or a sine, without end: clicks and ramps are plain to see.
class SignalSource : public FrameSource
{
public:
    SignalSource(float level, double hz = 0.0, int rate = 44100)
        : m_level(level), m_step(2 * M_PI * hz / rate)
    {
    }
    size_t read(float* dst, size_t frames) override
    {
        for (size_t i = 0; i < frames; ++i) {
            const float v = m_step == 0.0 ? m_level : float(m_level * std::sin(m_phase));
            m_phase += m_step;
            dst[2 * i] = v;
            dst[2 * i + 1] = v;
        }
        return frames;
    }
    bool exhausted() override { return false; }

private:
    float m_level;
    double m_step;
    double m_phase = 0.0;
};

// Never has anything ready, and never ends: a decoder that fell behind.
class StarvedSource : public FrameSource
{
public:
    size_t read(float*, size_t) override { return 0; }
    bool exhausted() override { return false; }
};

inline double rms(const std::vector<float>& v, size_t from = 0)
{
    double sum = 0;
    for (size_t i = from; i < v.size(); ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(v.size() - from));
}

inline float maxStep(const std::vector<float>& v, size_t fromFrame, size_t toFrame)
{
    float worst = 0;
    for (size_t i = std::max<size_t>(fromFrame, 1); i < toFrame; ++i)
        for (int c = 0; c < 2; ++c)
            worst = std::max(worst, std::abs(v[2 * i + c] - v[2 * (i - 1) + c]));
    return worst;
}

// A noise mp3 in a temporary folder, with its plain gapless decode to
// compare against.
class NoiseFileTest : public ::testing::Test
{
protected:
    void makeFile(double seconds, unsigned seed)
    {
        file = dir.filePath("noise.mp3");
        writeNoiseMp3(file, seconds, 44100, 2, seed);
        plain = decodeAll(file);
        frames = plain.size() / 2;
    }
    QTemporaryDir dir;
    QString file;
    std::vector<float> plain;
    size_t frames = 0;
};
