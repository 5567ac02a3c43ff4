// Short texts (names, log messages) compared and hashed a machine word at a time:
// eight bytes as one number in the host's byte order, the last word of a text
// overlapping the one before so that no byte is handled alone. Such numbers are only
// compared and hashed with numbers made the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvix {

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

// Whether the n bytes at a and b are the same.
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

// A quick hash of a short text.
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

}  // namespace tarvix
