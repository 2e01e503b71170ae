#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include "playback/engine/Streamer.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace
{

// Reads `frames` frames from the streamer as a callback would, waiting
// whenever the ring is empty; stops early if the stream ends.
std::vector<float> drain(Streamer& s, size_t frames)
{
    std::vector<float> out;
    std::vector<float> buf(1024 * 2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (out.size() < frames * 2 && std::chrono::steady_clock::now() < deadline) {
        const size_t n = s.read(buf.data(), std::min<size_t>(1024, frames - out.size() / 2));
        out.insert(out.end(), buf.begin(), buf.begin() + long(n * 2));
        if (n == 0) {
            if (s.exhausted())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return out;
}

class StreamerTest : public NoiseFileTest
{
protected:
    void SetUp() override { makeFile(0.7, 3); }
};

TEST_F(StreamerTest, LoopThroughTheRingIsSampleExact)
{
    std::atomic<bool> loop{true};
    Streamer s(std::make_unique<Decoder>(file), loop);
    s.setDrainRate(1e6);
    const auto out = drain(s, frames * 4 + 123);
    ASSERT_EQ(out.size(), (frames * 4 + 123) * 2);
    size_t mismatches = 0;
    for (size_t i = 0; i < out.size(); ++i)
        mismatches += out[i] != plain[i % plain.size()];
    EXPECT_EQ(mismatches, 0u);
    EXPECT_FALSE(s.exhausted());
}

TEST_F(StreamerTest, WithoutLoopItEndsAfterOnePass)
{
    std::atomic<bool> loop{false};
    Streamer s(std::make_unique<Decoder>(file), loop);
    const auto out = drain(s, frames * 3);
    EXPECT_TRUE(out == plain);
    EXPECT_TRUE(s.exhausted());
}

TEST_F(StreamerTest, LoopSwitchedOnNearTheEndCarriesOn)
{
    // The whole short file is decoded ahead at once; switching loop on
    // before the last frame is read must still repeat it.
    std::atomic<bool> loop{false};
    Streamer s(std::make_unique<Decoder>(file), loop);
    auto out = drain(s, frames - 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // worker sees the end
    loop = true;
    const auto more = drain(s, frames);
    out.insert(out.end(), more.begin(), more.end());
    ASSERT_EQ(out.size(), (2 * frames - 10) * 2);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], plain[i % plain.size()]) << i;
}

TEST_F(StreamerTest, LoopSwitchedOffEndsAtTheEndOfThePass)
{
    std::atomic<bool> loop{true};
    Streamer s(std::make_unique<Decoder>(file), loop);
    auto out = drain(s, frames / 2);
    loop = false;
    // The worker may be up to a ring ahead; the stream still ends at a file
    // boundary, within what the ring holds.
    const size_t bound = frames * (2 + Streamer::ringFrames / frames);
    const auto rest = drain(s, bound + frames);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_TRUE(s.exhausted());
    EXPECT_EQ(out.size() % plain.size(), 0u);
    EXPECT_LE(out.size(), bound * 2);
}

// The ring wraps by masking its positions: only a power of two is taken,
// and frames come out in order across the wrap.
TEST(FrameRingTest, TakesAPowerOfTwoAndWrapsInOrder)
{
    EXPECT_THROW(FrameRing(0), std::invalid_argument);
    EXPECT_THROW(FrameRing(1000), std::invalid_argument);
    FrameRing ring(4);
    const std::vector<float> in{1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
    std::vector<float> out(in.size());
    EXPECT_EQ(ring.write(in.data(), 3), 3u);
    EXPECT_EQ(ring.read(out.data(), 2), 2u);
    EXPECT_EQ(ring.write(in.data() + 6, 2), 2u); // past the end, to the start
    EXPECT_EQ(ring.read(out.data() + 4, 4), 3u);
    EXPECT_EQ(out, in);
    EXPECT_EQ(ring.write(in.data(), 5), 4u); // no more than it holds
}

} // namespace
