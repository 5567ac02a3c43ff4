// The screen cells of a line of a log: each character takes one cell of a
// fixed-pitch font, a tab takes the cells up to the next multiple of kTabWidth.
// Columns are byte offsets in the line; they always stand at the start of a
// character (a UTF-8 sequence, or one ill-formed part of one, is one character).
//
// The functions take the line as the view lays it out: lines longer than
// kMaxLayoutBytes are cut there by the caller, so that no line costs more than a
// bounded amount of work however long it is in the file.
#pragma once

#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

inline constexpr int kTabWidth = 8;
// Bytes of a line that the view lays out, shows and lets the caret reach.
inline constexpr std::size_t kMaxLayoutBytes = std::size_t(1) << 20;

// The cell where the character at a column starts (a column past the end gives the
// cell after the last character).
std::int64_t CellOfColumn(std::string_view line, CodePage cp, std::size_t col);

// The column of the character that covers a cell; past the last character, the end
// of the line. With nearest, the character boundary nearest to the cell's left edge
// (a click in the right half of a character puts the caret after it).
std::size_t ColumnOfCell(std::string_view line, CodePage cp, std::int64_t cell, bool nearest = false);

// The column of the next character, and of the character before a column.
std::size_t NextColumn(std::string_view line, CodePage cp, std::size_t col);
std::size_t PreviousColumn(std::string_view line, CodePage cp, std::size_t col);
// The start of the character that holds the byte at a column (the end of the line
// for a column past it).
std::size_t SnapColumn(std::string_view line, CodePage cp, std::size_t col);

// A stretch of a line as it shows on screen: one character per cell, tabs as blanks
// and control characters as a middle dot.
struct TLineCells {
    std::int64_t FirstCell = 0;       // cell of Text[0]
    std::u32string Text;              // one character per cell
    std::vector<std::uint32_t> Cols;  // column of the character that fills each cell
    std::uint32_t EndCol = 0;         // column after the last character laid out
};

// Lays out the cells from firstCell (or from the start of the character that covers
// it) to at least firstCell + cellCount, or to the end of the line.
TLineCells LayOutCells(std::string_view line, CodePage cp, std::int64_t firstCell, std::int64_t cellCount);

}  // namespace tarvix
