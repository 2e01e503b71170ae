#include "support/Wait.h"
#include "system/desktop/Mpris.h"
#include "system/desktop/SingleInstance.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <limits>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// A connection that never reaches a bus: the no-bus path.
QDBusConnection noBus()
{
    return QDBusConnection(QStringLiteral("hushwave-test-no-bus"));
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

    SingleInstance first("org.mpris.MediaPlayer2.HushwaveTest", runtime.path(), noBus());
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::raiseRequested,
                     [&](const QString& token) { tokens << token; });
    ASSERT_FALSE(first.handOver()) << "runs as the one instance";
    EXPECT_FALSE(first.handOver()) << "decided once";
    EXPECT_FALSE(first.ownsBusName());

    QElapsedTimer took;
    took.start();
    {
        SingleInstance second("org.mpris.MediaPlayer2.HushwaveTest", runtime.path(), noBus());
        EXPECT_TRUE(second.handOver("wayland_token-1/42"));
    }
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_TRUE(waitFor([&] { return tokens.size() == 1; })) << "it listens where the dead one did";
    EXPECT_EQ(tokens.value(0), "wayland_token-1/42");

    // A second that went away leaves the first in charge: a third hands over
    // too. A "token" that would break the line is not passed on.
    SingleInstance third("org.mpris.MediaPlayer2.HushwaveTest", runtime.path(), noBus());
    EXPECT_TRUE(third.handOver("x\nraise y"));
    EXPECT_TRUE(waitFor([&] { return tokens.size() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(tokens, QStringList({"wayland_token-1/42", ""}));
}

// The window as the media player object sees it; records what it was asked.
class FakeWindow : public DesktopWindow
{
public:
    DesktopPlayerState state;
    QStringList calls;

    DesktopPlayerState desktopState() const override { return state; }
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
