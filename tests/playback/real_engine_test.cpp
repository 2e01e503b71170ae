// The window's handlers driving the real player on SDL's dummy driver.
#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "engine/Mp3Fixture.h"
#include "playback/engine/AudioPlayer.h"
#include "support/Fakes.h"
#include "support/SystemBackEnds.h"
#include "support/TempConfig.h"
#include "support/Wait.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

struct RealEngineTest : ::testing::Test {
    TempConfig config;
    QTemporaryDir programDir;
    IniSettingsStore settings;
    AudioPlayer player;
    RecordingErrorReport errors;
    FakeClock clock;
    SystemBackEnds backEnds;

    std::unique_ptr<Form1> load()
    {
        auto form = std::make_unique<Form1>(
            PlaybackServices{settings, player, errors, clock, programDir.path()}, backEnds.get());
        form->Form_Load();
        return form;
    }
    void SetUp() override
    {
        QDir(programDir.path()).mkpath("sounds");
        writeNoiseMp3(programDir.path() + "/sounds/Short.mp3", 0.4);
    }
};

TEST_F(RealEngineTest, OnPlaysAfterTheTickAndOffStops)
{
    auto form = load();
    form->PushButton2->click();
    EXPECT_NE(player.playState(), PlayState::Playing);
    ASSERT_TRUE(waitFor([&] { return player.playState() == PlayState::Playing; }, 3000));
    // Looping: still playing well after the 0.4 s file would have ended.
    waitFor([] { return false; }, 900);
    EXPECT_EQ(player.playState(), PlayState::Playing);

    form->PushButton2->click();
    EXPECT_NE(player.playState(), PlayState::Playing);
    EXPECT_EQ(settings.get("StartStopState", ""), "OFF");
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(RealEngineTest, APreviewEndsByItselfAndTheWatchHandsBack)
{
    auto form = load();
    form->PushButton1->click();
    EXPECT_EQ(player.playState(), PlayState::Playing);
    ASSERT_TRUE(waitFor([&] { return !form->Timer2->isActive(); }, 5000));
    EXPECT_EQ(form->PushButton1->text(), "Preview Sound");
    EXPECT_FALSE(form->Timer1->isActive()); // the generator is off
    EXPECT_NE(player.playState(), PlayState::Playing);
}

TEST_F(RealEngineTest, ARestartWithTheGeneratorOnResumesInsideItsWindow)
{
    settings.save("StartStopState", "ON");
    settings.save("Option", "Timed");
    settings.save("Time From", "12/7/2026 11:00:00 AM");
    settings.save("Time To", "12/7/2026 1:00:00 PM");
    auto form = load();
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_NE(player.playState(), PlayState::Playing); // nothing before the first tick
    ASSERT_TRUE(waitFor([&] { return player.playState() == PlayState::Playing; }, 3000));

    clock.setTime(13, 0, 1); // the window closes
    ASSERT_TRUE(waitFor([&] { return player.playState() != PlayState::Playing; }, 3000));
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(RealEngineTest, AFileThePlayerCannotOpenIsSilentAndReportsNothing)
{
    QFile bad(programDir.path() + "/sounds/Broken.mp3");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not an mp3 at all");
    bad.close();
    settings.save("Combo1", "0"); // "Short" comes first, as the last name listed
    auto form = load();
    ASSERT_EQ(form->Combo1->currentText(), "Short");
    form->Combo1->setCurrentIndex(1);
    ASSERT_EQ(form->Combo1->currentText(), "Broken");
    form->PushButton1->click();
    ASSERT_TRUE(waitFor([&] { return !form->Timer2->isActive(); }, 2000));
    EXPECT_NE(player.playState(), PlayState::Playing);
    EXPECT_TRUE(errors.entries.empty());
}

} // namespace
