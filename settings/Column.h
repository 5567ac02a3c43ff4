// Report columns: the user-configurable columns of the list windows (session list,
// dial statistics), the ordered list of them, their stored form in the settings and
// the report settings of a window.
//
// A window derives its own column class from TColumn; the derived class knows what
// each column type shows for a row of that window. Rows are handed to the columns as
// untyped pointers (const void*): a column list and the rows given to it always belong
// to the same window, which knows the row type, so the derived class casts the
// pointer back. This keeps one column base (and one report writer) for all windows
// and for tarvix-report without forcing the engine's records to derive from a
// common row class.
//
// Texts. GetText and Heading are display texts: UTF-8, decoded from the log's code
// page by the derived class where they come from a log. The report writer converts
// them into the report's code page (see ReportWriter.h).
//
// Stored form, in one section of the settings store per window:
//   NumColumns            number of stored columns; 0 or missing: the window's defaults
//   Column<k>.Params      ColType;Heading;ShowScr;ShowFile;ScrWidth;FileWidth;Alignment;Separator
//                         numbers in decimal, Booleans 1 or 0, e.g. "3;Node;1;1;80;20;1;0"
//   Column<k>.ColType, .Heading, .ShowScr, .ShowFile, .ScrWidth, .FileWidth,
//   .Alignment, .Separator  an older form, still read (never written)
//   RepHeader, Codepage   the report settings
//
// Reading the ".Params" text:
//   - a missing or empty value, and a missing or empty field, take the defaults of
//     the field table below (so "3;Node" is ColType 3, heading Node, the rest default);
//   - a field that is not a decimal integer raises EColumnError
//     "TColumn.CreateIni: invalid parameters <stored text>";
//   - an Alignment other than 0, 1 or 2 raises "TColumn.CreateIni: invalid Alignment
//     value" (in the older form too);
//   - a text of more than eight fields is read as a heading containing ";": the
//     first field is ColType, the last six are the fields after the heading, and
//     everything between is the heading. So a heading may contain ";" and still
//     reads back as written;
//   - a negative width takes the default width; a width above MaxScrWidth pixels or
//     MaxFileWidth characters is cut to that bound;
//   - when both forms are stored, ".Params" (the newer) wins.
#pragma once

#include "platform/Error.h"
#include "platform/IniFile.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvix {

TARVIX_EXCEPTION(EColumnError, Exception);

// Alignment values of TColumn (the same as PadStr's).
inline constexpr int caLeft = 0;
inline constexpr int caRight = 1;
inline constexpr int caCenter = 2;

// Bounds of the stored and used widths. A window column wider than this many
// pixels, or a report column wider than this many characters, is of no use and
// would only make a damaged setting expensive.
inline constexpr int MaxScrWidth = 10000;
inline constexpr int MaxFileWidth = 1000;
// The most columns a stored list may hold; a larger stored count is damage.
inline constexpr int MaxColumns = 256;

class TColumn {
public:
    static constexpr int DefScrWidth = 100;
    static constexpr int DefFileWidth = 10;

    TColumn() = default;
    TColumn(const TColumn&) = default;
    TColumn& operator=(const TColumn&) = default;
    virtual ~TColumn() = default;

    int ColType = 0;          // which value the column shows; numbered by the derived class
    bool ShowScr = true;      // shown in the window
    bool ShowFile = false;    // written into reports
    int ScrWidth = DefScrWidth;    // width in the window, pixels
    int FileWidth = DefFileWidth;  // width in reports, characters
    std::string Heading;      // column title (UTF-8)
    int Alignment = caLeft;   // caLeft, caRight or caCenter
    bool Separator = true;    // in reports a vertical line follows the column

    // The column's text (UTF-8) for one row; forFile is true for reports. The base
    // class raises EColumnError "TColumn.GetText: shouldn't be called".
    virtual void GetText(const void* item, bool forFile, std::string& text) const;
    // True when a separator line belongs before this row. The base answers false.
    // The report writer asks only the first column of the list.
    virtual bool IsGroupStart(const void* item) const;

    // Copies the eight stored fields (not the derived class's own state).
    void Assign(const TColumn& source);

    // Reads the fields from the stored form under `prefix` (e.g. "Column0"); see the
    // top of this file. Raises EColumnError for a damaged ".Params" text; the fields
    // are then left as they were.
    void LoadIni(const TIniFile& ini, std::string_view section, std::string_view prefix);
    // Writes prefix + ".Params" and removes the values of the older form under the
    // same prefix, so a column read from the older form is migrated on its first save.
    // Control characters in the heading are written as blanks, so that the
    // settings file keeps one value per line.
    void SaveIni(TIniFile& ini, std::string_view section, std::string_view prefix) const;

    // The ".Params" text of the fields, and its reverse (the rules above; `text` is
    // what the error message quotes).
    std::string ParamsText() const;
    void SetParamsText(std::string_view text);
};

// Creates an empty column (the defaults of TColumn) of the class that shows
// `colType` in a window. It must not return nullptr; a type the window does not
// know should get a column that shows nothing.
using TColumnFactory = std::function<std::unique_ptr<TColumn>(int colType)>;

// Reads one column stored under `prefix` and creates it through `factory`.
// Raises EColumnError for a damaged stored column or a factory giving nullptr.
std::unique_ptr<TColumn> CreateColumnIni(const TIniFile& ini, std::string_view section,
                                         std::string_view prefix, const TColumnFactory& factory);

// The ordered columns of a window. The list owns its columns.
//
// The derived values (ScrCount, ScrIndex, ScrTotalWidth, FileCount) are recomputed by
// Recalc, which the list operations below call themselves; after changing a column's
// ShowScr, ShowFile or ScrWidth call Recalc.
class TColumnList {
public:
    TColumnList() = default;
    TColumnList(const TColumnList&) = delete;
    TColumnList& operator=(const TColumnList&) = delete;
    TColumnList(TColumnList&&) = default;
    TColumnList& operator=(TColumnList&&) = default;

    int Count() const { return static_cast<int>(columns_.size()); }
    bool Empty() const { return columns_.empty(); }
    // Raises EColumnError "TColumnList.GetColumn: column index out of bounds" for
    // an index outside 0 to Count - 1.
    TColumn& GetColumn(int index);
    const TColumn& GetColumn(int index) const;

    // Appends a column (which must not be nullptr) and returns it.
    TColumn& Add(std::unique_ptr<TColumn> column);
    // Inserts before `index` (0 to Count); raises the GetColumn error otherwise.
    TColumn& Insert(int index, std::unique_ptr<TColumn> column);
    // A new column of class C with the defaults, then the three fields; appended.
    // Used to build a window's default columns.
    template <class C = TColumn>
    C& AddColumn(int colType, int scrWidth, std::string heading)
    {
        auto column = std::make_unique<C>();
        column->ColType = colType;
        column->ScrWidth = scrWidth;
        column->Heading = std::move(heading);
        C& ref = *column;
        Add(std::move(column));
        return ref;
    }
    // Removes and frees the column at `index`.
    void Delete(int index);
    // Moves the column at `from` so that it ends up at `to`.
    void Move(int from, int to);
    void Clear();

    void Recalc();
    int ScrCount() const { return static_cast<int>(scrIndex_.size()); }
    // For k = 0 to ScrCount - 1 the list index of the k-th column shown in the window.
    const std::vector<int>& ScrIndex() const { return scrIndex_; }
    // The sum of ScrWidth + 1 over the shown columns (each width taken within
    // 0 to MaxScrWidth).
    int ScrTotalWidth() const { return scrTotalWidth_; }
    // The number of columns written into reports.
    int FileCount() const { return fileCount_; }

    // Replaces the list with the columns stored in `section`. Returns false and
    // leaves the list as it was when the section stores no columns (NumColumns
    // missing, 0 or negative): the window then builds its default columns. Raises
    // EColumnError, leaving the list as it was, when a stored column is damaged or
    // NumColumns is above MaxColumns ("TColumnList.LoadIni: invalid number of
    // columns <n>").
    bool LoadIni(const TIniFile& ini, std::string_view section, const TColumnFactory& factory);
    // Writes NumColumns and every column ("Column<k>"). Values of higher column
    // numbers left from an earlier, longer list are not read back, since the count
    // governs; windows erase their section before saving anyway.
    void SaveIni(TIniFile& ini, std::string_view section) const;

private:
    void CheckIndex(int index, int count) const;

    std::vector<std::unique_ptr<TColumn>> columns_;
    std::vector<int> scrIndex_;
    int scrTotalWidth_ = 0;
    int fileCount_ = 0;
};

// The report settings a window keeps beside its columns.
struct TReportSettings {
    static constexpr int cpOem = 0;
    static constexpr int cpAnsi = 1;
    static constexpr int cpUtf8 = 2;

    std::string RepHeader;  // the report template file; empty: the table only
    // cpOem: DOS (OEM) code page, cpAnsi: Windows (ANSI), cpUtf8: UTF-8. A window
    // without stored report settings writes UTF-8, which every editor reads.
    int Codepage = cpUtf8;
    std::string FileName;   // the report file chosen by the user (not stored)
};

// Reads "RepHeader" and "Codepage"; a missing Codepage reads as cpUtf8, a stored
// one other than 0, 1 or 2 as cpOem.
void LoadReportSettings(TReportSettings& settings, const TIniFile& ini, std::string_view section);
// Writes "RepHeader" and "Codepage".
void SaveReportSettings(const TReportSettings& settings, TIniFile& ini, std::string_view section);

}  // namespace tarvix
