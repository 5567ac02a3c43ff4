#include "settings/Font.h"

#include "platform/Text.h"

#include <charconv>

namespace tarvix {

namespace {

bool ToInt(std::string_view s, int& out)
{
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return false;
    out = v;
    return true;
}

}  // namespace

std::string FontToString(const TFontSpec& f)
{
    std::string style;
    if (f.Bold)
        style += 'B';
    if (f.Italic)
        style += 'I';
    if (f.Underline)
        style += 'U';
    if (f.StrikeOut)
        style += 'S';
    return f.Name + "," + std::to_string(f.Size) + "," + style + "," + std::to_string(f.Pitch) + "," +
           ColorToString(f.Color) + "," + f.Charset;
}

void ReadFontString(std::string_view text, TFontSpec& f)
{
    for (int field = 0; field < 6; ++field) {
        std::size_t comma = text.find(',');
        // Each of the first five fields is taken only when a comma follows it.
        if (field < 5 && comma == std::string_view::npos)
            return;
        std::string_view value = TrimBlanks(field < 5 ? text.substr(0, comma) : text);
        if (field < 5)
            text.remove_prefix(comma + 1);
        if (value.empty())
            continue;
        switch (field) {
        case 0: f.Name = value; break;
        case 1: {
            int size = 0;
            if (ToInt(value, size) && size > 0 && size < 1000)
                f.Size = size;
            break;
        }
        case 2:
            f.Bold = f.Italic = f.Underline = f.StrikeOut = false;
            for (char c : value) {
                switch (c) {
                case 'B': case 'b': f.Bold = true; break;
                case 'I': case 'i': f.Italic = true; break;
                case 'U': case 'u': f.Underline = true; break;
                case 'S': case 's': f.StrikeOut = true; break;
                default: break;
                }
            }
            break;
        case 3: {
            int pitch = 0;
            if (ToInt(value, pitch) && pitch >= 0 && pitch <= 2)
                f.Pitch = pitch;
            break;
        }
        case 4:
            if (auto c = StringToColor(value))
                f.Color = *c;
            break;
        case 5: f.Charset = value; break;
        }
    }
}

}  // namespace tarvix
