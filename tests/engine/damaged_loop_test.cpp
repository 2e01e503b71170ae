#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include "playback/engine/HeldLoop.h"
#include "playback/engine/Streamer.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <random>
#include <thread>

// A 60 s mp3 with a few damaged bytes every 150 kB and a stretch of junk
// plays all but the junk, loop after loop, whether it is streamed or held in
// memory.

namespace
{

TEST(DamagedLoop, EveryPassPlaysTheWholeFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("damaged.mp3");
    writeNoiseMp3(file, 60.0, 44100, 2, 21);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    // Runs of 0xff bytes; some read as a frame at another rate, which once
    // ended the file.
    std::mt19937 gen(2);
    for (int at = 150000, n = 0; at + 2000 < bytes.size(); at += 150000, ++n) {
        const int from = at + int(gen() % 1000);
        for (int k = 0; k < 4 + int(gen() % 8); ++k)
            bytes[from + k] = char(0xff);
    }
    // 30 kB of junk: more than mpg123 searches at once.
    for (int k = 400000; k < 430000; ++k)
        bytes[k] = char(gen());
    ASSERT_TRUE(f.seek(0));
    f.write(bytes);
    f.close();

    const auto pass = decodeAll(file);
    const size_t frames = pass.size() / 2;
    // All but the junk (about 1.9 s) and a frame or so per damage.
    EXPECT_GT(frames, size_t(57 * 44100)) << "the damage ended the file";
    EXPECT_LE(frames, size_t(60 * 44100));
    float peak = 0;
    for (float v : pass)
        peak = std::max(peak, std::abs(v));
    EXPECT_LE(peak, Decoder::impossibleLevel);

    std::atomic<bool> loop{true};
    Streamer streamed(std::make_unique<Decoder>(file), loop);
    streamed.setDrainRate(1e7);
    const size_t want = frames * 2 + frames / 2;
    const auto out = readFrames(streamed, want);
    ASSERT_EQ(out.size(), want * 2);
    size_t mismatches = 0;
    for (size_t i = 0; i < out.size(); ++i)
        mismatches += out[i] != pass[i % pass.size()];
    EXPECT_EQ(mismatches, 0u);

    // Held in memory as 16-bit samples: the same frames within a step.
    HeldLoop held(std::make_unique<Decoder>(file), loop);
    const auto replay = readFrames(held, want);
    ASSERT_EQ(replay.size(), want * 2);
    float worst = 0;
    for (size_t i = 0; i < replay.size(); ++i)
        worst =
            std::max(worst, std::abs(replay[i] - std::clamp(pass[i % pass.size()], -1.0f, 1.0f)));
    EXPECT_LT(worst, 2.0f / 32768);
}

} // namespace
