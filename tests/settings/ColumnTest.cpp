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

const Fields kDefaults{0, "", true, false, 100, 10, 0, true};

}  // namespace

// ---------------------------------------------------------------------------------
// TColumn

TEST(Column, DefaultsAndBaseOperations)
{
    TColumn c;
    ExpectFields(c, kDefaults);
    EXPECT_EQ(c.ParamsText(), "0;;1;0;100;10;0;1");
    ExpectColumnError([&] {
        std::string text;
        c.GetText(nullptr, true, text);
    }, "TColumn.GetText: shouldn't be called");
    int row = 0;
    EXPECT_FALSE(c.IsGroupStart(&row));
}

TEST(Column, AssignCopiesTheStoredFieldsOnly)
{
    TColumn src = FromParams("3;Node;0;1;80;20;2;0");
    TTestColumn dst(42);
    dst.Assign(src);
    ExpectFields(dst, {3, "Node", false, true, 80, 20, 2, false});
    EXPECT_EQ(dst.MadeFor, 42);
}

TEST(ColumnStored, ParamsTextReadsAndWritesBack)
{
    TIniFile ini;
    ini.WriteString(kSec, "Column0.Params", "3;Node;1;1;80;20;1;0");
    TColumn c;
    c.LoadIni(ini, kSec, "Column0");
    ExpectFields(c, {3, "Node", true, true, 80, 20, 1, false});

    TIniFile out;
    c.SaveIni(out, kSec, "Column0");
    EXPECT_EQ(out.ReadString(kSec, "Column0.Params", ""), "3;Node;1;1;80;20;1;0");
    EXPECT_EQ(out.ReadSection(kSec), std::vector<std::string>{"Column0.Params"});
}

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

TEST(ColumnStored, OlderFormWithOnlyTheTypeTakesDefaultsAndIgnoresGarbage)
{
    TIniFile ini;
    ini.WriteString(kSec, "Column0.ColType", "4");
    ini.WriteString(kSec, "Column0.ScrWidth", "wide");
    ini.WriteString(kSec, "Column0.FileWidth", "-3");
    ini.WriteString(kSec, "Column0.ShowScr", "yes");
    TColumn c;
    c.LoadIni(ini, kSec, "Column0");
    ExpectFields(c, {4, "", true, false, 100, 10, 0, true});
}

TEST(ColumnStored, ParamsWinOverTheOlderForm)
{
    TIniFile ini;
    ini.WriteString(kSec, "Column0.ColType", "4");
    ini.WriteString(kSec, "Column0.Params", "5;New;1;1;60;6;0;1");
    TColumn c;
    c.LoadIni(ini, kSec, "Column0");
    EXPECT_EQ(c.ColType, 5);
    EXPECT_EQ(c.Heading, "New");
}

TEST(ColumnStored, MissingValueAndMissingFieldsTakeTheDefaults)
{
    TIniFile ini;
    TColumn c;
    c.ColType = 9;
    c.LoadIni(ini, kSec, "Column0");
    ExpectFields(c, kDefaults);

    ExpectFields(FromParams(""), kDefaults);
    ExpectFields(FromParams("   "), kDefaults);
    ExpectFields(FromParams("3"), {3, "", true, false, 100, 10, 0, true});
    ExpectFields(FromParams("3;Node"), {3, "Node", true, false, 100, 10, 0, true});
    ExpectFields(FromParams("3;Node;0;1;80"), {3, "Node", false, true, 80, 10, 0, true});
    // Empty fields count as missing.
    ExpectFields(FromParams("3;;;;;;;"), {3, "", true, false, 100, 10, 0, true});
    ExpectFields(FromParams(";x;;1;;20;;"), {0, "x", true, true, 100, 20, 0, true});
    // Blanks around numbers are accepted, the heading is kept as written.
    ExpectFields(FromParams(" 3 ; Node ; 1 ;1;+80;20; 1;0 "), {3, " Node ", true, true, 80, 20, 1, false});
    // Any number but 0 is true.
    ExpectFields(FromParams("1;h;5;-1;80;20;0;7"), {1, "h", true, true, 80, 20, 0, true});
}

TEST(ColumnStored, HeadingsWithSemicolonsRoundTrip)
{
    for (std::string heading : {"a;b", ";", ";;;;;;;;;;", "x;1;1;1;1;1;1;1", "end;"}) {
        TColumn c;
        c.ColType = 2;
        c.Heading = heading;
        c.ScrWidth = 33;
        c.Alignment = caRight;
        TColumn back = FromParams(c.ParamsText());
        EXPECT_EQ(back.Heading, heading) << c.ParamsText();
        EXPECT_EQ(back.ColType, 2);
        EXPECT_EQ(back.ScrWidth, 33);
        EXPECT_EQ(back.Alignment, caRight);
    }
}

TEST(ColumnStored, ControlCharactersInTheHeadingAreSavedAsBlanks)
{
    TColumn c;
    c.Heading = "two\r\nlines\t";
    TIniFile ini;
    c.SaveIni(ini, kSec, "Column0");
    TIniFile reread;
    reread.FromText(ini.ToText());
    TColumn back;
    back.LoadIni(reread, kSec, "Column0");
    EXPECT_EQ(back.Heading, "two  lines ");
    EXPECT_EQ(back.ScrWidth, 100);
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

TEST(ColumnStored, AlignmentOutsideZeroToTwoRaisesInBothForms)
{
    for (std::string a : {"3", "-1", "255"}) {
        ExpectColumnError([&] { FromParams("3;Node;1;1;80;20;" + a + ";0"); },
                          "TColumn.CreateIni: invalid Alignment value");
        TIniFile ini;
        ini.WriteString(kSec, "Column0.ColType", "3");
        ini.WriteString(kSec, "Column0.Alignment", a);
        TColumn c;
        ExpectColumnError([&] { c.LoadIni(ini, kSec, "Column0"); }, "TColumn.CreateIni: invalid Alignment value");
    }
    // A non-number is a conversion error, reported as such.
    ExpectColumnError([&] { FromParams("3;Node;1;1;80;20;right;0"); },
                      "TColumn.CreateIni: invalid parameters 3;Node;1;1;80;20;right;0");
}

TEST(ColumnStored, CreateColumnIniUsesTheFactoryForTheStoredType)
{
    TIniFile ini;
    ini.WriteString(kSec, "Column0.Params", "12;Sent;1;1;70;9;1;1");
    std::vector<int> asked;
    std::unique_ptr<TColumn> c = CreateColumnIni(ini, kSec, "Column0", Factory(&asked));
    EXPECT_EQ(asked, std::vector<int>{12});
    auto* t = dynamic_cast<TTestColumn*>(c.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->MadeFor, 12);
    ExpectFields(*c, {12, "Sent", true, true, 70, 9, 1, true});

    ExpectColumnError([&] { CreateColumnIni(ini, kSec, "Column0", [](int) { return nullptr; }); },
                      "TColumn.CreateIni: no column class for type 12");
    ExpectColumnError([&] { CreateColumnIni(ini, kSec, "Column0", TColumnFactory{}); },
                      "TColumn.CreateIni: no column class for type 12");
}

// ---------------------------------------------------------------------------------
// TColumnList

TEST(ColumnList, GetColumnChecksTheIndex)
{
    TColumnList list;
    const std::string msg = "TColumnList.GetColumn: column index out of bounds";
    ExpectColumnError([&] { list.GetColumn(0); }, msg);
    list.AddColumn<TTestColumn>(0, 90, "Date");
    list.AddColumn<TTestColumn>(3, 90, "Address");
    EXPECT_EQ(list.GetColumn(1).Heading, "Address");
    ExpectColumnError([&] { list.GetColumn(-1); }, msg);
    ExpectColumnError([&] { list.GetColumn(2); }, msg);
    const TColumnList& cl = list;
    ExpectColumnError([&] { cl.GetColumn(2); }, msg);
    ExpectColumnError([&] { list.Delete(2); }, msg);
    ExpectColumnError([&] { list.Move(0, 2); }, msg);
    ExpectColumnError([&] { list.Insert(3, std::make_unique<TColumn>()); }, msg);
    EXPECT_THROW(list.Add(nullptr), EColumnError);
    EXPECT_EQ(list.Count(), 2);
}

TEST(ColumnList, AddColumnGivesTheDefaultsAndTheThreeFields)
{
    TColumnList list;
    TTestColumn& c = list.AddColumn<TTestColumn>(4, 120, "System");
    ExpectFields(c, {4, "System", true, false, 120, 10, 0, true});
    EXPECT_EQ(&list.GetColumn(0), &c);
    EXPECT_NE(dynamic_cast<TTestColumn*>(&list.GetColumn(0)), nullptr);
}

TEST(ColumnList, RecalcDerivedValues)
{
    TColumnList list;
    EXPECT_EQ(list.ScrCount(), 0);
    EXPECT_EQ(list.ScrTotalWidth(), 0);
    EXPECT_EQ(list.FileCount(), 0);
    list.AddColumn(0, 90, "a");
    list.AddColumn(1, 50, "b").ShowScr = false;
    list.AddColumn(2, 30, "c").ShowFile = true;
    list.Recalc();
    EXPECT_EQ(list.ScrCount(), 2);
    EXPECT_EQ(list.ScrIndex(), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.ScrTotalWidth(), 91 + 31);
    EXPECT_EQ(list.FileCount(), 1);

    // List operations recalculate by themselves.
    list.Move(2, 0);  // c a b
    EXPECT_EQ(list.GetColumn(0).Heading, "c");
    EXPECT_EQ(list.ScrIndex(), (std::vector<int>{0, 1}));
    list.Move(0, 2);  // a b c
    EXPECT_EQ(list.GetColumn(2).Heading, "c");
    list.Insert(1, std::make_unique<TColumn>());  // a - b c
    EXPECT_EQ(list.ScrIndex(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(list.ScrTotalWidth(), 91 + 101 + 31);
    list.Delete(0);
    EXPECT_EQ(list.ScrIndex(), (std::vector<int>{0, 2}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.ScrCount(), 0);
    EXPECT_EQ(list.FileCount(), 0);
}

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

TEST(ColumnListStored, NoStoredColumnsLeavesTheListForTheDefaults)
{
    for (std::string count : {"", "0", "-5", "many"}) {
        TIniFile ini;
        if (!count.empty())
            ini.WriteString(kSec, "NumColumns", count);
        ini.WriteString(kSec, "Column0.Params", "3;x");
        TColumnList list;
        list.AddColumn(1, 10, "default");
        EXPECT_FALSE(list.LoadIni(ini, kSec, Factory())) << count;
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.GetColumn(0).Heading, "default");
    }
}

TEST(ColumnListStored, MissingColumnValuesTakeTheDefaultColumn)
{
    TIniFile ini;
    ini.WriteInteger(kSec, "NumColumns", 2);
    ini.WriteString(kSec, "Column0.Params", "6;Phone");
    TColumnList list;
    ASSERT_TRUE(list.LoadIni(ini, kSec, Factory()));
    ASSERT_EQ(list.Count(), 2);
    ExpectFields(list.GetColumn(1), kDefaults);
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

TEST(ReportSettings, LoadAndSave)
{
    TIniFile ini;
    TReportSettings s;
    s.RepHeader = "/home/fido/report.tpl";
    s.Codepage = TReportSettings::cpAnsi;
    s.FileName = "/tmp/not-stored.txt";
    SaveReportSettings(s, ini, kSec);
    EXPECT_EQ(ini.ReadString(kSec, "RepHeader", "?"), "/home/fido/report.tpl");
    EXPECT_EQ(ini.ReadString(kSec, "Codepage", "?"), "1");
    EXPECT_EQ(ini.ReadSection(kSec).size(), 2u);

    TReportSettings back;
    LoadReportSettings(back, ini, kSec);
    EXPECT_EQ(back.RepHeader, s.RepHeader);
    EXPECT_EQ(back.Codepage, 1);
    EXPECT_EQ(back.FileName, "");
}

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
