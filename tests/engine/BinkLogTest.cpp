#include "engine/BinkLog.h"
#include "engine/LogStyles.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace tarvix;

namespace {

TDateTime ThisYear(int month, int day) { return EncodeDate(CurrentYear(), month, day); }

}  // namespace

TEST(BinkLog, FactoryCreatesTheStyle)
{
    RegisterGenericLogStyles();
    auto log = CreateLogOfStyle(lsBink);
    ASSERT_NE(dynamic_cast<TBinkLog*>(log.get()), nullptr);
    EXPECT_EQ(log->Style, lsBink);
    EXPECT_FALSE(log->HasOptions);
}

TEST(BinkLog, ErrorLinesKeepTheirDateWordsAndProgramNameIsSpecial)
{
    TBinkLog log;
    // "! 13 Mar 10:21:07 BINK  Connection failed"
    EXPECT_EQ(log.GetWordClass("!", 1, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("13", 1, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("Mar", 1, 5), hcDateTime);
    EXPECT_EQ(log.GetWordClass("10:21:07", 1, 9), hcDateTime);
    EXPECT_EQ(log.GetWordClass("BINK", 1, 18), hcErrors);
    EXPECT_EQ(log.GetWordClass("failed", 1, 35), hcErrors);

    // "- 13 Mar ..." is an error line too; a marker word like "-x" as well.
    EXPECT_EQ(log.GetWordClass("-x", 2, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("text", 2, 24), hcErrors);

    // "+ 13 Mar 10:21:08 BINK  Sent file": only the program name is Special.
    EXPECT_EQ(log.GetWordClass("+", 3, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("BINK", 3, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Sent", 3, 24), hcNormal);
    EXPECT_EQ(log.GetWordClass("BINK", 3, 19), hcNormal);
}

TEST(BinkLog, DaysFollowTheDateColumnsInTheCurrentYear)
{
    TBinkLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.SetText("+ 13 Mar 10:00:00 BINK  begin\n"
                "! 13 Mar 10:00:01 BINK  failed\n"
                "  13 Mar 23:59:59 BINK  same day\n"
                "+ 14 Mar 00:00:01 BINK  next day\n"
                "+ 14 Mar 00:10:00 BINK  more\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(0).Date, ThisYear(3, 13));
    EXPECT_EQ(log.GetDay(0).FirstLine, 1);
    EXPECT_EQ(log.GetDay(1).Date, ThisYear(3, 14));
    EXPECT_EQ(log.GetDay(1).FirstLine, 4);

    // Across a new year the days before it are in the year before the current one.
    log.SetText("+ 30 Dec 23:00:00 BINK  a\n+ 31 Dec 23:59:00 BINK  b\n+ 01 Jan 00:01:00 BINK  c\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(CurrentYear() - 1, 12, 31));
    EXPECT_EQ(log.GetDay(2).Date, ThisYear(1, 1));
    EXPECT_GT(log.GetDay(2).Date, log.GetDay(1).Date);
}

TEST(BinkLog, DateOfLineReadsOnlyItsColumns)
{
    TBinkLog log;
    EXPECT_EQ(log.DateOfLine("+ 05 Nov"), ThisYear(11, 5));
    EXPECT_EQ(log.DateOfLine("+  5 Nov 10:00:00"), ThisYear(11, 5));  // a blank before the digit
    EXPECT_THROW(log.DateOfLine("+ 05 No"), EConvertError);            // too short
    EXPECT_THROW(log.DateOfLine(""), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 5  Nov"), EConvertError);           // blank after the digit
    EXPECT_THROW(log.DateOfLine("+ xx Nov"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 05 nov"), EConvertError);           // month case matters
    EXPECT_THROW(log.DateOfLine("+ 32 Jan"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 00 Jan"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ -1 Jan"), EConvertError);
}

TEST(BinkLog, DamagedLinesAreReportedAndTheAnalysisGoesOn)
{
    TBinkLog log;
    test::QuietWindow w;
    log.Window = &w;
    test::CapturedDialogs errors;
    log.SetText("+ 13 Mar 10:00:00 BINK  good\n"
                "+ 1\n"                          // too short for a date: no day check
                "+ \xff\x01 Mar 10:00:00 BINK\n"  // garbage in the day
                "+ 14 M\x80r 10:00:00 BINK\n"     // garbage in the month
                "+ 31 Feb 10:00:00 BINK\n"        // no such day
                "+ 15 Mar 10:00:00 BINK  good\n");
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    ASSERT_TRUE(log.Analyse({}));
    UnloadLng();
    ASSERT_EQ(errors.Count(), 3u);
    EXPECT_EQ(errors.dialogs.Shown[0].text, "Line 3 could not be analysed: its date cannot be read.");
    EXPECT_EQ(errors.dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(errors.dialogs.Shown[2].text, "Line 5 could not be analysed: its date cannot be read.");
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).Date, ThisYear(3, 15));
    EXPECT_EQ(log.GetDay(1).FirstLine, 6);
}

TEST(BinkLog, RandomBytesNeverStopTheAnalysis)
{
    std::mt19937 rng(20260313);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(1 << 18, '\0');
    for (char& c : text)
        c = static_cast<char>(byte(rng));
    // Zero bytes end a log; keep them out so that the whole text is read.
    for (char& c : text)
        if (c == '\0')
            c = '\n';
    TBinkLog log;
    test::QuietWindow w;
    log.Window = &w;
    test::CapturedDialogs errors;
    log.SetText(text);
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_GT(log.LineNo, 100);
    EXPECT_LE(errors.Count(), static_cast<std::size_t>(log.LineNo));
    for (std::size_t i = 0; i < log.DayCount(); ++i)
        EXPECT_EQ(log.DayOfLine(log.GetDay(i).FirstLine), static_cast<long>(i));
}
