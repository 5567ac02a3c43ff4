#include "ui/LineCells.h"

#include <cstring>
#include <limits>

namespace tarvix {

namespace {

constexpr std::int64_t kNoCellLimit = std::numeric_limits<std::int64_t>::max();

int TabCells(std::int64_t cell)
{
    return kTabWidth - static_cast<int>(cell % kTabWidth);
}

bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// Moves (col, cell) over whole characters, as long as the next character starts
// before stopCol and ends at or before stopCell.
void Advance(std::string_view line, CodePage cp, std::size_t& col, std::int64_t& cell, std::size_t stopCol,
             std::int64_t stopCell)
{
    const char* p = line.data();
    const std::size_t limit = std::min(stopCol, line.size());
    if (cp != CodePage::UTF8) {
        // One byte, one character: runs between tabs go in one step.
        while (col < limit) {
            const void* tab = std::memchr(p + col, '\t', limit - col);
            std::size_t runEnd = tab ? static_cast<std::size_t>(static_cast<const char*>(tab) - p) : limit;
            std::int64_t run = static_cast<std::int64_t>(runEnd - col);
            if (run > stopCell - cell) {
                col += static_cast<std::size_t>(stopCell - cell);
                cell = stopCell;
                return;
            }
            col = runEnd;
            cell += run;
            if (!tab)
                return;
            int width = TabCells(cell);
            if (width > stopCell - cell)
                return;
            ++col;
            cell += width;
        }
        return;
    }
    while (col < limit) {
        unsigned char b = static_cast<unsigned char>(p[col]);
        int width = b == '\t' ? TabCells(cell) : 1;
        if (width > stopCell - cell)
            return;
        if (b < 0x80)
            ++col;
        else
            DecodeNextChar(line, col, cp);
        cell += width;
    }
}

}  // namespace

std::int64_t CellOfColumn(std::string_view line, CodePage cp, std::size_t col)
{
    std::size_t c = 0;
    std::int64_t cell = 0;
    Advance(line, cp, c, cell, col, kNoCellLimit);
    return cell;
}

std::size_t ColumnOfCell(std::string_view line, CodePage cp, std::int64_t cell, bool nearest)
{
    std::size_t col = 0;
    std::int64_t at = 0;
    if (cell <= 0)
        return 0;
    Advance(line, cp, col, at, line.size(), cell);
    if (nearest && col < line.size() && at < cell) {
        // Inside a wide character (a tab): the nearer of its two edges.
        int width = line[col] == '\t' ? TabCells(at) : 1;
        if ((cell - at) * 2 >= width)
            col = NextColumn(line, cp, col);
    }
    return col;
}

std::size_t NextColumn(std::string_view line, CodePage cp, std::size_t col)
{
    if (col >= line.size())
        return line.size();
    DecodeNextChar(line, col, cp);
    return col;
}

std::size_t PreviousColumn(std::string_view line, CodePage cp, std::size_t col)
{
    if (col == 0)
        return 0;
    col = std::min(col, line.size());
    if (cp != CodePage::UTF8)
        return col - 1;
    // A byte that is no continuation byte always starts a character; a sequence has
    // at most three continuation bytes. Decode forward from the nearest such byte.
    std::size_t from = col - 1;
    int back = 0;
    while (from > 0 && back < 4 && IsContinuation(static_cast<unsigned char>(line[from]))) {
        --from;
        ++back;
    }
    if (IsContinuation(static_cast<unsigned char>(line[from])))
        return col - 1;  // only stray continuation bytes: each is a character
    std::size_t start = from;
    std::size_t pos = from;
    while (pos < col) {
        start = pos;
        DecodeNextChar(line, pos, cp);
    }
    return start;
}

std::size_t SnapColumn(std::string_view line, CodePage cp, std::size_t col)
{
    if (col >= line.size())
        return line.size();
    if (cp != CodePage::UTF8)
        return col;
    return PreviousColumn(line, cp, col + 1);
}

TLineCells LayOutCells(std::string_view line, CodePage cp, std::int64_t firstCell, std::int64_t cellCount)
{
    TLineCells out;
    std::size_t col = 0;
    std::int64_t cell = 0;
    Advance(line, cp, col, cell, line.size(), firstCell);
    out.FirstCell = cell;
    const std::int64_t endCell = firstCell + cellCount;
    out.Text.reserve(static_cast<std::size_t>(std::max<std::int64_t>(cellCount, 0) + kTabWidth));
    out.Cols.reserve(out.Text.capacity());
    while (col < line.size() && cell < endCell) {
        std::size_t next = col;
        char32_t c = DecodeNextChar(line, next, cp);
        if (c == U'\t') {
            for (int i = TabCells(cell); i > 0; --i) {
                out.Text.push_back(U' ');
                out.Cols.push_back(static_cast<std::uint32_t>(col));
                ++cell;
            }
        } else {
            if (c < 0x20 || (c >= 0x7F && c < 0xA0))
                c = U'\x00B7';  // control characters show as a middle dot
            out.Text.push_back(c);
            out.Cols.push_back(static_cast<std::uint32_t>(col));
            ++cell;
        }
        col = next;
    }
    out.EndCol = static_cast<std::uint32_t>(col);
    return out;
}

}  // namespace tarvix
