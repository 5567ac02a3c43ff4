// Checks the two interface language files shipped with the program against the
// places that use their texts (fido/LngUsage.h). The files are read here with a
// small INI reader of their own, so these tests do not depend on the program's
// language loader.

#include "fido/LngUsage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace tarvix::test;

namespace {

const std::string kEngPath = TARVIX_SOURCE_DIR "/lng/QZ_Eng.lng";
const std::string kRusPath = TARVIX_SOURCE_DIR "/lng/QZ_Rus.lng";
constexpr const char* kRequiredVersion = "beta 5";
constexpr std::size_t kMaxValueBytes = 255;

using Problems = std::vector<std::string>;

std::string Lower(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// ---------------------------------------------------------------------------
// INI reading: sections, Key=Value lines, ';' comments. Only [Lng] and
// [Strings] are kept; lines of [Strings] keep their order.

struct LngFile {
    std::vector<std::pair<std::string, std::string>> lng;
    std::vector<std::pair<std::string, std::string>> strings;
    Problems malformed;
};

LngFile ParseLng(std::string_view text)
{
    LngFile f;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::string section;
    int lineNo = 0;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string_view t = Trim(line);
        if (t.empty() || t.front() == ';')
            continue;
        if (t.front() == '[') {
            std::size_t close = t.find(']');
            if (close == std::string_view::npos) {
                f.malformed.push_back("line " + std::to_string(lineNo) + ": unclosed section header");
                continue;
            }
            section = Lower(t.substr(1, close - 1));
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            f.malformed.push_back("line " + std::to_string(lineNo) + ": no '=' in line");
            continue;
        }
        std::pair<std::string, std::string> kv{std::string(Trim(line.substr(0, eq))),
                                               std::string(line.substr(eq + 1))};
        if (section == "lng")
            f.lng.push_back(std::move(kv));
        else if (section == "strings")
            f.strings.push_back(std::move(kv));
    }
    return f;
}

const std::string* FindValue(const std::vector<std::pair<std::string, std::string>>& list,
                             std::string_view key)
{
    const std::string k = Lower(key);
    for (const auto& kv : list)
        if (Lower(kv.first) == k)
            return &kv.second;
    return nullptr;
}

bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Format specifiers, as the program's Format understands them:
//   %[index:][-][width][.prec]type   with width and prec a number or '*',
// "%%" is a literal percent sign. Each specifier takes the argument at the
// current position (an index sets that position first) and moves on by one;
// a '*' takes an integer argument itself.

char ArgKindOf(char type)
{
    switch (std::tolower(static_cast<unsigned char>(type))) {
    case 'd': case 'u': case 'x':
        return 'd';
    case 's':
        return 's';
    case 'e': case 'f': case 'g': case 'n': case 'm':
        return 'f';
    default:
        return 0;
    }
}

struct FormatUse {
    std::size_t arg; // position of the argument taken
    char kind;       // 'd', 's' or 'f'
    std::string text;  // the specifier as written
};

struct ParsedFormat {
    std::vector<FormatUse> uses;
    Problems errors;
};

ParsedFormat ParseFormat(std::string_view text)
{
    ParsedFormat r;
    std::size_t next = 0;
    auto digits = [&](std::size_t& i) {
        std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return text.substr(start, i - start);
    };

    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        const std::size_t start = i++;
        if (i < text.size() && text[i] == '%')
            continue;
        // Optional argument index.
        std::size_t j = i;
        std::string_view num = digits(j);
        if (!num.empty() && num.size() < 4 && j < text.size() && text[j] == ':') {
            next = static_cast<std::size_t>(std::stoul(std::string(num)));
            i = j + 1;
        }
        if (i < text.size() && text[i] == '-')
            ++i;
        int stars = 0;
        if (i < text.size() && text[i] == '*') {
            ++stars;
            ++i;
        } else {
            digits(i);
        }
        if (i < text.size() && text[i] == '.') {
            ++i;
            if (i < text.size() && text[i] == '*') {
                ++stars;
                ++i;
            } else {
                digits(i);
            }
        }
        if (i >= text.size()) {
            r.errors.push_back("unfinished format specifier '" + std::string(text.substr(start)) + "'");
            break;
        }
        std::string written(text.substr(start, i - start + 1));
        const char kind = ArgKindOf(text[i]);
        if (kind == 0) {
            r.errors.push_back("unknown format specifier '" + written + "'");
            continue;
        }
        for (int s = 0; s < stars; ++s)
            r.uses.push_back({next++, 'd', written});
        r.uses.push_back({next++, kind, written});
    }
    return r;
}

// Problems of formatting `text` with arguments of the kinds in `args`.
Problems CheckFormat(std::string_view text, std::string_view args)
{
    ParsedFormat f = ParseFormat(text);
    Problems p = std::move(f.errors);
    std::vector<bool> used(args.size(), false);
    for (const FormatUse& u : f.uses) {
        if (u.arg >= args.size()) {
            p.push_back("'" + u.text + "' needs argument " + std::to_string(u.arg + 1) + " but only " +
                        std::to_string(args.size()) + " are passed");
        } else if (args[u.arg] != u.kind) {
            p.push_back("'" + u.text + "' takes a '" + std::string(1, u.kind) + "' argument where '" +
                        std::string(1, args[u.arg]) + "' is passed");
        } else {
            used[u.arg] = true;
        }
    }
    for (std::size_t k = 0; k < args.size(); ++k)
        if (!used[k])
            p.push_back("argument " + std::to_string(k + 1) + " ('" + std::string(1, args[k]) +
                        "') is never used");
    return p;
}

// The argument kinds a text consumes, by position ('?' for a position it skips),
// or "!" when the text cannot be formatted at all.
std::string FormatSignature(std::string_view text)
{
    const ParsedFormat f = ParseFormat(text);
    if (!f.errors.empty())
        return "!";
    std::string sig;
    for (const FormatUse& u : f.uses) {
        if (sig.size() <= u.arg)
            sig.resize(u.arg + 1, '?');
        if (sig[u.arg] != '?' && sig[u.arg] != u.kind)
            return "!";
        sig[u.arg] = u.kind;
    }
    return sig;
}

// ---------------------------------------------------------------------------
// All checks of one language file against the usage tables.

Problems CheckLngFile(const LngFile& f)
{
    Problems p = f.malformed;

    const std::string* version = FindValue(f.lng, "Version");
    if (version == nullptr)
        p.push_back("[Lng] has no Version");
    else if (*version != kRequiredVersion)
        p.push_back("[Lng] Version is '" + *version + "', needed '" + kRequiredVersion + "'");

    if (f.strings.size() < static_cast<std::size_t>(kLastIndexedText) + 1)
        p.push_back("[Strings] holds " + std::to_string(f.strings.size()) + " texts, at least " +
                    std::to_string(kLastIndexedText + 1) + " are needed");

    std::set<std::string> seen;
    for (std::size_t i = 0; i < f.strings.size(); ++i) {
        const auto& [key, value] = f.strings[i];
        const std::string where = "text " + std::to_string(i) + " (" + key + ")";
        if (key.empty())
            p.push_back(where + ": empty key");
        if (!seen.insert(Lower(key)).second)
            p.push_back(where + ": key occurs twice (keys ignore letter case)");
        if (value.empty())
            p.push_back(where + ": empty text");
        if (value.size() > kMaxValueBytes)
            p.push_back(where + ": text longer than 255 bytes");
        if (!IsValidUtf8(key) || !IsValidUtf8(value))
            p.push_back(where + ": not valid UTF-8");
    }

    std::set<int> usedIndexes;
    for (const IndexUse& u : kIndexUses) {
        usedIndexes.insert(u.index);
        const std::string where = "text " + std::to_string(u.index) + " [" + u.where + "]";
        if (u.index < 0 || static_cast<std::size_t>(u.index) >= f.strings.size()) {
            p.push_back(where + ": missing");
            continue;
        }
        for (const std::string& e : CheckFormat(f.strings[u.index].second, u.args))
            p.push_back(where + " '" + f.strings[u.index].second + "': " + e);
    }
    // Positions that nothing uses hold fillers; a used position must not.
    for (int i = 0; i <= kLastIndexedText && static_cast<std::size_t>(i) < f.strings.size(); ++i) {
        const bool filler = f.strings[i].first.rfind("Unused.", 0) == 0;
        if (usedIndexes.count(i) != 0 && filler)
            p.push_back("text " + std::to_string(i) + " is used but holds the filler " + f.strings[i].first);
        if (usedIndexes.count(i) == 0 && !filler)
            p.push_back("text " + std::to_string(i) + " (" + f.strings[i].first +
                        ") is used nowhere; its key should start with Unused.");
    }

    for (const KeyUse& u : kKeyUses) {
        const std::string* value = FindValue(f.strings, u.key);
        const std::string where = std::string("key ") + u.key + " [" + u.where + "]";
        if (value == nullptr) {
            p.push_back(where + ": missing");
            continue;
        }
        for (const std::string& e : CheckFormat(*value, u.args))
            p.push_back(where + " '" + *value + "': " + e);
    }

    if (const std::string* months = FindValue(f.strings, "ShortMonthNames")) {
        std::vector<std::string> names;
        std::string_view rest = *months;
        for (;;) {
            std::size_t comma = rest.find(',');
            names.emplace_back(Trim(rest.substr(0, comma)));
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        if (names.size() != 12)
            p.push_back("ShortMonthNames holds " + std::to_string(names.size()) + " names, not 12");
        for (const std::string& n : names)
            if (n.empty())
                p.push_back("ShortMonthNames holds an empty name");
    }
    return p;
}

std::string Join(const Problems& p)
{
    std::string s;
    for (const std::string& e : p)
        s += "\n  " + e;
    return s;
}

// Swaps lines a and b (0-based) of [Strings] in a file's text.
std::string SwapStrings(const std::string& text, std::size_t a, std::size_t b)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    std::size_t first = 0;
    while (first < lines.size() && lines[first] != "[Strings]")
        ++first;
    ++first;
    std::swap(lines.at(first + a), lines.at(first + b));
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

class ShippedLngFile : public ::testing::TestWithParam<std::string> {};

} // namespace

// ---------------------------------------------------------------------------
// The format checker itself: what it must accept and what it must refuse.

TEST(LngFormatChecker, AcceptsSpecifiersThatFitTheArguments)
{
    EXPECT_TRUE(CheckFormat("no arguments", "").empty());
    EXPECT_TRUE(CheckFormat("%d of %d", "dd").empty());
    EXPECT_TRUE(CheckFormat("Error in %s, line %d:\\n%s", "sds").empty());
    EXPECT_TRUE(CheckFormat("100%% done, %s", "s").empty());
    EXPECT_TRUE(CheckFormat("%1:d in %0:s", "sd").empty());
    EXPECT_TRUE(CheckFormat("%-18s|%5.2f|%x|%u", "sfdd").empty());
    EXPECT_TRUE(CheckFormat("%*d", "dd").empty());
    EXPECT_TRUE(CheckFormat("%S and %D", "sd").empty());
}

TEST(LngFormatChecker, RefusesSpecifiersThatDoNotFit)
{
    EXPECT_FALSE(CheckFormat("%s", "d").empty());           // wrong kind
    EXPECT_FALSE(CheckFormat("%d %d", "d").empty());        // too few arguments
    EXPECT_FALSE(CheckFormat("%s", "ss").empty());          // argument left unused
    EXPECT_FALSE(CheckFormat("text", "s").empty());         // argument left unused
    EXPECT_FALSE(CheckFormat("%d and %s", "sd").empty());   // swapped order
    EXPECT_FALSE(CheckFormat("100%", "").empty());          // lone percent at the end
    EXPECT_FALSE(CheckFormat("50% off", "").empty());       // "% o" is no specifier
    EXPECT_FALSE(CheckFormat("%q", "").empty());
    EXPECT_FALSE(CheckFormat("%3:s", "s").empty());         // index beyond the arguments
    EXPECT_FALSE(CheckFormat("%5.", "").empty());
}

// ---------------------------------------------------------------------------
// Damaged language files must be caught by the checks, never crash them.

TEST(LngFileChecks, CatchDamagedAndReorderedFiles)
{
    const std::string eng = ReadWholeFile(kEngPath);
    ASSERT_FALSE(eng.empty()) << "cannot read " << kEngPath;
    ASSERT_TRUE(CheckLngFile(ParseLng(eng)).empty());

    // Two neighbouring texts with different arguments change places.
    EXPECT_FALSE(CheckLngFile(ParseLng(SwapStrings(eng, 9, 10))).empty());
    // Two texts without arguments change places: the filler positions notice it.
    EXPECT_FALSE(CheckLngFile(ParseLng(SwapStrings(eng, 1, 2))).empty());
    // Cut in the middle.
    EXPECT_FALSE(CheckLngFile(ParseLng(eng.substr(0, eng.size() / 2))).empty());
    // Nothing at all, and binary garbage.
    EXPECT_FALSE(CheckLngFile(ParseLng("")).empty());
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 131 + 7) % 256));
    EXPECT_FALSE(CheckLngFile(ParseLng(garbage)).empty());
    // Wrong version.
    std::string v = eng;
    v.replace(v.find("Version=beta 5"), 14, "Version=beta 4");
    EXPECT_FALSE(CheckLngFile(ParseLng(v)).empty());
    // An oversized text.
    std::string big = eng;
    std::size_t at = big.find("Log.NewName=");
    ASSERT_NE(at, std::string::npos);
    big.insert(at + 12, std::string(300, 'x'));
    EXPECT_FALSE(CheckLngFile(ParseLng(big)).empty());
    // A [Strings] line without '='.
    std::string noEq = eng;
    noEq.insert(noEq.find("Log.NewName="), "broken line\n");
    EXPECT_FALSE(CheckLngFile(ParseLng(noEq)).empty());
}

TEST(LngFileChecks, ReaderHandlesBomCrLfAndComments)
{
    const LngFile f = ParseLng("\xEF\xBB\xBF; comment\r\n[Lng]\r\nVersion=beta 5\r\n"
                               "[Strings]\r\nA=one = two\r\n;skipped=x\r\n  B =\r\n");
    EXPECT_TRUE(f.malformed.empty());
    ASSERT_EQ(f.lng.size(), 1u);
    EXPECT_EQ(f.lng[0].second, "beta 5");
    ASSERT_EQ(f.strings.size(), 2u);
    EXPECT_EQ(f.strings[0].first, "A");
    EXPECT_EQ(f.strings[0].second, "one = two");
    EXPECT_EQ(f.strings[1].first, "B");
    EXPECT_EQ(f.strings[1].second, "");
}

// ---------------------------------------------------------------------------
// The shipped files.

TEST_P(ShippedLngFile, FitsEveryUseOfItsTexts)
{
    const std::string text = ReadWholeFile(GetParam());
    ASSERT_FALSE(text.empty()) << "cannot read " << GetParam();
    const Problems p = CheckLngFile(ParseLng(text));
    EXPECT_TRUE(p.empty()) << GetParam() << ":" << Join(p);
}

INSTANTIATE_TEST_SUITE_P(English, ShippedLngFile, ::testing::Values(kEngPath));
INSTANTIATE_TEST_SUITE_P(Russian, ShippedLngFile, ::testing::Values(kRusPath));

TEST(ShippedLngFiles, HaveTheSameKeysInTheSameOrderAndTheSameArguments)
{
    const LngFile eng = ParseLng(ReadWholeFile(kEngPath));
    const LngFile rus = ParseLng(ReadWholeFile(kRusPath));
    ASSERT_GE(eng.strings.size(), static_cast<std::size_t>(kLastIndexedText) + 1);
    ASSERT_EQ(eng.strings.size(), rus.strings.size());
    for (std::size_t i = 0; i < eng.strings.size(); ++i) {
        SCOPED_TRACE("text " + std::to_string(i) + " (" + eng.strings[i].first + ")");
        EXPECT_EQ(eng.strings[i].first, rus.strings[i].first);
        EXPECT_NE(FormatSignature(eng.strings[i].second), "!");
        EXPECT_EQ(FormatSignature(eng.strings[i].second), FormatSignature(rus.strings[i].second));
    }
}

TEST(ShippedLngFiles, UsageTablesAreConsistent)
{
    // The same text must not be used with different arguments in two places.
    for (const IndexUse& a : kIndexUses) {
        for (const IndexUse& b : kIndexUses) {
            if (a.index == b.index) {
                EXPECT_STREQ(a.args, b.args) << "text " << a.index;
            }
        }
    }
    for (const IndexUse& u : kIndexUses) {
        EXPECT_GE(u.index, 0);
        EXPECT_LE(u.index, kLastIndexedText);
    }
    std::set<std::string> keys;
    for (const KeyUse& u : kKeyUses)
        EXPECT_TRUE(keys.insert(Lower(u.key)).second) << u.key;
}
