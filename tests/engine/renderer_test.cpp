#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include "engine/OfflineSource.h"
#include "playback/engine/Renderer.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace
{

constexpr int fs = 44100;

std::vector<float> render(Renderer& r, size_t frames, size_t block = 1024)
{
    std::vector<float> out(frames * 2);
    for (size_t at = 0; at < frames; at += block)
        r.render(out.data() + at * 2, std::min(block, frames - at));
    return out;
}

class RendererFileTest : public NoiseFileTest
{
protected:
    void SetUp() override { makeFile(1.0, 1); }
};

TEST_F(RendererFileTest, LoopRepeatsTheDecodedFramesBackToBack)
{
    std::atomic<bool> loop{true};
    Decoder decoder(file);
    OfflineSource source(decoder, loop);
    Renderer r(source, fs, fs);
    r.setVolume(100);
    const auto out = render(r, frames * 3 + 1000, 999); // odd blocks straddle the seams

    // After the 5 ms fade-in every frame is the file's frame, across both seams.
    const size_t fade = fs / 200;
    size_t mismatches = 0;
    for (size_t i = fade; i < out.size() / 2; ++i)
        for (int c = 0; c < 2; ++c)
            mismatches += out[2 * i + c] != plain[2 * (i % frames) + c];
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(r.framesConsumed(), frames * 3 + 1000);
    EXPECT_FALSE(r.finished());
}

TEST_F(RendererFileTest, WithoutLoopTheFileEndsOnceAndSilenceFollows)
{
    std::atomic<bool> loop{false};
    Decoder decoder(file);
    OfflineSource source(decoder, loop);
    Renderer r(source, fs, fs);
    r.setVolume(100);
    const auto out = render(r, frames + 5000);
    EXPECT_TRUE(r.ended());
    EXPECT_TRUE(r.finished());
    EXPECT_EQ(r.framesConsumed(), frames);
    EXPECT_EQ(out[2 * (frames - 1)], plain[2 * (frames - 1)]);
    for (size_t i = frames * 2; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0.0f);
}

TEST_F(RendererFileTest, SpeedConsumesFramesInProportion)
{
    std::atomic<bool> loop{true};
    auto consumedAt = [&](double rate) {
        Decoder decoder(file);
        OfflineSource source(decoder, loop);
        Renderer r(source, fs, fs);
        r.setRate(rate);
        render(r, fs / 10); // past the converter's start
        const auto before = r.framesConsumed();
        render(r, fs);
        return double(r.framesConsumed() - before);
    };
    const double one = consumedAt(1.0);
    EXPECT_EQ(one, fs);
    EXPECT_NEAR(consumedAt(2.0) / one, 2.0, 0.01);
    EXPECT_NEAR(consumedAt(4.0) / one, 4.0, 0.02); // sinc
    EXPECT_NEAR(consumedAt(7.5) / one, 7.5, 0.04); // linear
    EXPECT_NEAR(consumedAt(50.0) / one, 50.0, 0.2);
}

TEST_F(RendererFileTest, SourceAtAnotherRateIsConvertedToTheOutputRate)
{
    std::atomic<bool> loop{true};
    Decoder decoder(file);
    OfflineSource source(decoder, loop);
    Renderer r(source, fs, 48000);
    render(r, 4800);
    const auto before = r.framesConsumed();
    render(r, 48000);
    EXPECT_NEAR(double(r.framesConsumed() - before), fs, 600); // read in 512-frame blocks
}

TEST(Renderer, VolumeIsMonotonicUnityAtTopAndAudibleAtOne)
{
    EXPECT_EQ(Renderer::volumeGain(100), 1.0f);
    EXPECT_EQ(Renderer::volumeGain(0), 0.0f);
    for (int v = 1; v <= 100; ++v)
        EXPECT_GT(Renderer::volumeGain(v), Renderer::volumeGain(v - 1)) << v;
    // 1 is quiet, not silent: within 50 dB of full scale.
    EXPECT_GT(Renderer::volumeGain(1), 0.003f);
    EXPECT_LT(Renderer::volumeGain(1), 0.03f);

    // And what comes out follows the curve.
    double last = 0;
    for (int v : {1, 2, 25, 50, 75, 100}) {
        SignalSource source(0.5f, 330.0);
        Renderer r(source, fs, fs);
        r.setVolume(v);
        const double level = rms(render(r, fs / 5), fs / 10);
        EXPECT_NEAR(level / (0.5 / std::sqrt(2.0)), Renderer::volumeGain(v), 1e-3) << v;
        EXPECT_GT(level, last) << v;
        last = level;
    }
}

TEST(Renderer, VolumeChangesGlideInsteadOfJumping)
{
    SignalSource source(0.5f);
    Renderer r(source, fs, fs);
    r.setVolume(100);
    auto out = render(r, fs / 10);
    r.setVolume(1);
    auto after = render(r, fs / 10);
    out.insert(out.end(), after.begin(), after.end());
    // A 20 ms glide: no step bigger than a 20 ms ramp's, then the new level.
    const float rampStep = 0.5f / (0.020f * fs) * 1.05f;
    EXPECT_LE(maxStep(out, fs / 100, out.size() / 2), rampStep);
    EXPECT_NEAR(out[out.size() - 1], 0.5f * Renderer::volumeGain(1), 1e-6);
    EXPECT_GT(out[2 * (fs / 10 + fs / 100)], 0.2f); // halfway down at 10 ms
}

TEST(Renderer, StopFadesToSilenceWithinTenMilliseconds)
{
    SignalSource source(0.8f);
    Renderer r(source, fs, fs);
    r.setVolume(100);
    const auto before = render(r, fs / 10);
    EXPECT_LT(before[0], 0.01f); // starts with a fade-in, not a step
    r.stop();
    const auto out = render(r, fs / 50, 64);
    const size_t tenMs = fs / 100;
    for (size_t i = 1; i < out.size() / 2; ++i)
        ASSERT_LE(out[2 * i], out[2 * (i - 1)]) << "not a fade at " << i;
    for (size_t i = tenMs * 2; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0.0f) << "sound after 10 ms at " << i / 2;
    EXPECT_GT(out[2 * (tenMs / 4)], 0.0f); // a ramp, not a cut
    EXPECT_LE(maxStep(out, 0, out.size() / 2), 0.8f / (0.005f * fs) * 1.05f);
    EXPECT_TRUE(r.finished());
    EXPECT_FALSE(r.ended());
}

TEST(Renderer, SpeedChangesDoNotClick)
{
    // A 220 Hz sine; each speed raises its pitch, nothing else may jump.
    SignalSource source(0.5f, 220.0);
    Renderer r(source, fs, fs);
    r.setVolume(100);
    std::vector<float> out = render(r, fs / 5);
    double top = 1.0;
    for (double rate : {2.0, 1.0, 3.0, 8.0, 4.0, 1.0}) {
        r.setRate(rate);
        top = std::max(top, rate);
        const auto part = render(r, fs / 5, 256);
        out.insert(out.end(), part.begin(), part.end());
    }
    ASSERT_EQ(top, 8.0);
    // The steepest a clean 0.5 sine at 220 Hz x 8 can step, with margin
    // for the converter's ripple.
    const float steepest = float(0.5 * 2 * M_PI * 220.0 * 8.0 / fs) * 1.3f;
    EXPECT_LE(maxStep(out, fs / 100, out.size() / 2), steepest);
    // Back at 1 the sine is unchanged in level.
    std::vector<float> tail(out.end() - fs / 10 * 2, out.end());
    EXPECT_NEAR(rms(tail), 0.5 / std::sqrt(2.0), 0.01);
}

// The converter takes ratios down to 1/256: a 384 kHz source at 50x is past
// that, and plays as fast as it can rather than ending at once.
TEST(Renderer, AHighRateSourcePlaysAtEverySpeed)
{
    for (double rate : {1.0, 50.0}) {
        SignalSource source(0.5f, 100.0, 384000);
        Renderer r(source, 384000, fs);
        r.setVolume(100);
        r.setRate(rate);
        render(r, fs / 10);
        const auto out = render(r, fs / 2);
        EXPECT_FALSE(r.ended()) << "rate " << rate;
        EXPECT_NEAR(rms(out), 0.5 / std::sqrt(2.0), 0.05) << "rate " << rate;
    }
}

TEST(Renderer, NothingLeavesBeyondFullScale)
{
    // A source three times full scale, straight through and through both
    // converters: clipped at full scale, not scaled down.
    for (double rate : {1.0, 2.5, 9.0}) {
        SignalSource source(3.0f, 440.0);
        Renderer r(source, fs, 48000);
        r.setVolume(100);
        r.setRate(rate);
        const auto out = render(r, fs / 2);
        size_t atTop = 0;
        for (float v : out) {
            ASSERT_LE(std::abs(v), 1.0f) << "rate " << rate;
            atTop += std::abs(v) == 1.0f;
        }
        EXPECT_GT(atTop, out.size() / 4) << "rate " << rate;
    }
    SignalSource broken(NAN);
    Renderer r(broken, fs, fs);
    r.setVolume(100);
    for (float v : render(r, 4096))
        ASSERT_EQ(v, 0.0f);
}

TEST(Renderer, UnderrunGivesSilenceAndKeepsWaiting)
{
    StarvedSource source;
    Renderer r(source, fs, fs);
    const auto out = render(r, 2048);
    for (float v : out)
        ASSERT_EQ(v, 0.0f);
    EXPECT_EQ(r.underrunFrames(), 2048u);
    EXPECT_FALSE(r.finished());
}

} // namespace

namespace
{
// Level in dB of the 10 ms of a rendered steady 0.5 around `seconds`.
double edgeLevelAt(const std::vector<float>& out, double seconds)
{
    const size_t from = size_t(seconds * fs) - fs / 200;
    const std::vector<float> part(out.begin() + long(from * 2),
                                  out.begin() + long((from + fs / 100) * 2));
    return 20 * std::log10(std::max(rms(part), 1e-12) / 0.5);
}
} // namespace

// The play window's edges: even steps in decibels from -60 dB, silence at the
// end; the same end told again changes nothing, a moved one glides to the
// level the fade has there.
TEST(RendererEdges, FadeInEvenDecibelStepsAndLandOnAMovedEnd)
{
    SignalSource steady(0.5f);
    Renderer r(steady, fs, fs);
    r.setVolume(100);
    r.setEdgeFade(EdgeFade{2.0, 2.0, 6.0});
    const auto out = render(r, fs * 7, 999);
    EXPECT_NEAR(edgeLevelAt(out, 0.5), -45.0, 0.5);
    EXPECT_NEAR(edgeLevelAt(out, 1.0), -30.0, 0.5);
    EXPECT_NEAR(edgeLevelAt(out, 1.5), -15.0, 0.5);
    EXPECT_NEAR(edgeLevelAt(out, 3.0), 0.0, 0.01);
    EXPECT_NEAR(edgeLevelAt(out, 4.5), -15.0, 0.5);
    EXPECT_NEAR(edgeLevelAt(out, 5.5), -45.0, 0.5);
    double worst = 0;
    for (double t = 0.1; t < 5.9; t += 0.01)
        worst = std::max(worst, std::abs(edgeLevelAt(out, t + 0.01) - edgeLevelAt(out, t)));
    EXPECT_LT(worst, 0.35); // 30 dB a second
    EXPECT_EQ(*std::max_element(out.begin() + 6 * fs * 2, out.end()), 0.0f);
    EXPECT_FALSE(r.finished()); // silent until stopped, like the window's end

    // 8 s from its end; told again a second later an end 1 s further (as
    // with audio queued ahead): no change; told the clock jumped to 3 s
    // before the end: it glides there.
    Renderer moved(steady, fs, fs);
    moved.setVolume(100);
    moved.setEdgeFade(EdgeFade{0.0, 10.0, 8.0});
    render(moved, fs);
    moved.setEdgeFade(EdgeFade{0.0, 10.0, 8.0});
    EXPECT_NEAR(edgeLevelAt(render(moved, fs), 0.5), -60.0 * (1 - 6.5 / 10), 0.5);
    moved.setEdgeFade(EdgeFade{0.0, 10.0, 3.0});
    const auto after = render(moved, fs * 4);
    EXPECT_NEAR(edgeLevelAt(after, 1.0), -60.0 * (1 - 2.0 / 10), 0.5);
    EXPECT_LT(maxStep(after, 1, fs), 0.01f); // a glide, not a jump
    EXPECT_EQ(*std::max_element(after.begin() + 3 * fs * 2, after.end()), 0.0f);
}
