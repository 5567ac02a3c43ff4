// The years of a log whose lines carry no year.
//
// The last dated line of the log belongs to CurrentYear(). Going back through the
// log, where a line's month and day lie more than half a year after those of the
// next dated line, the year turned between the two: that line and all before it
// belong to one year earlier. A date that goes back by less (a clock set back for
// a while) stays in its year.
//
// A style whose lines carry no year sets TLog::NoYearInLines and gives the month and
// day of a line (TLog::MonthDayOfLine); before its analysis the log reads the dates
// of its lines (of samples of a large text, checked by the analysis against the
// dates it sees), hands them to a TLogYears and learns at which lines a new year
// begins.
#pragma once

#include "fido/DateTime.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvix {

class TLogYears {
public:
    // The month and day of the next dated line; line numbers rise from call to call.
    // Months outside 1..12 are ignored.
    void Add(std::int64_t lineNo, int month, int day);
    // The first line of every year after the first, in order.
    const std::vector<std::int64_t>& YearStarts() const { return starts_; }
    // The year of the first line, when the last dated line is in lastYear.
    int FirstYear(int lastYear) const { return lastYear - static_cast<int>(starts_.size()); }

private:
    std::vector<std::int64_t> starts_;
    int lastDay_ = -1;  // day of the year of the line added last (February has 29)
};

// The day and English month abbreviation at the given 0-based offsets of a line
// ("13 Mar", " 3 Mar"): false when they are not there or the day is not 1..31.
// Reads nothing else.
bool DayAndMonthName(std::string_view line, std::size_t dayAt, std::size_t monthAt, int& month, int& day);

// Whether a log of these days runs over more than one year (the day list and the
// reports then show the year).
template <typename Days>
bool SpansYears(const Days& days)
{
    if (days.empty())
        return false;
    int y1, y2, m, d;
    DecodeDate(days.front().Date, y1, m, d);
    DecodeDate(days.back().Date, y2, m, d);
    return y1 != y2;
}

}  // namespace tarvix
