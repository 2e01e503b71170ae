// The daily play window while the wall clock jumps: daylight-saving changes
// in a real time zone, and the user setting the clock by hand. Each tick must
// start or stop by the time of day it reads, whatever came before.
#include "common/DateText.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTimeZone>

#include <ctime>

namespace
{

// Before anything in this executable reads the local time zone.
const bool berlinTime = [] {
    qputenv("TZ", "Europe/Berlin");
    tzset();
    return true;
}();

qint64 utc(int year, int month, int day, int h, int m, int s)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s), QTimeZone::utc()).toSecsSinceEpoch();
}

struct ClockJumps : ::testing::Test {
    FormHarness h;
    Form1* f = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(berlinTime);
        h.addSounds({"Rain.mp3"});
        f = &h.load();
        f->PushButton2->click();
    }
    // "Play from" between two times of day, set on an ordinary day.
    void window(QTime from, QTime to)
    {
        f->DTPicker1->setDateTime(QDateTime(QDate(2026, 1, 15), from));
        f->DTPicker2->setDateTime(QDateTime(QDate(2026, 1, 15), to));
        f->Option2->click();
    }
    bool tickAt(const QDateTime& moment)
    {
        h.clock.moment = moment;
        f->playWindow.Timer1_Timer();
        return h.player.state == PlayState::Playing;
    }
    bool tickAtUtc(qint64 seconds) { return tickAt(QDateTime::fromSecsSinceEpoch(seconds)); }
    qsizetype plays() const { return h.player.calls.filter("play ").size(); }

    // Ticks once a second over [from, to) in UTC; the local times at which
    // the sound started and stopped.
    QStringList changesBetween(qint64 from, qint64 to)
    {
        QStringList changes;
        bool wasPlaying = h.player.state == PlayState::Playing;
        for (qint64 t = from; t < to; ++t) {
            const bool now = tickAtUtc(t);
            if (now != wasPlaying) {
                const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
                changes << QString(now ? "start " : "stop ") + local.toString("hh:mm:ss ") +
                               local.timeZoneAbbreviation();
            }
            wasPlaying = now;
        }
        return changes;
    }
};

TEST_F(ClockJumps, TheTimeZoneIsTheOneTheseTestsNeed)
{
    // 01:59:59 CET is followed by 03:00:00 CEST in Berlin.
    const qint64 before = utc(2026, 3, 29, 0, 59, 59);
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(before).time(), QTime(1, 59, 59));
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(before + 1).time(), QTime(3, 0, 0));
}

TEST_F(ClockJumps, SpringForwardStartsAWindowOnTheFirstTickAfterTheJump)
{
    window(QTime(2, 30), QTime(3, 30));
    // 01:59:50 CET to 03:30:10 CEST.
    const QStringList changes =
        changesBetween(utc(2026, 3, 29, 0, 59, 50), utc(2026, 3, 29, 1, 30, 11));
    EXPECT_EQ(changes, QStringList({"start 03:00:00 CEST", "stop 03:30:01 CEST"}));
    EXPECT_EQ(plays(), 1);
}

TEST_F(ClockJumps, AWindowInsideTheSkippedHourIsSkippedThatNightOnly)
{
    window(QTime(2, 10), QTime(2, 50));
    EXPECT_TRUE(changesBetween(utc(2026, 3, 28, 23, 0, 0), utc(2026, 3, 29, 2, 0, 0)).isEmpty());
    EXPECT_EQ(plays(), 0);
    EXPECT_EQ(h.player.calls.last(), "stop");
    // The next night, 02:10 CEST.
    EXPECT_TRUE(tickAtUtc(utc(2026, 3, 30, 0, 10, 0)));
}

TEST_F(ClockJumps, FallBackPlaysAWindowInTheRepeatedHourTwice)
{
    window(QTime(2, 15), QTime(2, 45));
    // 02:00 CEST, through the change at 03:00 CEST back to 02:00 CET, to 03:00 CET.
    const QStringList changes =
        changesBetween(utc(2026, 10, 25, 0, 0, 0), utc(2026, 10, 25, 2, 0, 0));
    EXPECT_EQ(changes, QStringList({"start 02:15:00 CEST", "stop 02:45:01 CEST",
                                    "start 02:15:00 CET", "stop 02:45:01 CET"}));
    EXPECT_EQ(plays(), 2);
}

TEST_F(ClockJumps, AWindowAcrossTheFallBackRestsWhileTheClockReadsBeforeIt)
{
    window(QTime(2, 30), QTime(3, 30));
    // 02:29 CEST to 03:31 CET: 02:30 to 03:00 CEST, back to 02:00, on to 03:30.
    const QStringList changes =
        changesBetween(utc(2026, 10, 25, 0, 29, 0), utc(2026, 10, 25, 2, 31, 0));
    EXPECT_EQ(changes, QStringList({"start 02:30:00 CEST", "stop 02:00:00 CET",
                                    "start 02:30:00 CET", "stop 03:30:01 CET"}));
}

TEST_F(ClockJumps, HandSetClockIsFollowedOnTheNextTick)
{
    window(QTime(9, 0), QTime(17, 0));
    const QDate today(2026, 6, 10);
    struct Step {
        QDateTime moment;
        bool playing;
    };
    const std::vector<Step> steps = {
        {QDateTime(today, QTime(12, 0)), true},
        {QDateTime(today, QTime(15, 0)), true},                 // forward, still inside
        {QDateTime(today, QTime(20, 0)), false},                // forward, past the end
        {QDateTime(today, QTime(12, 0)), true},                 // back inside
        {QDateTime(today, QTime(8, 59, 59)), false},            // back, before the start
        {QDateTime(today.addDays(1), QTime(9, 0)), true},       // a day on
        {QDateTime(today.addYears(-1), QTime(17, 0)), true},    // a year back
        {QDateTime(QDate(2030, 2, 1), QTime(17, 0, 1)), false}, // years on
        {QDateTime(QDate(2030, 2, 1), QTime(9, 0, 0)), true},
    };
    qsizetype playsBefore = plays();
    bool wasPlaying = false;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.moment.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(tickAt(step.moment), step.playing);
        // Started only when it was not playing; a playing file is left alone.
        EXPECT_EQ(plays() - playsBefore, step.playing && !wasPlaying ? 1 : 0);
        playsBefore = plays();
        wasPlaying = step.playing;
    }
    EXPECT_TRUE(h.errors.entries.empty());
}

} // namespace

TEST_F(ClockJumps, AStoredTimeTheClockSkippedStillGivesItsTimeOfDay)
{
    // 2:30 AM did not happen in Berlin on 29 March 2026.
    const auto value = parseGeneralDate("3/29/2026 2:30:00 AM");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->time(), QTime(2, 30));
}
