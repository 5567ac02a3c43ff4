// The Bink-style and FrontDoor logs: days from their date columns or separator
// lines, highlighting, and damaged lines (random input is the fuzz targets' part).
#include "TestSupport.h"

#include "engine/BinkLog.h"
#include "engine/FDLog.h"
#include "engine/LogStyles.h"
#include "fido/Lng.h"

using namespace tarvix;

namespace {

TDateTime ThisYear(int month, int day) { return EncodeDate(CurrentYear(), month, day); }

std::string Separator(const std::string& date) { return "----------  " + date + ", FrontDoor 2.12"; }

// The days of an analysis of the text: "first line:date" each.
std::string Days(TLog& log, const std::string& text)
{
    test::QuietWindow w;
    log.Window = &w;
    log.SetText(text);
    if (!log.Analyse({}))
        return "failed";
    std::string days;
    for (std::size_t i = 0; i < log.DayCount(); ++i)
        days += std::to_string(log.GetDay(i).FirstLine) + ":" + FormatDateTime("yyyy-mm-dd", log.GetDay(i).Date) + " ";
    return days;
}

}  // namespace

TEST(BinkLog, DaysFollowTheDateColumnsInTheCurrentYear)
{
    RegisterGenericLogStyles();
    ASSERT_NE(dynamic_cast<TBinkLog*>(CreateLogOfStyle(lsBink).get()), nullptr);
    TBinkLog log;
    EXPECT_EQ(Days(log, "+ 13 Mar 10:00:00 BINK  begin\n! 13 Mar 10:00:01 BINK  failed\n  13 Mar 23:59:59 BINK  same\n"
                        "+ 14 Mar 00:00:01 BINK  next day\n"),
              "1:" + FormatDateTime("yyyy-mm-dd", ThisYear(3, 13)) + " 4:" + FormatDateTime("yyyy-mm-dd", ThisYear(3, 14)) + " ");
    // Across a new year every day is still dated in the current year.
    Days(log, "+ 31 Dec 23:59:00 BINK  b\n+ 01 Jan 00:01:00 BINK  c\n");
    EXPECT_EQ(log.GetDay(1).Date, ThisYear(1, 1));
    EXPECT_EQ(log.DateOfLine("+  5 Nov 10:00:00"), ThisYear(11, 5));  // a blank before the digit
    for (const char* bad : {"+ 05 No", "", "+ 5  Nov", "+ xx Nov", "+ 05 nov", "+ 32 Jan", "+ 00 Jan", "+ -1 Jan"})
        EXPECT_THROW(log.DateOfLine(bad), EConvertError) << bad;
    // Damaged lines are reported and the analysis goes on.
    test::CapturedDialogs errors;
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    Days(log, "+ 13 Mar 10:00:00 BINK  good\n+ 1\n+ \xff\x01 Mar 10:00:00 BINK\n+ 14 M\x80r 10:00:00 BINK\n"
              "+ 31 Feb 10:00:00 BINK\n+ 15 Mar 10:00:00 BINK  good\n");
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 6);
    UnloadLng();
    ASSERT_EQ(errors.Count(), 3u);
    EXPECT_EQ(errors.dialogs.Shown[0].text, "Line 3 could not be analysed: its date cannot be read.");
}

TEST(FDLog, SeparatorsStartDaysOnlyWhenTheDateChanges)
{
    RegisterGenericLogStyles();
    ASSERT_NE(dynamic_cast<TFDLog*>(CreateLogOfStyle(lsFrontDoor).get()), nullptr);
    EXPECT_EQ(std::to_string(TFDLog::ExpandYear(99)) + std::to_string(TFDLog::ExpandYear(80)) +
                  std::to_string(TFDLog::ExpandYear(79)) + std::to_string(TFDLog::ExpandYear(0)),
              "1999198020792000");
    TFDLog log;
    EXPECT_EQ(Days(log, "  10:00:00  before the first separator\n" + Separator("Mon 13 Mar 95") + "\n+ 10:21:07  Connect\n" +
                            Separator("Mon 13 Mar 95") + "\n-------- short dashes are no separator\n" +
                            Separator("Tue 14 Mar 05") + "\n  10:00:00  last\n"),
              "2:1995-03-13 6:2005-03-14 ");
    EXPECT_EQ(log.DayOfLine(1), -1);
    EXPECT_EQ(log.DateOfLine("+ 10:00:00  anything"), EncodeDate(2005, 3, 14));
    // A second analysis of a one-date log finds its day again.
    Days(log, Separator("Mon 13 Mar 95") + "\n  10:00:00  x\n");
    EXPECT_EQ(Days(log, Separator("Mon 13 Mar 95") + "\n  10:00:00  x\n"), "1:1995-03-13 ");
    // Damaged separators are reported and the analysis goes on.
    test::CapturedDialogs errors;
    EXPECT_EQ(Days(log, Separator("Mon 13 Mar 95") + "\n----------\n----------  Mon 13 Mar 9\n" + Separator("Mon xx Mar 95") +
                            "\n" + Separator("Mon 13 mar 95") + "\n" + Separator("Mon 13 Mar  5") + "\n" +
                            Separator("Mon 13 Mar 9x") + "\n" + Separator("Mon 30 Feb 95") + "\n" +
                            Separator("Wed 15 Mar 95") + "\n"),
              "1:1995-03-13 9:1995-03-15 ");
    EXPECT_EQ(errors.Count(), 7u);
    TFDLog direct;
    EXPECT_THROW(direct.ParseLine("----------"), EConvertError);
    EXPECT_NO_THROW(direct.ParseLine("---------"));  // nine dashes: an ordinary line
}
