#include "app/Conversions.h"
#include "common/DateText.h"
#include "common/Failure.h"

#include <gtest/gtest.h>
#include <QLocale>

namespace
{

TEST(Conversions, StoredNumbersReadTheirLeadingNumberRoundedHalfToEven)
{
    const std::vector<std::pair<QString, double>> cases = {
        {"70.5", 70}, {"71.5", 72}, {"50abc", 50}, {"6 0", 60}, {"abc", 0}, {"", 0},   {"-3", -3},
        {"1e2", 100}, {" 37 ", 37}, {"2.5.1", 2},  {".5", 0},   {"1.5", 2}, {"1e", 1}, {"+8x", 8}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(roundHalfEven(leadingNumber(text)), expected) << text.toStdString();
}

TEST(Conversions, AStyleIndexMustBeAWholeNumberInSixteenBits)
{
    EXPECT_EQ(toInt16("2"), 2);
    EXPECT_EQ(toInt16("-1"), -1);
    EXPECT_EQ(toInt16("2.5"), 2);
    EXPECT_EQ(toInt16(" 3 "), 3);
    EXPECT_THROW(toInt16("abc"), Failure);
    EXPECT_THROW(toInt16(""), Failure);
    EXPECT_THROW(toInt16("1 2"), Failure);
    EXPECT_THROW(toInt16("32768"), Failure);
    EXPECT_EQ(toInt16("-32768"), -32768);
}

TEST(Conversions, TheApplicationTitleLosesWholeWordsFromItsEnd)
{
    EXPECT_EQ(applicationTitle("Hushwave"), "Hushwave");
    EXPECT_EQ(applicationTitle("Calm Noise Player Deluxe"), "Calm Noise Player");
    const QString longName = "Very Long Product Name For A Noise Player Made Here";
    const QString title = applicationTitle(longName);
    EXPECT_LE(title.size(), 40);
    EXPECT_TRUE(longName.startsWith(title + ' '));
    EXPECT_EQ(title, "Very Long Product Name For A Noise");
    EXPECT_EQ(applicationTitle(QString(50, 'x')), QString(50, 'x'));
}

TEST(DateText, StoredTimesUseOneFormWhateverTheLocale)
{
    const QDateTime evening(QDate(2026, 12, 6), QTime(21, 15, 0));
    const QDateTime midnight(QDate(2026, 12, 7), QTime(0, 0));
    for (const auto& locale : {QLocale(QLocale::German), QLocale(QLocale::English),
                               QLocale(QLocale::Chinese), QLocale(QLocale::Arabic)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(formatGeneralDate(evening), "12/6/2026 9:15:00 PM");
        EXPECT_EQ(formatGeneralDate(midnight), "12/7/2026");
        EXPECT_EQ(parseGeneralDate("12/6/2026 9:15:00 PM"), evening);
        EXPECT_EQ(parseGeneralDate("12/7/2026"), midnight);
    }
    QLocale::setDefault(QLocale::c());
}

TEST(DateText, IsoTextIsReadAndGarbageIsNot)
{
    EXPECT_EQ(parseGeneralDate("2026-12-06T21:15:00"),
              QDateTime(QDate(2026, 12, 6), QTime(21, 15)));
    EXPECT_EQ(parseGeneralDate("2026-12-06"), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(parseGeneralDate("12/6/2026 12:00:00 AM"),
              QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(parseGeneralDate("1/1/2027 12:30:05 PM"),
              QDateTime(QDate(2027, 1, 1), QTime(12, 30, 5)));
    for (const QString bad : {"", "tomorrow", "13/45/2026", "\x01\x02", "9:15:00 PM"})
        EXPECT_FALSE(parseGeneralDate(bad).has_value()) << bad.toStdString();
}

} // namespace
