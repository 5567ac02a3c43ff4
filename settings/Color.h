// Colours as the settings store keeps them: a 32-bit value $00BBGGRR and the
// classic colour names (clBlack, clBlue, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvix {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

// The colour of a name (any case) or of a number ("$00FF00FF", "0x...", decimal).
std::optional<TColor> StringToColor(std::string_view text);
// The name of a named colour, else "$" and eight hexadecimal digits.
std::string ColorToString(TColor color);

// Red, green and blue parts (system colours, with the high bit set, give 0).
inline int ColorRed(TColor c) { return c < 0 ? 0 : c & 0xFF; }
inline int ColorGreen(TColor c) { return c < 0 ? 0 : (c >> 8) & 0xFF; }
inline int ColorBlue(TColor c) { return c < 0 ? 0 : (c >> 16) & 0xFF; }

}  // namespace tarvix
