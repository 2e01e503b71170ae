#include "EngineTestUtil.h"
#include "SoundFixture.h"

#include "playback/engine/HeldLoop.h"

#include <gtest/gtest.h>
#include <QFile>

#include <chrono>
#include <thread>

// A file held in memory: decoded once, then every pass replays the memory.

namespace
{

using namespace std::chrono_literals;

class HeldLoopTest : public NoiseFileTest
{
protected:
    // Largest difference from the file repeated back to back.
    float worstError(const std::vector<float>& got) const
    {
        float worst = 0;
        for (size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::abs(got[i] - plain[i % plain.size()]));
        return worst;
    }
};

TEST_F(HeldLoopTest, RepeatsTheFileFromMemoryEvenAfterItIsGone)
{
    makeFile(2.0, 21);
    std::atomic<bool> loop{true};
    HeldLoop source(std::make_unique<Decoder>(file), loop);

    const auto first = readFrames(source, frames + 1000);
    ASSERT_EQ(first.size(), (frames + 1000) * 2);
    for (int i = 0; i < 200 && source.heldFrames() == 0; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(source.heldFrames(), frames); // every frame, once

    // Later passes never read the file again.
    ASSERT_TRUE(QFile::resize(file, 1000));
    auto later = readFrames(source, 3 * frames);
    later.insert(later.begin(), first.begin(), first.end());
    ASSERT_EQ(later.size(), (4 * frames + 1000) * 2);
    // Within half a 16-bit step of the file, and no frame inserted or lost
    // at any seam (a shift would be off by the noise itself).
    EXPECT_LE(worstError(later), 0.5f / 32768 + 1e-7f);
    EXPECT_FALSE(source.exhausted());
}

TEST_F(HeldLoopTest, EndsAfterOnePassWithLoopOffAndStartsOverWhenItIsTurnedOn)
{
    makeFile(0.7, 22);
    std::atomic<bool> loop{false};
    HeldLoop source(std::make_unique<Decoder>(file), loop);

    const auto once = readFrames(source, 10 * frames);
    EXPECT_EQ(once.size(), frames * 2);
    EXPECT_TRUE(source.exhausted());
    float none[4];
    EXPECT_EQ(source.read(none, 2), 0u);

    loop = true;
    EXPECT_FALSE(source.exhausted());
    const auto again = readFrames(source, frames / 2);
    ASSERT_EQ(again.size(), frames / 2 * 2);
    EXPECT_LE(worstError(again), 0.5f / 32768 + 1e-7f);
}

// Held as 16 bits: a float beyond full scale is full scale of its own sign,
// never the other; one far beyond it is junk and held as silence.
TEST_F(HeldLoopTest, FloatsBeyondFullScaleKeepTheirSign)
{
    auto samples = makeSignal(8192, 2, 44100, 0.25f, 0.0, 5);
    samples[2 * 3000] = 1.9f;
    samples[2 * 3000 + 1] = -1.9f;
    samples[2 * 5000] = 1e30f;
    samples[2 * 5000 + 1] = -3.0e9f;
    file = dir.filePath("huge.wav");
    writeSound(file, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, samples);
    std::atomic<bool> loop{false};
    HeldLoop source(std::make_unique<Decoder>(file), loop);
    const auto held = readFrames(source, 8192);
    ASSERT_EQ(held.size(), samples.size());
    EXPECT_EQ(held[2 * 3000], 32767.0f / 32768);
    EXPECT_EQ(held[2 * 3000 + 1], -1.0f);
    EXPECT_EQ(held[2 * 5000], 0.0f);
    EXPECT_EQ(held[2 * 5000 + 1], 0.0f);
}

// Resampled once to the output's rate, as a circle: a 1 s loop of a 441 Hz
// sine at 44.1 kHz holds exactly 1 s at 48 and 96 kHz, every pass after the
// first is the sine itself, and end joins start with no step larger than
// the sine's own.
TEST_F(HeldLoopTest, ResampledOnceJoinsItsEndToItsStart)
{
    const double hz = 441.0;
    const float amplitude = 0.5f;
    file = dir.filePath("tone.wav");
    writeSound(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
               makeSignal(44100, 2, 44100, amplitude, hz));
    for (const int rate : {48000, 96000}) {
        SCOPED_TRACE(rate);
        std::atomic<bool> loop{true};
        HeldLoop source(std::make_unique<Decoder>(file), loop);
        ASSERT_TRUE(source.playAt(rate));
        const size_t loopFrames = size_t(rate);
        const auto got = readFrames(source, 3 * loopFrames);
        ASSERT_EQ(got.size(), 3 * loopFrames * 2);
        EXPECT_EQ(source.heldFrames(), loopFrames);

        const float own = float(2 * M_PI * hz / rate) * amplitude;
        float worstStep = 0;
        float worstError = 0;
        for (size_t i = loopFrames / 2; i + 1 < got.size() / 2; ++i) {
            for (size_t c = 0; c < 2; ++c)
                worstStep = std::max(worstStep, std::abs(got[2 * (i + 1) + c] - got[2 * i + c]));
            if (i >= loopFrames) {
                const double t = double(i % loopFrames) / rate;
                const float ideal = float(amplitude * std::sin(2 * M_PI * hz * t));
                worstError = std::max(worstError, std::abs(got[2 * i] - ideal));
            }
        }
        // The seams of both passes lie in the span; 16-bit rounding aside.
        EXPECT_LE(worstStep, own + 2.0f / 32768);
        EXPECT_LT(worstError, 1e-3f);
    }
}

// Told another rate while it plays, it goes on from the same place in the
// file, and back at the file's rate it replays the decode itself.
TEST_F(HeldLoopTest, AnotherRateGoesOnFromTheSamePlace)
{
    makeFile(1.0, 23);
    std::atomic<bool> loop{true};
    HeldLoop source(std::make_unique<Decoder>(file), loop);
    ASSERT_TRUE(source.playAt(48000));
    const auto some = readFrames(source, 48000 / 4);
    ASSERT_EQ(some.size(), 48000 / 4 * 2);
    ASSERT_TRUE(source.playAt(44100));
    const auto rest = readFrames(source, frames);
    ASSERT_EQ(rest.size(), frames * 2);
    float worst = 0;
    for (size_t i = 0; i < rest.size(); ++i)
        worst = std::max(worst, std::abs(rest[i] - plain[(i + 44100 / 4 * 2) % plain.size()]));
    EXPECT_LE(worst, 0.5f / 32768 + 1e-7f);
}

} // namespace
