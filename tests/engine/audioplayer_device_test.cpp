#include "Mp3Fixture.h"
#include "support/Wait.h"

#include "playback/engine/AudioPlayer.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// No device, and a device that goes away while playing.

namespace
{

using namespace std::chrono_literals;

TEST(AudioPlayerDevice, NoDeviceMeansNotPlayingAndTheNextAssignmentTriesAgain)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("n.mp3");
    writeNoiseMp3(file, 0.5);

    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    AudioPlayer p;
    p.setLoopMode(true);
    p.playFile(file);
    // The output is opened on the player's thread, which soon finds none.
    EXPECT_TRUE(waitFor([&] { return p.playState() == PlayState::Ready; }, 1000));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(p.playState(), PlayState::Ready);
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);

    qputenv("SDL_AUDIODRIVER", "dummy");
    p.playFile(file);
    EXPECT_EQ(p.playState(), PlayState::Playing);
}

// SDL's disk driver writing into a pipe: closing the reading end makes the
// device fail as an unplugged one does; the player must come back by itself
// once a reader is there again.
TEST(AudioPlayerDevice, LostDeviceIsReopened)
{
    std::signal(SIGPIPE, SIG_IGN);
    QTemporaryDir dir;
    const QByteArray fifo = dir.filePath("device").toLocal8Bit();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const QString file = dir.filePath("n.mp3");
    writeNoiseMp3(file, 0.5);
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", fifo);

    auto readFor = [](int fd, std::chrono::milliseconds span) {
        size_t total = 0;
        char buf[65536];
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0)
                total += size_t(n);
            else
                std::this_thread::sleep_for(5ms);
        }
        return total;
    };

    int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    AudioPlayer p;
    p.setLoopMode(true);
    p.playFile(file);
    ASSERT_EQ(p.playState(), PlayState::Playing);
    EXPECT_GT(readFor(reader, 300ms), 44100u * 8 / 10); // about real time
    close(reader);

    // Lost: reported as transitioning (never as ended) while it is gone.
    bool sawTransition = false;
    for (int i = 0; i < 40 && !sawTransition; ++i) {
        const PlayState s = p.playState();
        ASSERT_TRUE(s == PlayState::Playing || s == PlayState::Transitioning)
            << static_cast<int>(s);
        sawTransition = s == PlayState::Transitioning;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(sawTransition);

    reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const size_t after = readFor(reader, 3000ms);
    EXPECT_GT(after, 44100u * 8); // sound flows again within a few seconds
    EXPECT_EQ(p.playState(), PlayState::Playing);
    p.stop();
    close(reader);
}

} // namespace
