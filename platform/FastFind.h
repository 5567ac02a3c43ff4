// Finding a text or a byte inside a log line. Parsers search every line of a session for
// texts that may stand anywhere in it ("Carrier lost"), so the search looks at 16
// places at once: a place is a candidate when the first and the last byte of the
// text are there (rarely both by chance), and only candidates are compared in full.
// For a text whose first byte is rare in the lines, Contains (the library's search
// for that byte) is as quick.
#pragma once

#include "platform/Words.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvix {

// The offset of the first occurrence of part in s, or npos; an empty part is found
// at 0, as by std::string_view::find. Inline, so that the bytes of a literal part
// are known where it is called.
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

// The offset of the last byte c in s, or npos, as std::string_view::rfind: eight bytes
// a step from the end, where rfind takes one byte at a time. The bytes are numbered
// by their place in the word, so the word steps need a little-endian machine.
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

// Whether part occurs in s; an empty part occurs nowhere, as with Contains.
inline bool HasText(std::string_view s, std::string_view part)
{
    return !part.empty() && FindText(s, part) != std::string_view::npos;
}

}  // namespace tarvix
