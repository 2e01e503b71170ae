#include "support/Wait.h"
#include "system/desktop/Mpris.h"
#include "system/desktop/SingleInstance.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <limits>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace
{
// A connection that never reaches a bus: the no-bus path.
QDBusConnection noBus()
{
    return QDBusConnection(QStringLiteral("hushwave-test-no-bus"));
}

// A later start, on a thread of its own while this one's event loop lets
// the first answer, as two processes would.
struct LaterStart {
    bool handedOver = false;
    bool answered = false;
    qint64 ms = 0;
};
LaterStart startAgain(const QString& runtime, const QString& lock, const QString& token = {})
{
    auto later = std::async(std::launch::async, [&] {
        QElapsedTimer took;
        took.start();
        SingleInstance next("org.mpris.MediaPlayer2.HushwaveTest", runtime, lock, noBus());
        LaterStart result;
        result.handedOver = next.handOver(token);
        result.answered = next.answered();
        result.ms = took.elapsed();
        return result;
    });
    waitFor([&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            5000);
    return later.get();
}

// Without a bus: a killed run's socket does not block the next start, which
// then takes every later start's hand-over within a second, with the
// activation token each was started with.
TEST(SingleInstance, AfterAKilledRunTheNextStartIsTheOneOthersHandOverTo)
{
    QTemporaryDir runtime;
    const QString socket = runtime.path() + "/hushwave.socket";
    {
        // A killed run leaves its socket file behind, bound to nobody, and
        // its lock file unlocked.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socket);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(fd, 1), 0);
        ::close(fd);
        QFile lock(runtime.path() + "/hushwave.lock");
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFileInfo(socket).exists());

    SingleInstance first("org.mpris.MediaPlayer2.HushwaveTest", runtime.path(),
                         runtime.path() + "/hushwave.lock", noBus());
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::raiseRequested,
                     [&](const QString& token) { tokens << token; });
    ASSERT_FALSE(first.handOver()) << "runs as the one instance";
    EXPECT_FALSE(first.handOver()) << "decided once";
    EXPECT_FALSE(first.ownsBusName());

    const LaterStart second =
        startAgain(runtime.path(), runtime.path() + "/hushwave.lock", "wayland_token-1/42");
    EXPECT_TRUE(second.handedOver);
    EXPECT_TRUE(second.answered);
    EXPECT_LT(second.ms, 1000);
    EXPECT_TRUE(waitFor([&] { return tokens.size() == 1; })) << "it listens where the dead one did";
    EXPECT_EQ(tokens.value(0), "wayland_token-1/42");

    // A second that went away leaves the first in charge: a third hands over
    // too. A "token" that would break the line is not passed on.
    EXPECT_TRUE(
        startAgain(runtime.path(), runtime.path() + "/hushwave.lock", "x\nraise y").answered);
    EXPECT_TRUE(waitFor([&] { return tokens.size() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(tokens, QStringList({"wayland_token-1/42", ""}));
}

// A client of the local socket: connected, or -1.
int connectTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Without a bus, a stuck launcher or a buggy script of the user's must not
// exhaust the one instance: idle connections by the hundred and a process
// out of descriptors leave the socket in place and the next start's
// hand-over working. (A flood without a newline: the no-bus end-to-end
// script, against the real program.)
TEST(SingleInstance, TheLocalSocketCannotBeExhausted)
{
    QTemporaryDir runtime;
    const QString socket = runtime.path() + "/hushwave.socket";
    SingleInstance first("org.mpris.MediaPlayer2.HushwaveTest", runtime.path(),
                         runtime.path() + "/hushwave.lock", noBus());
    int raised = 0;
    QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });
    ASSERT_FALSE(first.handOver());
    const auto handOverArrives = [&] {
        const int before = raised;
        return startAgain(runtime.path(), runtime.path() + "/hushwave.lock").answered &&
               waitFor([&] { return raised == before + 1; }, 1500);
    };

    // Idle connections by the hundred: the newest start still gets through.
    std::vector<int> idle;
    for (int i = 0; i < 300; ++i) {
        const int fd = connectTo(socket);
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
        if (i % 20 == 0)
            QCoreApplication::processEvents();
    }
    EXPECT_TRUE(handOverArrives()) << "with 300 idle connections open";

    // This process out of descriptors: the socket file stays, and once
    // there are some again the next start is heard.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = 400;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    for (int fd; (fd = connectTo(socket)) >= 0;)
        idle.push_back(fd);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(QFileInfo::exists(socket));
    for (int fd : idle)
        ::close(fd);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(handOverArrives()) << "after running out of descriptors";
    EXPECT_TRUE(QFileInfo::exists(socket));
}

// The fallback folder in the shared temp folder, taken by another user (or
// not a folder at all): the user's own cache folder keeps one player.
TEST(SingleInstance, ARuntimeFolderSomeoneElseMadeIsNotUsed)
{
    struct KeptEnvironment {
        std::vector<std::pair<const char*, QByteArray>> kept;
        explicit KeptEnvironment(std::initializer_list<const char*> names)
        {
            for (const char* name : names)
                kept.emplace_back(name, qgetenv(name));
        }
        ~KeptEnvironment()
        {
            for (const auto& [name, value] : kept)
                value.isNull() ? qunsetenv(name) : qputenv(name, value);
        }
    } keep{"TMPDIR", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"};
    QTemporaryDir tmp;
    QTemporaryDir cache;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString shared = tmp.path() + QString("/hushwave-%1").arg(::getuid());
    const QString own = cache.path() + "/hushwave";

    EXPECT_EQ(SingleInstance::defaultRuntimeDir(), shared) << "free: it is ours";
    ASSERT_TRUE(QDir(shared).removeRecursively());
    ASSERT_TRUE(QFile::link(cache.path(), shared));
    EXPECT_EQ(SingleInstance::defaultRuntimeDir(), own) << "a link";
    ASSERT_TRUE(QFile::remove(shared));
    ASSERT_TRUE(QDir().mkpath(shared));
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), 65534, 65534), 0);
        EXPECT_EQ(SingleInstance::defaultRuntimeDir(), own) << "another user's";
    }
    ASSERT_TRUE(QDir(shared).removeRecursively());
    {
        QFile file(shared);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(SingleInstance::defaultRuntimeDir(), own) << "a file";
    EXPECT_FALSE(QFileInfo(own).permissions() & (QFile::ReadOther | QFile::ReadGroup));
}

// Starts of the same user with different runtime folders (one with
// XDG_RUNTIME_DIR, one without, one whose socket path a folder holds) meet
// at the lock beside the settings file; a first that holds the lock but
// does not answer makes the later start say so instead of succeeding.
TEST(SingleInstance, TheLockBesideTheSettingsFindsTheFirstWhereverItListens)
{
    QTemporaryDir config;
    QTemporaryDir runtimeA;
    QTemporaryDir runtimeB;
    QTemporaryDir cache;
    const QByteArray keptCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString lock = config.path() + "/Tarnwell.ini.running";
    ASSERT_TRUE(QDir().mkpath(runtimeA.path() + "/hushwave.socket")) << "a folder in the way";

    {
        SingleInstance first("org.mpris.MediaPlayer2.HushwaveTest", runtimeA.path(), lock, noBus());
        int raised = 0;
        QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });
        ASSERT_FALSE(first.handOver());
        EXPECT_TRUE(QFileInfo(cache.path() + "/hushwave/hushwave.socket").exists())
            << "the cache folder serves at once";
        for (const QString& runtime : {runtimeB.path(), runtimeA.path(), QString()}) {
            const LaterStart next = startAgain(runtime, lock);
            EXPECT_TRUE(next.handedOver) << qPrintable(runtime);
            EXPECT_TRUE(next.answered) << qPrintable(runtime);
            EXPECT_LT(next.ms, 200) << qPrintable(runtime);
        }
        EXPECT_TRUE(waitFor([&] { return raised == 3; }));
    }

    // Runs of two settings files that share a runtime folder: neither takes
    // the other's socket.
    {
        SingleInstance one("org.mpris.MediaPlayer2.HushwaveTest", runtimeB.path(),
                           config.path() + "/one.running", noBus());
        SingleInstance other("org.mpris.MediaPlayer2.HushwaveTest", runtimeB.path(),
                             config.path() + "/other.running", noBus());
        int raisedOne = 0;
        int raisedOther = 0;
        QObject::connect(&one, &SingleInstance::raiseRequested, [&] { ++raisedOne; });
        QObject::connect(&other, &SingleInstance::raiseRequested, [&] { ++raisedOther; });
        ASSERT_FALSE(one.handOver());
        ASSERT_FALSE(other.handOver()) << "a player of its own";
        EXPECT_TRUE(startAgain(runtimeB.path(), config.path() + "/one.running").answered);
        EXPECT_TRUE(waitFor([&] { return raisedOne == 1; }));
        EXPECT_TRUE(startAgain(runtimeB.path(), config.path() + "/other.running").answered);
        EXPECT_TRUE(waitFor([&] { return raisedOther == 1; }));
        EXPECT_EQ(raisedOne, 1);
    }

    // The lock held by a run that never listens.
    const int held = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    SingleInstance unanswered("org.mpris.MediaPlayer2.HushwaveTest", runtimeB.path(), lock,
                              noBus());
    EXPECT_TRUE(unanswered.handOver());
    EXPECT_FALSE(unanswered.answered());
    ::close(held);
    keptCache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", keptCache);
}

// The window as the media player object sees it; records what it was asked.
class FakeWindow : public DesktopWindow
{
public:
    DesktopPlayerState state;
    QStringList calls;

    DesktopPlayerState desktopState() const override { return state; }
    bool takesInput() const override { return true; }
    void clickTurnOnOff() override
    {
        calls << "turn";
        state.generatorOn = !state.generatorOn;
        state.previewOn = false; // "Turn Off" ends a preview too
    }
    void clickPreview() override
    {
        calls << "preview";
        state.previewOn = !state.previewOn;
    }
    void moveVolume(int value) override
    {
        calls << QString("volume %1").arg(value);
        state.volume = value;
    }
    void raiseWindow() override { calls << "raise"; }
    void closeWindow() override { calls << "close"; }
    void setDesktopListener(std::function<void()>) override {}
};

TEST(Mpris, PlaybackStatusAndMetadataFollowTheControls)
{
    DesktopPlayerState s;
    EXPECT_EQ(mpris::playbackStatus(s), "Stopped");
    s.generatorOn = true; // also while it waits for its play window: nothing sounds yet
    EXPECT_EQ(mpris::playbackStatus(s), "Playing");
    s = {};
    s.previewOn = true;
    EXPECT_EQ(mpris::playbackStatus(s), "Playing");

    s.styleIndex = 2;
    s.style = "Brown Noise";
    const QVariantMap brown = mpris::metadata(s);
    EXPECT_EQ(brown.value("xesam:title").toString(), "Brown Noise");
    EXPECT_EQ(brown.value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/hushwave/style/2");
    EXPECT_EQ(mpris::metadata(s), brown) << "the same style, the same track id";
    s.styleIndex = -1;
    s.style.clear();
    EXPECT_EQ(mpris::metadata(s).value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    EXPECT_FALSE(mpris::metadata(s).contains("xesam:title"));
}

TEST(Mpris, VolumeMapsToTheSliderWhichNeverGoesSilent)
{
    EXPECT_EQ(mpris::sliderFromVolume(0.3), 30);
    EXPECT_EQ(mpris::sliderFromVolume(1.0), 100);
    EXPECT_EQ(mpris::sliderFromVolume(0.0), 1);
    EXPECT_EQ(mpris::sliderFromVolume(-2.0), 1);
    EXPECT_EQ(mpris::sliderFromVolume(7.5), 100);
    EXPECT_EQ(mpris::sliderFromVolume(std::nan("")), 1);
    EXPECT_EQ(mpris::sliderFromVolume(std::numeric_limits<double>::infinity()), 100);
    // Beyond what an int holds once scaled: still the top, never a wrap.
    EXPECT_EQ(mpris::sliderFromVolume(42949673.5), 100);
    EXPECT_EQ(mpris::sliderFromVolume(1e300), 100);
    EXPECT_EQ(mpris::sliderFromVolume(-1e300), 1);
    for (int v = 1; v <= 100; ++v)
        EXPECT_EQ(mpris::sliderFromVolume(mpris::volumeFromSlider(v)), v);
}

TEST(Mpris, PlayerMethodsClickTheButtonsAUserWould)
{
    FakeWindow window;
    Mpris object(window);
    auto* player = object.findChild<MprisPlayer*>();
    auto* root = object.findChild<MprisRoot*>();
    ASSERT_TRUE(player && root);

    player->Pause(); // off: nothing to do
    player->Stop();
    EXPECT_TRUE(window.calls.isEmpty());
    player->Play();
    player->Play(); // already on
    EXPECT_EQ(window.calls, QStringList{"turn"});
    player->PlayPause();
    EXPECT_EQ(window.calls, (QStringList{"turn", "turn"}));
    EXPECT_FALSE(window.state.generatorOn);

    // A preview alone: Stop ends the preview, it does not turn the generator on.
    window.calls.clear();
    window.state.previewOn = true;
    player->PlayPause();
    EXPECT_EQ(window.calls, QStringList{"preview"});
    EXPECT_FALSE(window.state.generatorOn);

    window.calls.clear();
    player->setVolume(0.3);
    EXPECT_EQ(window.calls, QStringList{"volume 30"});
    EXPECT_DOUBLE_EQ(player->volume(), 0.3);

    root->Raise();
    EXPECT_EQ(window.calls.last(), "raise");
    root->Quit();
    EXPECT_NE(window.calls.last(), "close") << "after the reply has gone out";
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls.last(), "close");
}

} // namespace
