#include "engine/FDLog.h"
#include "engine/LogStyles.h"
#include "fido/Dialogs.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace tarvix;

namespace {

std::string Separator(const std::string& date) { return "----------  " + date + ", FrontDoor 2.12"; }

}  // namespace

TEST(FDLog, FactoryCreatesTheStyle)
{
    RegisterGenericLogStyles();
    auto log = CreateLogOfStyle(lsFrontDoor);
    ASSERT_NE(dynamic_cast<TFDLog*>(log.get()), nullptr);
    EXPECT_EQ(log->Style, lsFrontDoor);
}

TEST(FDLog, SeparatorYearsPivotAroundEighty)
{
    EXPECT_EQ(TFDLog::ExpandYear(99), 1999);
    EXPECT_EQ(TFDLog::ExpandYear(80), 1980);
    EXPECT_EQ(TFDLog::ExpandYear(79), 2079);
    EXPECT_EQ(TFDLog::ExpandYear(5), 2005);
    EXPECT_EQ(TFDLog::ExpandYear(0), 2000);

    TFDLog log;
    log.ParseLine(Separator("Sat 13 Mar 99"));
    EXPECT_EQ(log.CurDay, EncodeDate(1999, 3, 13));
    log.ParseLine(Separator("Sun 13 Mar 05"));
    EXPECT_EQ(log.CurDay, EncodeDate(2005, 3, 13));
    EXPECT_EQ(log.DateOfLine("+ 10:00:00  anything"), EncodeDate(2005, 3, 13));
}

TEST(FDLog, SeparatorsStartDaysOnlyWhenTheDateChanges)
{
    TFDLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.SetText("  10:00:00  before the first separator\n" +
                Separator("Mon 13 Mar 95") + "\n" +
                "+ 10:21:07  Connect 2400\n" +
                Separator("Mon 13 Mar 95") + "\n" +           // the same date again
                "-------- short dashes are no separator\n" +
                Separator("Tue 14 Mar 95") + "\n" +
                "  10:00:00  last\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(0).FirstLine, 2);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(1995, 3, 13));
    EXPECT_EQ(log.GetDay(1).FirstLine, 6);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(1995, 3, 14));
    EXPECT_EQ(log.DayOfLine(1), -1);
    EXPECT_EQ(log.DayOfLine(5), 0);

    // A second analysis of a one-date log finds its day again.
    log.SetText(Separator("Mon 13 Mar 95") + "\n  10:00:00  x\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 1u);
    EXPECT_EQ(log.GetDay(0).FirstLine, 1);
}

TEST(FDLog, LinesStartingWithADashArePaintedAsErrors)
{
    TFDLog log;
    // The separator line itself.
    EXPECT_EQ(log.GetWordClass("----------", 1, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("Mon", 1, 12), hcErrors);
    // An error line keeps its time stamp in the date colour.
    EXPECT_EQ(log.GetWordClass("-", 2, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("10:21:07", 2, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("failed", 2, 12), hcErrors);
    // Any other line is Normal throughout, whatever its later words are.
    EXPECT_EQ(log.GetWordClass("+", 3, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("10:21:08", 3, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("-dash", 3, 12), hcNormal);
}

TEST(FDLog, DamagedSeparatorsAreReportedAndTheAnalysisGoesOn)
{
    TFDLog log;
    test::QuietWindow w;
    log.Window = &w;
    test::CapturedDialogs errors;
    log.SetText(Separator("Mon 13 Mar 95") + "\n" +
                "----------\n" +                                   // nothing after the dashes
                "----------  Mon 13 Mar 9\n" +                     // one year digit short
                Separator("Mon xx Mar 95") + "\n" +
                Separator("Mon 13 mar 95") + "\n" +
                Separator("Mon 13 Mar  5") + "\n" +
                Separator("Mon 13 Mar 9x") + "\n" +
                Separator("Mon 30 Feb 95") + "\n" +
                Separator("Wed 15 Mar 95") + "\n");
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(errors.Count(), 7u);
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(1995, 3, 15));
    EXPECT_EQ(log.GetDay(1).FirstLine, 9);

    TFDLog direct;
    EXPECT_THROW(direct.ParseLine("----------"), EConvertError);
    EXPECT_EQ(direct.CurDay, 0);
    EXPECT_NO_THROW(direct.ParseLine("---------"));  // nine dashes: an ordinary line
}

TEST(FDLog, RandomBytesNeverStopTheAnalysis)
{
    std::mt19937 rng(19950313);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 40);
    // Lines that look like separators with random tails, and lines of random bytes.
    std::string text;
    for (int i = 0; i < 4000; ++i) {
        if (i % 2 == 0)
            text += "----------";
        for (int n = length(rng); n > 0; --n)
            text += static_cast<char>(byte(rng));
        text += '\n';
    }
    TFDLog log;
    test::QuietWindow w;
    log.Window = &w;
    test::CapturedDialogs errors;
    log.SetText(text);
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_GE(log.LineNo, 4000);
    EXPECT_GT(errors.Count(), 0u);
}
