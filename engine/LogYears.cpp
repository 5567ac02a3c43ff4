#include "engine/LogYears.h"

#include "fido/LogUtils.h"

namespace tarvix {

namespace {

// Days before the first of each month in a leap year: February 29 has a day of its own.
constexpr int kDaysBefore[12] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};
// Half of a year: a date that goes back by more than this is one of the next year.
constexpr int kHalfYear = 183;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void TLogYears::Add(std::int64_t lineNo, int month, int day)
{
    if (month < 1 || month > 12)
        return;
    const int dayOfYear = kDaysBefore[month - 1] + day;
    if (lastDay_ >= 0 && lastDay_ - dayOfYear > kHalfYear)
        starts_.push_back(lineNo);
    lastDay_ = dayOfYear;
}

bool DayAndMonthName(std::string_view line, std::size_t dayAt, std::size_t monthAt, int& month, int& day)
{
    if (line.size() < monthAt + 3 || dayAt + 2 > monthAt)
        return false;
    const char d0 = line[dayAt], d1 = line[dayAt + 1];
    if (!IsDigit(d1) || !(IsDigit(d0) || d0 == ' '))
        return false;
    day = (d0 == ' ' ? 0 : d0 - '0') * 10 + (d1 - '0');
    if (day < 1 || day > 31)
        return false;
    const std::string_view name = line.substr(monthAt, 3);
    for (std::size_t m = 0; m < MonthAbbrs.size(); ++m)
        if (MonthAbbrs[m] == name) {
            month = static_cast<int>(m) + 1;
            return true;
        }
    return false;
}

}  // namespace tarvix
