#include "EngineTestUtil.h"
#include "SoundFixture.h"

#include "playback/engine/AudioPlayer.h"
#include "playback/engine/HeldLoop.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

// A streamed file that is emptied while it loops: the player says so (not
// playing) and keeps trying, and plays it again from its beginning once it
// can be read. The real player on SDL's dummy driver, at 50x speed so that
// passes of a long file take two seconds.

namespace
{

using namespace std::chrono_literals;

PlayState waitFor(const AudioPlayer& p, std::chrono::milliseconds span, bool playing)
{
    const auto end = std::chrono::steady_clock::now() + span;
    PlayState s = p.playState();
    while ((s == PlayState::Playing) != playing && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(20ms);
        s = p.playState();
    }
    return s;
}

TEST(AudioPlayerFile, EmptiedWhileLoopingIsTriedAgainUntilItPlays)
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir dir;
    const QString file = dir.filePath("long.wav");
    // Too long to be held in memory: it streams, and is read again at each
    // loop start.
    const size_t frames = size_t(HeldLoop::maxFrames) + 44100;
    const auto samples = makeSignal(frames, 1, 44100, 0.2f, 0.0, 7);
    writeSound(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, samples);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    f.close();

    AudioPlayer p;
    p.setLoopMode(true);
    p.setRate(50.0);
    p.playFile(file);
    ASSERT_EQ(p.playState(), PlayState::Playing);
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(QFile::resize(file, 0));
    // The pass ends within ~2 s, the file cannot start over, and the player
    // says it is not playing rather than "playing" silence.
    const PlayState waiting = waitFor(p, 8000ms, false);
    EXPECT_EQ(waiting, PlayState::Ready);
    EXPECT_NE(waitFor(p, 2500ms, true), PlayState::Playing) << "playing an empty file";

    {
        QFile back(file);
        ASSERT_TRUE(back.open(QIODevice::WriteOnly));
        back.write(whole);
    }
    EXPECT_EQ(waitFor(p, 6000ms, true), PlayState::Playing) << "never tried again";
    EXPECT_EQ(waitFor(p, 1000ms, false), PlayState::Playing);

    // Emptied again, then stopped: the waiting ends with the stop.
    ASSERT_TRUE(QFile::resize(file, 0));
    EXPECT_EQ(waitFor(p, 8000ms, false), PlayState::Ready);
    p.stop();
    {
        QFile back(file);
        ASSERT_TRUE(back.open(QIODevice::WriteOnly));
        back.write(whole);
    }
    std::this_thread::sleep_for(3000ms);
    EXPECT_EQ(p.playState(), PlayState::Stopped);
}

} // namespace
