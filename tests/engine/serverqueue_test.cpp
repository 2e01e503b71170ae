#include "playback/engine/ServerQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

// What goes to the server: the frames kept at unity, at their gain, in the
// server's format, written again after a change from a frame on.

namespace
{

using Sample = ServerQueue::Sample;

double asDouble(Sample v)
{
    return std::is_same_v<Sample, float> ? double(v) : double(v) / 32768.0;
}

// Fills frames [at, at + frames) with a 441 Hz sine at 48 kHz, half scale,
// in pieces as the ring allows.
void fill(ServerQueue& q, uint64_t at, size_t frames)
{
    for (size_t done = 0; done < frames;) {
        size_t n = frames - done;
        float* kept = q.slot(at + done, &n);
        for (size_t i = 0; i < n; ++i) {
            const auto v = float(0.5 * std::sin(2 * M_PI * 441.0 * double(at + done + i) / 48000));
            kept[2 * i] = kept[2 * i + 1] = v;
        }
        done += n;
    }
}

std::vector<Sample> render(const ServerQueue& q, uint64_t at, size_t frames)
{
    std::vector<Sample> out(frames * 2);
    q.render(at, frames, out.data());
    return out;
}

// At unity every 16-bit sample comes out as it went in, and full scale
// either way stays at full scale of its own sign, across the ring's wrap.
TEST(ServerQueueTest, UnityIsExactAndFullScaleKeepsItsSign)
{
    ServerQueue q;
    q.reset(1000, 1.0f);
    const uint64_t at = 900; // wraps after 100 frames
    size_t n = 300;
    float* kept = q.slot(at, &n);
    ASSERT_EQ(n, 100u);
    kept[0] = 1.0f;
    kept[1] = -1.0f;
    for (size_t i = 2; i < 200; ++i)
        kept[i] = float(int(i) * 163 - 16000) / 32768.0f;
    n = 200;
    float* next = q.slot(at + 100, &n);
    ASSERT_EQ(n, 200u);
    std::fill_n(next, 400, -0.25f);

    const auto out = render(q, at, 300);
    const double top = std::is_same_v<Sample, float> ? 1.0 : 32767.0 / 32768;
    EXPECT_EQ(asDouble(out[0]), top);
    EXPECT_EQ(asDouble(out[1]), -1.0);
    for (size_t i = 2; i < 200; ++i)
        ASSERT_EQ(asDouble(out[i]), double(kept[i])) << i;
    for (size_t i = 200; i < 600; ++i)
        ASSERT_EQ(asDouble(out[i]), -0.25) << i;
}

// Volume 1 <-> 100 while the server holds the queue: each change starts
// from a frame on, and whatever part of a rewrite the server picks up (from
// any frame between the rewrite's start and the change's), the sound never
// steps by more than the tone's own largest step (and the glide's share).
TEST(ServerQueueTest, AChangePickedUpLateNeverSteps)
{
    ServerQueue q;
    q.reset(48000, 1.0f);
    fill(q, 0, 48000);
    const float quiet = 0.0116f; // volume 1
    const double own = 2 * M_PI * 441.0 / 48000 * 0.5;
    const uint64_t glide = 960;
    std::vector<Sample> heard = render(q, 0, 48000);
    uint64_t start = 0;
    for (int change = 0; change < 30; ++change) {
        const uint64_t from = start + 1000 + uint64_t(change % 7) * 37;
        const uint64_t changeAt = from + 720;
        q.glide(changeAt, change % 2 == 0 ? quiet : 1.0f, glide);
        const auto again = render(q, from, 48000 - from);
        // Before the change the rewrite is what was written.
        for (size_t i = 0; i < (changeAt - from) * 2; ++i)
            ASSERT_EQ(again[i], heard[from * 2 + i]) << change << " " << i;
        // Picked up at any frame in between: spliced there.
        const uint64_t pickedUp = from + uint64_t(change * 97) % (changeAt - from + 1);
        std::copy(again.begin() + long((pickedUp - from) * 2), again.end(),
                  heard.begin() + long(pickedUp * 2));
        start = changeAt;
        if (start + 3000 > 48000)
            break;
    }
    double worst = 0;
    for (size_t i = 2; i < heard.size(); ++i)
        worst = std::max(worst, std::abs(asDouble(heard[i]) - asDouble(heard[i - 2])));
    EXPECT_LE(worst, own + 0.5 / double(glide) + 2.0 / 32768);
    // And the changes were made: the end is at volume 1.
    EXPECT_NEAR(q.gainAt(47999), quiet, 1e-6);
}

// Fresh frames replace the queue from a frame on, crossfaded in; frames
// before it stay.
TEST(ServerQueueTest, ReplacingCrossfadesFromTheGivenFrame)
{
    ServerQueue q;
    q.reset(4800, 1.0f);
    fill(q, 0, 4800);
    const auto before = render(q, 0, 4800);
    std::vector<float> fresh(2000 * 2, 0.0f);
    q.replace(1000, 2000, fresh.data(), 1500, 240);
    const auto after = render(q, 0, 4800);
    for (size_t i = 0; i < 1500 * 2; ++i)
        ASSERT_EQ(after[i], before[i]) << i;
    for (size_t f = 1500; f < 1740; ++f) // fading towards the fresh frames
        EXPECT_LE(std::abs(asDouble(after[2 * f])), std::abs(asDouble(before[2 * f])) + 1e-4);
    for (size_t i = 1740 * 2; i < 3000 * 2; ++i)
        ASSERT_EQ(asDouble(after[i]), 0.0) << i;
    for (size_t i = 3000 * 2; i < 4800 * 2; ++i)
        ASSERT_EQ(after[i], before[i]) << i;
}

} // namespace
