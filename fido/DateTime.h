// Date-time values as the program keeps them: a double counting days since
// 30 December 1899, with the time of day as the fraction (0.5 is noon).
//
// Day numbers before 1899-12-30 are negative; as in the classic run-time library the
// fraction of a negative value is still the time of day counted forwards, so -1.25
// is 1899-12-29 06:00. Dates use the Gregorian calendar throughout.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarvix {

using TDateTime = double;

// The day number of 1970-01-01, the start of Unix time.
inline constexpr TDateTime UnixDateDelta = 25569.0;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = 24 * 60;
inline constexpr int SecsPerDay = 24 * 60 * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;

bool IsLeapYear(int year);
// The number of days of a month (1 to 12) of a year; 0 for a month out of range.
int DaysInAMonth(int year, int month);

// Encodes a date. Valid are years 1 to 9999 and the months and days of the calendar.
// EncodeDate raises EConvertError ("Invalid argument to date encode") for anything else.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);

// Encodes a time of day: hour 0-23, minute 0-59, second 0-59, millisecond 0-999.
// EncodeTime raises EConvertError ("Invalid argument to time encode") otherwise.
// Inline: the log parsers time nearly every line they keep.
inline bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result)
{
    // One unsigned compare per field also turns away the negative ones.
    if (static_cast<unsigned>(hour) >= 24 || static_cast<unsigned>(min) >= 60 || static_cast<unsigned>(sec) >= 60 ||
        static_cast<unsigned>(msec) >= 1000)
        return false;
    result = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / static_cast<double>(MSecsPerDay);
    return true;
}
[[noreturn]] void ThrowBadTime();
inline TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime result = 0;
    if (!TryEncodeTime(hour, min, sec, msec, result))
        ThrowBadTime();
    return result;
}

// Splits a value into its date and time parts. The value is first rounded to the
// nearest millisecond, so 23:59:59.9999 belongs to the next day.
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);

// The date part (midnight of the day) and the time part (fraction) of a value.
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);

// The day of the week, 1 for Sunday to 7 for Saturday.
int DayOfWeek(TDateTime dt);

// The local date and time of the system, to the millisecond.
TDateTime Now();
// The year of the system date when the program started. Logs whose lines carry no
// year take this one.
int CurrentYear();
// Sets the year CurrentYear gives (tarvix-report --year, tests).
void SetCurrentYear(int year);

// The short month names used by FormatDateTime ("mmm"). They start as "Jan".."Dec";
// the interface language loader replaces them with the names of its language.
void SetShortMonthNames(const std::array<std::string, 12>& names);
const std::array<std::string, 12>& ShortMonthNames();

// English names; index 0 is January and Sunday respectively.
inline constexpr std::array<std::string_view, 12> LongMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
inline constexpr std::array<std::string_view, 7> ShortDayNames = {
    "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
inline constexpr std::array<std::string_view, 7> LongDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Formats a value with the classic date-time format letters. Case does not matter,
// but a run counts letters of one case only ("dD" is two single "d").
//   d, dd        day of month without / with leading zero
//   ddd, dddd    short / long day name; ddddd the short date, dddddd the long date
//   m, mm        month without / with leading zero; mmm short month name
//                (ShortMonthNames), mmmm long month name; "m" or "mm" means minutes
//                when the letter before it (quoted text aside) is an hour letter
//   yy, yyyy     two-digit / four-digit year
//   h, hh        hour; 12-hour clock when an am/pm marker follows in the format
//   n, nn        minute;  s, ss second;  z, zzz millisecond
//   t, tt        short time (hh:nn) / long time (hh:nn:ss)
//   c            short date, then the long time unless it is midnight
//   am/pm, a/p   the text as written ("am"/"pm", "AM"/"PM", ...) by the hour
//   ampm         "AM" / "PM"
//   "..." '...'  literal text
//   /  :         themselves
// Any other character is copied. An empty format means "c". The short date is
// "dd/mm/yyyy" and the long date "dddd, d mmmm yyyy".
std::string FormatDateTime(std::string_view format, TDateTime dt);

}  // namespace tarvix
