#include "engine/TextFind.h"

#include "platform/Scan.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstring>
#include <clocale>
#include <optional>
#include <vector>

namespace tarvix {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// The steps a regular expression may take from one place before that place is
// given up ("(a*)*c" over a long line of "a" takes the power of its length), and
// the largest stack its compiled code may grow.
constexpr std::uint32_t kMatchLimit = 1'000'000;
constexpr std::uint32_t kDepthLimit = 100'000;
constexpr std::size_t kJitStack = std::size_t(8) << 20;
// The character tables of PCRE2: lower case (lcc), other case (fcc), class bitmaps
// and character types, as pcre2_maketables builds them.
constexpr std::size_t kTablesSize = 1088;
constexpr std::size_t kLowerCaseAt = 0, kOtherCaseAt = 256;

// Searches report their progress (and may be stopped) once per this many bytes.
constexpr std::size_t kChunk = std::size_t(16) << 20;
// Regular expressions are slow: they report (and can be stopped) more often.
constexpr std::size_t kRegexStep = std::size_t(1) << 20;
constexpr std::size_t kFirstRegexStep = 256;

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
                // "\Q...\E" quotes a text the run would have to read apart.
                if (e == 'Q')
                    return {};
                if (std::isalnum(static_cast<unsigned char>(e))) {
                    endRun();
                    const char next = i + 1 < re.size() ? re[i + 1] : '\0';
                    if (next == '{' || (next == '<' && (e == 'k' || e == 'g')) || (next == '\'' && (e == 'k' || e == 'g'))) {
                        // \x{41}, \p{Lu}, \N{U+41}, \k<name>, \g{1}: up to the closing bracket.
                        const char close = next == '{' ? '}' : next == '<' ? '>' : '\'';
                        while (i < re.size() && re[i] != close)
                            ++i;
                    } else if (e == 'x') {
                        for (int n = 0; n < 2 && i + 1 < re.size() && std::isxdigit(static_cast<unsigned char>(re[i + 1])); ++n)
                            ++i;
                    } else if (e == 'c') {
                        i += 1;
                    } else if (std::isdigit(static_cast<unsigned char>(e))) {
                        // An octal code or a back reference: all of its digits.
                        while (i + 1 < re.size() && std::isdigit(static_cast<unsigned char>(re[i + 1])))
                            ++i;
                    }
                } else {
                    run.push_back(e);
                }
                break;
            }
            case '(':
                // Options of the expression's own ("(?i)", "(?x)", "(?-i:...)") change
                // what its text means.
                if (i + 2 < re.size() && re[i + 1] == '?' &&
                    std::string_view("imnsxJUa-^)").find(re[i + 2]) != std::string_view::npos)
                    return {};
                [[fallthrough]];
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
        if (!CompileRegex(encoded))
            return;
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
    FoldInto(encoded, bytes_);
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

// A compiled regular expression and what a match of it needs.
struct TTextFind::TRegex {
    std::vector<unsigned char> tables;  // single-byte pages without match case; the code refers to them
    pcre2_code* code = nullptr;
    // UTF-8 logs: the same expression for texts that are not valid UTF-8. It is
    // not compiled to machine code: the JIT compiler of PCRE2 10.42 misses matches
    // in that mode ("с\S" in "сессия").
    pcre2_code* lenient = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;
    pcre2_match_data* data = nullptr;

    enum class TResult { Found, None, TooCostly };

    // The first non-empty match that starts at or after `start` in the subject.
    TResult Run(const char* subject, std::size_t length, std::size_t start, TMatch& m) const
    {
        while (start <= length) {
            const auto* at = reinterpret_cast<PCRE2_SPTR>(subject);
            int rc = pcre2_match(code, at, length, start, PCRE2_NOTEMPTY, data, context);
            // UTF-8 that is not valid (a log with a broken byte, a start inside a
            // character) goes to the matcher that skips what is broken.
            if (lenient && ((rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21) || rc == PCRE2_ERROR_BADUTFOFFSET))
                rc = pcre2_match(lenient, at, length, start, PCRE2_NOTEMPTY, data, context);
            if (rc == PCRE2_ERROR_NOMATCH)
                return TResult::None;
            if (rc < 0)
                return TResult::TooCostly;
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
            // "\K" can still leave a match empty: the search goes on past it.
            if (ov[1] > ov[0]) {
                m = {ov[0], ov[1] - ov[0]};
                return TResult::Found;
            }
            start = ov[0] + 1;
        }
        return TResult::None;
    }

    ~TRegex()
    {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_code_free(lenient);
        pcre2_code_free(code);
    }
};

TTextFind::~TTextFind() = default;

bool TTextFind::CompileRegex(const std::string& encoded)
{
    auto regex = std::make_unique<TRegex>();
    pcre2_compile_context* compile = pcre2_compile_context_create(nullptr);
    // "^" and "$" hold at the line ends of every kind of log.
    pcre2_set_newline(compile, PCRE2_NEWLINE_ANYCRLF);
    std::uint32_t options = PCRE2_MULTILINE;
    if (cp_ == CodePage::UTF8)
        options |= PCRE2_UTF;
    if (!pattern_.MatchCase) {
        options |= PCRE2_CASELESS;
        if (cp_ != CodePage::UTF8) {
            // The tables of the "C" locale know ASCII; the other case of a letter
            // above it comes from the page's own folding.
            locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
            const locale_t old = uselocale(c);
            const std::uint8_t* made = pcre2_maketables(nullptr);
            uselocale(old);
            freelocale(c);
            regex->tables.assign(made, made + kTablesSize);
            pcre2_maketables_free(nullptr, made);
            std::array<unsigned char, 256> other{};
            for (int b = 0; b < 256; ++b)
                other[b] = static_cast<unsigned char>(b);
            for (int b = 0x80; b < 256; ++b)
                if (fold_[b] != b) {
                    other[b] = fold_[b];
                    other[fold_[b]] = static_cast<unsigned char>(b);
                }
            for (int b = 0x80; b < 256; ++b) {
                regex->tables[kLowerCaseAt + b] = fold_[b];
                regex->tables[kOtherCaseAt + b] = other[b];
            }
            pcre2_set_character_tables(compile, regex->tables.data());
        }
    }
    int code = 0;
    PCRE2_SIZE offset = 0;
    regex->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(encoded.data()), encoded.size(), options, &code, &offset,
                                compile);
    if (regex->code && cp_ == CodePage::UTF8)
        regex->lenient = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(encoded.data()), encoded.size(),
                                       options | PCRE2_MATCH_INVALID_UTF, &code, &offset, compile);
    pcre2_compile_context_free(compile);
    if (!regex->code || (cp_ == CodePage::UTF8 && !regex->lenient)) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(code, message, sizeof message);
        // The place is told in characters of the pattern as typed.
        std::size_t chars = 0;
        for (const char ch : DecodeToUtf8(encoded.substr(0, std::min<std::size_t>(offset, encoded.size())), cp_))
            chars += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        error_ = reinterpret_cast<const char*>(message) + std::string(" (at character ") +
                 std::to_string(chars + 1) + ")";
        return false;
    }
    // Without the JIT compiler (a platform it does not know) the matcher runs as it is.
    pcre2_jit_compile(regex->code, PCRE2_JIT_COMPLETE);
    regex->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(regex->context, kMatchLimit);
    pcre2_set_depth_limit(regex->context, kDepthLimit);
    regex->stack = pcre2_jit_stack_create(32 * 1024, kJitStack, nullptr);
    pcre2_jit_stack_assign(regex->context, nullptr, regex->stack);
    regex->data = pcre2_match_data_create_from_pattern(regex->code, nullptr);
    regex_ = std::move(regex);
    return true;
}

void TTextFind::FoldInto(std::string_view in, std::string& out) const
{
    out.assign(in);
    if (cp_ != CodePage::UTF8) {
        for (char& c : out)
            c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
        return;
    }
    // UTF-8: ASCII letters and the two-byte letters of Latin-1 and Cyrillic; a
    // folded letter keeps its two bytes.
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b < 0x80) {
            if (b >= 'A' && b <= 'Z')
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
    FoldInto(std::string_view(p, m), lineBuf_);
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
    if (from > line.size())
        return {};
    TMatch m;
    switch (regex_->Run(line.data(), line.size(), from, m)) {
        case TRegex::TResult::Found:
            return m;
        case TRegex::TResult::TooCostly:
            ++abandoned_;
            break;
        case TRegex::TResult::None:
            break;
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
    // The expression runs over a stretch of lines at a time (a call per line would
    // cost more than the matching), the stretch ending at a line end. Stretches
    // start short and grow: a match near `from` (a count steps from match to match)
    // costs no check of a long stretch of UTF-8.
    std::size_t step = kFirstRegexStep;
    std::size_t nextReport = from + kRegexStep;
    for (std::size_t pos = from; pos < to;) {
        const std::size_t stretch = std::min(to, pos + step);
        step = std::min(step * 2, kRegexStep);
        const std::size_t end = stretch < text.size() ? LineEndFrom(text, stretch, text.size()) : text.size();
        TMatch m;
        switch (regex_->Run(text.data(), end, pos, m)) {
            case TRegex::TResult::Found: {
                if (m.Pos >= to)
                    return {};
                const std::string_view found = text.substr(m.Pos, m.Length);
                if (found.find_first_of("\r\n") == npos)
                    return m;
                // "\s" and "[^x]" take line ends too: the match is looked for again
                // within the line it starts in.
                const std::size_t start = LineStartOf(text, m.Pos);
                const std::size_t lineEnd = LineEndFrom(text, m.Pos, text.size());
                if (TMatch in = RegexInLine(text.substr(start, lineEnd - start), m.Pos - start); in.Found())
                    return start + in.Pos < to ? TMatch{start + in.Pos, in.Length} : TMatch{};
                pos = lineEnd + 1;
                break;
            }
            case TRegex::TResult::None:
                pos = end;
                break;
            case TRegex::TResult::TooCostly:
                // Line by line, so that only the costly line is given up; each such
                // line takes a while, so the search can be stopped between them.
                for (std::size_t start = LineStartOf(text, pos), lines = 0; start < std::min(end, to); ++lines) {
                    const std::size_t lineEnd = LineEndFrom(text, start, text.size());
                    const std::size_t first = std::max(pos, start) - start;
                    if (TMatch in = RegexInLine(text.substr(start, lineEnd - start), first); in.Found())
                        return start + in.Pos < to ? TMatch{start + in.Pos, in.Length} : TMatch{};
                    start = lineEnd + 1;
                    if (progress && (lines & 15) == 15 && !progress(std::min(start, to) - from, to - from)) {
                        stopped_ = true;
                        return {};
                    }
                }
                pos = end;
                break;
        }
        if (pos >= text.size())
            break;
        if (pos >= nextReport && pos < to) {
            nextReport = pos + kRegexStep;
            if (progress && !progress(pos - from, to - from)) {
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
