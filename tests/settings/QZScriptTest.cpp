#include "settings/QZScript.h"

#include "fido/DateTime.h"
#include "platform/CodePage.h"
#include "platform/FileRead.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

// A row of the test window: one text per column type, and whether a new group
// starts with it.
struct Row {
    Lines cells;
    bool groupStart = false;
};

class TRowColumn : public TColumn {
public:
    void GetText(const void* item, bool forFile, std::string& text) const override
    {
        EXPECT_TRUE(forFile);
        const Row& r = *static_cast<const Row*>(item);
        text = ColType >= 0 && static_cast<std::size_t>(ColType) < r.cells.size() ? r.cells[ColType] : "";
    }
    bool IsGroupStart(const void* item) const override { return static_cast<const Row*>(item)->groupStart; }
};

// A column that fails on one row.
class TFailingColumn : public TRowColumn {
public:
    void GetText(const void* item, bool forFile, std::string& text) const override
    {
        if (static_cast<const Row*>(item)->cells.empty())
            throw EColumnError("row without cells");
        TRowColumn::GetText(item, forFile, text);
    }
};

template <class C = TRowColumn>
TColumn& AddFileColumn(TColumnList& list, int type, const std::string& heading, int width, int align = caLeft,
                       bool separator = true)
{
    TColumn& c = list.AddColumn<C>(type, 90, heading);
    c.ShowFile = true;
    c.FileWidth = width;
    c.Alignment = align;
    c.Separator = separator;
    list.Recalc();
    return c;
}

std::vector<const void*> Items(const std::vector<Row>& rows)
{
    std::vector<const void*> items;
    for (const Row& r : rows)
        items.push_back(&r);
    return items;
}

std::string Rep(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

std::string Join(const Lines& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

// The box characters of CP866 (and CP437).
const std::string TL = "\xDA", HZ = "\xC4", TX = "\xC2", TR = "\xBF";  // top
const std::string ML = "\xC6", MH = "\xCD", MX = "\xD8", MR = "\xB5";  // under the headings, above the total
const std::string GL = "\xC3", GX = "\xC5", GR = "\xB4";               // between groups
const std::string BL = "\xC0", BX = "\xC1", BR = "\xD9";               // bottom
const std::string V = "\xB3";

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("tarvix-qzs-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string File(const std::string& name, const std::string& content) const
    {
        std::string p = Name(name);
        WriteFileAtomic(p, content);
        return p;
    }
    std::string Name(const std::string& name) const { return (path / name).string(); }
};

// Every test starts and ends with the default pages.
class Report : public ::testing::Test {
protected:
    void SetUp() override { SetOemAnsiPages(CodePage::CP866, CodePage::CP1251); }
    void TearDown() override
    {
        SetOemAnsiPages(CodePage::CP866, CodePage::CP1251);
        SetShortMonthNames({"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"});
    }

    // The window of the main example: three report columns (the middle one
    // centred, cutting, without separator; the last right-aligned) and one column
    // shown on screen only.
    void BuildExample()
    {
        AddFileColumn(columns, 0, "Date", 8);
        list_only = &columns.AddColumn<TRowColumn>(3, 90, "Screen only");
        AddFileColumn(columns, 1, "Address", 9, caCenter, false);
        AddFileColumn(columns, 2, "Bytes", 6, caRight);
        rows = {{{"01/02", "2:5020/1", "1,234", "s"}, true},  // no group line before the first row
                {{"01/02", "2:5030/999.9", "56", "s"}},
                {{"02/02", "1:1/1", "7", "s"}, true}};
        total = {{"Total", "", "1,297"}};
        items = Items(rows);
    }

    TColumnList columns;
    TColumn* list_only = nullptr;
    std::vector<Row> rows;
    Row total;
    std::vector<const void*> items;
};

}  // namespace

// ---------------------------------------------------------------------------------
// The table

TEST_F(Report, ExampleTableByteForByte)
{
    BuildExample();
    TempDir dir;
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.FileName = dir.Name("report.txt");
    MakeReport(columns, s, items, &total);

    const Lines expected = {
        TL + Rep(HZ, 8) + TX + Rep(HZ, 9) + Rep(HZ, 6) + TR,
        V + "  Date  " + V + " Address " + " Bytes" + V,
        ML + Rep(MH, 8) + MX + Rep(MH, 9) + Rep(MH, 6) + MR,
        V + "01/02   " + V + "2:5020/1 " + " 1,234" + V,
        V + "01/02   " + V + "2:5030/99" + "    56" + V,
        GL + Rep(HZ, 8) + GX + Rep(HZ, 9) + Rep(HZ, 6) + GR,
        V + "02/02   " + V + "  1:1/1  " + "     7" + V,
        ML + Rep(MH, 8) + MX + Rep(MH, 9) + Rep(MH, 6) + MR,
        V + "Total   " + V + "         " + " 1,297" + V,
        BL + Rep(HZ, 8) + BX + Rep(HZ, 9) + Rep(HZ, 6) + BR,
    };
    EXPECT_EQ(ReadWholeFile(s.FileName), Join(expected));
    EXPECT_EQ(MakeReportTable(columns, 0, items, &total), expected);
}

TEST_F(Report, TopLineOfTwoColumnsAndSeparatorOff)
{
    TColumn& first = AddFileColumn(columns, 0, "A", 5);
    AddFileColumn(columns, 1, "B", 3);
    std::vector<Row> r = {{{"abcdefg", "xyz"}}};
    Lines t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[0], "\xDA\xC4\xC4\xC4\xC4\xC4\xC2\xC4\xC4\xC4\xBF");
    EXPECT_EQ(t[0].size(), 11u);
    EXPECT_EQ(t[3], V + "abcde" + V + "xyz" + V);

    first.Separator = false;
    t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[0], "\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xBF");
    EXPECT_EQ(t[3], V + "abcdexyz" + V);
    // The last column is closed even without its separator.
    columns.GetColumn(1).Separator = false;
    t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[0].back(), '\xBF');
    EXPECT_EQ(t[3], V + "abcdexyz" + V);
}

TEST_F(Report, WithoutTotalTheBottomLineFollowsTheLastRow)
{
    BuildExample();
    Lines t = MakeReportTable(columns, 0, items, nullptr);
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[6], V + "02/02   " + V + "  1:1/1  " + "     7" + V);
    EXPECT_EQ(t[7], BL + Rep(HZ, 8) + BX + Rep(HZ, 9) + Rep(HZ, 6) + BR);

    // No rows at all: the headings and the frame.
    t = MakeReportTable(columns, 0, {}, nullptr);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[3].substr(0, 1), BL);
}

TEST_F(Report, AlignmentPaddingAndCutting)
{
    AddFileColumn(columns, 0, "Left", 6, caLeft);
    AddFileColumn(columns, 1, "Right", 6, caRight);
    AddFileColumn(columns, 2, "Centre", 6, caCenter);
    AddFileColumn(columns, 3, "A much too long heading", 7, caRight);
    std::vector<Row> r = {{{"ab", "ab", "ab", "1234567890"}}, {{"abc", "abc", "abc", ""}},
                          {{"abcdefgh", "abcdefgh", "abcdefgh", "x"}}, {{"", "", "", ""}}};
    Lines t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[1], V + " Left " + V + " Right" + V + "Centre" + V + "A much " + V);
    EXPECT_EQ(t[3], V + "ab    " + V + "    ab" + V + "  ab  " + V + "1234567" + V);
    EXPECT_EQ(t[4], V + "abc   " + V + "   abc" + V + "  abc " + V + "       " + V);
    EXPECT_EQ(t[5], V + "abcdef" + V + "abcdef" + V + "abcdef" + V + "      x" + V);
    EXPECT_EQ(t[6], V + "      " + V + "      " + V + "      " + V + "       " + V);
}

TEST_F(Report, OnlyTheFirstColumnOfTheListDecidesGroups)
{
    // The first column of the list is not in the report, yet it is the one asked.
    class Grouping : public TRowColumn {
    public:
        bool IsGroupStart(const void* item) const override
        {
            return static_cast<const Row*>(item)->cells.at(0) == "new";
        }
    };
    columns.AddColumn<Grouping>(0, 90, "screen");
    AddFileColumn(columns, 1, "x", 2);  // answers by groupStart, but is never asked
    std::vector<Row> r = {{{"new", "a"}, true}, {{"old", "b"}, true}, {{"new", "c"}}, {{"new", "d"}}};
    Lines t = MakeReportTable(columns, 0, Items(r), nullptr);
    const std::string group = GL + Rep(HZ, 2) + GR;
    EXPECT_EQ(t, (Lines{TL + Rep(HZ, 2) + TR, V + " x" + V, ML + Rep(MH, 2) + MR, V + "a " + V, V + "b " + V,
                        group, V + "c " + V, group, V + "d " + V, BL + Rep(HZ, 2) + BR}));
}

TEST_F(Report, WidthsOfZeroAndBeyondTheBound)
{
    AddFileColumn(columns, 0, "zero", 0);
    TColumn& wide = AddFileColumn(columns, 1, "wide", 5000);
    std::vector<Row> r = {{{"a", "b"}}};
    Lines t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[0], TL + TX + Rep(HZ, MaxFileWidth) + TR);
    EXPECT_EQ(t[3], V + V + "b" + std::string(MaxFileWidth - 1, ' ') + V);
    wide.FileWidth = -7;
    t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[3], V + V + V);
}

TEST_F(Report, ControlCharactersInTextsBecomeBlanks)
{
    AddFileColumn(columns, 0, "a\tb", 5);
    std::vector<Row> r = {{{"x\ny\rz\x7F"}}};
    Lines t = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(t[1], V + " a b " + V);
    EXPECT_EQ(t[3], V + "x y z" + V);
    EXPECT_EQ(t.size(), 5u);
}

TEST_F(Report, NoReportColumns)
{
    TempDir dir;
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.FileName = dir.Name("r.txt");
    s.RepHeader = dir.File("plain.tpl", "no table here\n");
    std::vector<Row> r = {{{"a"}}};
    const std::string msg = "MakeReport: no report columns";
    try {
        MakeReport(columns, s, Items(r), nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EReportError& e) {
        EXPECT_EQ(std::string(e.what()), msg);
    }
    columns.AddColumn<TRowColumn>(0, 90, "screen only");
    EXPECT_THROW(MakeReport(columns, s, Items(r), nullptr), EReportError);
    EXPECT_THROW(MakeReportTable(columns, 0, Items(r), nullptr), EReportError);
    Lines out;
    EXPECT_THROW(WriteReport(columns, s, Items(r), nullptr, out), EReportError);
    EXPECT_FALSE(fs::exists(s.FileName));
}

// ---------------------------------------------------------------------------------
// Code pages

TEST_F(Report, AnsiReportHasTheSameTableWithConvertedLineDrawing)
{
    BuildExample();
    Lines oem = MakeReportTable(columns, TReportSettings::cpOem, items, &total);
    Lines ansi = MakeReportTable(columns, TReportSettings::cpAnsi, items, &total);
    ASSERT_EQ(ansi.size(), oem.size());
    for (std::size_t i = 0; i < oem.size(); ++i)
        EXPECT_EQ(ansi[i], OemAnsi().OemToAnsi(oem[i]));
    EXPECT_EQ(ansi[0], "+--------+---------------+");
    EXPECT_EQ(ansi[2], "+--------+---------------+");
    EXPECT_EQ(ansi[3], "|01/02   |2:5020/1  1,234|");
    EXPECT_EQ(ansi[5], "+--------+---------------+");

    // Codepage 2 is UTF-8, with the box-drawing characters themselves.
    Lines utf8 = MakeReportTable(columns, TReportSettings::cpUtf8, items, &total);
    ASSERT_EQ(utf8.size(), oem.size());
    EXPECT_EQ(utf8[0], "\u250C\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u252C"
                       "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2510");
    EXPECT_EQ(utf8[3], "\u250201/02   \u25022:5020/1  1,234\u2502");

    // Any other Codepage is the OEM page.
    EXPECT_EQ(MakeReportTable(columns, 7, items, &total), oem);
    EXPECT_EQ(MakeReportTable(columns, -1, items, &total), oem);
}

TEST_F(Report, TextsAreWrittenInTheReportPage)
{
    AddFileColumn(columns, 0, "\xD0\x98\xD0\xBC\xD1\x8F", 5);  // "Имя" in UTF-8
    AddFileColumn(columns, 1, "raw", 4);
    // "Иван" in UTF-8; "Иван" as CP866 bytes from a log; a character neither page has.
    std::vector<Row> r = {{{"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\x88\xA2\xA0\xAD"}},
                          {{"\xE6\x97\xA5", "\xB3\xC4"}}};
    Lines oem = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(oem[1], V + " \x88\xAC\xEF " + V + " raw" + V);
    EXPECT_EQ(oem[3], V + "\x88\xA2\xA0\xAD " + V + "\x88\xA2\xA0\xAD" + V);
    EXPECT_EQ(oem[4], V + "?    " + V + "\xB3\xC4  " + V);
    Lines ansi = MakeReportTable(columns, 1, Items(r), nullptr);
    EXPECT_EQ(ansi[1], "| \xC8\xEC\xFF | raw|");
    EXPECT_EQ(ansi[3], "|\xC8\xE2\xE0\xED |\xC8\xE2\xE0\xED|");
    // Box characters inside a raw OEM text get the ANSI stand-ins too.
    EXPECT_EQ(ansi[4], "|?    ||-  |");

    EXPECT_EQ(ReportText("\xD0\x98", CodePage::CP866), "\x88");
    EXPECT_EQ(ReportText("\x88", CodePage::CP1251), "\xC8");
    EXPECT_EQ(ReportText("plain", CodePage::CP1251), "plain");
}

TEST_F(Report, OtherOemPages)
{
    AddFileColumn(columns, 0, "h", 2);
    std::vector<Row> r = {{{"\xC3\xA9"}}};  // "é"
    SetOemAnsiPages(CodePage::CP437, CodePage::Latin1);
    Lines oem = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(oem[0], TL + HZ + HZ + TR);
    EXPECT_EQ(oem[2], ML + MH + MH + MR);
    EXPECT_EQ(oem[3], V + "\x82 " + V);
    Lines latin = MakeReportTable(columns, 1, Items(r), nullptr);
    EXPECT_EQ(latin[0], "+--+");
    EXPECT_EQ(latin[3], "|\xE9 |");

    // A UTF-8 "OEM" page: real box characters, widths counted in characters.
    SetOemAnsiPages(CodePage::UTF8, CodePage::CP1251);
    columns.GetColumn(0).FileWidth = 5;
    r = {{{"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2"}}, {{"\xD0\xAF"}}};  // "Иванов", "Я"
    columns.GetColumn(0).Alignment = caCenter;
    Lines utf8 = MakeReportTable(columns, 0, Items(r), nullptr);
    EXPECT_EQ(utf8[0], "\xE2\x94\x8C" + Rep("\xE2\x94\x80", 5) + "\xE2\x94\x90");  // ┌─────┐
    EXPECT_EQ(utf8[1], "\xE2\x94\x82  h  \xE2\x94\x82");
    EXPECT_EQ(utf8[3], "\xE2\x94\x82\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xE2\x94\x82");  // │Ивано│
    EXPECT_EQ(utf8[4], "\xE2\x94\x82  \xD0\xAF  \xE2\x94\x82");
}

// ---------------------------------------------------------------------------------
// Template and file

TEST_F(Report, EmptyRepHeaderWritesTheTableOnly)
{
    BuildExample();
    TempDir dir;
    for (int cp : {0, 1}) {
        TReportSettings s{.Codepage = TReportSettings::cpOem};
        s.Codepage = cp;
        s.FileName = dir.Name("r" + std::to_string(cp) + ".txt");
        MakeReport(columns, s, items, &total);
        EXPECT_EQ(ReadWholeFile(s.FileName), Join(MakeReportTable(columns, cp, items, &total)));
    }
}

TEST_F(Report, TemplateTokensInTheOemPage)
{
    BuildExample();
    TempDir dir;
    // "Отчет" in CP866, written as an OEM file with DOS line ends.
    const std::string tpl =
        "\x8E\xE2\xE7\xA5\xE2 @PROGRAM\r\n"
        "Sessions: @total, @nosuch, mail@\r\n"
        "@text\r\n"
        "A[@text]\r\n"
        "End\r\n";
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.RepHeader = dir.File("header.tpl", tpl);
    s.FileName = dir.Name("r.txt");
    MakeReport(columns, s, items, nullptr);
    Lines table = MakeReportTable(columns, 0, items, nullptr);
    Lines expected = {"\x8E\xE2\xE7\xA5\xE2 Tarvix beta 5", "Sessions: 3, @nosuch, mail@"};
    expected.insert(expected.end(), table.begin(), table.end());
    expected.insert(expected.end(), table.begin(), table.end());
    expected.push_back("A[]");  // the table occupies whole lines of its own
    expected.push_back("End");
    EXPECT_EQ(ReadWholeFile(s.FileName), Join(expected));

    s.Codepage = 1;
    Lines out;
    WriteReport(columns, s, items, nullptr, out);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "\xCE\xF2\xF7\xE5\xF2 Tarvix beta 5");
    EXPECT_EQ(out[2], MakeReportTable(columns, 1, items, nullptr)[0]);
}

TEST_F(Report, Utf8TemplateWithByteOrderMark)
{
    BuildExample();
    TempDir dir;
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.RepHeader = dir.File("utf8.tpl", "\xEF\xBB\xBF\xD0\x9E\xD1\x82\xD1\x87\xD0\xB5\xD1\x82 @total\n");
    Lines out;
    WriteReport(columns, s, items, nullptr, out);
    EXPECT_EQ(out, Lines{"\x8E\xE2\xE7\xA5\xE2 3"});
    s.Codepage = 1;
    out.clear();
    WriteReport(columns, s, items, nullptr, out);
    EXPECT_EQ(out, Lines{"\xCE\xF2\xF7\xE5\xF2 3"});
}

TEST_F(Report, DateAndTime)
{
    BuildExample();
    // Month names from a Russian interface file (UTF-8): "Мес".
    std::array<std::string, 12> names;
    names.fill("\xD0\x9C\xD0\xB5\xD1\x81");
    SetShortMonthNames(names);
    TempDir dir;
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.RepHeader = dir.File("dt.tpl", "@date|@time");
    for (int cp : {0, 1}) {
        s.Codepage = cp;
        std::string before = FormatDateTime("dd mmm yy", Now());
        Lines out;
        WriteReport(columns, s, items, nullptr, out);
        std::string after = FormatDateTime("dd mmm yy", Now());
        ASSERT_EQ(out.size(), 1u);
        std::string date = out[0].substr(0, out[0].find('|'));
        std::string time = out[0].substr(out[0].find('|') + 1);
        const std::string month = cp == 0 ? "\x8C\xA5\xE1" : "\xCC\xE5\xF1";
        EXPECT_TRUE(date == ReportText(before, ReportCodePage(cp)) || date == ReportText(after, ReportCodePage(cp)))
            << date;
        EXPECT_EQ(date.substr(3, 3), month);
        EXPECT_TRUE(std::regex_match(time, std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"))) << time;
    }
}

TEST_F(Report, GarbageTemplatesAreWrittenAsText)
{
    BuildExample();
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    garbage += "@text@";
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.RepHeader = dir.File("garbage.tpl", garbage);
    s.FileName = dir.Name("r.txt");
    MakeReport(columns, s, items, &total);
    std::string written = ReadWholeFile(s.FileName);
    EXPECT_NE(written.find(Join(MakeReportTable(columns, 0, items, &total))), std::string::npos);

    // An empty template file gives an empty report.
    s.RepHeader = dir.File("empty.tpl", "");
    MakeReport(columns, s, items, &total);
    EXPECT_EQ(ReadWholeFile(s.FileName), "");
}

TEST_F(Report, FailuresLeaveNoReportFileAndKeepAnOldOne)
{
    BuildExample();
    TempDir dir;
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.FileName = dir.File("r.txt", "old report\n");

    // A template that cannot be read.
    s.RepHeader = dir.Name("missing.tpl");
    EXPECT_THROW(MakeReport(columns, s, items, &total), EFOpenError);
    s.RepHeader = dir.path.string();  // a directory
    EXPECT_THROW(MakeReport(columns, s, items, &total), EFOpenError);
    EXPECT_EQ(ReadWholeFile(s.FileName), "old report\n");

    // A column failing half-way through the rows.
    s.RepHeader.clear();
    AddFileColumn<TFailingColumn>(columns, 0, "f", 3);
    rows.push_back(Row{});
    items = Items(rows);
    try {
        MakeReport(columns, s, items, &total);
        ADD_FAILURE() << "no error";
    } catch (const EColumnError& e) {
        EXPECT_EQ(std::string(e.what()), "row without cells");
    }
    EXPECT_EQ(ReadWholeFile(s.FileName), "old report\n");

    // The base class's GetText is no column text.
    TColumnList base;
    base.AddColumn(0, 90, "base").ShowFile = true;
    base.Recalc();
    try {
        MakeReport(base, s, items, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EColumnError& e) {
        EXPECT_EQ(std::string(e.what()), "TColumn.GetText: shouldn't be called");
    }
    EXPECT_EQ(ReadWholeFile(s.FileName), "old report\n");

    // A report file that cannot be created.
    TColumnList good;
    AddFileColumn(good, 0, "x", 3);
    s.FileName = dir.Name("no/such/dir/r.txt");
    EXPECT_THROW(MakeReport(good, s, items, nullptr), EFCreateError);
    s.FileName.clear();
    EXPECT_THROW(MakeReport(good, s, items, nullptr), EFCreateError);
}

TEST_F(Report, BusyCursorAroundTheWork)
{
    BuildExample();
    TempDir dir;
    std::vector<bool> calls;
    auto busy = [&calls](bool b) { calls.push_back(b); };
    TReportSettings s{.Codepage = TReportSettings::cpOem};
    s.FileName = dir.Name("r.txt");
    MakeReport(columns, s, items, nullptr, busy);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    calls.clear();
    s.RepHeader = dir.Name("missing.tpl");
    EXPECT_THROW(MakeReport(columns, s, items, nullptr, busy), EFOpenError);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}
