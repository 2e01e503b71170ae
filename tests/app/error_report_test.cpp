#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/Guard.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace
{

TEST(ErrorReport, TheMessageQuotesDescriptionLocationAndLine)
{
    EXPECT_EQ(errorReportMessage("Invalid property value", Location::FormLoad, 140),
              QString("Invalid property value\r\n"
                      "in Hushwave2021/08/31.Form1.Form_Load at line 140\r\r"
                      "Please email screenshot of this message to ") +
                  kSupportAddress);
    EXPECT_TRUE(errorReportMessage("", Location::Timer1, 104)
                    .startsWith("\r\nin Hushwave2021/08/31.Form1.Timer1 at line 104\r\r"));
}

TEST(Guard, EachFailingStatementIsReportedInOrderAndTheHandlerGoesOn)
{
    RecordingErrorReport report;
    Guard guard(report, Location::PushButton2Click);
    QStringList ran;
    guard(100, [&] { ran << "100"; });
    guard(102, [&] { throw Failure("first"); });
    guard(104, [&] { ran << "104"; });
    guard(106, [&] { throw std::runtime_error("second"); });
    guard(108, [&] { throw 42; });
    EXPECT_EQ(ran, QStringList({"100", "104"}));
    ASSERT_EQ(report.lines(), std::vector<int>({102, 106, 108}));
    EXPECT_EQ(report.entries[0].description, "first");
    EXPECT_EQ(report.entries[1].description, "second");
    EXPECT_EQ(report.entries[2].description, "Unknown failure");
    EXPECT_EQ(report.entries[0].location, "in Hushwave2021/08/31.Form1.PushButton2_Click ");
}

TEST(Guard, AFailingTestCountsAsHeld)
{
    RecordingErrorReport report;
    Guard guard(report, Location::Timer1);
    EXPECT_TRUE(guard.test(100, [] { return true; }));
    EXPECT_FALSE(guard.test(102, [] { return false; }));
    EXPECT_TRUE(guard.test(104, []() -> bool { throw Failure("no"); }));
    EXPECT_EQ(report.lines(), std::vector<int>{104});
}

TEST(Guard, AtTheQtEdgeAFailureIsSwallowed)
{
    bool after = false;
    atQtEdge("Slider1_Change", [] { throw Failure("refused"); });
    after = true;
    EXPECT_TRUE(after);
}

// A failed save reaches the report it is given, as a notice that says why;
// other failures, and saves without a report, are only logged.
TEST(Guard, AtTheQtEdgeAFailedSaveIsToldToTheGivenReport)
{
    RecordingErrorReport report;
    atQtEdge(
        "Slider1_Change", [] { throw SaveFailure("the disk is full"); }, &report);
    ASSERT_EQ(report.notices.size(), 1);
    EXPECT_TRUE(report.notices[0].startsWith("the disk is full\r\n"));
    EXPECT_TRUE(report.notices[0].contains("saved with the next save that works"));
    atQtEdge(
        "Slider1_Change", [] { throw Failure("refused"); }, &report);
    atQtEdge("Slider1_Change", [] { throw SaveFailure("the disk is full"); });
    EXPECT_EQ(report.notices.size(), 1);
    EXPECT_TRUE(report.entries.empty());
}

} // namespace
