// Numbers read out of log lines: the day, month and year digits of the date stamps.
//
// A log line is read in place (a view into the file held in memory), so these
// helpers take views and allocate nothing unless they raise.
#pragma once

#include "platform/Error.h"
#include "platform/Words.h"

#include <bit>
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

// The hours, minutes and seconds of a time stamp "hh:mm:ss" (the 8 bytes at stamp)
// when all six are digits, as ParseLogInt reads them; false for anything else, which
// is left to the general reading. The separators are not looked at.
inline bool StampDigits(const char* stamp, int& hour, int& min, int& sec)
{
    if constexpr (std::endian::native == std::endian::little) {
        // The stamp as one word (its first byte the lowest), the separators made "0".
        // A byte is a digit when it is 0x3? and stays so with 6 added (a carry out of
        // a byte only fails the next one). Each byte and ten times the one before it
        // then give the three numbers.
        constexpr std::uint64_t kZeros = 0x3030303030303030ull, kHigh = 0xF0F0F0F0F0F0F0F0ull;
        constexpr std::uint64_t kSeparators = 0x0000FF0000FF0000ull;
        const std::uint64_t w = (LoadWord8(stamp) & ~kSeparators) | (kZeros & kSeparators);
        if ((w & kHigh) != kZeros || ((w + 0x0606060606060606ull) & kHigh) != kZeros)
            return false;
        const std::uint64_t d = w - kZeros;
        const std::uint64_t pairs = d * 10 + (d >> 8);
        hour = static_cast<int>(pairs & 0xFF);
        min = static_cast<int>(pairs >> 24 & 0xFF);
        sec = static_cast<int>(pairs >> 48 & 0xFF);
        return true;
    }
    auto digit = [stamp](int at) { return static_cast<unsigned>(static_cast<unsigned char>(stamp[at])) - '0'; };
    const unsigned h1 = digit(0), h2 = digit(1), m1 = digit(3), m2 = digit(4), s1 = digit(6), s2 = digit(7);
    if (h1 > 9 || h2 > 9 || m1 > 9 || m2 > 9 || s1 > 9 || s2 > 9)
        return false;
    hour = static_cast<int>(h1 * 10 + h2);
    min = static_cast<int>(m1 * 10 + m2);
    sec = static_cast<int>(s1 * 10 + s2);
    return true;
}

// The digits at p (before end) as a count, p moved past them: the number of digits,
// 0 for none and for more than 18 (a count that long is left to the general reading,
// which tells the values that do not fit).
inline std::size_t DigitRun(const char*& p, const char* end, std::int64_t& value)
{
    const char* start = p;
    std::uint64_t v = 0;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
        if (d > 9)
            break;
        v = v * 10 + d;
    }
    const auto n = static_cast<std::size_t>(p - start);
    if (n > 18)
        return 0;
    value = static_cast<std::int64_t>(v);
    return n;
}

}  // namespace tarvix
