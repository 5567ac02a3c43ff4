#include "engine/FDLog.h"

#include "engine/LogNumber.h"
#include "fido/LogUtils.h"

namespace tarvix {

namespace {

constexpr std::string_view kSeparator = "----------";
// 0-based offsets of the date of a separator line.
constexpr std::size_t kDayAt = 16, kDayLen = 2;
constexpr std::size_t kMonthAt = 19, kMonthLen = 3;
constexpr std::size_t kYearAt = 23, kYearLen = 2;
constexpr int kTimeCol = 2;

bool TwoDigits(std::string_view s)
{
    return s.size() == 2 && s[0] >= '0' && s[0] <= '9' && s[1] >= '0' && s[1] <= '9';
}

}  // namespace

TFDLog::TFDLog()
{
    Style = lsFrontDoor;
    DatePos = 1;
    DateLen = 0;
}

int TFDLog::ExpandYear(int twoDigits)
{
    return twoDigits < 80 ? 2000 + twoDigits : 1900 + twoDigits;
}

bool TFDLog::IsDateWord(int col, std::string_view)
{
    return col == kTimeCol;
}

bool TFDLog::WordClass(std::string_view word, int col)
{
    if (col == 0 && !word.empty() && word[0] == '-')
        HlClass = hcErrors;
    return true;
}

void TFDLog::ParseLine(std::string_view line)
{
    if (line.substr(0, kSeparator.size()) != kSeparator)
        return;
    if (line.size() < kYearAt + kYearLen)
        throw EConvertError("Separator line too short for a date: '" + std::string(line) + "'");
    int day = ParseLogInt(line.substr(kDayAt, kDayLen));
    int month = MonthFromName(line.substr(kMonthAt, kMonthLen));
    std::string_view yy = line.substr(kYearAt, kYearLen);
    if (!TwoDigits(yy))
        throw EConvertError("'" + std::string(yy) + "' is not a valid integer value");
    int year = ExpandYear((yy[0] - '0') * 10 + (yy[1] - '0'));
    TDateTime date = EncodeDate(year, month, day);
    if (date != CurDay) {
        NewDay(LineNo, date);
        CurDay = date;
    }
}

TDateTime TFDLog::DateOfLine(std::string_view)
{
    return CurDay;
}

void TFDLog::Reset()
{
    TLog::Reset();
    CurDay = 0;
}

}  // namespace tarvix
