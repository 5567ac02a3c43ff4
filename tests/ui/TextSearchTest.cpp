#include "ui/TextSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarvix {
namespace {

using TMatch = TTextSearch::TMatch;

std::size_t Forward(const QString& pattern, CodePage cp, bool matchCase, std::string_view text, std::size_t from = 0)
{
    return TTextSearch(pattern, cp, matchCase).FindForward(text, from).Pos;
}

std::size_t Backward(const QString& pattern, CodePage cp, bool matchCase, std::string_view text,
                     std::size_t before = std::string_view::npos)
{
    return TTextSearch(pattern, cp, matchCase).FindBackward(text, before).Pos;
}

constexpr std::size_t npos = TTextSearch::npos;

TEST(TextSearchTest, CaseOfLatinLetters)
{
    const std::string text = "one Error, two error, three ERROR.";
    for (CodePage cp : {CodePage::CP1251, CodePage::CP866, CodePage::UTF8}) {
        EXPECT_EQ(Forward("error", cp, false, text), 4u);
        EXPECT_EQ(Forward("error", cp, false, text, 5), 15u);
        EXPECT_EQ(Forward("error", cp, true, text), 15u);
        EXPECT_EQ(Forward("ERROR", cp, true, text), 28u);
        EXPECT_EQ(Forward("error", cp, true, text, 16), npos);
        EXPECT_EQ(Backward("error", cp, false, text), 28u);
        EXPECT_EQ(Backward("error", cp, false, text, 28), 15u);
        EXPECT_EQ(Backward("Error", cp, true, text, 28), 4u);
        EXPECT_EQ(Backward("error", cp, false, text, 4), npos);
        EXPECT_EQ(Forward("ERROR.", cp, false, text), 28u);  // a match up to the last byte
        EXPECT_EQ(Forward("ERROR.!", cp, false, text), npos);
    }
}

TEST(TextSearchTest, CyrillicInItsCodePage)
{
    // "Ошибка" and "ОШИБКА" in CP866, CP1251 and UTF-8.
    const std::string cp866 = "x \x8E\xE8\xA8\xA1\xAA\xA0 y \x8E\x98\x88\x81\x8A\x80";
    const std::string cp1251 = "x \xCE\xF8\xE8\xE1\xEA\xE0 y \xCE\xD8\xC8\xC1\xCA\xC0";
    const std::string utf8 = "x Ошибка y ОШИБКА";
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, false, cp866), 2u);
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, false, cp866, 3), 11u);
    EXPECT_EQ(Forward("ОШИБКА", CodePage::CP866, true, cp866), 11u);
    EXPECT_EQ(Forward("ошибка", CodePage::CP866, true, cp866), npos);
    EXPECT_EQ(Forward("ошибка", CodePage::CP1251, false, cp1251, 3), 11u);
    EXPECT_EQ(Forward("ошибка", CodePage::UTF8, false, utf8), 2u);
    EXPECT_EQ(Forward("ошибка", CodePage::UTF8, false, utf8, 3), 17u);
    EXPECT_EQ(Backward("ошибка", CodePage::UTF8, false, utf8, 17), 2u);
    EXPECT_EQ(Forward("ОШИБКА", CodePage::UTF8, true, utf8), 17u);
    // The bytes of one page mean other letters in another.
    EXPECT_EQ(Forward("ошибка", CodePage::CP1251, false, cp866), npos);
}

TEST(TextSearchTest, PatternsThatCannotOccur)
{
    EXPECT_FALSE(TTextSearch("", CodePage::CP1251, false).Valid());
    // CP866 has no euro sign, Latin-1 no Cyrillic.
    EXPECT_FALSE(TTextSearch("5 €", CodePage::CP866, false).Valid());
    EXPECT_FALSE(TTextSearch("Ж", CodePage::Latin1, true).Valid());
    EXPECT_EQ(Forward("Ж", CodePage::Latin1, false, "?"), npos);
    EXPECT_TRUE(TTextSearch("5 €", CodePage::CP1251, false).Valid());
    // A pattern longer than the text, and a start past its end.
    EXPECT_EQ(Forward("abcdef", CodePage::UTF8, false, "abc"), npos);
    EXPECT_EQ(Forward("abc", CodePage::UTF8, false, "abc", 10), npos);
    EXPECT_EQ(Backward("abc", CodePage::CP866, false, "abc", 100), 0u);
}

TEST(TextSearchTest, DamagedUtf8AroundAMatch)
{
    const std::string text = "\xE2\x82\xC3 Fail \xFF" "fail\xF0";
    EXPECT_EQ(Forward("fail", CodePage::UTF8, false, text), 4u);
    TMatch m = TTextSearch("FAIL", CodePage::UTF8, false).FindBackward(text, npos);
    EXPECT_EQ(m.Pos, 10u);
    EXPECT_EQ(m.Length, 4u);
}

TEST(TextSearchTest, EveryMatchInTurn)
{
    // Against a plain loop over the text, forward and backward, with and without
    // match case, on texts thick with near misses.
    std::mt19937 rng(4);
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    for (int round = 0; round < 200; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& c : text)
            c = "aAbB \n"[rng() % 6];
        std::string pattern(1 + rng() % 3, ' ');
        for (char& c : pattern)
            c = "abAB"[rng() % 4];
        const bool matchCase = rng() % 2;
        const CodePage cp = rng() % 2 ? CodePage::UTF8 : CodePage::CP866;
        auto matchesAt = [&](std::size_t pos) {
            for (std::size_t i = 0; i < pattern.size(); ++i) {
                char a = text[pos + i], b = pattern[i];
                if (matchCase ? a != b : lower(a) != lower(b))
                    return false;
            }
            return true;
        };
        std::vector<std::size_t> expected;
        for (std::size_t pos = 0; pos + pattern.size() <= text.size(); ++pos) {
            if (matchesAt(pos))
                expected.push_back(pos);
        }
        TTextSearch search(QString::fromStdString(pattern), cp, matchCase);
        std::vector<std::size_t> forward;
        for (TMatch m = search.FindForward(text, 0); m.Found(); m = search.FindForward(text, m.Pos + 1))
            forward.push_back(m.Pos);
        EXPECT_EQ(forward, expected) << text << " / " << pattern;
        std::vector<std::size_t> backward;
        for (TMatch m = search.FindBackward(text, npos); m.Found(); m = search.FindBackward(text, m.Pos))
            backward.insert(backward.begin(), m.Pos);
        EXPECT_EQ(backward, expected) << text << " / " << pattern;
    }
}

}  // namespace
}  // namespace tarvix
