// Logs of a format the user describes (style 9, "Other"): a line mask that tells in
// which columns the time stamp stands and which columns are special, an optional
// date mask for lines that announce a new day, error words and highlight strings
// with their colour classes. The log is split into days and highlighted; there is no
// session analysis.
//
// Mask letters (the same in both masks; every other character must appear as is):
//   d m y   digits of the day, month and year       (date/time word in LineMask)
//   M       a letter of the month abbreviation Jan..Dec  (date/time word)
//   h s     hour and second digits, not decoded      (date/time word)
//   n       minute digits, not decoded               (no effect on highlighting)
//   x       not decoded; a word starting here is Special for itself only
//   !       not decoded; the class of a word starting here does not hold for the
//           rest of the line
//   blank   not decoded
//
// A description can be exported to and imported from a small INI text file
// (extension "hgl"), section [QZHgl], so it can be passed between installations.
#pragma once

#include "engine/Log.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// A damaged highlighting file.
TARVIX_EXCEPTION(EHglError, Exception);

// A highlight string and the colour class (0 to 11) it paints. A text starting
// with "~" matches every word that starts with the rest of it; any other text
// matches a word equal to it. Both compare without regard to case.
struct THighlightString {
    std::string Text;
    std::uint8_t Class = hcNormal;
};

// One row of highlight strings as the options dialog and the highlighting file
// hold it: the text and the name of its colour item ("Errors", "Special", ...).
struct THglRow {
    std::string Text;
    std::string ColorName;
    bool operator==(const THglRow&) const = default;
};

// The description of a format as the options dialog edits it.
struct TCustomLogOptions {
    std::string LineMask;
    std::string DateMask;
    std::string ErrWords;
    std::vector<THglRow> Rows;
    bool operator==(const TCustomLogOptions&) const = default;
};

class TCustomLog : public TLog {
public:
    TCustomLog();

    std::string LineMask;   // template of an ordinary line, one character per column
    std::string DateMask;   // template of a line that announces a date; empty: every line has one
    std::string ErrWords;   // error words, separated by blanks or tabs
    std::vector<THighlightString> HStrings;
    // The date of the latest line that carried one; kept between analyses.
    TDateTime CurDate = 0;
    // The number of leading characters of DateMask before its first mask letter
    // ("!", "M", "d", "h", "m", "s", "x", "y"); lines announcing a date start with them.
    int DatePrefixLen = 0;

    bool IsDateWord(int col, std::string_view word) override;
    bool IsErrorWord(std::string_view word) override;
    bool WordClass(std::string_view word, int col) override;
    // Every line goes to NewDay with its date, which starts a day when the calendar
    // date changes.
    void ParseLine(std::string_view line) override;
    // The date a line announces or carries (decoded with DateMask, else LineMask);
    // CurDate for a line of another shape. Raises ELogError for date fields that are
    // no number or month, EConvertError for a date the calendar does not have.
    TDateTime DateOfLine(std::string_view line) override;
    // The settings of a log, then "LineMask", "DateMask", "ErrWords", "HStringCnt"
    // and "HString0".. as "<colour item>;<text>". Loading raises when a colour item
    // is unknown; the log is then left as it was.
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    bool Analyse(const TProgressFunc& progress) override;

    // The description for the options dialog: one row per highlight string, or one
    // empty row when there is none.
    TCustomLogOptions GetOptions() const;
    // Takes a confirmed description: masks, error words, DatePrefixLen, and the
    // highlight strings of the rows that have both a text and a colour name. An
    // unknown colour name raises and changes nothing.
    void SetOptions(const TCustomLogOptions& options);

    static int DatePrefixLength(std::string_view dateMask);

private:
    TDateTime DecodeWithMask(std::string_view mask, std::string_view line);
    TDateTime Today() const;

    // Today's date, fixed for the length of an analysis.
    TDateTime today_ = 0;
    bool todayFixed_ = false;
    // The last date decoded, with the mask and the bytes of the line up to the last
    // date letter of the mask: the lines of a day repeat them.
    std::string cacheMask_;
    std::string cacheKey_;
    TDateTime cacheDate_ = 0;
    bool cacheValid_ = false;
};

// Writes a description as the [QZHgl] section of a highlighting file: "Version" 1,
// "LineMask", "DateMask", "ErrWords", "HStringCnt" and "HString1".. as
// "<colour item>;<text>". Other sections of an existing file stay. The file is
// replaced atomically. Raises EHglError when an existing file is too large to be a
// highlighting file, EInOutError when it cannot be read or written.
void ExportHgl(const std::string& fileName, const TCustomLogOptions& options);

// Reads a description from a highlighting file into options. A file of another
// version is reported to the user (interface message 156) and nothing is read:
// the result is false. Without rows the description gets one empty row. Colour
// names are taken as they stand (the dialog checks them). Raises EInOutError when
// the file cannot be read and EHglError when it is damaged (too large, a row count
// that is negative or names rows that are missing); options then stay unchanged.
bool ImportHgl(const std::string& fileName, TCustomLogOptions& options);

}  // namespace tarvix
