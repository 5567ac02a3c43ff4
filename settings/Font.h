// Fonts as the settings store keeps them: one text of six comma-separated fields,
// face name, size in points, style letters (B, I, U, S), pitch (0 default,
// 1 variable, 2 fixed), colour and character set, e.g.
// "MS Sans Serif,8,B,0,clBlack,DEFAULT_CHARSET".
#pragma once

#include "settings/Color.h"

#include <string>
#include <string_view>

namespace tarvix {

struct TFontSpec {
    std::string Name = "MS Sans Serif";
    int Size = 8;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int Pitch = 0;
    TColor Color = clBlack;
    std::string Charset = "DEFAULT_CHARSET";

    bool operator==(const TFontSpec&) const = default;
};

std::string FontToString(const TFontSpec& font);
// Reads the stored text into Font. Each field is trimmed; an empty or malformed
// field keeps the font's value; reading stops at the first field that has no comma
// after it (the character set is the text after the fifth comma).
void ReadFontString(std::string_view text, TFontSpec& font);

}  // namespace tarvix
