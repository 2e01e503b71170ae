#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include "playback/engine/AudioPlayer.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

// The real player on SDL's dummy driver (set by the test environment):
// timing and states as the window sees them.

namespace
{

using namespace std::chrono_literals;

class AudioPlayerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("SDL_AUDIODRIVER", "dummy");
        dir = new QTemporaryDir;
        writeNoiseMp3(dir->filePath("short.mp3"), 0.6);
        writeNoiseMp3(dir->filePath("long.mp3"), 3.0, 44100, 2, 9);
    }
    static void TearDownTestSuite() { delete dir; }
    static QString path(const QString& name) { return dir->filePath(name); }

    // Reads the state every 20 ms for `span`; returns the first state other
    // than `expected`, or `expected`.
    static PlayState watch(const AudioPlayer& p, std::chrono::milliseconds span, PlayState expected)
    {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            const PlayState s = p.playState();
            if (s != expected)
                return s;
            std::this_thread::sleep_for(20ms);
        }
        return expected;
    }

    static QTemporaryDir* dir;
};
QTemporaryDir* AudioPlayerTest::dir = nullptr;

TEST_F(AudioPlayerTest, PlaysAtOnceRestartsAndStops)
{
    AudioPlayer p;
    EXPECT_EQ(p.playState(), PlayState::Undefined);
    p.stop(); // nothing plays: harmless
    EXPECT_EQ(p.playState(), PlayState::Undefined);

    p.setLoopMode(true);
    p.playFile(path("long.mp3"));
    EXPECT_EQ(p.playState(), PlayState::Playing);
    EXPECT_EQ(watch(p, 300ms, PlayState::Playing), PlayState::Playing);
    p.playFile(path("long.mp3")); // the same path again starts over
    EXPECT_EQ(p.playState(), PlayState::Playing);

    QElapsedTimer t;
    t.start();
    p.stop();
    EXPECT_LT(t.elapsed(), 250);
    EXPECT_EQ(p.playState(), PlayState::Stopped);
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);
    EXPECT_EQ(p.underrunFrames(), 0u);
}

TEST_F(AudioPlayerTest, LoopOffEndsOnceAndNeverEarly)
{
    AudioPlayer p;
    p.setLoopMode(false);
    p.playFile(path("short.mp3"));
    EXPECT_EQ(p.playState(), PlayState::Playing);
    // 0.6 s of sound: playing for at least 0.5 s, then ended.
    EXPECT_EQ(watch(p, 500ms, PlayState::Playing), PlayState::Playing);
    EXPECT_EQ(watch(p, 3000ms, PlayState::Playing), PlayState::MediaEnded);
    EXPECT_EQ(p.playState(), PlayState::MediaEnded);
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);
}

TEST_F(AudioPlayerTest, LoopModeHoldsForLaterFilesAndWhilePlaying)
{
    AudioPlayer p;
    p.setLoopMode(true);
    p.playFile(path("short.mp3"));
    EXPECT_EQ(watch(p, 1500ms, PlayState::Playing), PlayState::Playing);

    // A preview: loop off, then loop switched on while it plays repeats it.
    p.setLoopMode(false);
    p.playFile(path("short.mp3"));
    p.setLoopMode(true);
    EXPECT_EQ(watch(p, 1500ms, PlayState::Playing), PlayState::Playing);
}

TEST_F(AudioPlayerTest, RefusesValuesItCannotTake)
{
    AudioPlayer p;
    for (int v : {-1, 101, std::numeric_limits<int>::min()})
        EXPECT_THROW(p.setVolume(v), Failure) << v;
    for (double r : {0.0, 0.99, 50.01, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_THROW(p.setRate(r), Failure) << r;
    try {
        p.setVolume(150);
    } catch (const Failure& f) {
        EXPECT_TRUE(f.description().contains("150"));
    }
    for (int v : {0, 1, 50, 100})
        EXPECT_NO_THROW(p.setVolume(v));
    for (double r : {1.0, 1.5, 50.0})
        EXPECT_NO_THROW(p.setRate(r));

    // Changes while playing take effect without disturbing the play state.
    p.setLoopMode(true);
    p.playFile(path("long.mp3"));
    p.setRate(50.0);
    p.setVolume(1);
    EXPECT_EQ(watch(p, 300ms, PlayState::Playing), PlayState::Playing);
    p.setRate(1.0);
    EXPECT_EQ(watch(p, 300ms, PlayState::Playing), PlayState::Playing);
}

TEST_F(AudioPlayerTest, BadFilesStopWhatPlayedAndEndUndefined)
{
    QDir(dir->path()).mkpath("bad/folder.mp3");
    auto write = [](const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("bad/empty.mp3", {});
    write("bad/text.mp3", QByteArray("not a sound\n").repeated(1000));
    QByteArray junk(100000, 0);
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) ^ (i >> 3));
    write("bad/junk.mp3", junk);
    {
        QFile big(path("bad/big.mp3"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64(1) << 30));
    }

    AudioPlayer p;
    p.setLoopMode(true);
    for (const char* name : {"bad/empty.mp3", "bad/text.mp3", "bad/junk.mp3", "bad/big.mp3",
                             "bad/folder.mp3", "bad/absent.mp3", ""}) {
        p.playFile(path("long.mp3"));
        ASSERT_EQ(p.playState(), PlayState::Playing);
        // Opened on the player's thread: the call returns at once, the
        // verdict follows, and it stays.
        QElapsedTimer t;
        t.start();
        p.playFile(name[0] ? path(name) : QString());
        EXPECT_LT(t.elapsed(), 200) << name;
        EXPECT_EQ(watch(p, 3000ms, PlayState::Playing), PlayState::Undefined) << name;
        EXPECT_EQ(watch(p, 200ms, PlayState::Undefined), PlayState::Undefined) << name;
        p.stop();
        EXPECT_EQ(p.playState(), PlayState::Undefined) << name;
    }
    // And the player is as good as new afterwards.
    p.playFile(path("long.mp3"));
    EXPECT_EQ(p.playState(), PlayState::Playing);
}

TEST_F(AudioPlayerTest, AwkwardPathPlays)
{
    QDir(dir->path()).mkpath("a folder/Rauschen ü");
    const QString p2 = path("a folder/Rauschen ü/Pink Noise ノイズ.mp3");
    writeNoiseMp3(p2, 0.5);
    AudioPlayer p;
    p.playFile(p2);
    EXPECT_EQ(p.playState(), PlayState::Playing);
}

TEST_F(AudioPlayerTest, FileDeletedOrReplacedWhilePlaying)
{
    const QString victim = path("victim.mp3");
    writeNoiseMp3(victim, 0.4);
    AudioPlayer p;
    p.setLoopMode(true);
    p.playFile(victim);
    // Opened on the player's thread in a moment.
    ASSERT_EQ(watch(p, 300ms, PlayState::Playing), PlayState::Playing);
    ASSERT_TRUE(QFile::remove(victim));
    // The open file goes on looping.
    EXPECT_EQ(watch(p, 1000ms, PlayState::Playing), PlayState::Playing);

    // Overwritten in place with junk: no crash, no hang; whatever it decodes
    // it either goes on or ends.
    writeNoiseMp3(victim, 0.4);
    p.playFile(victim);
    ASSERT_EQ(watch(p, 300ms, PlayState::Playing), PlayState::Playing);
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(int(f.size()), '\x55'));
        ASSERT_TRUE(f.resize(f.size() / 3));
    }
    const PlayState s = watch(p, 1500ms, PlayState::Playing);
    EXPECT_TRUE(s == PlayState::Playing || s == PlayState::MediaEnded) << static_cast<int>(s);
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);
}

} // namespace
