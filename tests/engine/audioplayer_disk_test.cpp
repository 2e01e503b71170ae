#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include "playback/engine/AudioPlayer.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <thread>

// What the real player hands to SDL, captured by SDL's disk driver: the
// loop seams are exact and the stop fades out.

namespace
{

TEST(AudioPlayerDisk, CapturedOutputLoopsExactlyAndStopsWithAFade)
{
    QTemporaryDir dir;
    const QString capture = dir.filePath("out.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit());
    qputenv("SDL_DISKAUDIODELAY", "5"); // ~4.6x real time

    const QString file = dir.filePath("loop.mp3");
    writeNoiseMp3(file, 0.5, 44100, 2, 5);
    const auto plain = decodeAll(file);
    const size_t n = plain.size() / 2;

    {
        AudioPlayer p;
        p.setVolume(100);
        p.setLoopMode(true);
        p.playFile(file);
        ASSERT_EQ(p.playState(), PlayState::Playing);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        // Assigned again: the device reopens (a fresh capture) and the file
        // starts over from its first frame.
        p.playFile(file);
        ASSERT_EQ(p.playState(), PlayState::Playing);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        EXPECT_EQ(p.playState(), PlayState::Playing);
        EXPECT_EQ(p.underrunFrames(), 0u);
        p.stop();
    }

    QFile f(capture);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    std::vector<float> c(size_t(bytes.size()) / sizeof(float));
    std::memcpy(c.data(), bytes.data(), c.size() * sizeof(float));
    const size_t frames = c.size() / 2;

    // A loop held in memory is kept as 16-bit samples: each within half a
    // step of the file; a frame inserted or lost is far off.
    const auto same = [](float a, float b) { return std::abs(a - b) <= 0.5f / 32768 + 1e-7f; };
    // Where the file's frame 300 (past the fade-in) first shows up.
    size_t offset = frames;
    for (size_t j = 0; j + 16 < frames && offset == frames; ++j)
        if (std::equal(c.begin() + long(2 * j), c.begin() + long(2 * j + 32), plain.begin() + 600,
                       same))
            offset = j - 300;
    ASSERT_LT(offset, frames) << "the file's frames are not in the capture";
    // Nothing before the first frame; from the end of the 5 ms fade-in on,
    // the file itself.
    for (size_t k = 0; k < offset * 2; ++k)
        ASSERT_EQ(c[k], 0.0f) << "sound before the file's first frame";
    EXPECT_TRUE(std::equal(c.begin() + long(2 * (offset + 220)),
                           c.begin() + long(2 * (offset + 300)), plain.begin() + 440, same));

    // Frame for frame the file, back to back, until the stop.
    size_t i = offset + 300;
    while (i < frames && same(c[2 * i], plain[2 * ((i - offset) % n)]) &&
           same(c[2 * i + 1], plain[2 * ((i - offset) % n) + 1]))
        ++i;
    const size_t matched = i - offset;
    EXPECT_GE(matched, 3 * n) << "fewer than three seams passed";

    // Then a fade of at most 10 ms and silence to the end.
    const size_t tenMs = 441;
    for (size_t k = i + tenMs; k < frames; ++k)
        ASSERT_TRUE(c[2 * k] == 0.0f && c[2 * k + 1] == 0.0f) << "sound after the stop at " << k;
    // Within the 5 ms (220-frame) linear fade, never above its envelope.
    float peak = 0;
    for (float v : plain)
        peak = std::max(peak, std::abs(v));
    for (size_t k = 0; k < tenMs && i + k < frames; ++k)
        for (int ch = 0; ch < 2; ++ch)
            ASSERT_LE(std::abs(c[2 * (i + k) + ch]),
                      peak * std::max(0.0f, 1.0f - float(k) / 220) + 1e-6f)
                << "at " << k << " frames into the fade";
    EXPECT_GT(frames - i, tenMs); // the silence did reach the device
}

} // namespace
