#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tarvix {

namespace {

// The Unicode code points of bytes 0x80..0xFF of a single-byte page; the lower half
// of every page is ASCII. All of them lie in the Basic Multilingual Plane.
using UpperHalf = std::array<char16_t, 128>;

// BEGIN GENERATED TABLES (tools/gen_codepages.py)
// CP866 (DOS Cyrillic), bytes 0x80..0xFF.
constexpr UpperHalf kCp866 = {{
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
}};
// CP437 (DOS US), bytes 0x80..0xFF.
constexpr UpperHalf kCp437 = {{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
}};
// CP850 (DOS Western Europe), bytes 0x80..0xFF.
constexpr UpperHalf kCp850 = {{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
}};
// CP1251 (Windows Cyrillic), bytes 0x80..0xFF.
constexpr UpperHalf kCp1251 = {{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
}};
// KOI8-R, bytes 0x80..0xFF.
constexpr UpperHalf kKoi8r = {{
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524,  // 80
    0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590,  // 88
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248,  // 90
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7,  // 98
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556,  // A0
    0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,  // A8
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565,  // B0
    0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9,  // B8
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433,  // C0
    0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E,  // C8
    0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432,  // D0
    0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,  // D8
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413,  // E0
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E,  // E8
    0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412,  // F0
    0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,  // F8
}};
// ISO-8859-1, bytes 0x80..0xFF.
constexpr UpperHalf kLatin1 = {{
    0x0080, 0x0081, 0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x0087,  // 80
    0x0088, 0x0089, 0x008A, 0x008B, 0x008C, 0x008D, 0x008E, 0x008F,  // 88
    0x0090, 0x0091, 0x0092, 0x0093, 0x0094, 0x0095, 0x0096, 0x0097,  // 90
    0x0098, 0x0099, 0x009A, 0x009B, 0x009C, 0x009D, 0x009E, 0x009F,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
}};
// END GENERATED TABLES

constexpr char32_t kReplacementChar = 0xFFFD;

// The UTF-8 form of one upper-half byte (at most three bytes for the BMP).
struct Utf8Form {
    char bytes[3] = {};
    unsigned char len = 0;
};

// Code point -> byte for the upper half of a page, sorted by code point.
struct ReverseTable {
    std::array<char16_t, 128> codePoints{};
    std::array<unsigned char, 128> bytes{};
    std::size_t count = 0;
};

struct PageTables {
    const UpperHalf* half;
    std::array<Utf8Form, 128> forms;
    ReverseTable reverse;
};

constexpr Utf8Form MakeForm(char16_t c)
{
    Utf8Form f;
    if (c < 0x80) {
        f.bytes[0] = static_cast<char>(c);
        f.len = 1;
    } else if (c < 0x800) {
        f.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
        f.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
        f.len = 2;
    } else {
        f.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
        f.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        f.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
        f.len = 3;
    }
    return f;
}

constexpr PageTables MakePage(const UpperHalf& half)
{
    PageTables t{&half, {}, {}};
    for (std::size_t i = 0; i < 128; ++i)
        t.forms[i] = MakeForm(half[i]);
    // Insertion sort of the defined bytes by code point; undefined bytes (U+FFFD)
    // have no reverse entry, so U+FFFD encodes as the replacement.
    ReverseTable& r = t.reverse;
    for (std::size_t i = 0; i < 128; ++i) {
        char16_t c = half[i];
        if (c == kReplacementChar)
            continue;
        std::size_t j = r.count++;
        while (j > 0 && r.codePoints[j - 1] > c) {
            r.codePoints[j] = r.codePoints[j - 1];
            r.bytes[j] = r.bytes[j - 1];
            --j;
        }
        r.codePoints[j] = c;
        r.bytes[j] = static_cast<unsigned char>(0x80 + i);
    }
    return t;
}

// Indexed by the CodePage value; UTF8 (the last one) has no table.
constexpr std::array<PageTables, 6> kPages = {
    MakePage(kCp866), MakePage(kCp437), MakePage(kCp850),
    MakePage(kCp1251), MakePage(kKoi8r), MakePage(kLatin1),
};

static_assert(static_cast<int>(CodePage::CP866) == 0 && static_cast<int>(CodePage::CP437) == 1 &&
              static_cast<int>(CodePage::CP850) == 2 && static_cast<int>(CodePage::CP1251) == 3 &&
              static_cast<int>(CodePage::KOI8R) == 4 && static_cast<int>(CodePage::Latin1) == 5 &&
              static_cast<int>(CodePage::UTF8) == 6,
              "kPages is indexed by CodePage");

// The tables of a single-byte page; callers handle UTF8 before asking.
const PageTables& Tables(CodePage cp)
{
    return kPages[static_cast<std::size_t>(cp)];
}

// The byte of a single-byte page for code point `c`, or -1 when the page lacks it.
int LookupByte(const PageTables& t, char32_t c)
{
    if (c < 0x80)
        return static_cast<int>(c);
    if (c > 0xFFFF)
        return -1;
    const ReverseTable& r = t.reverse;
    auto end = r.codePoints.begin() + static_cast<std::ptrdiff_t>(r.count);
    auto it = std::lower_bound(r.codePoints.begin(), end, static_cast<char16_t>(c));
    if (it == end || *it != c)
        return -1;
    return r.bytes[static_cast<std::size_t>(it - r.codePoints.begin())];
}

// Marks an ill-formed part of UTF-8 input.
constexpr char32_t kIllFormed = 0xFFFFFFFF;

// Reads the code point starting at s[pos] (pos < s.size()) and moves pos past it.
// An ill-formed sequence gives kIllFormed and moves pos past its maximal subpart:
// the lead byte and the continuation bytes that were still acceptable, so that the
// byte that broke the sequence is read again as the start of the next one.
char32_t NextCodePoint(std::string_view s, std::size_t& pos)
{
    unsigned char b0 = static_cast<unsigned char>(s[pos++]);
    if (b0 < 0x80)
        return b0;
    int need;
    char32_t c;
    // Range of the first continuation byte; the narrower ranges exclude overlong
    // forms (E0, F0), surrogates (ED) and values above U+10FFFF (F4).
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        c = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        c = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F;
    } else {
        return kIllFormed;  // continuation byte, C0/C1 overlong lead, F5..FF
    }
    for (int i = 0; i < need; ++i) {
        if (pos >= s.size())
            return kIllFormed;
        unsigned char b = static_cast<unsigned char>(s[pos]);
        if (b < lo || b > hi)
            return kIllFormed;
        lo = 0x80;
        hi = 0xBF;
        c = (c << 6) | (b & 0x3F);
        ++pos;
    }
    return c;
}

void AppendReplacementChar(std::string& out)
{
    out += "\xEF\xBF\xBD";
}

// The stand-in for a character the target page lacks, the way Windows folds DOS
// pseudographics into a page without them.
unsigned char BestFit(char32_t c)
{
    switch (c) {
    // Horizontal lines, whole or half, light, heavy, double or dashed.
    case 0x2500: case 0x2501: case 0x2504: case 0x2505: case 0x2508: case 0x2509:
    case 0x254C: case 0x254D: case 0x2550: case 0x2574: case 0x2576: case 0x2578:
    case 0x257A: case 0x257C: case 0x257E:
        return '-';
    // Vertical lines.
    case 0x2502: case 0x2503: case 0x2506: case 0x2507: case 0x250A: case 0x250B:
    case 0x254E: case 0x254F: case 0x2551: case 0x2575: case 0x2577: case 0x2579:
    case 0x257B: case 0x257D: case 0x257F:
        return '|';
    case 0x2571:
        return '/';
    case 0x2572:
        return '\\';
    case 0x2573:
        return 'X';
    default:
        break;
    }
    if (c >= 0x2500 && c <= 0x257F)
        return '+';  // corners, tees, crosses and arcs
    if (c >= 0x2580 && c <= 0x259F)
        return '#';  // blocks and shades
    return '?';
}

void BuildMap(CodePage from, CodePage to, unsigned char* table)
{
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b);
    if (from == CodePage::UTF8 || to == CodePage::UTF8)
        return;
    const PageTables& src = Tables(from);
    const PageTables& dst = Tables(to);
    for (int b = 0x80; b < 0x100; ++b) {
        char32_t c = (*src.half)[static_cast<std::size_t>(b - 0x80)];
        int mapped = c == kReplacementChar ? -1 : LookupByte(dst, c);
        table[b] = mapped >= 0 ? static_cast<unsigned char>(mapped) : BestFit(c);
    }
}

void MapInPlace(std::string& s, const unsigned char* table)
{
    for (char& ch : s)
        ch = static_cast<char>(table[static_cast<unsigned char>(ch)]);
}

char ToLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::optional<CodePage> CodePageFromName(std::string_view name)
{
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    std::string key;
    for (char c : name) {
        if (c != '-' && c != '_')
            key += ToLowerAscii(c);
    }
    struct Alias {
        std::string_view key;
        CodePage cp;
    };
    static constexpr Alias kAliases[] = {
        {"cp866", CodePage::CP866},     {"866", CodePage::CP866},
        {"ibm866", CodePage::CP866},    {"cp437", CodePage::CP437},
        {"437", CodePage::CP437},       {"ibm437", CodePage::CP437},
        {"cp850", CodePage::CP850},     {"850", CodePage::CP850},
        {"ibm850", CodePage::CP850},    {"cp1251", CodePage::CP1251},
        {"1251", CodePage::CP1251},     {"windows1251", CodePage::CP1251},
        {"win1251", CodePage::CP1251},  {"koi8r", CodePage::KOI8R},
        {"latin1", CodePage::Latin1},   {"iso88591", CodePage::Latin1},
        {"utf8", CodePage::UTF8},
    };
    for (const Alias& a : kAliases) {
        if (a.key == key)
            return a.cp;
    }
    return std::nullopt;
}

std::string_view CodePageName(CodePage cp)
{
    switch (cp) {
    case CodePage::CP866: return "CP866";
    case CodePage::CP437: return "CP437";
    case CodePage::CP850: return "CP850";
    case CodePage::CP1251: return "CP1251";
    case CodePage::KOI8R: return "KOI8-R";
    case CodePage::Latin1: return "Latin-1";
    case CodePage::UTF8: return "UTF-8";
    }
    return "?";
}

bool IsSingleByte(CodePage cp)
{
    return cp != CodePage::UTF8;
}

char32_t DecodeByte(unsigned char b, CodePage cp)
{
    if (b < 0x80)
        return b;
    if (cp == CodePage::UTF8)
        return kReplacementChar;
    return (*Tables(cp).half)[b - 0x80u];
}

char32_t DecodeNextChar(std::string_view bytes, std::size_t& pos, CodePage cp)
{
    if (cp != CodePage::UTF8)
        return DecodeByte(static_cast<unsigned char>(bytes[pos++]), cp);
    char32_t c = NextCodePoint(bytes, pos);
    return c == kIllFormed ? kReplacementChar : c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            AppendReplacementChar(out);
            return;
        }
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        AppendReplacementChar(out);
    }
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (NextCodePoint(bytes, pos) == kIllFormed)
            return false;
    }
    return true;
}

std::string DecodeToUtf8(std::string_view bytes, CodePage cp)
{
    std::string out;
    if (cp == CodePage::UTF8) {
        out.reserve(bytes.size());
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            std::size_t start = pos;
            if (NextCodePoint(bytes, pos) == kIllFormed)
                AppendReplacementChar(out);
            else
                out.append(bytes.substr(start, pos - start));
        }
        return out;
    }
    const PageTables& t = Tables(cp);
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else {
            const Utf8Form& f = t.forms[b - 0x80u];
            out.append(f.bytes, f.len);
        }
    }
    return out;
}

std::string EncodeFromUtf8(std::string_view utf8, CodePage cp, char replacement)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    if (cp == CodePage::UTF8) {
        while (pos < utf8.size()) {
            std::size_t start = pos;
            if (NextCodePoint(utf8, pos) == kIllFormed)
                out += replacement;
            else
                out.append(utf8.substr(start, pos - start));
        }
        return out;
    }
    const PageTables& t = Tables(cp);
    while (pos < utf8.size()) {
        unsigned char b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        char32_t c = NextCodePoint(utf8, pos);
        int mapped = c == kIllFormed ? -1 : LookupByte(t, c);
        out += mapped >= 0 ? static_cast<char>(mapped) : replacement;
    }
    return out;
}

OemAnsiMap::OemAnsiMap(CodePage oem, CodePage ansi) : oem_(oem), ansi_(ansi)
{
    BuildMap(oem, ansi, oemToAnsi_);
    BuildMap(ansi, oem, ansiToOem_);
}

std::string OemAnsiMap::OemToAnsi(std::string_view s) const
{
    std::string out(s);
    MapInPlace(out, oemToAnsi_);
    return out;
}

std::string OemAnsiMap::AnsiToOem(std::string_view s) const
{
    std::string out(s);
    MapInPlace(out, ansiToOem_);
    return out;
}

void OemAnsiMap::OemToAnsiInPlace(std::string& s) const
{
    MapInPlace(s, oemToAnsi_);
}

void OemAnsiMap::AnsiToOemInPlace(std::string& s) const
{
    MapInPlace(s, ansiToOem_);
}

namespace {
OemAnsiMap& TheOemAnsi()
{
    static OemAnsiMap map;
    return map;
}
}  // namespace

const OemAnsiMap& OemAnsi() { return TheOemAnsi(); }

void SetOemAnsiPages(CodePage oem, CodePage ansi) { TheOemAnsi() = OemAnsiMap(oem, ansi); }

}  // namespace tarvix
