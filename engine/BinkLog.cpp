#include "engine/BinkLog.h"

#include "engine/LogNumber.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"

namespace tarvix {

namespace {

// 0-based offsets of the date stamp of a line.
constexpr std::size_t kDayAt = 2, kDayLen = 2;
constexpr std::size_t kMonthAt = 5, kMonthLen = 3;
constexpr int kTimeCol = 9;
constexpr int kProgramCol = 18;

}  // namespace

TBinkLog::TBinkLog()
{
    Style = lsBink;
    DatePos = 3;
    DateLen = 6;
    NoYearInLines = true;
}

bool TBinkLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    return DayAndMonthName(line, kDayAt, kMonthAt, month, day);
}

bool TBinkLog::IsDateWord(int col, std::string_view)
{
    return col == static_cast<int>(kDayAt) || col == static_cast<int>(kMonthAt) || col == kTimeCol;
}

bool TBinkLog::WordClass(std::string_view word, int col)
{
    if (col == 0) {
        if (!word.empty() && (word[0] == '-' || word[0] == '!')) {
            HlClass = hcErrors;
            return true;
        }
        return false;
    }
    if (col == kProgramCol)
        HlClass = hcSpecial;
    return false;
}

TDateTime TBinkLog::DateOfLine(std::string_view line)
{
    if (line.size() < kMonthAt + kMonthLen)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    int day = ParseLogInt(line.substr(kDayAt, kDayLen));
    int month = MonthFromName(line.substr(kMonthAt, kMonthLen));
    return EncodeDate(LineYear(), month, day);
}

}  // namespace tarvix
