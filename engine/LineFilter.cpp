#include "engine/LineFilter.h"

namespace tarvix {

std::optional<std::vector<std::int64_t>> FilterLines(std::string_view text, const TLineIndex& index,
                                                     const TTextFind& find, bool invert,
                                                     const TTextFind::TProgress& progress)
{
    std::vector<std::int64_t> lines;
    const std::uint64_t base = index.BaseOffset();
    const std::int64_t count = index.LineCount();
    // Each match names its line; the search goes on at the start of the next line,
    // so that a line is taken once however many matches it holds. The lines between
    // two matches are those without one.
    std::int64_t next = 0;  // the first line (from 0) not yet decided
    std::size_t from = 0;
    // The search reports how far it got from where it started; the callback is
    // told how far the whole filter got.
    TTextFind::TProgress whole;
    if (progress)
        whole = [&](std::uint64_t done, std::uint64_t total) {
            return progress(text.size() - total + done, text.size());
        };
    std::uint64_t steps = 0;
    while (next < count) {
        // Dense matches make short searches that report nothing: it is done here.
        if (progress && (++steps & 0xFFF) == 0 && !progress(from, text.size()))
            return std::nullopt;
        const TTextFind::TMatch m = find.FindForward(text, from, text.size(), whole);
        if (find.Stopped())
            return std::nullopt;
        const std::int64_t line = m.Found() ? index.LineOfOffset(base + m.Pos) : count;
        if (invert)
            for (std::int64_t l = next; l < line; ++l)
                lines.push_back(l + 1);
        else if (line < count)
            lines.push_back(line + 1);
        if (line >= count)
            break;
        next = line + 1;
        if (next >= count)
            break;
        from = static_cast<std::size_t>(index.LineStart(next) - base);
    }
    return lines;
}

}  // namespace tarvix
