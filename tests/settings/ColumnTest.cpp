// Report columns and their stored form, report settings, and the program's settings
// file (colours, fonts, damaged values, the main address).
#include "settings/Column.h"

#include "fido/FidoAddr.h"
#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"
#include "settings/SettingsStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

const char* const kSec = "Log.SessList";

// A window's column class: remembers which type the factory made it for.
class TTestColumn : public TColumn {
public:
    explicit TTestColumn(int madeFor = -1) : MadeFor(madeFor) {}
    void GetText(const void*, bool, std::string& text) const override { text = "t" + std::to_string(ColType); }
    int MadeFor;
};

TColumnFactory Factory(std::vector<int>* asked = nullptr)
{
    return [asked](int colType) -> std::unique_ptr<TColumn> {
        if (asked)
            asked->push_back(colType);
        return std::make_unique<TTestColumn>(colType);
    };
}

TColumn FromParams(const std::string& text)
{
    TColumn c;
    c.SetParamsText(text);
    return c;
}

void ExpectColumnError(const std::function<void()>& f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no EColumnError, expected: " << message;
    } catch (const EColumnError& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

struct Fields {
    int colType;
    std::string heading;
    bool showScr, showFile;
    int scrWidth, fileWidth, alignment;
    bool separator;
};

void ExpectFields(const TColumn& c, const Fields& f)
{
    EXPECT_EQ(c.ColType, f.colType);
    EXPECT_EQ(c.Heading, f.heading);
    EXPECT_EQ(c.ShowScr, f.showScr);
    EXPECT_EQ(c.ShowFile, f.showFile);
    EXPECT_EQ(c.ScrWidth, f.scrWidth);
    EXPECT_EQ(c.FileWidth, f.fileWidth);
    EXPECT_EQ(c.Alignment, f.alignment);
    EXPECT_EQ(c.Separator, f.separator);
}

}  // namespace

// ---------------------------------------------------------------------------------
// TColumn

TEST(ColumnStored, OlderFormIsReadAndWrittenBackAsParams)
{
    TIniFile ini;
    ini.WriteInteger(kSec, "Column2.ColType", 7);
    ini.WriteString(kSec, "Column2.Heading", "Mailer; version");
    ini.WriteBool(kSec, "Column2.ShowScr", false);
    ini.WriteBool(kSec, "Column2.ShowFile", true);
    ini.WriteInteger(kSec, "Column2.ScrWidth", 150);
    ini.WriteInteger(kSec, "Column2.FileWidth", 25);
    ini.WriteInteger(kSec, "Column2.Alignment", 2);
    ini.WriteBool(kSec, "Column2.Separator", false);
    ini.WriteString(kSec, "Other", "kept");
    TColumn c;
    c.LoadIni(ini, kSec, "Column2");
    ExpectFields(c, {7, "Mailer; version", false, true, 150, 25, 2, false});

    // Saving migrates the column: the separate values go, the ".Params" text comes,
    // and it reads back the same even though the heading holds ";".
    c.SaveIni(ini, kSec, "Column2");
    EXPECT_EQ(ini.ReadSection(kSec), (std::vector<std::string>{"Other", "Column2.Params"}));
    EXPECT_EQ(ini.ReadString(kSec, "Column2.Params", ""), "7;Mailer; version;0;1;150;25;2;0");
    TColumn back;
    back.LoadIni(ini, kSec, "Column2");
    ExpectFields(back, {7, "Mailer; version", false, true, 150, 25, 2, false});
}

TEST(ColumnStored, WidthsAreKeptWithinBounds)
{
    // Negative widths take the defaults, huge ones are cut to the bounds.
    ExpectFields(FromParams("1;h;1;1;-5;-1;0;1"), {1, "h", true, true, 100, 10, 0, true});
    ExpectFields(FromParams("1;h;1;1;1000000000;1000000000;0;1"),
                 {1, "h", true, true, MaxScrWidth, MaxFileWidth, 0, true});
    ExpectFields(FromParams("1;h;1;1;0;0;0;1"), {1, "h", true, true, 0, 0, 0, true});
    TIniFile ini;
    ini.WriteString(kSec, "C.ColType", "1");
    ini.WriteString(kSec, "C.ScrWidth", "99999999999");
    ini.WriteString(kSec, "C.FileWidth", "-2147483648");
    TColumn c;
    c.LoadIni(ini, kSec, "C");
    EXPECT_EQ(c.ScrWidth, MaxScrWidth);
    EXPECT_EQ(c.FileWidth, 10);
}

TEST(ColumnStored, DamagedParamsRaiseAndLeaveTheColumnAlone)
{
    for (std::string text : {"x;Node;1;1;80;20;1;0", "3;Node;yes;1;80;20;1;0", "3;Node;1;1;80px;20;1;0",
                             "3;Node;1;1;80;1e9;1;0", "3;Node;1;1;80;20;1;0x1", "99999999999;h",
                             "3;h;1;1;99999999999999999999;1;0;1", "3;h;1;1;8 0;1;0;1", "-;h",
                             "3;h;1;1;80;\x01;0;1"}) {
        TColumn c;
        c.SetParamsText("5;Kept;0;1;55;5;2;0");
        ExpectColumnError([&] { c.SetParamsText(text); }, "TColumn.CreateIni: invalid parameters " + text);
        ExpectFields(c, {5, "Kept", false, true, 55, 5, 2, false});
    }
}

// ---------------------------------------------------------------------------------
// TColumnList

TEST(ColumnList, RecalcKeepsOutOfRangeWidthsFromOverflowing)
{
    TColumnList list;
    for (int i = 0; i < 300; ++i)
        list.AddColumn(i, 2000000000, "w");
    list.AddColumn(0, -50, "n");
    list.Recalc();
    EXPECT_EQ(list.ScrCount(), 301);  // no limit on the shown columns of a list in memory
    EXPECT_EQ(list.ScrIndex().back(), 300);
    EXPECT_EQ(list.ScrTotalWidth(), 300 * (MaxScrWidth + 1) + 1);
}

TEST(ColumnListStored, RoundTripThroughTheSettingsText)
{
    TColumnList list;
    list.AddColumn<TTestColumn>(0, 90, "Date");
    TColumn& addr = list.AddColumn<TTestColumn>(3, 95, "Address");
    addr.ShowFile = true;
    addr.FileWidth = 24;
    addr.Alignment = caCenter;
    TColumn& sys = list.AddColumn<TTestColumn>(4, 120, "System; name");
    sys.ShowScr = false;
    sys.Separator = false;

    TIniFile ini;
    list.SaveIni(ini, kSec);
    EXPECT_EQ(ini.ReadString(kSec, "NumColumns", ""), "3");
    EXPECT_EQ(ini.ReadString(kSec, "Column1.Params", ""), "3;Address;1;1;95;24;2;1");

    TIniFile reread;
    reread.FromText(ini.ToText());
    TColumnList back;
    std::vector<int> asked;
    ASSERT_TRUE(back.LoadIni(reread, kSec, Factory(&asked)));
    EXPECT_EQ(asked, (std::vector<int>{0, 3, 4}));
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.GetColumn(i).ParamsText(), list.GetColumn(i).ParamsText());
        EXPECT_NE(dynamic_cast<const TTestColumn*>(&back.GetColumn(i)), nullptr);
    }
    // Loading recalculates.
    EXPECT_EQ(back.ScrIndex(), (std::vector<int>{0, 1}));
    EXPECT_EQ(back.FileCount(), 1);
}

TEST(ColumnListStored, DamagedColumnsOrCountsRaiseAndLeaveTheListAsItWas)
{
    TIniFile ini;
    ini.WriteInteger(kSec, "NumColumns", 3);
    ini.WriteString(kSec, "Column0.Params", "6;Phone");
    ini.WriteString(kSec, "Column1.Params", "6;Phone;1;1;80;20;9;1");
    TColumnList list;
    list.AddColumn(1, 10, "old");
    ExpectColumnError([&] { list.LoadIni(ini, kSec, Factory()); }, "TColumn.CreateIni: invalid Alignment value");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetColumn(0).Heading, "old");

    ini.WriteInteger(kSec, "NumColumns", 10000);
    ExpectColumnError([&] { list.LoadIni(ini, kSec, Factory()); },
                      "TColumnList.LoadIni: invalid number of columns 10000");
    EXPECT_EQ(list.Count(), 1);

    // The largest stored list loads.
    TIniFile big;
    big.WriteInteger(kSec, "NumColumns", MaxColumns);
    ASSERT_TRUE(list.LoadIni(big, kSec, Factory()));
    EXPECT_EQ(list.Count(), MaxColumns);
}

// ---------------------------------------------------------------------------------
// Report settings

TEST(ReportSettings, MissingAndGarbageValues)
{
    TIniFile ini;
    TReportSettings s;
    s.RepHeader = "x";
    s.Codepage = 1;
    LoadReportSettings(s, ini, kSec);
    EXPECT_EQ(s.RepHeader, "");
    // A window without stored report settings writes UTF-8.
    EXPECT_EQ(s.Codepage, TReportSettings::cpUtf8);
    ini.WriteString(kSec, "Codepage", "2");
    LoadReportSettings(s, ini, kSec);
    EXPECT_EQ(s.Codepage, TReportSettings::cpUtf8);
    for (std::string cp : {"3", "-1", "ansi", "99999999999999999999"}) {
        ini.WriteString(kSec, "Codepage", cp);
        s.Codepage = 1;
        LoadReportSettings(s, ini, kSec);
        EXPECT_EQ(s.Codepage, 0) << cp;
    }
}

namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path dir = temp.path;
    std::string file;
    void SetUp() override
    {
        file = (dir / "Kembrot" / "Tarvix.ini").string();
        ClearMainAddr();
    }
    void TearDown() override
    {
        ClearMainAddr();
        SetDefaultAddrFlags(0);
        SetDriveMap({});
    }
    void Open(const std::string& text = {})
    {
        if (!text.empty()) {
            fs::create_directories(fs::path(file).parent_path());
            WriteFileAtomic(file, text);
        }
        OpenSettings(file);
        LoadSettings();
    }
};

}  // namespace

TEST_F(SettingsTest, ColoursFontsAndBadValuesFallBackToDefaults)
{
    Open("[General]\nLogFont=Courier,\nGridFont=Terminus,12,bu,2,clRed,RUSSIAN_CHARSET\nDayEnd=abc\n"
         "DLCDigits=0x4\nDriveMap=C:=/srv/fido\nOemCodePage=koi8-r\n"
         "[Colors]\nNormal=clLime\nErrors=blue\nTLBad=$00123456\n");
    const TGeneralSettings& s = Settings();
    EXPECT_EQ(s.LogFont.Name, "Courier");
    EXPECT_EQ(s.LogFont.Size, 8);  // only the face changes
    EXPECT_TRUE(s.GridFont.Bold && s.GridFont.Underline && !s.GridFont.Italic);
    EXPECT_EQ(s.DayEnd, 8);
    EXPECT_EQ(s.DLCDigits, 4);
    EXPECT_EQ(s.Colors[ciNormal], clLime);
    EXPECT_EQ(s.Colors[ciErrors], clRed);  // "blue" is no colour name
    EXPECT_EQ(s.Colors[ciTLBad], 0x123456);
    EXPECT_EQ(GetDriveMap().at('C'), "/srv/fido");
    EXPECT_EQ(s.OemCodePage, CodePage::KOI8R);
    EXPECT_EQ(FontToString(s.GridFont), "Terminus,12,BU,2,clRed,RUSSIAN_CHARSET");
}

TEST_F(SettingsTest, SaveWritesOnlyWhatChangedAndKeepsTheFilesOtherValues)
{
    Open("[General]\nSkipErrors=yes\nLogFont=Courier,\nSaveDesktop=1\n[Log1]\nName=T-Mail\nStyle=1\n"
         "[Colors]\nTransfers=clRed\n");
    Settings().DayStart = 22;
    Settings().Colors[ciErrors] = clLime;
    // Meanwhile the user changes the file by hand.
    WriteFileAtomic(file, ReadWholeFile(file) + "\n[General]\nSaveDesktop=0\n");
    SaveSettings();
    const TIniFile saved(file);
    EXPECT_EQ(saved.ReadString("Log1", "Name", ""), "T-Mail");
    EXPECT_FALSE(saved.ValueExists("Colors", "Transfers"));
    EXPECT_EQ(saved.ReadString("General", "DayStart", ""), "22");
    EXPECT_EQ(saved.ReadString("Colors", "Errors", ""), "clLime");
    // Unchanged values are not written: not the defaults, not a normalised form of
    // what was read, and not over the hand-made change.
    EXPECT_FALSE(saved.ValueExists("Colors", "TLBad"));
    EXPECT_FALSE(saved.ValueExists("General", "DLCBackupX"));
    EXPECT_EQ(saved.ReadString("General", "SkipErrors", ""), "yes");
    EXPECT_EQ(saved.ReadString("General", "LogFont", ""), "Courier,");
    EXPECT_EQ(saved.ReadString("General", "SaveDesktop", ""), "0");
}

TEST_F(SettingsTest, UnparsableMainAddressRaisesAfterLoadingTheRest)
{
    for (const char* bad : {"2:5030", "2:5030/*", "12", ".5", "2:5030/99999", "garbage"}) {
        SCOPED_TRACE(bad);
        try {
            Open(std::string("[General]\nMainAddr=") + bad + "\nDayEnd=5\n[Colors]\nNormal=clLime\n");
            FAIL() << "no error";
        } catch (const EAddrError& e) {
            EXPECT_TRUE(e.Key() == "FidoAddr.InvAddr" || e.Key() == "FidoAddr.NoMask") << e.Key();
        }
        EXPECT_TRUE(Settings().MainAddrDefaulted);
        ASSERT_NE(MainAddr(), nullptr);
        EXPECT_EQ(MainAddr()->ToStrFlags(pfDomain), "2:5030/999.999@fidonet");
        EXPECT_EQ(Settings().DayEnd, 5);
        EXPECT_EQ(Settings().Colors[ciNormal], clLime);
    }
}
