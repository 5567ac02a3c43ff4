#include "settings/ReportWriter.h"

#include "fido/DateTime.h"
#include "platform/CodePage.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

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

struct TempDir : test::TempDir {
    std::string File(const std::string& name, const std::string& content) const { return Write(name, content); }
    std::string Name(const std::string& name) const { return *this / name; }
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
    // Codepage 2, the default, is UTF-8 with the box-drawing characters themselves.
    EXPECT_EQ(TReportSettings{}.Codepage, TReportSettings::cpUtf8);
    EXPECT_EQ(MakeReportTable(columns, TReportSettings::cpUtf8, items, &total)[3],
              "\u250201/02   \u25022:5020/1  1,234\u2502");
}

// ---------------------------------------------------------------------------------
// Template and file

TEST_F(Report, FailuresLeaveNoReportFileAndKeepAnOldOne)
{
    BuildExample();
    TempDir dir;
    TReportSettings s;
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

    // A report file that cannot be created.
    TColumnList good;
    AddFileColumn(good, 0, "x", 3);
    s.FileName = dir.Name("no/such/dir/r.txt");
    EXPECT_THROW(MakeReport(good, s, items, nullptr), EFCreateError);
    s.FileName.clear();
    EXPECT_THROW(MakeReport(good, s, items, nullptr), EFCreateError);
}
