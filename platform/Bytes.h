// Reading little-endian numbers out of the bytes of binary files. Callers check
// the offsets against the size first.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvix {

inline std::uint16_t LoadU16LE(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

inline std::uint32_t LoadU32LE(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(LoadU16LE(b, at)) | (static_cast<std::uint32_t>(LoadU16LE(b, at + 2)) << 16);
}

}  // namespace tarvix
