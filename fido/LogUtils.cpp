#include "fido/LogUtils.h"

#include "platform/Error.h"

#include <algorithm>

namespace tarvix {

namespace {

std::string Tenths(std::int64_t whole, std::int64_t tenths, char unit)
{
    std::string s = std::to_string(whole);
    s += '.';
    s += static_cast<char>('0' + std::min<std::int64_t>(tenths, 9));
    s += unit;
    return s;
}

std::string TwoDigits(std::int64_t v)
{
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

std::string FormatBytes(std::int64_t size)
{
    if (size < 1024)
        return std::to_string(size);
    if (size <= 10240)
        return Tenths(size / 1024, (size % 1024) / 100, 'K');
    if (size < 1048576)
        return std::to_string(size / 1024) + "K";
    if (size <= 10485760)
        return Tenths(size / 1048576, (size % 1048576) / 102400, 'M');
    return std::to_string(size / 1048576) + "M";
}

std::string FormatBytes(std::int32_t size)
{
    return FormatBytes(static_cast<std::int64_t>(size));
}

std::string FormatKBytes(std::int32_t sizeK)
{
    if (sizeK == 0)
        return "0";
    if (sizeK < 1024)
        return std::to_string(sizeK) + "K";
    if (sizeK < 10240)
        return Tenths(sizeK / 1024, (sizeK % 1024) / 100, 'M');
    if (sizeK < 10485760)
        return std::to_string(sizeK / 1024) + "M";
    return std::to_string(sizeK / 1048576) + "G";
}

// Negative durations come only from damaged records; they are written as the
// duration of the absolute value with a leading "-".
std::string SecondsToHMS(std::int32_t seconds, bool padHours)
{
    std::int64_t s = seconds;
    std::string sign;
    if (s < 0) {
        sign = "-";
        s = -s;
    }
    std::int64_t h = s / 3600;
    return sign + (padHours ? TwoDigits(h) : std::to_string(h)) + ":" +
           TwoDigits((s / 60) % 60) + ":" + TwoDigits(s % 60);
}

std::string SecondsToHM(std::int32_t seconds)
{
    std::int64_t s = seconds;
    std::string sign;
    if (s < 0) {
        sign = "-";
        s = -s;
    }
    if (s < 360000)
        return sign + std::to_string(s / 3600) + ":" + TwoDigits((s / 60) % 60);
    return sign + std::to_string(s / 3600) + "h";
}

TDateTime UnixToDateTime(std::int32_t seconds)
{
    return static_cast<double>(seconds) / 86400.0 + UnixDateDelta;
}

int MonthFromName(std::string_view s)
{
    for (std::size_t i = 0; i < MonthAbbrs.size(); ++i)
        if (MonthAbbrs[i] == s)
            return static_cast<int>(i) + 1;
    throw EConvertError("Invalid month " + std::string(s));
}

int MonthFromNameIn(std::string_view s, std::span<const std::string> names)
{
    const std::size_t n = std::min<std::size_t>(names.size(), 12);
    for (std::size_t i = 0; i < n; ++i)
        if (names[i] == s)
            return static_cast<int>(i) + 1;
    throw EConvertError("Invalid month " + std::string(s));
}

}  // namespace tarvix
