#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace
{

// A loaded window with two styles, "Turn On" showing and nothing played yet.
struct NoisePlayerTest : ::testing::Test {
    FormHarness h;
    Form1* f = nullptr;

    void SetUp() override
    {
        h.addSounds({"Pink.mp3", "White.mp3"});
        f = &h.load();
        h.player.calls.clear();
    }
    QString whitePath() const { return h.folder() + "/sounds/White.mp3"; }
};

TEST_F(NoisePlayerTest, TurnOnArmsTheTimerAndStoresOn)
{
    f->PushButton2->click();
    EXPECT_EQ(f->PushButton2->text(), "Turn Off");
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_TRUE(h.player.loop);
    EXPECT_EQ(h.settings.values.value("StartStopState"), "ON");
    EXPECT_EQ(h.player.calls, QStringList{"loop true"}); // no sound before the tick

    f->playWindow.Timer1_Timer();
    EXPECT_EQ(h.player.lastPath, whitePath());
    EXPECT_FALSE(f->Timer1->isActive());
}

TEST_F(NoisePlayerTest, TurnOffStopsEverythingAndStoresOff)
{
    f->PushButton2->click();
    f->PushButton1->click(); // a preview while on
    ASSERT_TRUE(f->Timer2->isActive());
    f->PushButton2->click();
    EXPECT_EQ(f->PushButton2->text(), "Turn On");
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_FALSE(f->Timer2->isActive());
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
    EXPECT_EQ(h.player.calls.last(), "stop");
    EXPECT_EQ(h.settings.values.value("StartStopState"), "OFF");
    EXPECT_NE(h.player.state, PlayState::Playing);
}

TEST_F(NoisePlayerTest, AnyOtherCaptionSwitchesOff)
{
    f->PushButton2->setText("turn on");
    f->PushButton2->click();
    EXPECT_EQ(f->PushButton2->text(), "Turn On");
    EXPECT_EQ(h.settings.values.value("StartStopState"), "OFF");
}

TEST_F(NoisePlayerTest, APreviewPlaysOnceAndTheWatchHandsBack)
{
    f->PushButton1->click();
    EXPECT_EQ(f->PushButton1->text(), "Stop");
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_TRUE(f->Timer2->isActive());
    EXPECT_FALSE(h.player.loop);
    EXPECT_EQ(h.player.lastPath, whitePath());

    f->noisePlayer.Timer2_Timer(); // still playing: nothing changes
    EXPECT_TRUE(f->Timer2->isActive());

    // It ends by itself with the generator off: nothing more plays.
    h.player.state = PlayState::MediaEnded;
    f->noisePlayer.Timer2_Timer();
    EXPECT_FALSE(f->Timer2->isActive());
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
}

TEST_F(NoisePlayerTest, APreviewWhileOnGivesTheGeneratorBackLooping)
{
    f->PushButton2->click();
    f->playWindow.Timer1_Timer();
    f->PushButton1->click();
    EXPECT_FALSE(h.player.loop);

    h.player.state = PlayState::MediaEnded;
    f->noisePlayer.Timer2_Timer();
    EXPECT_TRUE(h.player.loop);
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
    f->playWindow.Timer1_Timer();
    EXPECT_EQ(h.player.lastPath, whitePath());
    EXPECT_EQ(h.player.state, PlayState::Playing);
}

TEST_F(NoisePlayerTest, StopCancelsAPreviewAndAGeneratorThatIsOnCarriesOn)
{
    f->PushButton1->click();
    f->PushButton1->click();
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_FALSE(f->Timer2->isActive());
    EXPECT_EQ(h.player.calls.last(), "stop");

    f->PushButton2->click(); // on
    f->PushButton1->click(); // preview
    f->PushButton1->click(); // stop
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_TRUE(h.player.loop);
    EXPECT_EQ(f->PushButton2->text(), "Turn Off");
}

TEST_F(NoisePlayerTest, ARefusedPreviewLeavesPreviewSound)
{
    f->Combo1->setCurrentIndex(-1);
    f->PushButton1->click();
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
    EXPECT_TRUE(h.player.calls.isEmpty());
    EXPECT_FALSE(f->Timer2->isActive());

    f->Combo1->setCurrentIndex(0);
    QFile::remove(whitePath()); // deleted after start-up
    f->PushButton1->click();
    EXPECT_EQ(f->PushButton1->text(), "Preview Sound");
    EXPECT_TRUE(h.player.calls.isEmpty());
    EXPECT_TRUE(h.errors.entries.empty());
}

TEST_F(NoisePlayerTest, APreviewThePlayerCannotOpenHandsBackAtTheFirstWatch)
{
    h.player.playable = {"nothing plays"};
    f->PushButton2->click();
    f->PushButton1->click();
    f->noisePlayer.Timer2_Timer();
    EXPECT_FALSE(f->Timer2->isActive());
    EXPECT_TRUE(f->Timer1->isActive());
}

TEST_F(NoisePlayerTest, FailuresAreReportedOnePerStatementInOrder)
{
    h.settings.failSaves = true;
    h.player.failNext = true;
    f->PushButton2->click(); // on: 108 fails
    f->PushButton2->click(); // off: 110 fails
    EXPECT_EQ(h.errors.lines(), std::vector<int>({108, 110}));
    EXPECT_EQ(h.errors.entries[0].location, "in Hushwave2021/08/31.Form1.PushButton2_Click ");
    EXPECT_EQ(f->PushButton2->text(), "Turn On"); // the handler went on

    h.errors.entries.clear();
    h.player.failNext = true;
    f->PushButton1->click();
    EXPECT_EQ(h.errors.lines(), std::vector<int>{114});
    EXPECT_EQ(h.errors.entries[0].location, "in Hushwave2021/08/31.Form1.PushButton1_Click ");
}

} // namespace
