#include "engine/TextFind.h"

#include "platform/Scan.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

namespace tarvix {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// The reads of a line's bytes that a regular expression may take for one line.
constexpr std::uint64_t kRegexBudget = 1'000'000;

struct TBudgetSpent {};

// A pointer into a line that counts the bytes read through it and gives up (by an
// exception, which leaves the matcher) when the budget is spent.
struct TBudgetIter {
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* p = nullptr;
    std::uint64_t* budget = nullptr;

    reference operator*() const
    {
        if (--*budget == 0)
            throw TBudgetSpent{};
        return *p;
    }
    TBudgetIter& operator++()
    {
        ++p;
        return *this;
    }
    TBudgetIter operator++(int)
    {
        TBudgetIter old = *this;
        ++p;
        return old;
    }
    TBudgetIter& operator--()
    {
        --p;
        return *this;
    }
    TBudgetIter operator--(int)
    {
        TBudgetIter old = *this;
        --p;
        return old;
    }
    bool operator==(const TBudgetIter& other) const { return p == other.p; }
};

// Searches report their progress (and may be stopped) once per this many bytes.
constexpr std::size_t kChunk = std::size_t(16) << 20;
// Regular expressions are slow: they report (and can be stopped) more often.
constexpr std::size_t kRegexStep = std::size_t(1) << 20;

// The end of the line that holds pos: the first CR or LF in [pos, to), or to.
std::size_t LineEndFrom(std::string_view text, std::size_t pos, std::size_t to)
{
    const std::size_t lf = FindByte(text, '\n', pos, to);
    const std::size_t end = lf == npos ? to : lf;
    const void* cr = end > pos ? std::memchr(text.data() + pos, '\r', end - pos) : nullptr;
    return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text.data()) : end;
}

// The start of the line that holds pos.
std::size_t LineStartOf(std::string_view text, std::size_t pos)
{
    while (pos > 0 && text[pos - 1] != '\n' && text[pos - 1] != '\r')
        --pos;
    return pos;
}

std::string Utf8Of(char32_t c)
{
    std::string s;
    AppendUtf8(s, c);
    return s;
}

// A letter of a single-byte page encoded back, or nothing when the page lacks it.
std::optional<unsigned char> SingleByte(char32_t c, CodePage cp)
{
    const std::string enc = EncodeFromUtf8(Utf8Of(c), cp, '\0');
    if (enc.size() != 1 || (enc[0] == '\0' && c != 0))
        return std::nullopt;
    return static_cast<unsigned char>(enc[0]);
}

}  // namespace

char32_t FoldLetter(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

char32_t OtherCase(char32_t c)
{
    if (const char32_t f = FoldLetter(c); f != c)
        return f;
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

std::string RequiredLiteral(std::string_view re)
{
    std::string best, run;
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    // Takes back the last character of the run (a quantifier may leave it out).
    auto dropLast = [&] {
        while (!run.empty() && (static_cast<unsigned char>(run.back()) & 0xC0) == 0x80)
            run.pop_back();
        if (!run.empty())
            run.pop_back();
    };
    // Skips a group or a class that starts at i; i ends on its last character.
    auto skipNested = [&](std::size_t& i) {
        int depth = 0;
        bool inClass = false;
        for (; i < re.size(); ++i) {
            const char c = re[i];
            if (c == '\\') {
                ++i;
                continue;
            }
            if (inClass) {
                if (c == ']')
                    inClass = false;
                if (depth == 0 && !inClass)
                    return;
                continue;
            }
            if (c == '[') {
                inClass = true;
                if (i + 1 < re.size() && re[i + 1] == '^')
                    ++i;
                if (i + 1 < re.size() && re[i + 1] == ']')
                    ++i;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return;
            }
        }
    };
    for (std::size_t i = 0; i < re.size(); ++i) {
        const char c = re[i];
        switch (c) {
            case '|':
                return {};
            case '\\': {
                if (i + 1 >= re.size())
                    return {};
                const char e = re[++i];
                if (std::isalnum(static_cast<unsigned char>(e))) {
                    endRun();
                    if (e == 'x')
                        i += 2;
                    else if (e == 'u')
                        i += 4;
                    else if (e == 'c')
                        i += 1;
                } else {
                    run.push_back(e);
                }
                break;
            }
            case '(':
            case '[':
                endRun();
                skipNested(i);
                break;
            case '.':
            case '^':
            case '$':
                endRun();
                break;
            case '*':
            case '?':
            case '{':
                dropLast();
                endRun();
                if (c == '{')
                    while (i < re.size() && re[i] != '}')
                        ++i;
                break;
            case '+':
                endRun();
                break;
            default:
                run.push_back(c);
        }
    }
    endRun();
    return best;
}

TTextFind::TTextFind(const TFindPattern& pattern, CodePage cp) : pattern_(pattern), cp_(cp)
{
    if (pattern.Text.empty())
        return;
    for (int b = 0; b < 256; ++b)
        fold_[b] = static_cast<unsigned char>(b);
    if (cp != CodePage::UTF8) {
        for (int b = 0; b < 256; ++b) {
            const char32_t c = DecodeByte(static_cast<unsigned char>(b), cp);
            if (const char32_t f = FoldLetter(c); f != c)
                fold_[b] = SingleByte(f, cp).value_or(static_cast<unsigned char>(b));
        }
    }

    const std::string encoded = EncodeFromUtf8(pattern.Text, cp, '\0');
    if (pattern.Regex) {
        // Without match case the letters outside ASCII are folded (icase sees only
        // ASCII); ASCII stays as typed, so that escapes such as \S keep their sense.
        std::string source;
        if (pattern.MatchCase)
            source = encoded;
        else
            FoldInto(encoded, source, false);
        auto flags = std::regex::ECMAScript | std::regex::optimize;
        if (!pattern.MatchCase)
            flags |= std::regex::icase;
        try {
            regex_ = std::make_unique<std::regex>(source, flags);
        } catch (const std::regex_error& e) {
            error_ = e.what();
            return;
        }
        valid_ = true;
        const std::string literal = RequiredLiteral(pattern.Text);
        if (literal.size() >= 2) {
            literal_ = std::make_unique<TTextFind>(TFindPattern{literal, false, pattern.MatchCase}, cp);
            if (!literal_->Valid())
                literal_.reset();
        }
        return;
    }

    // A character the page lacks comes back as a zero byte, which decodes to
    // something else: such a pattern occurs nowhere.
    if (encoded.empty() || DecodeToUtf8(encoded, cp) != pattern.Text)
        return;
    valid_ = true;
    if (pattern.MatchCase) {
        bytes_ = encoded;
        return;
    }
    // The folded pattern, and the bytes a match can begin and end with: those of
    // its first and last letter in either case.
    FoldInto(encoded, bytes_, true);
    std::size_t pos = 0;
    const char32_t first = DecodeNextChar(bytes_, pos, cp);
    std::size_t lastAt = bytes_.size() - 1;
    while (lastAt > 0 && (static_cast<unsigned char>(bytes_[lastAt]) & 0xC0) == 0x80 && cp == CodePage::UTF8)
        --lastAt;
    std::size_t lastPos = lastAt;
    const char32_t last = DecodeNextChar(bytes_, lastPos, cp);
    auto encode = [&](char32_t c) {
        if (cp == CodePage::UTF8)
            return Utf8Of(c);
        const auto b = SingleByte(c, cp);
        return b ? std::string(1, static_cast<char>(*b)) : std::string();
    };
    const std::string firstOther = encode(OtherCase(first));
    const std::string lastOther = encode(OtherCase(last));
    heads_[0] = static_cast<unsigned char>(bytes_.front());
    heads_[1] = firstOther.size() == pos ? static_cast<unsigned char>(firstOther.front()) : heads_[0];
    tails_[0] = static_cast<unsigned char>(bytes_.back());
    tails_[1] = lastOther.size() == lastPos - lastAt ? static_cast<unsigned char>(lastOther.back()) : tails_[0];
}

TTextFind::~TTextFind() = default;

void TTextFind::FoldInto(std::string_view in, std::string& out, bool ascii) const
{
    out.assign(in);
    if (cp_ != CodePage::UTF8) {
        for (char& c : out)
            if (ascii || static_cast<unsigned char>(c) >= 0x80)
                c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
        return;
    }
    // UTF-8: ASCII letters and the two-byte letters of Latin-1 and Cyrillic; a
    // folded letter keeps its two bytes.
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b < 0x80) {
            if (ascii && b >= 'A' && b <= 'Z')
                out[i] = static_cast<char>(b + 0x20);
            continue;
        }
        if ((b == 0xC3 || b == 0xD0 || b == 0xD1) && i + 1 < out.size() &&
            (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = (char32_t(b & 0x1F) << 6) | (static_cast<unsigned char>(out[i + 1]) & 0x3F);
            const char32_t f = FoldLetter(c);
            if (f != c) {
                out[i] = static_cast<char>(0xC0 | (f >> 6));
                out[i + 1] = static_cast<char>(0x80 | (f & 0x3F));
            }
            ++i;
        }
    }
}

std::size_t TTextFind::FoldedMatchAt(const char* p) const
{
    const std::size_t m = bytes_.size();
    if (cp_ != CodePage::UTF8) {
        for (std::size_t i = 0; i < m; ++i)
            if (fold_[static_cast<unsigned char>(p[i])] != static_cast<unsigned char>(bytes_[i]))
                return 0;
        return m;
    }
    FoldInto(std::string_view(p, m), lineBuf_, true);
    return lineBuf_ == bytes_ ? m : 0;
}

TTextFind::TMatch TTextFind::FindPlain(std::string_view text, std::size_t from, std::size_t to) const
{
    // Matches that start in [from, to): the bytes up to to + m - 1.
    const std::size_t m = bytes_.size();
    if (from >= to || text.size() - from < m)
        return {};
    const std::string_view part = text.substr(from, std::min(text.size() - from, to - from + m - 1));
    if (pattern_.MatchCase) {
        const std::size_t at = FindText(part, bytes_);
        return at == npos ? TMatch{} : TMatch{from + at, m};
    }
    const char* p = part.data();
    const std::size_t last = part.size() - m;  // the last place a match can start at
    std::size_t i = 0;
#if defined(__SSE2__)
    if (last >= 15) {
        const __m128i h0 = _mm_set1_epi8(static_cast<char>(heads_[0])),
                      h1 = _mm_set1_epi8(static_cast<char>(heads_[1]));
        const __m128i t0 = _mm_set1_epi8(static_cast<char>(tails_[0])),
                      t1 = _mm_set1_epi8(static_cast<char>(tails_[1]));
        for (;; i += 16) {
            const std::size_t at0 = i < last - 15 ? i : last - 15;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at0));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at0 + m - 1));
            const __m128i head = _mm_or_si128(_mm_cmpeq_epi8(a, h0), _mm_cmpeq_epi8(a, h1));
            const __m128i tail = _mm_or_si128(_mm_cmpeq_epi8(b, t0), _mm_cmpeq_epi8(b, t1));
            for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(head, tail))); mask != 0;
                 mask &= mask - 1) {
                const std::size_t at = at0 + static_cast<std::size_t>(std::countr_zero(mask));
                if (FoldedMatchAt(p + at))
                    return {from + at, m};
            }
            if (at0 == last - 15)
                return {};
        }
    }
#endif
    for (; i <= last; ++i) {
        const auto h = static_cast<unsigned char>(p[i]);
        if ((h == heads_[0] || h == heads_[1]) && FoldedMatchAt(p + i))
            return {from + i, m};
    }
    return {};
}

TTextFind::TMatch TTextFind::RegexInLine(std::string_view line, std::size_t from) const
{
    line = line.substr(0, std::min(line.size(), kMaxRegexLine));
    if (from > line.size())
        return {};
    if (!pattern_.MatchCase) {
        FoldInto(line, lineBuf_, false);
        line = lineBuf_;
    }
    // The matcher reads the line through a counting iterator: a line that costs more
    // reads than the budget is given up (the search cannot be stopped inside one).
    std::uint64_t budget = kRegexBudget;
    const TBudgetIter end{line.data() + line.size(), &budget};
    for (std::size_t at = from; at <= line.size(); ++at) {
        std::match_results<TBudgetIter> m;
        auto flags = at > 0 ? std::regex_constants::match_prev_avail : std::regex_constants::match_default;
        try {
            if (!std::regex_search(TBudgetIter{line.data() + at, &budget}, end, m, *regex_, flags))
                return {};
        } catch (const TBudgetSpent&) {
            ++abandoned_;
            return {};
        }
        const auto pos = static_cast<std::size_t>(m.position(0)) + at;
        // An empty match (of "x*", "^") finds nothing to show or step over: the
        // search goes on past it.
        if (m.length(0) > 0)
            return {pos, static_cast<std::size_t>(m.length(0))};
        at = pos;
    }
    return {};
}

TTextFind::TMatch TTextFind::FindInLine(std::string_view line, std::size_t from) const
{
    if (!valid_)
        return {};
    if (regex_)
        return RegexInLine(line, from);
    return FindPlain(line, from, line.size());
}

TTextFind::TMatch TTextFind::FindRegex(std::string_view text, std::size_t from, std::size_t to,
                                       const TProgress& progress) const
{
    if (literal_) {
        // Only the lines that hold the required text are matched.
        // A match that starts before `to` lies in a line that starts before it: the
        // required text is looked for up to the end of the line that holds `to`.
        const std::size_t limit = to < text.size() ? LineEndFrom(text, to, text.size()) : text.size();
        for (std::size_t pos = from; pos < to;) {
            const TMatch hit = literal_->FindForward(text, pos, limit, progress ? [&](std::uint64_t done, std::uint64_t) {
                return progress(std::min<std::uint64_t>(pos - from + done, to - from), to - from);
            } : TProgress());
            if (literal_->Stopped()) {
                stopped_ = true;
                return {};
            }
            if (!hit.Found())
                return {};
            const std::size_t start = LineStartOf(text, hit.Pos);
            if (start >= to)
                return {};
            const std::size_t end = LineEndFrom(text, hit.Pos, text.size());
            if (TMatch m = RegexInLine(text.substr(start, end - start), std::max(from, start) - start); m.Found())
                return start + m.Pos < to ? TMatch{start + m.Pos, m.Length} : TMatch{};
            pos = end + 1;
        }
        return {};
    }
    std::size_t start = LineStartOf(text, from);
    std::size_t nextReport = from + kRegexStep;
    std::uint64_t lines = 0;
    while (start < to) {
        const std::size_t end = LineEndFrom(text, start, text.size());
        const std::size_t first = std::max(from, start) - start;
        if (TMatch m = RegexInLine(text.substr(start, end - start), first); m.Found()) {
            if (start + m.Pos < to)
                return {start + m.Pos, m.Length};
            return {};
        }
        if (end >= text.size())
            break;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
        if (start >= nextReport || (++lines & 63) == 0) {
            nextReport = start + kRegexStep;
            if (progress && !progress(start - from, to - from)) {
                stopped_ = true;
                return {};
            }
        }
    }
    return {};
}

TTextFind::TMatch TTextFind::FindForward(std::string_view text, std::size_t from, std::size_t to,
                                         const TProgress& progress) const
{
    stopped_ = false;
    to = std::min(to, text.size());
    if (!valid_ || from >= to)
        return {};
    if (regex_)
        return FindRegex(text, from, to, progress);
    for (std::size_t at = from; at < to; at += kChunk) {
        const std::size_t end = std::min(to, at + std::min(kChunk, to - at));
        if (TMatch m = FindPlain(text, at, end); m.Found())
            return m;
        if (progress && !progress(end - from, to - from)) {
            stopped_ = true;
            return {};
        }
    }
    return {};
}

TTextFind::TMatch TTextFind::FindBackward(std::string_view text, std::size_t from, std::size_t before,
                                          const TProgress& progress) const
{
    stopped_ = false;
    before = std::min(before, text.size());
    if (!valid_ || from >= before)
        return {};
    // Stretches of the text from the end back, each searched forward; the last
    // match of the first stretch that has one is the result.
    for (std::size_t end = before; end > from;) {
        const std::size_t start = end - std::min(kChunk, end - from);
        TMatch best;
        for (std::size_t at = start;;) {
            const TMatch m = FindForward(text, at, end);
            if (!m.Found())
                break;
            best = m;
            at = m.Pos + 1;
        }
        if (best.Found())
            return best;
        end = start;
        if (progress && !progress(before - end, before - from)) {
            stopped_ = true;
            return {};
        }
    }
    return {};
}

std::uint64_t TTextFind::Count(std::string_view text, const TProgress& progress) const
{
    stopped_ = false;
    std::uint64_t count = 0;
    if (!valid_)
        return 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.size(), at + std::min(kChunk, text.size() - at));
        for (;;) {
            const TMatch m = FindForward(text, at, end);
            if (!m.Found())
                break;
            ++count;
            at = m.Pos + std::max<std::size_t>(m.Length, 1);
        }
        at = std::max(at, end);
        if (progress && !progress(at, text.size())) {
            stopped_ = true;
            return count;
        }
    }
    return count;
}

}  // namespace tarvix
