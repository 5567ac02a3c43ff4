// Logs in the line layout of BinkleyTerm and its relatives, read without session
// analysis: only split into days and highlighted (style 2, "Generic Bink-style").
//
//   ! 13 Mar 10:21:07 BINK  text of the line
//   ^ ^^ ^^^ ^^^^^^^^ ^
//   1 3  6   10       19      (1-based columns)
//
// The first character marks the kind of line ("!" and "-" are errors), the date
// carries no year: the years pass of the analysis gives each line its year (LogYears.h).
#pragma once

#include "engine/Log.h"

namespace tarvix {

class TBinkLog : public TLog {
public:
    TBinkLog();

    // The day, month and time words (0-based columns 2, 5 and 9).
    bool IsDateWord(int col, std::string_view word) override;
    // A first word starting with "-" or "!" paints the whole line as errors; the
    // program name (column 18) is Special for itself only.
    bool WordClass(std::string_view word, int col) override;
    // Day from columns 3-4, month abbreviation from columns 6-8, LineYear().
    // Raises EConvertError for a line too short, a day that is no number, a month
    // that is no English abbreviation or a day the month does not have.
    TDateTime DateOfLine(std::string_view line) override;

protected:
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;
};

}  // namespace tarvix
