#include "engine/CustomLog.h"
#include "engine/LogStyles.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {


TCustomLogOptions Sample()
{
    TCustomLogOptions o;
    o.LineMask = "dd/mm/yy hh:nn:ss !";
    o.DateMask = " ----- dd MMM yy";  // a leading blank must survive the file
    o.ErrWords = "FAILED\tDenied  oops";
    o.Rows = {{"~ERR", "Errors"}, {"a;b", "special"}, {"", ""}, {"Sent", "Sent"}};
    return o;
}

void Analyse(TCustomLog& log, const std::string& text)
{
    test::QuietWindow w;
    log.Window = &w;
    log.SetText(text);
    ASSERT_TRUE(log.Analyse({}));
    log.Window = nullptr;
}

}  // namespace

// The date of a line by the mask: the date, the date kept from the line before, or
// the error raised.
struct MaskCase {
    const char* mask;
    const char* line;
    const char* date;  // "yyyy-mm-dd", or "convert" / "decode" for the errors
};

class CustomLogDates : public ::testing::TestWithParam<std::vector<MaskCase>> {};

TEST_P(CustomLogDates, OfEveryLineInTurn)
{
    TCustomLog log;
    log.CurDate = EncodeDate(1990, 1, 1);
    for (const MaskCase& c : GetParam()) {
        log.LineMask = c.mask;
        std::string got;
        try {
            got = FormatDateTime("yyyy-mm-dd", log.DateOfLine(c.line));
        } catch (const ELogError&) {
            got = "decode";
        } catch (const EConvertError&) {
            got = "convert";
        }
        EXPECT_EQ(got, c.date) << c.mask << " [" << c.line << "]";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Masks, CustomLogDates,
    ::testing::Values(
        // A literal that does not match, or a line shorter than the mask: the date before.
        std::vector<MaskCase>{{"dd/mm/yy hh:nn:ss", "24/12/98 10:00:00", "1998-12-24"},
                              {"dd/mm/yy hh:nn:ss", "25-12-98 10:00:00", "1998-12-24"},
                              {"dd/mm/yy hh:nn:ss", "25/12/98 10.00:00", "1998-12-24"},
                              {"dd/mm/yy hh:nn:ss", "25/12/98 10:00:0", "1998-12-24"},
                              {"dd/mm/yy hh:nn:ss", "", "1998-12-24"}},
        // The date of the last line is kept with its bytes: only the bytes up to the
        // last date letter or fixed character of the mask decide; another mask reads
        // the same bytes anew.
        std::vector<MaskCase>{{"dd/mm/yy hh:nn:ss", "24/12/98 23:59:59 later", "1998-12-24"},
                              {"dd/mm/yy hh:nn:ss", "24/12/99 00:00:00", "1999-12-24"},
                              {"dd/mm/yy hh:nn:ss", "24-12/99 00:00:00", "1999-12-24"},
                              {"dd/mm/yy hh:nn:ss", "31/02/99 00:00:00", "convert"},
                              {"dd/mm/yy hh:nn:ss", "31/02/99 00:00:01", "convert"},
                              {"mm/dd/yy hh:nn:ss", "04/12/99 10:00:00", "1999-04-12"},
                              {"dd/mm/yy hh:nn:ss", "04/12/99 10:00:00", "1999-12-04"}},
        // Years of four, two and one digits; month names; digits win over a name.
        std::vector<MaskCase>{{"yyyy-mm-dd", "2005-03-13", "2005-03-13"}, {"yyyy-mm-dd", "0005-03-13", "0005-03-13"},
                              {"yy-mm-dd", "05-03-13", "2005-03-13"}, {"yy-mm-dd", "99-03-13", "1999-03-13"},
                              {"y-mm-dd", "5-03-13", "0005-03-13"}, {"d.MMM.yyyy", "7.Nov.2020", "2020-11-07"},
                              {"dd mm MMM yyyy", "01 02 Mar 2020", "2020-02-01"}},
        // Undecodable dates raise and leave the date alone; absurdly long fields never
        // overflow anything.
        std::vector<MaskCase>{{"dd/mm/yy hh:nn:ss", "ab/12/98 10:00:00", "decode"},
                              {"dd/mm/yy hh:nn:ss", "12/1 /98 10:00:00", "decode"},
                              {"dd/mm/yy hh:nn:ss", "31/02/98 10:00:00", "convert"},
                              {"dd/mm/yy hh:nn:ss", "00/01/98 10:00:00", "convert"}, {"dd MMM", "01 mar", "decode"},
                              {"dd MMM", "01 \xff\x01\x80", "decode"}, {"dd MMMM", "01 Marc", "decode"},
                              {"yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy", "999999999999999999999999999999", "decode"},
                              {"dddddddddddd", "999999999999", "decode"}, {"hh:nn", "1", "1990-01-01"}}));

TEST(CustomLog, DaysOfTheLineMaskAndTheDateMask)
{
    TCustomLog log;
    log.LineMask = "dd/mm/yy hh:nn:ss";
    Analyse(log, "24/12/98 10:00:00 start\ncontinuation line of another shape\n24/12/98 23:00:00 same day\n"
                 "25/12/98 00:00:01 next\nshort\n");
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 4);
    EXPECT_EQ(log.DayOfLine(5), 1);
    try {
        log.DateOfLine("ab/12/98 10:00:00");
        FAIL() << "no error";
    } catch (const ELogError& e) {
        EXPECT_STREQ(e.what(), "Error decoding date with mask dd/mm/yy hh:nn:ss in line:\n\rab/12/98 10:00:00");
    }
    // Fields the mask lacks come from today's date, within an analysis too.
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    log.LineMask = "hh:nn:ss";
    EXPECT_EQ(log.DateOfLine("10:00:00"), EncodeDate(y, m, d));
    log.LineMask = "";
    EXPECT_EQ(log.DateOfLine("anything"), EncodeDate(y, m, d));
    log.LineMask = "dd.mm hh:nn";
    Analyse(log, "01.02 10:00 a\n01.02 11:00 b\n03.02 10:00 c\n03.02 12:00 d\n");
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(y, 2, 3));
    EXPECT_EQ(log.GetDay(1).FirstLine, 3);
    // The date mask marks only lines with its prefix.
    TCustomLogOptions o;
    o.LineMask = "hh:nn:ss !";
    o.DateMask = "----- dd MMM yy";
    log.SetOptions(o);
    EXPECT_EQ(log.DatePrefixLen, 6);
    Analyse(log, "----- 13 Mar 98\n10:00:00 a\n------ 14 Mar 98 six dashes: not a date line\n-----x14 Mar 98\n"
                 "----- 14 Mar 98\n11:00:00 b\n");
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 5);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(1998, 3, 14));
    std::string lengths;
    for (const char* mask : {"--- n dd", "!dd", "=== x", "== at", "=====", ""})
        lengths += std::to_string(TCustomLog::DatePrefixLength(mask)) + " ";
    EXPECT_EQ(lengths, "6 0 4 5 5 0 ");  // "n" and blanks belong to the prefix
}

TEST(CustomLog, HighlightStringsAndMaskColumns)
{
    TCustomLog log;
    log.LineMask = "hh:nn:ss x !";
    log.HStrings = {{"~ERR", hcErrors}, {"sent", hcSent}, {"~", hcInfo}};
    // "~ERR" is a prefix in any case.
    EXPECT_EQ(log.GetWordClass("ERROR:", 1, 11), hcErrors);
    EXPECT_EQ(log.GetWordClass("errno", 2, 11), hcErrors);
    EXPECT_EQ(log.GetWordClass("ER", 3, 11), hcInfo);  // too short for ~ERR, "~" takes every word
    log.HStrings = {{"ERR", hcErrors}};
    EXPECT_EQ(log.GetWordClass("err", 4, 11), hcErrors);
    EXPECT_EQ(log.GetWordClass("Err", 5, 11), hcErrors);
    EXPECT_EQ(log.GetWordClass("ERROR:", 6, 11), hcNormal);
    EXPECT_EQ(log.GetWordClass("errno", 7, 11), hcNormal);

    // An "x" column is Special for its word only; a matching string overrides it.
    EXPECT_EQ(log.GetWordClass("node", 8, 9), hcSpecial);
    EXPECT_EQ(log.GetWordClass("ok", 8, 11), hcNormal);
    EXPECT_EQ(log.GetWordClass("ERR", 9, 9), hcErrors);
    EXPECT_EQ(log.GetWordClass("ok", 9, 11), hcNormal);
    // A "!" column does not hold its class; a word past the mask holds its class,
    // Normal included, for the rest of the line.
    EXPECT_EQ(log.GetWordClass("err", 10, 11), hcErrors);
    EXPECT_EQ(log.GetWordClass("ok", 10, 15), hcNormal);
    EXPECT_EQ(log.GetWordClass("err", 10, 20), hcNormal);
    EXPECT_EQ(log.GetWordClass("err", 12, 20), hcErrors);
    EXPECT_EQ(log.GetWordClass("ok", 12, 24), hcErrors);
    // Date words stay date words on a held line.
    EXPECT_EQ(log.GetWordClass("10:00:00", 10, 0), hcDateTime);
    // A class number beyond the colour items paints Normal.
    log.HStrings = {{"odd", 200}};
    EXPECT_EQ(log.GetWordClass("odd", 11, 30), hcNormal);
}

TEST(CustomLog, SettingsRoundTripAndDamagedSettings)
{
    TCustomLog log;
    log.Name = "Other";
    log.SetOptions(Sample());
    log.HStrings.push_back({"timeline", 11});
    TIniFile ini;
    log.SaveToReg(ini, "Log3");
    EXPECT_EQ(ini.ReadString("Log3", "HString1", ""), "Special;a;b");

    TIniFile reread;
    reread.FromText(ini.ToText());
    TCustomLog back;
    back.LoadFromReg(reread, "Log3");
    EXPECT_EQ(back.Name, "Other");
    EXPECT_EQ(back.LineMask, log.LineMask);
    EXPECT_EQ(back.DateMask, log.DateMask);
    EXPECT_EQ(back.ErrWords, log.ErrWords);
    EXPECT_EQ(back.DatePrefixLen, log.DatePrefixLen);
    ASSERT_EQ(back.HStrings.size(), 4u);
    EXPECT_EQ(back.HStrings[1].Text, "a;b");
    EXPECT_EQ(back.HStrings[1].Class, hcSpecial);
    EXPECT_EQ(back.HStrings[3].Class, 11);

    // Colour names in any case; missing keys read as empty.
    TIniFile small;
    small.FromText("[L]\nHStringCnt=1\nHString0=eRRors;failed\n");
    TCustomLog s;
    s.LoadFromReg(small, "L");
    EXPECT_EQ(s.LineMask, "");
    ASSERT_EQ(s.HStrings.size(), 1u);
    EXPECT_EQ(s.HStrings[0].Class, hcErrors);

    // An unknown colour, a value without one, or a missing string: an error, and
    // the log keeps what it had.
    for (const char* bad : {"[L]\nLineMask=new\nHStringCnt=1\nHString0=Foreground;x\n",
                            "[L]\nLineMask=new\nHStringCnt=1\nHString0=failed\n",
                            "[L]\nLineMask=new\nHStringCnt=2\nHString0=Errors;x\n",
                            "[L]\nLineMask=new\nHStringCnt=2000000000\nHString0=Errors;x\n"}) {
        TIniFile damaged;
        damaged.FromText(bad);
        EXPECT_THROW(back.LoadFromReg(damaged, "L"), Exception) << bad;
        EXPECT_EQ(back.LineMask, log.LineMask);
        EXPECT_EQ(back.HStrings.size(), 4u);
    }
}

TEST(CustomLogHgl, ExportAndImportRoundTrip)
{
    test::TempDir dir;
    std::string file = (dir / "mine.hgl");
    // Another section of the file stays; old keys of ours do not.
    WriteFileAtomic(file, "[Other]\nKeep=yes\n\n[QZHgl]\nVersion=1\nHString9=Errors;stale\n");
    ExportHgl(file, Sample());
    std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("[Other]\nKeep=yes\n"), std::string::npos);
    EXPECT_EQ(text.find("stale"), std::string::npos);
    TCustomLogOptions back;
    ASSERT_TRUE(ImportHgl(file, back));
    EXPECT_EQ(back, Sample());

    // Without rows the import gives one empty row.
    TCustomLogOptions none = Sample();
    none.Rows.clear();
    ExportHgl(file, none);
    ASSERT_TRUE(ImportHgl(file, back));
    EXPECT_EQ(back.Rows, (std::vector<THglRow>{THglRow{}}));
    EXPECT_EQ(back.DateMask, none.DateMask);

    // A row without ";" is all text; colour names are taken as they stand.
    WriteFileAtomic(file, "[QZHgl]\nVersion=1\nHStringCnt=2\nHString1=plain\nhstring2=Nonsense;x\n");
    ASSERT_TRUE(ImportHgl(file, back));
    EXPECT_EQ(back.Rows, (std::vector<THglRow>{{"plain", ""}, {"x", "Nonsense"}}));
    EXPECT_EQ(back.LineMask, "");
}

TEST(CustomLogHgl, OtherVersionsAreReportedAndReadNothing)
{
    test::TempDir dir;
    std::string file = (dir / "v2.hgl");
    WriteFileAtomic(file, "[QZHgl]\nVersion=2\nLineMask=hh:nn\nHStringCnt=1\nHString1=Errors;x\n");
    TBatchDialogs dialogs(mrOk, true);
    SetDialogs(&dialogs);
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    TCustomLogOptions options = Sample();
    EXPECT_FALSE(ImportHgl(file, options));
    UnloadLng();
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_NE(dialogs.Shown[0].text.find(file), std::string::npos);
    EXPECT_EQ(options, Sample());

    // No version, an empty file, a file of another kind: the same.
    for (const char* other : {"[QZHgl]\nLineMask=x\n", "", "[QZHgl]\nVersion=1.0\n", "Version=1\n"}) {
        WriteFileAtomic(file, other);
        EXPECT_FALSE(ImportHgl(file, options)) << other;
    }
    EXPECT_EQ(dialogs.Shown.size(), 5u);
    EXPECT_EQ(options, Sample());
    SetDialogs(nullptr);
}

TEST(CustomLogHgl, DamagedFilesRaiseAndChangeNothing)
{
    test::TempDir dir;
    std::string file = (dir / "bad.hgl");
    TBatchDialogs dialogs(mrOk, true);
    SetDialogs(&dialogs);
    const TCustomLogOptions before = Sample();
    TCustomLogOptions options = before;

    for (const char* bad : {
             "[QZHgl]\nVersion=1\nLineMask=new\nHStringCnt=3\nHString1=Errors;a\n",  // truncated
             "[QZHgl]\nVersion=1\nLineMask=new\nHStringCnt=999999999999\nHString1=Errors;a\n",
             "[QZHgl]\nVersion=1\nLineMask=new\nHStringCnt=-1\n",
             "[QZHgl]\nVersion=1\nLineMask=new\nHStringCnt=two\n",
             "[QZHgl]\nVersion=1\nLineMask=new\nHStringCnt=2\nHString1=Errors;a\nHString3=Errors;c\n",
         }) {
        WriteFileAtomic(file, bad);
        EXPECT_THROW(ImportHgl(file, options), EHglError) << bad;
        EXPECT_EQ(options, before);
    }

    // A file much larger than any highlighting file.
    WriteFileAtomic(file, "[QZHgl]\nVersion=1\n" + std::string(2 << 20, 'x'));
    EXPECT_THROW(ImportHgl(file, options), EHglError);
    EXPECT_THROW(ExportHgl(file, before), EHglError);
    EXPECT_THROW(ImportHgl((dir / "missing.hgl"), options), EInOutError);
    EXPECT_EQ(options, before);

    SetDialogs(nullptr);
}
