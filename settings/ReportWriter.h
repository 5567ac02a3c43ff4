// The report writer: lays the rows of a list window out as a table drawn with
// box-drawing characters and writes it through a report template (TTpl) into a file.
//
// Template. The file named by the report settings' RepHeader, or the single line
// "@text" when RepHeader is empty. Its tokens (names in any case):
//   @program  "Tarvix beta 5"
//   @date     today's date, "dd mmm yy" (month names of the interface language)
//   @time     the current time, "hh:nn:ss"
//   @total    the number of rows, in decimal
//   @text     the table; it writes whole lines of its own into the report
//
// The table. Only the columns with ShowFile take part, in list order, each
// FileWidth characters wide (taken within 0 to MaxFileWidth):
//
//   ┌─────┬───┐   top line
//   │Head │ H │   headings, centred and cut to the width
//   ╞═════╪═══╡   under the headings
//   │text │ x │   one line per row, padded or cut with the column's alignment
//   ├─────┼───┤   before a row for which the first column of the list answers
//   │text │ y │   IsGroupStart (never before the first row)
//   ╞═════╪═══╡   above the total row, when there is a total
//   │total│ z │
//   └─────┴───┘   bottom line
//
// A column whose Separator is off has no vertical line (and no cross in the
// horizontal lines) after it, so its text touches the next column's; the last column
// is always closed by the right border.
//
// Code pages. Codepage 0 writes the report in the OEM page (OemAnsi().Oem(), CP866
// unless set otherwise), Codepage 1 in the ANSI page (OemAnsi().Ansi(), CP1251),
// Codepage 2 in UTF-8; any other value counts as 0. Everything in the report comes out in that one page:
//   - Box-drawing characters are written as the page's own box characters: in CP866
//     and CP437 these are the classic bytes 179-218 (┌ 218, ─ 196, ┬ 194, ┐ 191,
//     ╞ 198, ═ 205, ╪ 216, ╡ 181, ├ 195, ┼ 197, ┤ 180, └ 192, ┴ 193, ┘ 217, │ 179).
//     A page without them (CP1251, Latin-1) gets the stand-ins the OEM-to-ANSI
//     conversion uses: "|" for the vertical line, "-" for the horizontal lines
//     (single and double) and "+" for corners, tees and crosses. With a UTF-8 page
//     they are the UTF-8 box characters.
//   - Column texts and headings are display texts in UTF-8 (see Column.h) and are
//     encoded into the page; a character the page lacks becomes "?". A text that is
//     not well-formed UTF-8 is taken as raw OEM bytes, as read from a log: written
//     unchanged into an OEM report and converted byte for byte to the ANSI page for
//     an ANSI report. (A column mixing raw log bytes with UTF-8 in one text must
//     decode the log bytes itself.)
//   - The template file is taken as UTF-8 when the whole file is well-formed UTF-8
//     (a leading byte order mark is dropped), else as OEM bytes, and converted like
//     the texts. So the template's own text, the date and the table share the page.
//   - Control characters (below 32, and 127) in texts and headings are written as
//     blanks, so no row can break the table's lines.
// Widths count characters: one byte each in a single-byte page, one code point each
// in a UTF-8 page (characters that a terminal shows double wide are not measured).
#pragma once

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "settings/Column.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

TARVIX_EXCEPTION(EReportError, Exception);

// What the "program" token gives.
inline constexpr std::string_view ReportProgramName = "Tarvix beta 5";

// The rows of a report, in order, as the columns' GetText expects them.
using TReportItems = std::span<const void* const>;

// The page a report with this Codepage setting is written in.
CodePage ReportCodePage(int codepage);

// A display text converted into the report page `page`, by the rules above (UTF-8,
// or raw OEM bytes when not well-formed UTF-8; control characters become blanks).
std::string ReportText(std::string_view text, CodePage page);

// The table lines in the page of `codepage`. Raises EReportError "MakeReport: no
// report columns" when no column has ShowFile; exceptions of GetText pass through.
std::vector<std::string> MakeReportTable(const TColumnList& columns, int codepage, TReportItems items,
                                         const void* total);
// The same in any page, UTF-8 included (tarvix-report writes its tables to a terminal).
std::vector<std::string> MakeReportTableIn(const TColumnList& columns, CodePage page, TReportItems items,
                                           const void* total);
// The same, each line handed to `put` as soon as it is made (a table of millions of
// rows is never held whole).
void PutReportTableIn(const TColumnList& columns, CodePage page, TReportItems items, const void* total,
                      const std::function<void(const std::string& line)>& put);

// Writes the report (template with its tokens) into `out`, which is not cleared.
// Raises EReportError when no column has ShowFile (whether or not the template
// holds @text), EFOpenError/EReadError when the template file cannot be read, and
// passes on the exceptions of GetText; `out` may then hold part of the report.
void WriteReport(const TColumnList& columns, const TReportSettings& settings, TReportItems items,
                 const void* total, std::vector<std::string>& out);

// Writes the report file settings.FileName, every line ended by LF. The file is
// written atomically: on any error (the template cannot be read, a column fails, the
// file cannot be written: EFCreateError/EWriteError) no report file is written and
// an earlier file of that name stays as it was. With no ShowFile column it raises
// EReportError before anything is written; the windows check that first and show
// their own message. `busyCursor`, when given, is called with true before the work
// and with false after it (also on an error), for the hourglass cursor.
void MakeReport(const TColumnList& columns, const TReportSettings& settings, TReportItems items,
                const void* total, const std::function<void(bool busy)>& busyCursor = {});

}  // namespace tarvix
