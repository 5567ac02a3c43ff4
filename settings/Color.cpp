#include "settings/Color.h"

#include "platform/Text.h"

#include <charconv>
#include <cstdio>

namespace tarvix {

namespace {

struct NamedColor {
    const char* name;
    TColor color;
};

// The names written by the program come first; the others are accepted on reading.
constexpr NamedColor kNames[] = {
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
    {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
    {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
    {"clLtGray", clSilver}, {"clDkGray", clGray},
    // System colours: the high bit and the index of the system colour.
    {"clScrollBar", static_cast<TColor>(0x80000000)}, {"clBackground", static_cast<TColor>(0x80000001)},
    {"clActiveCaption", static_cast<TColor>(0x80000002)}, {"clInactiveCaption", static_cast<TColor>(0x80000003)},
    {"clMenu", static_cast<TColor>(0x80000004)}, {"clWindow", static_cast<TColor>(0x80000005)},
    {"clWindowFrame", static_cast<TColor>(0x80000006)}, {"clMenuText", static_cast<TColor>(0x80000007)},
    {"clWindowText", static_cast<TColor>(0x80000008)}, {"clCaptionText", static_cast<TColor>(0x80000009)},
    {"clActiveBorder", static_cast<TColor>(0x8000000A)}, {"clInactiveBorder", static_cast<TColor>(0x8000000B)},
    {"clAppWorkSpace", static_cast<TColor>(0x8000000C)}, {"clHighlight", static_cast<TColor>(0x8000000D)},
    {"clHighlightText", static_cast<TColor>(0x8000000E)}, {"clBtnFace", static_cast<TColor>(0x8000000F)},
    {"clBtnShadow", static_cast<TColor>(0x80000010)}, {"clGrayText", static_cast<TColor>(0x80000011)},
    {"clBtnText", static_cast<TColor>(0x80000012)}, {"clInactiveCaptionText", static_cast<TColor>(0x80000013)},
    {"clBtnHighlight", static_cast<TColor>(0x80000014)}, {"clNone", 0x1FFFFFFF}, {"clDefault", 0x20000000},
};

}  // namespace

std::optional<TColor> StringToColor(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty())
        return std::nullopt;
    for (const NamedColor& n : kNames)
        if (SameText(text, n.name))
            return n.color;
    bool negative = false;
    if (text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    TColor c = static_cast<TColor>(value);
    return negative ? -c : c;
}

std::string ColorToString(TColor color)
{
    for (const NamedColor& n : kNames)
        if (n.color == color)
            return n.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

}  // namespace tarvix
