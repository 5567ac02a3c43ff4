// Scanning the bytes of log lines: finding a byte, a blank or a text, comparing and
// hashing short texts, reading digits and time stamps. Parsers look at every line
// of logs of a gigabyte and more, so these look at a machine word (eight bytes) or
// a vector (sixteen) at a time; each has the plain meaning its comment gives, and
// tests/platform/ScanTest.cpp holds it to a plain version of that meaning.
//
// Words are loaded in the host's byte order; the helpers that number the bytes of
// a word by their place (the first byte the lowest) do so only on a little-endian
// machine and take one byte at a time elsewhere.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvix {

// ------------------------------------------------------------------ machine words

inline std::uint64_t LoadWord8(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint32_t LoadWord4(const char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// 0x80 in every byte of x that is zero, 0 in the others (no carry crosses a byte).
inline std::uint64_t ZeroBytes(std::uint64_t x)
{
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    return ~(((x & low7) + low7) | x | low7);
}

// Whether the n bytes at a and b are the same. The last word overlaps the one
// before, so that no byte is compared alone.
inline bool SameBytes(const char* a, const char* b, std::size_t n)
{
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8)
            if (LoadWord8(a + i) != LoadWord8(b + i))
                return false;
        return LoadWord8(a + n - 8) == LoadWord8(b + n - 8);
    }
    if (n >= 4)
        return LoadWord4(a) == LoadWord4(b) && LoadWord4(a + n - 4) == LoadWord4(b + n - 4);
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

inline bool SameBytes(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
}

// A quick hash of a short text (names, log messages), for tables in memory only.
inline std::uint32_t HashBytes(std::string_view s)
{
    // The size is spread over all bits first, so that it cannot cancel a byte.
    std::uint64_t h = (0x9E3779B97F4A7C15ull ^ s.size()) * 0xBF58476D1CE4E5B9ull;
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t last;
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            h = (h ^ LoadWord8(p + i)) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        last = LoadWord8(p + n - 8);
    } else if (n >= 4) {
        last = LoadWord4(p) | std::uint64_t{LoadWord4(p + n - 4)} << 32;
    } else {
        last = 0;
        for (std::size_t i = 0; i < n; ++i)
            last = last << 8 | static_cast<unsigned char>(p[i]);
    }
    h = (h ^ last) * 0x94D049BB133111EBull;
    h ^= h >> 29;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// UpperAscii on each of the eight bytes of a word: 0x20 off each of 'a' to 'z'.
inline std::uint64_t UpperAsciiWord(std::uint64_t x)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    const std::uint64_t low7 = x & (0x7F * ones);
    // Bit 7 of each byte: set from 'a' on, and set above 'z' (no sum carries out of its byte).
    const std::uint64_t fromA = low7 + (0x80 - 'a') * ones;
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * ones;
    const std::uint64_t lower = fromA & ~aboveZ & ~x & (0x80 * ones);
    return x - (lower >> 2);
}

// ------------------------------------------------------------------ texts of a language file

// Texts taken from a language or configuration file that came out empty identify
// nothing: they begin no word and equal none, instead of matching every line.
// (A fixed prefix is s.starts_with.)
inline bool StartsWithText(std::string_view s, std::string_view text) { return !text.empty() && s.starts_with(text); }
inline bool IsText(std::string_view word, std::string_view text) { return !text.empty() && word == text; }

// ------------------------------------------------------------------ bytes

#if defined(__SSE2__)
namespace scan_detail {
// Bit i for each byte i of the 16 at p that is c.
inline unsigned ByteBits16(const char* p, __m128i c)
{
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), c)));
}

// The first offset in s[from, to) (to <= s.size(), s.size() >= 16) whose bit
// bits(p + at) gives for the 16 bytes at at. All loads stay inside s[0, to), the last
// one pulled back to end at to; a field that ends before byte 16 takes the first 16.
template <typename Bits>
inline std::size_t FirstBit(std::string_view s, std::size_t from, std::size_t to, Bits bits)
{
    // An empty field; from may lie far past to (a shift by it would be undefined).
    if (from >= to)
        return std::string_view::npos;
    if (to < 16) {
        const unsigned hits = (bits(s.data()) & ((1u << to) - 1)) >> from;
        return hits != 0 ? from + static_cast<std::size_t>(std::countr_zero(hits)) : std::string_view::npos;
    }
    for (std::size_t i = from; i < to; i += 16) {
        const std::size_t at = i + 16 <= to ? i : to - 16;
        const unsigned hits = bits(s.data() + at) >> (i - at);
        if (hits != 0)
            return i + static_cast<std::size_t>(std::countr_zero(hits));
    }
    return std::string_view::npos;
}
}  // namespace scan_detail
#endif

// The offset of the first byte c in s[from, to), or npos (to <= s.size()). A short
// field well inside a line costs a load or two, where a library call costs more
// than the search.
inline std::size_t FindByte(std::string_view s, char c, std::size_t from, std::size_t to)
{
#if defined(__SSE2__)
    if (s.size() >= 16) {
        const __m128i pattern = _mm_set1_epi8(c);
        return scan_detail::FirstBit(s, from, to, [pattern](const char* p) { return scan_detail::ByteBits16(p, pattern); });
    }
#endif
    for (std::size_t i = from; i < to; ++i)
        if (s[i] == c)
            return i;
    return std::string_view::npos;
}

// The offset of the first blank, tab or c in s[from, to), or to.
inline std::size_t FindBlankOr(std::string_view s, char c, std::size_t from, std::size_t to)
{
#if defined(__SSE2__)
    if (s.size() >= 16) {
        const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), other = _mm_set1_epi8(c);
        const std::size_t at = scan_detail::FirstBit(s, from, to, [blank, tab, other](const char* p) {
            return scan_detail::ByteBits16(p, blank) | scan_detail::ByteBits16(p, tab) | scan_detail::ByteBits16(p, other);
        });
        return at == std::string_view::npos ? to : at;
    }
#endif
    std::size_t i = from;
    while (i < to && s[i] != ' ' && s[i] != '\t' && s[i] != c)
        ++i;
    return i;
}

// The offset of the first blank or tab in s[from, to), or to.
inline std::size_t FindBlank(std::string_view s, std::size_t from, std::size_t to)
{
    return FindBlankOr(s, ' ', from, to);
}

// The offset of the last byte c in s, or npos, as std::string_view::rfind: eight
// bytes a step from the end.
inline std::size_t FindLast(std::string_view s, char c)
{
    std::size_t n = s.size();
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t pattern = static_cast<unsigned char>(c) * 0x0101010101010101ull;
        for (; n >= 8; n -= 8) {
            const std::uint64_t hits = ZeroBytes(LoadWord8(s.data() + n - 8) ^ pattern);
            if (hits != 0)
                return n - 8 + static_cast<std::size_t>(63 - std::countl_zero(hits)) / 8;
        }
    }
    while (n-- > 0)
        if (s[n] == c)
            return n;
    return std::string_view::npos;
}

// Bit i set for each byte i of line (at most 64 bytes) that is c.
inline std::uint64_t ByteBits(std::string_view line, char c)
{
    const std::size_t n = line.size();
#if defined(__SSE2__)
    if (n >= 16) {
        // Four loads of 16 bytes, the last ones pulled back to end at the end.
        const __m128i pattern = _mm_set1_epi8(c);
        const std::size_t last = n - 16;
        auto block = [&](std::size_t at) {
            return std::uint64_t{scan_detail::ByteBits16(line.data() + at, pattern)} << at;
        };
        return block(0) | block(last < 16 ? last : 16) | block(last < 32 ? last : 32) | block(last);
    }
#endif
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < n; ++i)
        bits |= std::uint64_t{line[i] == c} << i;
    return bits;
}

// Whether f answers true for one of the offsets of byte c in s, asked in order.
template <typename F>
bool AnyOffsetOf(std::string_view s, char c, F&& f)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const std::size_t n = s.size();
    if (n >= 16) {
        const __m128i pattern = _mm_set1_epi8(c);
        for (; i + 16 <= n; i += 16)
            for (unsigned mask = scan_detail::ByteBits16(s.data() + i, pattern); mask != 0; mask &= mask - 1)
                if (f(i + static_cast<std::size_t>(std::countr_zero(mask))))
                    return true;
        if (i == n)
            return false;
        // The rest in the last 16 bytes, less the offsets the steps before saw.
        const std::size_t from = n - 16;
        for (unsigned mask = scan_detail::ByteBits16(s.data() + from, pattern) >> (i - from); mask != 0; mask &= mask - 1)
            if (f(i + static_cast<std::size_t>(std::countr_zero(mask))))
                return true;
        return false;
    }
#endif
    for (; i < s.size(); ++i)
        if (s[i] == c && f(i))
            return true;
    return false;
}

// ------------------------------------------------------------------ texts

// The offset of the first occurrence of part in s, or npos; an empty part is found
// at 0, as by std::string_view::find. A place is a candidate when the first and the
// last byte of part are there (rarely both by chance), sixteen places at a time,
// and only candidates are compared in full. Inline, so that the bytes of a literal
// part are known where it is called.
inline std::size_t FindText(std::string_view s, std::string_view part)
{
    const std::size_t m = part.size();
    if (m == 0)
        return 0;
    if (s.size() < m)
        return std::string_view::npos;
    if (m == 1) {
        const void* at = std::memchr(s.data(), part[0], s.size());
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - s.data()) : std::string_view::npos;
    }
    const std::size_t last = s.size() - m;  // the last place part can start at
    const char* p = s.data();
    const char* q = part.data();
    std::size_t i = 0;
#if defined(__SSE2__)
    if (last >= 15) {
        const __m128i head = _mm_set1_epi8(q[0]);
        const __m128i tail = _mm_set1_epi8(q[m - 1]);
        for (;; i += 16) {
            // The last step ends at the last place; it may overlap the one before,
            // whose candidates it finds again only when they did not match.
            const std::size_t from = i < last - 15 ? i : last - 15;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from + m - 1));
            auto mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, head), _mm_cmpeq_epi8(b, tail))));
            for (; mask != 0; mask &= mask - 1) {
                const std::size_t at = from + static_cast<std::size_t>(std::countr_zero(mask));
                if (std::memcmp(p + at + 1, q + 1, m - 2) == 0)
                    return at;
            }
            if (from == last - 15)
                return std::string_view::npos;
        }
    }
#endif
    for (; i <= last; ++i)
        if (p[i] == q[0] && p[i + m - 1] == q[m - 1] && std::memcmp(p + i + 1, q + 1, m - 2) == 0)
            return i;
    return std::string_view::npos;
}

// Whether part occurs in s; an empty part occurs nowhere.
inline bool HasText(std::string_view s, std::string_view part)
{
    return !part.empty() && FindText(s, part) != std::string_view::npos;
}

// ------------------------------------------------------------------ digits

// The hours, minutes and seconds of a time stamp "hh:mm:ss" (the 8 bytes at stamp)
// when all six are digits; false for anything else. The separators are not looked
// at, so "DD/MM hh" gives the day and the month as well.
inline bool StampDigits(const char* stamp, int& hour, int& min, int& sec)
{
    if constexpr (std::endian::native == std::endian::little) {
        // The stamp as one word, the separators made "0". A byte is a digit when it
        // is 0x3? and stays so with 6 added (a carry out of a byte only fails the
        // next one). Each byte and ten times the one before it give the numbers.
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
    if constexpr (std::endian::native == std::endian::little) {
        if (end - p >= 8) {
            // Eight bytes less '0' each: a byte that was no digit has its top bit set
            // either way (below '0' it wraps, above '9' adding 0x76 reaches 0x80).
            // Carries and borrows run to later bytes only, so the first marked byte
            // is the first that is no digit.
            constexpr std::uint64_t kOnes = 0x0101010101010101ull;
            const std::uint64_t d = LoadWord8(p) - '0' * kOnes;
            const std::uint64_t other = (d | (d + 0x76 * kOnes)) & 0x80 * kOnes;
            if (other != 0) {
                const int k = std::countr_zero(other) / 8;
                if (k == 0) {
                    value = 0;
                    return 0;
                }
                // The k digits moved to the top bytes (the bytes below become leading
                // zeros), then joined in pairs, fours and eights.
                std::uint64_t v = d << (8 * (8 - k));
                v = v * 10 + (v >> 8);
                v = ((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32)) +
                     ((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32))) >> 32;
                value = static_cast<std::int64_t>(v);
                p += k;
                return static_cast<std::size_t>(k);
            }
        }
    }
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

// A text of 1 to 18 plain digits, read into value; false for anything else.
inline bool AllDigits(std::string_view s, std::int64_t& value)
{
    const char* p = s.data();
    const char* end = p + s.size();
    return DigitRun(p, end, value) != 0 && p == end;
}

}  // namespace tarvix
