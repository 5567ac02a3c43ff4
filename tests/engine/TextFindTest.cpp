#include "engine/TextFind.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarvix {
namespace {

std::string Enc(const std::string& utf8, CodePage cp) { return EncodeFromUtf8(utf8, cp); }

// Where a pattern occurs, by a plain loop over the folded text.
std::vector<std::size_t> Reference(const std::string& text, const std::string& pattern, CodePage cp, bool matchCase)
{
    auto fold = [&](const std::string& s) {
        std::string out;
        std::size_t pos = 0;
        while (pos < s.size()) {
            const std::size_t at = pos;
            char32_t c = DecodeNextChar(s, pos, cp);
            if (!matchCase)
                c = FoldLetter(c);
            std::string enc;
            AppendUtf8(enc, c);
            if (cp != CodePage::UTF8)
                enc = EncodeFromUtf8(enc, cp);
            out += enc.size() == pos - at ? enc : s.substr(at, pos - at);
        }
        return out;
    };
    const std::string t = fold(text), p = fold(Enc(pattern, cp));
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i + p.size() <= t.size(); ++i)
        if (t.compare(i, p.size(), p) == 0)
            found.push_back(i);
    return found;
}

// Random texts of letters of both cases (Latin and Cyrillic) and line ends, every
// start offset, in each code page with and without match case: the fast search
// finds what the plain loop finds (the vector steps of 16 and their last overlap).
TEST(TextFind, PlainAgreesWithAPlainLoop)
{
    const std::vector<std::string> letters = {"a", "B", "b", "A", "я", "Я", "ж", "Ж", " ", "\n", "\r\n", "1"};
    std::mt19937 rng(7);
    for (CodePage cp : {CodePage::CP866, CodePage::CP1251, CodePage::KOI8R, CodePage::UTF8}) {
        for (bool matchCase : {false, true}) {
            for (int round = 0; round < 40; ++round) {
                std::string utf8;
                const int n = static_cast<int>(rng() % 90);
                for (int i = 0; i < n; ++i)
                    utf8 += letters[rng() % letters.size()];
                std::string pattern;
                for (int i = 0, m = 1 + static_cast<int>(rng() % 3); i < m; ++i)
                    pattern += letters[rng() % 8];
                const std::string text = Enc(utf8, cp);
                const TTextFind find({pattern, false, matchCase}, cp);
                ASSERT_TRUE(find.Valid());
                const std::vector<std::size_t> want = Reference(text, pattern, cp, matchCase);
                std::vector<std::size_t> got;
                for (std::size_t at = 0;;) {
                    const auto m = find.FindForward(text, at, text.size());
                    if (!m.Found())
                        break;
                    got.push_back(m.Pos);
                    at = m.Pos + 1;
                }
                ASSERT_EQ(got, want) << utf8 << " / " << pattern << " cp " << static_cast<int>(cp) << " case "
                                     << matchCase;
                if (!want.empty()) {
                    EXPECT_EQ(find.FindBackward(text, 0, text.size()).Pos, want.back());
                    EXPECT_EQ(find.FindBackward(text, 0, want.front()).Found(), false);
                }
            }
        }
    }
}

struct FindCase {
    const char* name;
    TFindPattern pattern;
    CodePage cp;
    const char* text;  // UTF-8, encoded into cp
    int count;         // matches in the text, -1 when the pattern is invalid
    int firstLine;     // 0-based line of the first match
};

class TextFindCases : public ::testing::TestWithParam<FindCase> {};

TEST_P(TextFindCases, CountsAndFinds)
{
    const FindCase& c = GetParam();
    const std::string text = Enc(c.text, c.cp);
    const TTextFind find(c.pattern, c.cp);
    if (c.count < 0) {
        EXPECT_FALSE(find.Valid());
        return;
    }
    ASSERT_TRUE(find.Valid()) << find.Error();
    EXPECT_EQ(find.Count(text), static_cast<std::uint64_t>(c.count));
    const auto m = find.FindForward(text, 0, text.size());
    ASSERT_EQ(m.Found(), c.count > 0);
    if (m.Found()) {
        int line = 0;
        for (std::size_t i = 0; i < m.Pos; ++i)
            line += text[i] == '\n';
        EXPECT_EQ(line, c.firstLine);
        EXPECT_GT(m.Length, 0u);
        EXPECT_EQ(text.find_first_of("\r\n", m.Pos) >= m.Pos + m.Length, true) << "a match crosses a line end";
    }
}

const char* kLog = "12:00 Call 2:5020/1\n12:01 BUSY 2:5020/2\r\n12:02 Сессия ОК\n12:03 сессия busy\n";

INSTANTIATE_TEST_SUITE_P(
    All, TextFindCases,
    ::testing::Values(FindCase{"PlainNoCase", {"busy", false, false}, CodePage::CP866, kLog, 2, 1},
                      FindCase{"PlainCase", {"busy", false, true}, CodePage::CP866, kLog, 1, 3},
                      FindCase{"CyrillicNoCaseCp866", {"СЕССИЯ", false, false}, CodePage::CP866, kLog, 2, 2},
                      FindCase{"CyrillicNoCaseUtf8", {"СЕССИЯ", false, false}, CodePage::UTF8, kLog, 2, 2},
                      FindCase{"CyrillicNoCaseKoi8", {"сессия", false, false}, CodePage::KOI8R, kLog, 2, 2},
                      FindCase{"MissingInPage", {"€", false, false}, CodePage::CP866, kLog, -1, 0},
                      FindCase{"RegexAnchored", {"^12:0[13]", true, true}, CodePage::CP866, kLog, 2, 1},
                      FindCase{"RegexAtLineEnd", {"/\\d$", true, true}, CodePage::CP1251, kLog, 2, 0},
                      FindCase{"RegexNoCaseCyrillic", {"СЕСС\\S+ (ок|busy)", true, false}, CodePage::UTF8, kLog, 2, 2},
                      FindCase{"RegexNoCaseCyrillicCp866", {"СЕСС\\S+ (ок|busy)", true, false}, CodePage::CP866, kLog, 2, 2},
                      FindCase{"RegexNoCaseRangeCp1251", {"^12:0\\d [а-я]+ия", true, false}, CodePage::CP1251, kLog, 2, 2},
                      FindCase{"RegexNoCaseKoi8", {"ОК$", true, false}, CodePage::KOI8R, kLog, 1, 2},
                      FindCase{"RegexCaseCyrillicCp866", {"\\sс\\S+", true, true}, CodePage::CP866, kLog, 1, 3},
                      FindCase{"RegexNotOverLineEnd", {"\\d\\s+12", true, true}, CodePage::CP866, kLog, 0, 0},
                      FindCase{"RegexEmptyMatchesOnly", {"x*", true, false}, CodePage::CP866, kLog, 0, 0},
                      FindCase{"RegexBroken", {"(unclosed", true, false}, CodePage::CP866, kLog, -1, 0},
                      FindCase{"Empty", {"", false, false}, CodePage::CP866, kLog, -1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A progress callback that answers false stops a search of a large text at once,
// and the search says so.
TEST(TextFind, StopsWhenTold)
{
    std::string text;
    while (text.size() < (std::size_t(17) << 20))
        text += std::string(99, 'a') + "\n";
    for (bool regex : {false, true}) {
        const TTextFind find({"b", regex, false}, CodePage::CP866);
        int calls = 0;
        auto stop = [&](std::uint64_t, std::uint64_t) { return ++calls < 1; };
        EXPECT_FALSE(find.FindForward(text, 0, text.size(), stop).Found());
        EXPECT_TRUE(find.Stopped());
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(find.FindForward(text, 0, 100).Found());
        EXPECT_FALSE(find.Stopped());
    }
}

}  // namespace
}  // namespace tarvix

namespace tarvix {
namespace {

// The text a regular expression's matches must hold: never one a match can lack.
TEST(TextFind, RequiredLiteralOfRegularExpressions)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Incoming call", "Incoming call"},
        {"^12:0[13] BUSY", " BUSY"},
        {"ab+cde", "cde"},
        {"abc?de", "ab"},
        {"abcd*e", "abc"},
        {"x{2,3}yz", "yz"},
        {"a|bcd", ""},
        {"(a|b)cdef", "cdef"},
        {"[(]xyz", "xyz"},
        {"\\d+ bytes", " bytes"},
        {"\\x41bc", "bc"},
        {"a\\.log", "a.log"},
        {"Сессия?", "Сесси"},
        {"(x)*", ""},
        {"(?i)Incoming", ""},
        {"a(?x) b c", ""},
        {"\\Qa.b\\E", ""},
        {"\\x{41}bc", "bc"},
        {"\\p{Lu}xyz", "xyz"},
        {"\\012ab", "ab"},
    };
    for (const auto& [re, want] : cases)
        EXPECT_EQ(RequiredLiteral(re), want) << re;
}

}  // namespace
}  // namespace tarvix

namespace tarvix {
namespace {

// Expressions that backtrack without end over a line of "a" without a digit give
// the line up instead of hanging, and go on to the next line.
TEST(TextFind, CostlyLinesAreGivenUp)
{
    const std::string text = std::string(6000, 'a') + "\nxa1\n";
    for (const char* re : {"(a+)+\\d", "(a|aa)+\\d"}) {
        const TTextFind find({re, true, true}, CodePage::CP866);
        const auto m = find.FindForward(text, 0, text.size());
        ASSERT_TRUE(m.Found()) << re;
        EXPECT_EQ(m.Pos, 6002u) << re;
        EXPECT_EQ(find.Abandoned(), 1u) << re;
    }
}

// Lines are matched whole (a match far into a long line), a match that would run
// over a line end is looked for again within its line, and a broken byte of a
// UTF-8 log does not hide the matches around it.
TEST(TextFind, RegexOverWholeLines)
{
    const std::string longLine = std::string(9000, 'x') + " 2:5020/1 BUSY\n";
    for (const char* re : {"\\d:\\d+/\\d+ BUSY", "[0-9]:[0-9]+/[0-9]"}) {
        const TTextFind find({re, true, true}, CodePage::CP866);
        EXPECT_EQ(find.FindForward(longLine, 0, longLine.size()).Pos, 9001u) << re;
        EXPECT_EQ(find.FindBackward(longLine, 0, longLine.size()).Pos, 9001u) << re;
    }
    const std::string crossing = "xa\nb a b\r\na\r\nb";
    const TTextFind spaced({"a\\sb", true, true}, CodePage::CP866);
    EXPECT_EQ(spaced.FindForward(crossing, 0, crossing.size()).Pos, 5u);
    EXPECT_EQ(spaced.Count(crossing), 1u);
    const std::string broken = "\xff\xfe сессия\n\xd0 ССЕССИЯ\n";
    const TTextFind cyr({"с\\S+я", true, false}, CodePage::UTF8);
    EXPECT_EQ(cyr.Count(broken), 2u);
}

TEST(TextFind, BrokenExpressionSaysWhereAndWhy)
{
    const TTextFind find({"ab(cd", true, false}, CodePage::CP866);
    EXPECT_FALSE(find.Valid());
    EXPECT_NE(find.Error().find("missing closing parenthesis"), std::string::npos) << find.Error();
    EXPECT_NE(find.Error().find("at character 6"), std::string::npos) << find.Error();
    const TTextFind cyr({"сессия[", true, false}, CodePage::UTF8);
    EXPECT_NE(cyr.Error().find("at character 8"), std::string::npos) << cyr.Error();
}

}  // namespace
}  // namespace tarvix
