// The window with the real player when the sound cannot be made: no audio
// device at all, or the sound file deleted or cut short while it plays. The
// window must keep working, say nothing and never crash.
#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "engine/Mp3Fixture.h"
#include "playback/engine/AudioPlayer.h"
#include "support/Fakes.h"
#include "support/SystemBackEnds.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>

namespace
{

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return condition();
}

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

// Puts an environment variable back when the test ends.
class EnvironmentValue
{
public:
    EnvironmentValue(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentValue()
    {
        if (m_old.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, m_old);
    }

private:
    const char* m_name;
    QByteArray m_old;
};

// The window over the real player and store; its ticks are driven by the
// test, so the timers only say whether they are armed.
struct RealPlayerWindow : ::testing::Test {
    TempConfig config;
    QTemporaryDir programDir;
    IniSettingsStore settings;
    RecordingErrorReport errors;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(12, 0))};
    std::unique_ptr<AudioPlayer> player;
    SystemBackEnds backEnds;
    std::unique_ptr<Form1> form;

    QString sound() const { return programDir.path() + "/sounds/Rain.mp3"; }

    void SetUp() override
    {
        QDir(programDir.path()).mkpath("sounds");
        writeNoiseMp3(sound(), 0.5);
    }
    void TearDown() override
    {
        form.reset();
        player.reset();
    }
    Form1& load()
    {
        player = std::make_unique<AudioPlayer>();
        form = std::make_unique<Form1>(
            PlaybackServices{settings, *player, errors, clock, programDir.path()}, backEnds.get());
        form->Form_Load();
        return *form;
    }
    void tick() { form->playWindow.Timer1_Timer(); }
    bool playing() const { return player->playState() == PlayState::Playing; }
    // "Play from" 11:00 to 13:00, generator on; the clock stands at 12:00.
    void timedWindow()
    {
        form->DTPicker1->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(11, 0)));
        form->DTPicker2->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(13, 0)));
        form->Option2->click();
    }
};

// Each way of having no device: a driver that does not exist, and one that
// exists but cannot open its output.
const std::vector<std::pair<QByteArray, QByteArray>> kNoDevice = {
    {"nonexistent", {}},
    {"disk", "/nonexistent-folder/capture.raw"},
};

TEST_F(RealPlayerWindow, WithoutAnAudioDeviceOnAndOffWorkSilently)
{
    for (const auto& [driver, file] : kNoDevice) {
        SCOPED_TRACE(driver.toStdString());
        EnvironmentValue noDevice("SDL_AUDIODRIVER", driver);
        EnvironmentValue capture("SDL_DISKAUDIOFILE", file);
        QFile::remove(config.settingsFile()); // each way from a first start
        Form1& f = load();

        f.PushButton2->click();
        EXPECT_EQ(f.PushButton2->text(), "Turn Off");
        tick(); // "until 'Turn Off'": one assignment, then the timer rests
        EXPECT_TRUE(waitFor([&] { return !playing(); }, 1000)); // the output's verdict
        EXPECT_FALSE(f.Timer1->isActive());

        f.PushButton2->click();
        EXPECT_EQ(f.PushButton2->text(), "Turn On");
        EXPECT_EQ(settings.get("StartStopState", ""), "OFF");

        // A preview that cannot sound hands back at the watch's next tick.
        f.PushButton1->click();
        EXPECT_EQ(f.PushButton1->text(), "Stop");
        ASSERT_TRUE(waitFor([&] { return !f.Timer2->isActive(); }, 2000));
        EXPECT_EQ(f.PushButton1->text(), "Preview Sound");
        EXPECT_FALSE(f.Timer1->isActive()); // the generator is off

        // "Play from", inside the window: assigned again every tick, quietly.
        f.PushButton2->click();
        timedWindow();
        for (int i = 0; i < 3; ++i)
            tick();
        EXPECT_TRUE(waitFor([&] { return !playing(); }, 1000));
        EXPECT_TRUE(f.Timer1->isActive());
        EXPECT_TRUE(errors.entries.empty());
        form.reset();
        player.reset();
    }
}

TEST_F(RealPlayerWindow, ADeviceThatComesBackIsUsedByTheNextAssignment)
{
    Form1* f = nullptr;
    {
        EnvironmentValue noDevice("SDL_AUDIODRIVER", "nonexistent");
        f = &load();
        f->PushButton2->click();
        timedWindow();
        tick();
        EXPECT_TRUE(waitFor([&] { return !playing(); }, 1000));
    }
    ASSERT_EQ(qgetenv("SDL_AUDIODRIVER"), "dummy");
    tick();
    // Sooner than the player's own retry every 2 s.
    EXPECT_TRUE(waitFor([&] { return playing(); }, 1000));
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(RealPlayerWindow, ASoundFileDeletedWhilePlayingIsNeverReported)
{
    Form1& f = load();
    f.PushButton2->click();
    timedWindow();
    tick();
    ASSERT_TRUE(playing());
    pause(300); // opened on the player's thread

    ASSERT_TRUE(QFile::remove(sound()));
    // The open file plays on; past its length it has looped at least once.
    pause(800);
    for (int i = 0; i < 2; ++i)
        tick();
    EXPECT_TRUE(playing());

    // Stopped by the window closing, then asked to start again: the file is
    // gone, so nothing plays, every tick tries again, and nothing is said.
    // The file is opened on the player's thread: the verdict follows the
    // assignment by a moment.
    clock.setTime(13, 0, 1);
    tick();
    EXPECT_FALSE(playing());
    clock.setTime(12, 0, 0);
    for (int i = 0; i < 3; ++i) {
        tick();
        EXPECT_TRUE(waitFor([&] { return !playing(); }, 2000));
    }
    EXPECT_TRUE(f.Timer1->isActive());

    // "Until 'Turn Off'": one try, then the timer rests until armed again.
    f.Option1->click();
    tick();
    EXPECT_TRUE(waitFor([&] { return !playing(); }, 2000));
    EXPECT_FALSE(f.Timer1->isActive());

    // The file put back (a library regenerated): the next assignment plays it.
    writeNoiseMp3(sound(), 0.5);
    f.PushButton2->click();
    f.PushButton2->click();
    tick();
    EXPECT_TRUE(playing());
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(RealPlayerWindow, ASoundFileCutShortOrOverwrittenWhilePlayingIsNeverReported)
{
    const std::vector<std::pair<const char*, std::function<void()>>> damage = {
        {"emptied", [&] { QFile(sound()).resize(0); }},
        {"cut to its first kilobyte", [&] { QFile(sound()).resize(1024); }},
        {"overwritten with text",
         [&] {
             QFile file(sound());
             file.open(QIODevice::ReadWrite);
             file.write(QByteArray(64 * 1024, 'x'));
         }},
    };
    for (const auto& [what, change] : damage) {
        SCOPED_TRACE(what);
        writeNoiseMp3(sound(), 0.5);
        Form1& f = load();
        f.PushButton2->click();
        timedWindow();
        tick();
        ASSERT_TRUE(playing());
        pause(300); // opened on the player's thread
        change();
        // Whatever the player makes of it over a few loops, the window's
        // ticks go on quietly.
        for (int i = 0; i < 3; ++i) {
            pause(200);
            tick();
        }
        f.PushButton2->click();
        EXPECT_FALSE(playing());
        EXPECT_TRUE(errors.entries.empty());
        form.reset();
        player.reset();
    }
}

} // namespace
