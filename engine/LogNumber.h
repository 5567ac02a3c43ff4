// Numbers read out of log lines: the day, month and year digits of the date stamps.
//
// A log line is read in place (a view into the file held in memory), so these
// helpers take views and allocate nothing unless they raise.
#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tarvix {

// Adds a count read from a log (bytes, seconds) to a sum. A damaged log can give
// counts near the 64-bit limit: the sum then stays at the limit instead of wrapping.
inline void AddCount(std::int64_t& sum, std::int64_t count)
{
    if (__builtin_add_overflow(sum, count, &sum))
        sum = count > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// A decimal integer as the classic StrToInt reads it: leading blanks, an optional
// sign, then digits up to the end of the text. False for anything else (an empty
// text, a blank after the digits, a value outside 32 bits).
inline bool TryParseLogInt(std::string_view s, int& value)
{
    // Most fields are two digits of a date or a time stamp.
    if (s.size() == 2 && s[0] >= '0' && s[0] <= '9' && s[1] >= '0' && s[1] <= '9') {
        value = (s[0] - '0') * 10 + (s[1] - '0');
        return true;
    }
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i >= s.size())
        return false;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<int>::min())
                                        : std::numeric_limits<int>::max();
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > limit)
            return false;
    }
    value = static_cast<int>(negative ? -v : v);
    return true;
}

// The same, raising EConvertError "'<s>' is not a valid integer value".
inline int ParseLogInt(std::string_view s)
{
    int value = 0;
    if (!TryParseLogInt(s, value))
        throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return value;
}

}  // namespace tarvix
