#include "settings/Column.h"

#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <random>

using namespace tarvix;

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

TEST(ColumnListStored, GarbageSettingsNeverCrash)
{
    // Random settings texts made of the pieces a stored column has: whatever comes
    // out, loading either succeeds with sane widths or raises EColumnError.
    std::mt19937 rng(12345);
    const std::vector<std::string> pieces = {";", "1", "0", "-", "99999999999", "x", " ", "Column", "0",
                                             ".Params", "=", "\n", "NumColumns", "2", ";;", "\xFF", "[", "]",
                                             ".ColType", ".Alignment", ".FileWidth", "3", "1000000000"};
    int loaded = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string text = "[S]\nNumColumns=" + std::to_string(rng() % 4) + "\n";
        int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % pieces.size()];
        TIniFile ini;
        ini.FromText(text);
        TColumnList list;
        try {
            if (list.LoadIni(ini, "S", Factory()))
                ++loaded;
        } catch (const EColumnError&) {
            continue;
        }
        for (int i = 0; i < list.Count(); ++i) {
            const TColumn& c = list.GetColumn(i);
            EXPECT_GE(c.ScrWidth, 0);
            EXPECT_LE(c.ScrWidth, MaxScrWidth);
            EXPECT_GE(c.FileWidth, 0);
            EXPECT_LE(c.FileWidth, MaxFileWidth);
            EXPECT_GE(c.Alignment, 0);
            EXPECT_LE(c.Alignment, 2);
        }
    }
    EXPECT_GT(loaded, 0);
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
