#include "fido/DateTime.h"

#include "platform/Error.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>

namespace tarvix {

namespace {

constexpr std::int64_t kMSecsPerDay = MSecsPerDay;
// Day numbers beyond this are clamped before conversion to integers; it is far
// outside any real date (about 27 million years) and keeps the arithmetic in range.
constexpr double kMaxDays = 1e10;

// Days since 1970-01-01 of a Gregorian date (any year, month 1-12, day 1-31).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The Gregorian date of a count of days since 1970-01-01.
void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// Splits a value into a day number and the milliseconds of the day, rounding to the
// nearest millisecond. For negative values the day is the integral part and the
// milliseconds are the fraction counted forwards.
void SplitStamp(TDateTime dt, std::int64_t& day, std::int64_t& msec)
{
    if (!std::isfinite(dt))
        dt = 0;
    if (dt > kMaxDays)
        dt = kMaxDays;
    if (dt < -kMaxDays)
        dt = -kMaxDays;
    std::int64_t total = std::llround(dt * static_cast<double>(kMSecsPerDay));
    if (total < 0) {
        total = -total;
        day = -(total / kMSecsPerDay);
        msec = total % kMSecsPerDay;
    } else {
        day = total / kMSecsPerDay;
        msec = total % kMSecsPerDay;
    }
}

std::array<std::string, 12>& MutableShortMonthNames()
{
    static std::array<std::string, 12> names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return names;
}

int YearNow()
{
    std::time_t t = std::time(nullptr);
    std::tm tm {};
    localtime_r(&t, &tm);
    return tm.tm_year + 1900;
}

// Taken while the program starts.
int gStartYear = YearNow();

}  // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInAMonth(year, month))
        return false;
    result = static_cast<double>(DaysFromCivil(year, month, day)) + UnixDateDelta;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    // The lines of a log ask for the date of the same day over and over.
    thread_local int lastYear = std::numeric_limits<int>::min(), lastMonth = 0, lastDay = 0;
    thread_local TDateTime last = 0;
    if (year == lastYear && month == lastMonth && day == lastDay)
        return last;
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode");
    lastYear = year;
    lastMonth = month;
    lastDay = day;
    last = result;
    return result;
}

void ThrowBadTime()
{
    throw EConvertError("Invalid argument to time encode");
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    std::int64_t d = 0, ms = 0;
    SplitStamp(dt, d, ms);
    std::int64_t y = 0;
    CivilFromDays(d - static_cast<std::int64_t>(UnixDateDelta), y, month, day);
    year = static_cast<int>(y);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec)
{
    std::int64_t d = 0, ms = 0;
    SplitStamp(dt, d, ms);
    msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    sec = static_cast<int>(ms % 60);
    ms /= 60;
    min = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

TDateTime DateOf(TDateTime dt)
{
    std::int64_t d = 0, ms = 0;
    SplitStamp(dt, d, ms);
    return static_cast<double>(d);
}

TDateTime TimeOf(TDateTime dt)
{
    std::int64_t d = 0, ms = 0;
    SplitStamp(dt, d, ms);
    return static_cast<double>(ms) / static_cast<double>(kMSecsPerDay);
}

int DayOfWeek(TDateTime dt)
{
    std::int64_t d = 0, ms = 0;
    SplitStamp(dt, d, ms);
    // 1899-12-30, day 0, was a Saturday.
    std::int64_t r = (d + 6) % 7;
    if (r < 0)
        r += 7;
    return static_cast<int>(r) + 1;
}

TDateTime Now()
{
    std::timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm {};
    localtime_r(&ts.tv_sec, &tm);
    double date = static_cast<double>(
                      DaysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)) +
                  UnixDateDelta;
    // A leap second (tm_sec 60) is folded into the last second of the minute.
    int sec = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    TDateTime time = 0;
    TryEncodeTime(tm.tm_hour, tm.tm_min, sec, static_cast<int>(ts.tv_nsec / 1000000), time);
    return date + time;
}

int CurrentYear()
{
    return gStartYear;
}

void SetCurrentYear(int year)
{
    gStartYear = year;
}

void SetShortMonthNames(const std::array<std::string, 12>& names)
{
    MutableShortMonthNames() = names;
}

const std::array<std::string, 12>& ShortMonthNames()
{
    return MutableShortMonthNames();
}

namespace {

constexpr std::string_view kShortDateFormat = "dd/mm/yyyy";
constexpr std::string_view kLongDateFormat = "dddd, d mmmm yyyy";
constexpr std::string_view kShortTimeFormat = "hh:nn";
constexpr std::string_view kLongTimeFormat = "hh:nn:ss";

char Up(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// True when text at position i starts with word, letters compared in upper case.
bool StartsWithNoCase(std::string_view text, std::size_t i, std::string_view word)
{
    if (text.size() - i < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (Up(text[i + k]) != Up(word[k]))
            return false;
    return true;
}

class DateFormatter {
public:
    explicit DateFormatter(TDateTime dt)
    {
        DecodeDate(dt, year_, month_, day_);
        DecodeTime(dt, hour_, min_, sec_, msec_);
        dow_ = DayOfWeek(dt);
    }

    void Append(std::string_view fmt)
    {
        char lastToken = ' ';
        bool use12Hour = false;
        std::size_t i = 0;
        while (i < fmt.size()) {
            const char starter = fmt[i++];
            char token = Up(starter);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastToken == 'H')
                    token = 'N';
                lastToken = token;
            }
            // The number of further repetitions of the starter.
            auto count = [&]() {
                std::size_t n = 1;
                while (i < fmt.size() && fmt[i] == starter) {
                    ++i;
                    ++n;
                }
                return n;
            };
            switch (token) {
            case 'Y': {
                std::size_t n = count();
                if (n <= 2)
                    Number(((year_ % 100) + 100) % 100, 2);
                else
                    Number(year_, 4);
                break;
            }
            case 'M': {
                std::size_t n = count();
                if (n <= 2)
                    Number(month_, static_cast<int>(n));
                else if (n == 3)
                    out_ += ShortMonthNames()[static_cast<std::size_t>(month_ - 1)];
                else
                    out_ += LongMonthNames[static_cast<std::size_t>(month_ - 1)];
                break;
            }
            case 'D': {
                std::size_t n = count();
                if (n <= 2)
                    Number(day_, static_cast<int>(n));
                else if (n == 3)
                    out_ += ShortDayNames[static_cast<std::size_t>(dow_ - 1)];
                else if (n == 4)
                    out_ += LongDayNames[static_cast<std::size_t>(dow_ - 1)];
                else if (n == 5)
                    Append(kShortDateFormat);
                else
                    Append(kLongDateFormat);
                break;
            }
            case 'H': {
                std::size_t n = count();
                // The 12-hour clock applies when the next 'a' outside quotes, before
                // any further hour letter, starts an am/pm marker.
                bool quoted = false;
                for (std::size_t p = i; p < fmt.size(); ++p) {
                    char c = fmt[p];
                    if ((c == 'a' || c == 'A') && !quoted) {
                        if (StartsWithNoCase(fmt, p, "AM/PM") ||
                            StartsWithNoCase(fmt, p, "A/P") || StartsWithNoCase(fmt, p, "AMPM"))
                            use12Hour = true;
                        break;
                    }
                    if (c == 'h' || c == 'H')
                        break;
                    if (c == '\'' || c == '"')
                        quoted = !quoted;
                }
                int h = hour_;
                if (use12Hour) {
                    if (h == 0)
                        h = 12;
                    else if (h > 12)
                        h -= 12;
                }
                Number(h, n > 2 ? 2 : static_cast<int>(n));
                break;
            }
            case 'N': {
                std::size_t n = count();
                Number(min_, n > 2 ? 2 : static_cast<int>(n));
                break;
            }
            case 'S': {
                std::size_t n = count();
                Number(sec_, n > 2 ? 2 : static_cast<int>(n));
                break;
            }
            case 'Z': {
                std::size_t n = count();
                Number(msec_, n > 3 ? 3 : static_cast<int>(n));
                break;
            }
            case 'T': {
                std::size_t n = count();
                Append(n == 1 ? kShortTimeFormat : kLongTimeFormat);
                break;
            }
            case 'C': {
                count();
                Append(kShortDateFormat);
                if (hour_ != 0 || min_ != 0 || sec_ != 0) {
                    out_ += ' ';
                    Append(kLongTimeFormat);
                }
                break;
            }
            case 'A': {
                const std::size_t p = i - 1;
                if (StartsWithNoCase(fmt, p, "AM/PM")) {
                    out_ += fmt.substr(hour_ >= 12 ? p + 3 : p, 2);
                    i = p + 5;
                    use12Hour = true;
                } else if (StartsWithNoCase(fmt, p, "A/P")) {
                    out_ += fmt.substr(hour_ >= 12 ? p + 2 : p, 1);
                    i = p + 3;
                    use12Hour = true;
                } else if (StartsWithNoCase(fmt, p, "AMPM")) {
                    out_ += hour_ < 12 ? "AM" : "PM";
                    i = p + 4;
                    use12Hour = true;
                } else {
                    out_ += starter;
                }
                break;
            }
            case '"':
            case '\'': {
                std::size_t end = fmt.find(starter, i);
                if (end == std::string_view::npos)
                    end = fmt.size();
                out_ += fmt.substr(i, end - i);
                i = end < fmt.size() ? end + 1 : end;
                break;
            }
            default:
                out_ += starter;
                break;
            }
        }
    }

    std::string Take() { return std::move(out_); }

private:
    // A number with at least the given count of digits, zeros on the left.
    void Number(long long value, int digits)
    {
        if (value < 0) {
            out_ += '-';
            value = -value;
        }
        std::string s = std::to_string(value);
        if (static_cast<int>(s.size()) < digits)
            out_.append(static_cast<std::size_t>(digits) - s.size(), '0');
        out_ += s;
    }

    std::string out_;
    int year_ = 0, month_ = 0, day_ = 0, dow_ = 0;
    int hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dt)
{
    DateFormatter f(dt);
    f.Append(format.empty() ? std::string_view("c") : format);
    return f.Take();
}

}  // namespace tarvix
