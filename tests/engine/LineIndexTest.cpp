#include "engine/LineIndex.h"


#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tarvix {
namespace {

// Lines as a plain loop cuts them: (start, end, crlf) for every line.
struct RefLine {
    std::uint64_t start, end;
    bool crlf;
    bool operator==(const RefLine&) const = default;
};

std::vector<RefLine> ReferenceLines(std::string_view text, std::uint64_t base = 0)
{
    std::vector<RefLine> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back({base + start, base + i, false});
            start = i + 1;
        } else if (text[i] == '\r') {
            bool crlf = i + 1 < text.size() && text[i + 1] == '\n';
            lines.push_back({base + start, base + i, crlf});
            start = i + (crlf ? 2 : 1);
            i = start - 1;
        }
    }
    lines.push_back({base + start, base + text.size(), false});
    return lines;
}

std::vector<RefLine> IndexLines(const TLineIndex& index)
{
    std::vector<RefLine> lines;
    for (std::int64_t i = 0; i < index.LineCount(); ++i)
        lines.push_back({index.LineStart(i), index.LineEnd(i), index.EndsInCrLf(i)});
    return lines;
}

// Feeds a text in pieces cut at the given lengths (the rest in one piece).
TLineIndex BuildInPieces(std::string_view text, const std::vector<std::size_t>& cuts, std::uint64_t base = 0)
{
    TLineIndex index(base);
    std::size_t pos = 0;
    for (std::size_t len : cuts) {
        len = std::min(len, text.size() - pos);
        index.Append(text.substr(pos, len));
        pos += len;
    }
    index.Append(text.substr(pos));
    return index;
}

std::string RandomText(std::mt19937& rng, std::size_t size, std::string_view alphabet)
{
    std::string s(size, ' ');
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (char& c : s)
        c = alphabet[pick(rng)];
    return s;
}

TEST(LineIndexTest, EmptyTextIsOneEmptyLine)
{
    TLineIndex index = TLineIndex::Build("");
    ASSERT_EQ(index.LineCount(), 1);
    EXPECT_EQ(index.LineStart(0), 0u);
    EXPECT_EQ(index.LineEnd(0), 0u);
    EXPECT_EQ(index.LineOfOffset(0), 0);
    EXPECT_EQ(index.LineOfOffset(100), 0);
    EXPECT_EQ(index.MaxLineLength(), 0u);
    EXPECT_EQ(IndexLines(TLineIndex()), IndexLines(index));
}

TEST(LineIndexTest, CrLfCutBetweenPieces)
{
    // The CR closes one piece and the LF opens the next: still one line end.
    TLineIndex index = BuildInPieces("abc\r\ndef", {4});
    EXPECT_EQ(IndexLines(index), (std::vector<RefLine>{{0, 3, true}, {5, 8, false}}));
    // While the LF has not come, the CR is a line end of its own.
    TLineIndex growing;
    growing.Append("abc\r");
    EXPECT_EQ(IndexLines(growing), (std::vector<RefLine>{{0, 3, false}, {4, 4, false}}));
    growing.Append("\n");
    EXPECT_EQ(IndexLines(growing), (std::vector<RefLine>{{0, 3, true}, {5, 5, false}}));
    growing.Append("");
    growing.Append("\r");
    EXPECT_EQ(IndexLines(growing), (std::vector<RefLine>{{0, 3, true}, {5, 5, false}, {6, 6, false}}));
    growing.Append("x");
    EXPECT_EQ(IndexLines(growing), (std::vector<RefLine>{{0, 3, true}, {5, 5, false}, {6, 7, false}}));
}

TEST(LineIndexTest, GarbageBytesInAnyPiecesGiveTheSameLines)
{
    std::mt19937 rng(7);
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    for (int round = 0; round < 200; ++round) {
        // Dense line ends, all byte values, and lengths around the 64-byte scan blocks.
        std::string alphabet = round % 2 ? std::string("ab\r\n\r\n\0\xFF", 8) : all;
        std::size_t size = static_cast<std::size_t>(rng() % 300);
        std::string text = RandomText(rng, size, alphabet);
        std::vector<RefLine> expected = ReferenceLines(text);
        EXPECT_EQ(IndexLines(TLineIndex::Build(text)), expected) << "round " << round;
        std::vector<std::size_t> cuts;
        for (int k = 0; k < 4; ++k)
            cuts.push_back(rng() % 70);
        EXPECT_EQ(IndexLines(BuildInPieces(text, cuts)), expected) << "round " << round;
    }
}

TEST(LineIndexTest, LineOfEveryOffset)
{
    std::mt19937 rng(3);
    std::string text = RandomText(rng, 5000, "abcdef\r\n\n");
    TLineIndex index = TLineIndex::Build(text);
    std::vector<RefLine> lines = ReferenceLines(text);
    std::size_t line = 0;
    for (std::uint64_t off = 0; off < text.size(); ++off) {
        while (line + 1 < lines.size() && lines[line + 1].start <= off)
            ++line;
        ASSERT_EQ(index.LineOfOffset(off), static_cast<std::int64_t>(line)) << off;
    }
    EXPECT_EQ(index.LineOfOffset(text.size()), index.LineCount() - 1);
    EXPECT_EQ(index.LineOfOffset(~std::uint64_t(0)), index.LineCount() - 1);
}

TEST(LineIndexTest, ManyLinesStayCompact)
{
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text += i % 3 ? "line\n" : "a longer line\r\n";
    std::int64_t progressCalls = 0;
    std::uint64_t lastDone = 0;
    TLineIndex index = TLineIndex::Build(text, [&](std::uint64_t done, std::uint64_t total) {
        ++progressCalls;
        EXPECT_GT(done, lastDone);
        EXPECT_EQ(total, text.size());
        lastDone = done;
    });
    EXPECT_EQ(lastDone, text.size());
    EXPECT_GE(progressCalls, 1);
    ASSERT_EQ(index.LineCount(), 300001);
    EXPECT_EQ(IndexLines(index), ReferenceLines(text));
    EXPECT_EQ(index.MaxLineLength(), 13u);
    // At most 8 bytes a line (the blocks of 64K lines round it up a little).
    EXPECT_LE(index.MemoryBytes(), static_cast<std::size_t>(index.LineCount()) * 8);
    // A moved index keeps its lines.
    TLineIndex moved = std::move(index);
    EXPECT_EQ(moved.LineStart(300000), text.size());
}

// Offsets past 4 GB, through an index of a text that starts at a high file offset.
TEST(LineIndexTest, OffsetsBeyondFourGigabytes)
{
    const std::uint64_t four = std::uint64_t(1) << 32;
    const std::string text = "abc\ndef\r\nghi\rjkl\n";
    for (std::uint64_t base : {four - 20, four - 9, four - 5, four - 4, four, 5 * four - 1, 5 * four + 3}) {
        TLineIndex index(base);
        index.Append(text);
        std::vector<RefLine> expected = ReferenceLines(text, base);
        EXPECT_EQ(IndexLines(index), expected) << base;
        for (std::uint64_t off = base; off < base + text.size(); ++off) {
            std::int64_t line = index.LineOfOffset(off);
            EXPECT_LE(index.LineStart(line), off) << base << " " << off;
            if (line + 1 < index.LineCount()) {
                EXPECT_GT(index.LineStart(line + 1), off) << base << " " << off;
            }
        }
        EXPECT_EQ(index.LineOfOffset(base - 1), 0);
        EXPECT_EQ(index.EndOffset(), base + text.size());
    }
    // A CR just before the 4 GB mark and its LF just after, in two pieces: the line
    // start moves from the mark to one past it, and back out of the new stretch.
    TLineIndex index(four - 4);
    index.Append("ab\r");
    EXPECT_EQ(index.LineStart(1), four - 1);
    index.Append("\nx");
    EXPECT_EQ(IndexLines(index), (std::vector<RefLine>{{four - 4, four - 2, true}, {four, four + 1, false}}));
    index = TLineIndex(four - 3);
    index.Append("ab\r");
    EXPECT_EQ(index.LineStart(1), four);
    index.Append("\n");
    EXPECT_EQ(IndexLines(index), (std::vector<RefLine>{{four - 3, four - 1, true}, {four + 1, four + 1, false}}));
    EXPECT_EQ(index.LineOfOffset(four), 0);
    EXPECT_EQ(index.LineOfOffset(four + 1), 1);
}

// A line of more than 4 GB that covers a whole 4 GB stretch of the file, so that no
// line starts in it, and lines on both sides of it. The text starts a little before
// the 4 GB mark, so that only a little more than 4 GB is scanned.
TEST(LineIndexTest, LineLongerThanFourGigabytes)
{
    const std::uint64_t four = std::uint64_t(1) << 32;
    const std::string filler(std::size_t(1) << 22, 'x');
    TLineIndex index(four - 10);
    index.Append("first\n");
    std::uint64_t longStart = index.EndOffset();
    std::uint64_t target = 2 * four + 100;
    while (index.EndOffset() + filler.size() <= target)
        index.Append(filler);
    index.Append(std::string(static_cast<std::size_t>(target - index.EndOffset()), 'y'));
    index.Append("\r\nlast");
    ASSERT_EQ(index.LineCount(), 3);
    EXPECT_EQ(index.LineStart(1), longStart);
    EXPECT_EQ(index.LineEnd(1), target);
    EXPECT_TRUE(index.EndsInCrLf(1));
    EXPECT_EQ(index.LineStart(2), target + 2);
    EXPECT_EQ(index.LineEnd(2), target + 6);
    EXPECT_EQ(index.MaxLineLength(), target - longStart);
    EXPECT_EQ(index.LineOfOffset(four - 5), 0);
    EXPECT_EQ(index.LineOfOffset(longStart), 1);
    EXPECT_EQ(index.LineOfOffset(four + 7), 1);
    EXPECT_EQ(index.LineOfOffset(2 * four), 1);
    EXPECT_EQ(index.LineOfOffset(target + 1), 1);
    EXPECT_EQ(index.LineOfOffset(target + 2), 2);
}

}  // namespace
}  // namespace tarvix
