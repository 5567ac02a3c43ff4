#include "engine/LineIndex.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvix {

namespace {

// Pieces of a whole text handed to Append, between two progress reports.
constexpr std::size_t kProgressStep = std::size_t(16) << 20;

}  // namespace

TLineIndex::TLineIndex(std::uint64_t baseOffset) : base_(baseOffset), end_(baseOffset)
{
    // The first line starts at the first byte; it has no line before it to end.
    highFirst_.assign(static_cast<std::size_t>(baseOffset >> 32) + 1, 0);
    blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlockLines));
    blocks_[0][0] = static_cast<std::uint32_t>(baseOffset);
    crlf_.push_back(0);
    lineCount_ = 1;
    lastStart_ = baseOffset;
}

TLineIndex::TLineIndex(TLineIndex&&) noexcept = default;
TLineIndex& TLineIndex::operator=(TLineIndex&&) noexcept = default;
TLineIndex::~TLineIndex() = default;

TLineIndex TLineIndex::Build(std::string_view text, const TProgress& progress)
{
    TLineIndex index;
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t piece = std::min(kProgressStep, text.size() - done);
        index.Append(text.substr(done, piece));
        done += piece;
        if (progress)
            progress(done, text.size());
    }
    return index;
}

inline void TLineIndex::AddLineStart(std::uint64_t start, bool crlfBefore)
{
    // The line before ends here, one or two bytes before the new start.
    std::uint64_t ended = start - (crlfBefore ? 2 : 1) - lastStart_;
    if (ended > maxEndedLength_)
        maxEndedLength_ = ended;
    if (crlfBefore)
        crlf_[static_cast<std::size_t>((lineCount_ - 1) >> 6)] |= std::uint64_t(1) << ((lineCount_ - 1) & 63);

    std::uint64_t high = start >> 32;
    while (highFirst_.size() <= high)
        highFirst_.push_back(lineCount_);
    std::int64_t slot = lineCount_ & (kBlockLines - 1);
    if (slot == 0)
        blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlockLines));
    blocks_.back()[slot] = static_cast<std::uint32_t>(start);
    if ((lineCount_ & 63) == 0)
        crlf_.push_back(0);
    ++lineCount_;
    lastStart_ = start;
}

void TLineIndex::RemoveLastLine()
{
    --lineCount_;
    while (highFirst_.size() > 1 && highFirst_.back() == lineCount_)
        highFirst_.pop_back();
    if ((lineCount_ & (kBlockLines - 1)) == 0)
        blocks_.pop_back();
    if ((lineCount_ & 63) == 0)
        crlf_.pop_back();
    std::int64_t before = lineCount_ - 1;
    crlf_[static_cast<std::size_t>(before >> 6)] &= ~(std::uint64_t(1) << (before & 63));
    lastStart_ = LineStart(before);
}

void TLineIndex::Append(std::string_view bytes)
{
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    const std::uint64_t off = end_;  // file offset of p[0]
    if (n == 0)
        return;
    // Positions before `next` belong to a line end that has been taken already.
    std::size_t next = 0;
    if (pendingCr_) {
        pendingCr_ = false;
        if (p[0] == '\n') {
            // The CR that closed the previous piece and this LF are one line end:
            // the line after them starts a byte later than the CR alone said.
            RemoveLastLine();
            AddLineStart(off + 1, true);
            next = 1;
        }
    }

    auto lineEnd = [&](std::size_t k) {
        if (k < next)
            return;
        if (p[k] == '\n') {
            AddLineStart(off + k + 1, false);
            next = k + 1;
        } else if (k + 1 < n) {
            bool crlf = p[k + 1] == '\n';
            next = k + (crlf ? 2 : 1);
            AddLineStart(off + next, crlf);
        } else {
            // A CR at the very end: an LF in the next piece may still join it.
            AddLineStart(off + k + 1, false);
            pendingCr_ = true;
            next = k + 1;
        }
    };

    std::size_t i = next;
#if defined(__SSE2__)
    // 64 bytes at a time: a bit for every CR and LF, then one step per line end.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    auto mask16 = [&](const char* q) -> std::uint64_t {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
        return static_cast<std::uint16_t>(_mm_movemask_epi8(hit));
    };
    for (; i + 64 <= n; i += 64) {
        std::uint64_t m = mask16(p + i) | (mask16(p + i + 16) << 16) | (mask16(p + i + 32) << 32) |
                          (mask16(p + i + 48) << 48);
        while (m != 0) {
            lineEnd(i + static_cast<std::size_t>(__builtin_ctzll(m)));
            m &= m - 1;
        }
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == '\r' || p[i] == '\n')
            lineEnd(i);
    }
    end_ = off + n;
}

std::uint64_t TLineIndex::High(std::int64_t line) const
{
    if (highFirst_.size() == 1)
        return 0;
    auto it = std::upper_bound(highFirst_.begin(), highFirst_.end(), line);
    return static_cast<std::uint64_t>(it - highFirst_.begin() - 1);
}

std::uint64_t TLineIndex::LineStart(std::int64_t line) const
{
    return (High(line) << 32) | Low(line);
}

bool TLineIndex::EndsInCrLf(std::int64_t line) const
{
    return (crlf_[static_cast<std::size_t>(line >> 6)] >> (line & 63)) & 1;
}

std::uint64_t TLineIndex::LineEnd(std::int64_t line) const
{
    if (line + 1 >= lineCount_)
        return end_;
    return LineStart(line + 1) - (EndsInCrLf(line) ? 2 : 1);
}

std::int64_t TLineIndex::LineOfOffset(std::uint64_t offset) const
{
    if (offset <= base_)
        return 0;
    if (offset >= end_)
        return lineCount_ - 1;
    // The lines of the 4 GB stretch of the offset, then the last of them that
    // starts at or before it.
    std::uint64_t high = offset >> 32;
    auto firstOf = [&](std::uint64_t h) {
        return h < highFirst_.size() ? highFirst_[static_cast<std::size_t>(h)] : lineCount_;
    };
    std::int64_t lo = firstOf(high);
    std::int64_t hi = firstOf(high + 1);
    const std::uint32_t low = static_cast<std::uint32_t>(offset);
    while (lo < hi) {
        std::int64_t mid = lo + (hi - lo) / 2;
        if (Low(mid) <= low)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo - 1;
}

std::uint64_t TLineIndex::MaxLineLength() const
{
    // The last line has no line end yet (or ends in a CR that an LF may still join).
    std::uint64_t last = end_ - lastStart_;
    return std::max(maxEndedLength_, last);
}

std::size_t TLineIndex::MemoryBytes() const
{
    return sizeof(*this) + blocks_.size() * static_cast<std::size_t>(kBlockLines) * sizeof(std::uint32_t) +
           blocks_.capacity() * sizeof(blocks_[0]) + crlf_.capacity() * sizeof(crlf_[0]) +
           highFirst_.capacity() * sizeof(highFirst_[0]);
}

}  // namespace tarvix
