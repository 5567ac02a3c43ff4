#include "ui/LineCells.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

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

TEST(LineCellsTest, LaysOutTheCellsOnScreen)
{
    const std::string line = std::string("x\ty\x01z") + '\0' + "\xD0\x96";
    TLineCells all = LayOutCells(line, CodePage::UTF8, 0, 100);
    EXPECT_EQ(all.FirstCell, 0);
    EXPECT_EQ(all.Text, U"x       y\u00B7z\u00B7\u0416");
    EXPECT_EQ(all.Cols, (std::vector<std::uint32_t>{0, 1, 1, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(all.EndCol, line.size());
    // From a cell inside the tab: the tab's whole cells, from its start.
    TLineCells part = LayOutCells(line, CodePage::UTF8, 3, 7);
    EXPECT_EQ(part.FirstCell, 1);
    EXPECT_EQ(part.Text, U"       y\u00B7");
    EXPECT_EQ(part.EndCol, 4u);
    // The same bytes in CP866 are other characters.
    EXPECT_EQ(LayOutCells("\x8F\xE0\xA8", CodePage::CP866, 0, 10).Text, U"При");
    // Past the end of the line: nothing.
    TLineCells none = LayOutCells(line, CodePage::UTF8, 500, 10);
    EXPECT_TRUE(none.Text.empty());
    EXPECT_EQ(none.EndCol, line.size());
}

}  // namespace
}  // namespace tarvix
