// The character cells of a log line and the text search of the log window.

#include "ui/LineCells.h"
#include "ui/TextSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarvix {
namespace {

TEST(LineCellsTest, TabsReachTheNextStop)
{
    const std::string line = "ab\tc\t\tdefghijk\tx";
    // a b [tab 2..7] c [tab 9..15] [tab 16..23] d ...
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 0), 0);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 2), 2);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 3), 8);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 5), 16);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 6), 24);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 14), 32);  // the tab after 8 letters at 24
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, line.size()), 41);
    EXPECT_EQ(CellOfColumn(line, CodePage::CP1251, 1000), 41);
    for (std::size_t col = 0; col <= line.size(); ++col) {
        EXPECT_EQ(CellOfColumn(line, CodePage::UTF8, col), CellOfColumn(line, CodePage::CP866, col)) << col;
        // Every character start maps to its cell and back.
        EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, CellOfColumn(line, CodePage::CP1251, col)), col);
    }
    // A cell inside a tab: the tab itself, or with nearest the nearer edge.
    EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, 4), 2u);
    EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, 4, true), 2u);
    EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, 5, true), 3u);
    EXPECT_EQ(ColumnOfCell(line, CodePage::UTF8, 5, true), 3u);
    EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, 500), line.size());
    EXPECT_EQ(ColumnOfCell(line, CodePage::CP1251, -3), 0u);
}

TEST(LineCellsTest, Utf8CharactersAreOneCellEach)
{
    // "Жук" then a truncated sequence, a stray continuation byte and a 4-byte emoji.
    const std::string line = "\xD0\x96\xD1\x83\xD0\xBA\xE2\x82" "a\x80\xF0\x9F\x98\x80" "z";
    const CodePage u = CodePage::UTF8;
    EXPECT_EQ(CellOfColumn(line, u, 2), 1);
    EXPECT_EQ(CellOfColumn(line, u, 6), 3);
    EXPECT_EQ(CellOfColumn(line, u, 8), 4);   // the truncated sequence is one character
    EXPECT_EQ(CellOfColumn(line, u, 9), 5);
    EXPECT_EQ(CellOfColumn(line, u, 10), 6);  // the stray byte too
    EXPECT_EQ(CellOfColumn(line, u, 14), 7);
    EXPECT_EQ(ColumnOfCell(line, u, 6), 10u);
    EXPECT_EQ(ColumnOfCell(line, u, 7), 14u);
    // Stepping forward and back visits the same character starts.
    std::vector<std::size_t> forward{0};
    while (forward.back() < line.size())
        forward.push_back(NextColumn(line, u, forward.back()));
    EXPECT_EQ(forward, (std::vector<std::size_t>{0, 2, 4, 6, 8, 9, 10, 14, 15}));
    std::vector<std::size_t> backward{line.size()};
    while (backward.back() > 0)
        backward.push_back(PreviousColumn(line, u, backward.back()));
    EXPECT_EQ(std::vector<std::size_t>(backward.rbegin(), backward.rend()), forward);
    EXPECT_EQ(SnapColumn(line, u, 1), 0u);
    EXPECT_EQ(SnapColumn(line, u, 12), 10u);
    EXPECT_EQ(SnapColumn(line, u, 99), line.size());
    EXPECT_EQ(SnapColumn(line, CodePage::CP866, 1), 1u);
}

TEST(LineCellsTest, GarbageStepsBackAsItStepsForward)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 300; ++round) {
        std::string line(rng() % 40, ' ');
        for (char& c : line)
            c = static_cast<char>(rng() % 3 == 0 ? 0x80 + rng() % 64 : rng() % 256);
        std::vector<std::size_t> forward{0};
        while (forward.back() < line.size())
            forward.push_back(NextColumn(line, CodePage::UTF8, forward.back()));
        std::vector<std::size_t> backward{line.size()};
        while (backward.back() > 0)
            backward.push_back(PreviousColumn(line, CodePage::UTF8, backward.back()));
        ASSERT_EQ(std::vector<std::size_t>(backward.rbegin(), backward.rend()), forward) << round;
        // Without tabs, the n-th character is in cell n.
        if (line.find('\t') == std::string::npos) {
            for (std::size_t i = 0; i < forward.size(); ++i)
                ASSERT_EQ(CellOfColumn(line, CodePage::UTF8, forward[i]), static_cast<std::int64_t>(i));
        }
    }
}

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
