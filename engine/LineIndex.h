// The line index of a text: the offset of every line start, so that a viewer can find
// line n of a log of gigabytes at once without holding the text as lines.
//
// Lines end as the log reader cuts them: a carriage return, a carriage return with a
// line feed, or a lone line feed. A text has one line more than it has line ends, so
// an empty text is one empty line and a text ending in a line end has an empty last
// line. Every other byte, a zero byte included, belongs to a line.
//
// Lines are numbered from 0 here (a viewer adds one for the numbers it shows). The
// index keeps the low 32 bits of each line start (4 bytes a line, in blocks, so that
// growing never copies), one bit a line for a CR LF end, and the number of the first
// line of every 4 GB stretch of the file for the high bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvix {

class TLineIndex {
public:
    // Told how many bytes of how many are indexed, every few megabytes.
    using TProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

    // The index of an empty text (one empty line). baseOffset is the file offset of
    // the text's first byte when the text is a part of a larger file; every offset
    // the index gives and takes is then a file offset.
    explicit TLineIndex(std::uint64_t baseOffset = 0);
    TLineIndex(TLineIndex&&) noexcept;
    TLineIndex& operator=(TLineIndex&&) noexcept;
    TLineIndex(const TLineIndex&) = delete;
    TLineIndex& operator=(const TLineIndex&) = delete;
    ~TLineIndex();

    // The index of a whole text.
    static TLineIndex Build(std::string_view text, const TProgress& progress = {});

    // Adds the next bytes of the text. A text may come in pieces of any size: a CR at
    // the end of one piece and an LF at the start of the next are one line end.
    void Append(std::string_view bytes);

    std::int64_t LineCount() const { return lineCount_; }
    // Offset of the first byte of a line (0 <= line < LineCount()).
    std::uint64_t LineStart(std::int64_t line) const;
    // Offset just past the last byte of a line, before its line end.
    std::uint64_t LineEnd(std::int64_t line) const;
    std::uint64_t LineLength(std::int64_t line) const { return LineEnd(line) - LineStart(line); }
    // True when the line ends in CR LF (two bytes), false for CR, LF or no line end.
    bool EndsInCrLf(std::int64_t line) const;
    // The line that holds the byte at an offset; an offset inside a line end gives
    // the line it ends, one before the text gives 0 and one at or past its end the
    // last line.
    std::int64_t LineOfOffset(std::uint64_t offset) const;

    std::uint64_t BaseOffset() const { return base_; }
    // Offset just past the last byte added.
    std::uint64_t EndOffset() const { return end_; }
    // Length in bytes of the longest line (without its line end).
    std::uint64_t MaxLineLength() const;
    // Memory the index holds, in bytes.
    std::size_t MemoryBytes() const;

private:
    static constexpr int kBlockBits = 16;
    static constexpr std::int64_t kBlockLines = std::int64_t(1) << kBlockBits;

    void AddLineStart(std::uint64_t start, bool crlfBefore);
    std::uint32_t Low(std::int64_t line) const
    {
        return blocks_[static_cast<std::size_t>(line >> kBlockBits)][line & (kBlockLines - 1)];
    }
    // Takes back the last line start (a CR LF cut between two pieces).
    void RemoveLastLine();
    std::uint64_t High(std::int64_t line) const;

    std::uint64_t base_ = 0;
    std::uint64_t end_ = 0;
    std::int64_t lineCount_ = 0;
    std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
    std::vector<std::uint64_t> crlf_;         // bit per line: the line ends in CR LF
    std::vector<std::int64_t> highFirst_;     // [h]: first line whose start >> 32 is at least h
    std::uint64_t maxEndedLength_ = 0;        // longest line that has its line end
    std::uint64_t lastStart_ = 0;             // start of the last line
    bool pendingCr_ = false;                  // the last byte added is a CR
};

}  // namespace tarvix
