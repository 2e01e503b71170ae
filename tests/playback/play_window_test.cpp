#include "playback/PlayWindow.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace
{

QDateTime at(int h, int m, int s, QDate date = QDate(2026, 12, 7))
{
    return QDateTime(date, QTime(h, m, s));
}

// The generator on with "Play from" selected between two picker times.
struct PlayWindowTest : ::testing::Test {
    FormHarness h;
    Form1* f = nullptr;

    void SetUp() override
    {
        h.addSounds({"Rain.mp3"});
        f = &h.load();
        f->PushButton2->click();
    }
    void window(const QDateTime& from, const QDateTime& to)
    {
        f->DTPicker1->setDateTime(from);
        f->DTPicker2->setDateTime(to);
        f->Option2->click();
    }
    // One tick at a time of day; true when the sound is playing afterwards.
    bool tickAt(int hour, int minute, int second)
    {
        h.clock.setTime(hour, minute, second);
        f->playWindow.Timer1_Timer();
        return h.player.state == PlayState::Playing;
    }
};

TEST_F(PlayWindowTest, ADaytimeWindowIncludesBothEnds)
{
    window(at(9, 0, 0), at(17, 0, 0));
    EXPECT_FALSE(tickAt(8, 59, 59));
    EXPECT_EQ(h.player.calls.last(), "stop");
    EXPECT_TRUE(tickAt(9, 0, 0));
    const int plays = h.player.calls.filter("play ").size();
    EXPECT_TRUE(tickAt(17, 0, 0));
    EXPECT_EQ(h.player.calls.filter("play ").size(), plays); // left alone while it plays
    EXPECT_FALSE(tickAt(17, 0, 1));
    EXPECT_TRUE(f->Timer1->isActive());
}

TEST_F(PlayWindowTest, APlayerFoundSilentInsideIsStartedAgain)
{
    window(at(9, 0, 0), at(17, 0, 0));
    EXPECT_TRUE(tickAt(12, 0, 0));
    h.player.state = PlayState::MediaEnded;
    EXPECT_TRUE(tickAt(12, 0, 1));
    EXPECT_EQ(h.player.calls.filter("play ").size(), 2);
}

// The edges the tick gives the player: the fades from the settings (bad
// values as defaults, never written back, no box), shortened together in a
// short window, the end counted to the end of its last second; told before
// the file starts and again on each tick while it plays.
TEST_F(PlayWindowTest, TheTickTellsThePlayerTheWindowsEdges)
{
    h.settings.values["FadeIn"] = "5";
    h.settings.values["FadeOut"] = "abc";
    window(at(23, 0, 0), at(0, 59, 59)); // across midnight: 2 h
    h.clock.moment = at(23, 30, 0).addMSecs(250);
    f->playWindow.Timer1_Timer();
    ASSERT_GE(h.player.calls.size(), 2);
    EXPECT_EQ(h.player.calls.mid(h.player.calls.size() - 2, 1), QStringList{"fade 5 60 5399.75"});
    EXPECT_TRUE(h.player.calls.last().startsWith("play "));
    EXPECT_TRUE(tickAt(23, 30, 1));
    EXPECT_EQ(h.player.calls.last(), "fade 5 60 5399");
    EXPECT_EQ(h.settings.values["FadeOut"], "abc");
    // Read as the sound starts, not on every tick: a new length counts from
    // the next start.
    h.settings.values["FadeIn"] = "7";
    EXPECT_TRUE(tickAt(23, 30, 2));
    EXPECT_EQ(h.player.calls.last(), "fade 5 60 5398");
    h.player.state = PlayState::MediaEnded;
    EXPECT_TRUE(tickAt(23, 30, 3));
    EXPECT_EQ(h.player.calls.mid(h.player.calls.size() - 2, 1), QStringList{"fade 7 60 5397"});
    EXPECT_TRUE(h.errors.entries.empty());

    for (const char* bad : {"-1", "3601", "2.5", ""}) {
        h.settings.values["FadeIn"] = bad;
        EXPECT_EQ(fadeSetting(h.settings, "FadeIn", 10), 10) << bad;
    }
    h.settings.values["FadeIn"] = "3600";
    EXPECT_EQ(fadeSetting(h.settings, "FadeIn", 10), 3600);
    h.settings.values["FadeIn"] = "0";
    EXPECT_EQ(fadeSetting(h.settings, "FadeIn", 10), 0);

    // 20 s against 10 + 30 s of fades: both halved.
    const EdgeFade shortened = windowEdges(100, 119, at(0, 1, 40), 10, 30);
    EXPECT_DOUBLE_EQ(shortened.in, 5.0);
    EXPECT_DOUBLE_EQ(shortened.out, 15.0);
    EXPECT_DOUBLE_EQ(shortened.untilEnd, 20.0);
}

TEST_F(PlayWindowTest, ANightWindowRunsAcrossMidnight)
{
    window(at(22, 0, 0), at(6, 0, 0));
    EXPECT_FALSE(tickAt(21, 59, 59));
    EXPECT_TRUE(tickAt(22, 0, 0));
    EXPECT_TRUE(tickAt(23, 0, 0));
    EXPECT_TRUE(tickAt(0, 0, 0));
    EXPECT_TRUE(tickAt(3, 0, 0));
    EXPECT_TRUE(tickAt(6, 0, 0));
    EXPECT_FALSE(tickAt(6, 0, 1));
    EXPECT_FALSE(tickAt(7, 0, 0));
}

TEST_F(PlayWindowTest, AWindowOfOneSecondAndPickersOnOtherDates)
{
    window(at(9, 0, 0, QDate(2001, 3, 4)), at(9, 0, 0, QDate(2030, 1, 1)));
    EXPECT_FALSE(tickAt(8, 59, 59));
    EXPECT_TRUE(tickAt(9, 0, 0));
    EXPECT_FALSE(tickAt(9, 0, 1));
}

TEST(PlayWindowRule, TheEndIsComparedWithTheSecondReading)
{
    EXPECT_TRUE(insidePlayWindow(100, 200, 100, 200));
    EXPECT_FALSE(insidePlayWindow(100, 200, 99, 150));
    EXPECT_FALSE(insidePlayWindow(100, 200, 150, 201));
    EXPECT_TRUE(insidePlayWindow(80000, 3600, 86399, 0));
    EXPECT_FALSE(insidePlayWindow(80000, 3600, 3601, 3601));
}

TEST_F(PlayWindowTest, SwitchingOptionsWhileOn)
{
    window(at(9, 0, 0), at(10, 0, 0));
    EXPECT_FALSE(tickAt(12, 0, 0));
    // To "until Turn Off": the next tick plays from the start and disarms.
    f->Option1->click();
    EXPECT_EQ(h.settings.values.value("Option"), "Infinite");
    EXPECT_TRUE(tickAt(12, 0, 1));
    EXPECT_FALSE(f->Timer1->isActive());
    // Back to "Play from": armed again, and outside the window it stops.
    f->Option2->click();
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(h.settings.values.value("Option"), "Timed");
    EXPECT_FALSE(tickAt(12, 0, 2));
}

TEST_F(PlayWindowTest, PlayFromWhileOffPlaysNothing)
{
    f->PushButton2->click(); // off
    h.player.calls.clear();
    f->Option2->click();
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_TRUE(h.player.calls.filter("play ").isEmpty());
}

TEST_F(PlayWindowTest, PickersStoreTheirTimeAtOnce)
{
    f->DTPicker1->setDateTime(at(21, 30, 0));
    EXPECT_EQ(h.settings.values.value("Time From"), "12/7/2026 9:30:00 PM");
    f->DTPicker2->setDateTime(at(0, 0, 0));
    EXPECT_EQ(h.settings.values.value("Time To"), "12/7/2026");
}

TEST_F(PlayWindowTest, AFailureInTheTickNamesTimer1AndEndsIt)
{
    window(at(9, 0, 0), at(17, 0, 0));
    h.player.failNext = true;
    tickAt(10, 0, 0);
    ASSERT_EQ(h.errors.lines(), std::vector<int>{112});
    EXPECT_EQ(h.errors.entries[0].location, "in Hushwave2021/08/31.Form1.Timer1 ");
    EXPECT_TRUE(f->Timer1->isActive());
}

TEST_F(PlayWindowTest, TwentyFourHoursOfTicksStartAndStopOnTime)
{
    window(at(22, 30, 0), at(6, 15, 0));
    int starts = 0, stops = 0;
    bool playing = false;
    for (int tick = 12 * 3600; tick < 36 * 3600; ++tick) { // noon to noon
        const int s = tick % (24 * 3600);
        const bool now = tickAt(s / 3600, s / 60 % 60, s % 60);
        if (now && !playing)
            ++starts;
        if (!now && playing)
            ++stops;
        const bool expected = s >= 22 * 3600 + 30 * 60 || s <= 6 * 3600 + 15 * 60;
        ASSERT_EQ(now, expected) << s;
        playing = now;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(h.errors.entries.empty());
}

} // namespace
