#include "Mp3Fixture.h"
#include "SoundFixture.h"

#include "playback/engine/AudioPlayer.h"
#include "playback/engine/OutputChooser.h"
#include "playback/engine/PulseOutput.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <thread>

// The sound-server output against a private PulseAudio that each test starts,
// starves of a sink, or kills.

namespace
{

using namespace std::chrono_literals;

// A pulseaudio of our own, its socket in a temporary folder. The clients
// here (the player, pactl) keep their cookie and runtime files beside it
// too, not in the home that tests running alongside share.
class PrivateServer
{
public:
    explicit PrivateServer(const QString& folder) : m_dir(folder)
    {
        QDir().mkpath(m_dir + "/home");
        QDir().mkpath(m_dir + "/rt");
        QFile::setPermissions(m_dir + "/rt", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
        qputenv("PULSE_SERVER", address().toLocal8Bit());
        qputenv("HOME", QFile::encodeName(m_dir + "/home"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir + "/rt"));
    }
    ~PrivateServer() { kill(); }

    QString address() const { return "unix:" + m_dir + "/rt/native"; }

    // With a sink at `rate`, or with none: then every stream is refused.
    bool start(bool withSink, int rate = 44100)
    {
        QFile config(m_dir + "/default.pa");
        if (!config.open(QIODevice::WriteOnly))
            return false;
        if (withSink)
            config.write(QString("load-module module-null-sink sink_name=hw rate=%1\n")
                             .arg(rate)
                             .toLocal8Bit());
        config.write(QString("load-module module-native-protocol-unix auth-anonymous=1 "
                             "socket=%1/rt/native\n")
                         .arg(m_dir)
                         .toLocal8Bit());
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", m_dir + "/rt");
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("pulseaudio",
                        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                         "--use-pid-file=false", "--log-level=error", "-F", config.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            if (pactl({"info"}) == 0)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
        QFile::remove(m_dir + "/rt/native");
    }

    static int pactl(const QStringList& args) { return QProcess::execute("pactl", args); }

    static bool hasOurStream()
    {
        QProcess p;
        p.start("pactl", {"list", "sink-inputs"});
        p.waitForFinished(5000);
        return p.readAllStandardOutput().contains("application.name = \"Hushwave\"");
    }

private:
    QString m_dir;
    QProcess m_process;
};

const OutputChoice serverOnly{makeServerOutput};

template <class Pred> bool waitUntil(Pred pred, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

class PulseOutputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
            QStandardPaths::findExecutable("pactl").isEmpty())
            GTEST_SKIP() << "pulseaudio and pactl are needed (scripts/install-deps)";
        file = dir.filePath("n.mp3");
        writeNoiseMp3(file, 0.6);
    }
    QTemporaryDir dir;
    QString file;
};

TEST_F(PulseOutputTest, NoServerOrARefusedStreamMeansWaitingUntilASinkArrives)
{
    PrivateServer server(dir.filePath("pa"));

    // Nobody answers: unavailable at once (the next kind of output is tried).
    PulseOutput out;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(out.open([] {}), AudioOutput::Status::Unavailable);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);

    // A server without a sink is waited for, never passed over.
    ASSERT_TRUE(server.start(false));
    EXPECT_EQ(out.open([] {}), AudioOutput::Status::Waiting);
    out.close();

    AudioPlayer p(serverOnly);
    p.setLoopMode(true);
    p.playFile(file);
    EXPECT_TRUE(waitUntil([&] { return p.playState() == PlayState::Ready; }, 2s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(p.playState(), PlayState::Ready);

    // A sink turns up: the player is told and starts the file by itself.
    const auto loaded = std::chrono::steady_clock::now();
    ASSERT_EQ(PrivateServer::pactl({"load-module", "module-null-sink"}) >= 0, true);
    EXPECT_TRUE(waitUntil([] { return PrivateServer::hasOurStream(); }, 3s));
    EXPECT_LT(std::chrono::steady_clock::now() - loaded, 1500ms); // told, not found by a poll
    // The stream is listed a moment before it is ready.
    EXPECT_TRUE(waitUntil([&] { return p.playState() == PlayState::Playing; }, 1s));
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);
    EXPECT_TRUE(waitUntil([] { return !PrivateServer::hasOurStream(); }, 3s));

    // stop() ended the waiting too: nothing starts later.
    server.kill();
    p.playFile(file);
    EXPECT_TRUE(waitUntil([&] { return p.playState() == PlayState::Ready; }, 2s));
    p.stop();
    ASSERT_TRUE(server.start(true));
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(p.playState(), PlayState::Stopped);
    EXPECT_FALSE(PrivateServer::hasOurStream());
}

TEST_F(PulseOutputTest, AServerThatDiesWhilePlayingIsFollowedWhenItComesBack)
{
    PrivateServer server(dir.filePath("pa"));
    ASSERT_TRUE(server.start(true));
    AudioPlayer p(serverOnly);
    p.setLoopMode(true);
    p.playFile(file);
    ASSERT_EQ(p.playState(), PlayState::Playing);
    EXPECT_TRUE(waitUntil([] { return PrivateServer::hasOurStream(); }, 3s));

    server.kill();
    // Gone: reported as transitioning, never as ended or unplayable.
    EXPECT_TRUE(waitUntil([&] { return p.playState() == PlayState::Transitioning; }, 3s));
    p.setVolume(20); // harmless while there is no stream

    ASSERT_TRUE(server.start(true));
    EXPECT_TRUE(waitUntil([&] { return p.playState() == PlayState::Playing; }, 6s));
    EXPECT_TRUE(waitUntil([] { return PrivateServer::hasOurStream(); }, 3s));
    p.stop();
    EXPECT_EQ(p.playState(), PlayState::Stopped);
}

// The server holds more than a second: "ended" must wait until the server
// says the end has played, not come when it was handed over.
TEST_F(PulseOutputTest, LoopOffEndsWhenTheLastFrameHasPlayed)
{
    PrivateServer server(dir.filePath("pa"));
    ASSERT_TRUE(server.start(true));
    AudioPlayer p(serverOnly);
    p.setLoopMode(false);
    const auto t0 = std::chrono::steady_clock::now();
    p.playFile(file);
    ASSERT_EQ(p.playState(), PlayState::Playing);
    ASSERT_TRUE(waitUntil([&] { return p.playState() != PlayState::Playing; }, 5s));
    const auto played = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(p.playState(), PlayState::MediaEnded);
    EXPECT_GE(played, 550ms); // the 0.6 s file, whole
    EXPECT_LT(played, 4s);    // the null sink takes about 2 s to report it
    EXPECT_TRUE(waitUntil([] { return !PrivateServer::hasOurStream(); }, 3s));
}

// A speed change is carried by the frames; with over a second queued on the
// server it must replace the queue, or it is heard only that much later.
TEST_F(PulseOutputTest, ARefreshIsHeardAtOnceNotAfterTheQueue)
{
    PrivateServer server(dir.filePath("pa"));
    ASSERT_TRUE(server.start(true));
    std::atomic<float> level{0.25f};
    PulseOutput out;
    ASSERT_EQ(out.open([] {}), AudioOutput::Status::Opened);
    ASSERT_EQ(out.rate(), 44100);
    ASSERT_TRUE(out.start([&](float* dst, size_t frames) {
        std::fill_n(dst, frames * 2, level.load());
        return true;
    }));
    std::this_thread::sleep_for(800ms); // the queue is full of the first level
    level = 0.5f;
    out.refresh();
    std::this_thread::sleep_for(300ms);

    // What the sink plays now.
    QProcess rec;
    rec.start("parec", {"-d", "hw.monitor", "--format=float32le", "--rate=44100", "--channels=2",
                        "--raw", "--latency-msec=20"});
    ASSERT_TRUE(rec.waitForStarted(5000));
    QByteArray bytes;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (bytes.size() < 4410 * 8 && std::chrono::steady_clock::now() < end) {
        rec.waitForReadyRead(100);
        bytes += rec.readAllStandardOutput();
    }
    rec.kill();
    rec.waitForFinished(2000);
    out.close();
    ASSERT_GE(bytes.size(), 4410 * 8);
    std::vector<float> heard(4410 * 2);
    std::memcpy(heard.data(), bytes.constData(), heard.size() * sizeof(float));
    for (float v : heard)
        ASSERT_NEAR(v, 0.5f, 1e-3f) << "the old queue still plays: " << v;
}

// Every file is resampled once to the sink's rate, and the output's buffers
// are sized from that rate: a 192 kHz file into a 44.1 kHz sink, and a
// 44.1 kHz file into a 192 kHz sink, with volume and speed changes that
// rewrite the whole queue (run under the sanitizers).
TEST_F(PulseOutputTest, HighRatesOnEitherSideFitTheBuffers)
{
    const QString high = dir.filePath("high.wav");
    writeSound(high, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 192000, 2,
               makeSignal(192000 * 2, 2, 192000, 0.5f, 1000.0));
    for (const int sinkRate : {44100, 192000}) {
        SCOPED_TRACE(sinkRate);
        PrivateServer server(dir.filePath(QString("pa%1").arg(sinkRate)));
        ASSERT_TRUE(server.start(true, sinkRate));
        PulseOutput probe;
        ASSERT_EQ(probe.open([] {}), AudioOutput::Status::Opened);
        EXPECT_EQ(probe.rate(), sinkRate);
        probe.close();

        for (const QString& f : {high, file}) {
            AudioPlayer p(serverOnly);
            p.setLoopMode(true);
            p.playFile(f);
            ASSERT_TRUE(waitUntil([] { return PrivateServer::hasOurStream(); }, 3s));
            for (int i = 0; i < 4; ++i) {
                std::this_thread::sleep_for(300ms);
                p.setVolume(i % 2 ? 100 : 10);
                p.setRate(i % 2 ? 1.0 : 2.0);
            }
            EXPECT_EQ(p.playState(), PlayState::Playing);
            p.stop();
        }
    }
}

} // namespace
