// Short texts for byte counts and durations, Unix time and English month names,
// as shown in the lists and reports of the program.
#pragma once

#include "fido/DateTime.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarvix {

// The English month abbreviations, January first, as mailers write them in logs.
inline constexpr std::array<std::string_view, 12> MonthAbbrs = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A byte count as a short text:
//   below 1024             the number alone          1000    -> 1000
//   1024 to 10240          KB with one decimal        1536    -> 1.5K
//   10241 to 1048575       whole KB                   20480   -> 20K
//   1048576 to 10485760    MB with one decimal        1572864 -> 1.5M
//   10485761 and above     whole MB
// The decimal is the remainder in hundreds of bytes (hundreds of KB for MB), at most 9:
// it is cut, never rounded. The 64-bit form follows the same table and keeps counting
// in whole MB beyond 2 GB (5 GB gives 5120M), so sizes of every magnitude read alike.
std::string FormatBytes(std::int32_t size);
std::string FormatBytes(std::int64_t size);

// A count of kilobytes as a short text:
//   0                      "0"
//   1 to 1023              the number and "K"
//   1024 to 10239          MB with one decimal (hundreds of KB, at most 9) and "M"
//   10240 to 10485759      whole MB and "M"
//   10485760 and above     whole GB and "G"
// A negative count is written as the number and "K".
std::string FormatKBytes(std::int32_t sizeK);

// Hours, two-digit minutes and two-digit seconds: 3725 gives 1:02:05, or 01:02:05
// with padHours. The hours are not limited to 24.
std::string SecondsToHMS(std::int32_t seconds, bool padHours);
// Below 100 hours: hours and two-digit minutes (3725 gives 1:02); from 100 hours on
// the hours and "h" (432000 gives 120h).
std::string SecondsToHM(std::int32_t seconds);

// Seconds since 1970-01-01 00:00 as a date-time value; no time-zone correction.
TDateTime UnixToDateTime(std::int32_t seconds);

// The month number 1 to 12 of an abbreviation in MonthAbbrs, compared exactly
// (jan is not a month). Raises EConvertError "Invalid month " + s otherwise.
int MonthFromName(std::string_view s);
// The same against a caller's table of month names, January first (a mailer's own
// names read from its language file). Entries after the twelfth are not looked at.
int MonthFromNameIn(std::string_view s, std::span<const std::string> names);

}  // namespace tarvix
