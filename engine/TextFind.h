// Finding a pattern the user typed in the bytes of a log: plain text or a regular
// expression, with or without regard to letter case, forward, backward and as a
// count, over texts of gigabytes.
//
// The pattern is encoded into the log's code page once, so that the log is never
// decoded. A plain pattern is looked for in the whole text at once (it holds no
// line end, so a match never crosses one): with match case through FindText, else
// through candidates whose first and last bytes can start and end a match, each
// compared with the case folded. A regular expression (Perl syntax, PCRE2 with its
// JIT compiler) is run over the text with "^" and "$" at the line ends, and a match
// that runs over a line end is tried again within its line. In a UTF-8 log it sees
// characters; in a single-byte page bytes, its letters folded through a table made
// for the page, so that "ПРИВЕТ" finds "привет" in a CP866 log too.
//
// Case folding here knows the letters of the code pages logs are written in:
// ASCII, Latin-1 and Cyrillic. A folded letter keeps its length in every page, so
// the place and length of a match in folded bytes are those in the text.
//
// Long searches run off the interface thread: they report their progress through
// a callback, which also stops them by returning false.
#pragma once

#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tarvix {

struct TFindPattern {
    std::string Text;  // UTF-8, as typed
    bool Regex = false;
    bool MatchCase = false;
    bool operator==(const TFindPattern&) const = default;
};

class TTextFind {
public:
    static constexpr std::size_t npos = std::string_view::npos;
    // Told how many bytes of how many are done, every few megabytes; false stops.
    using TProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

    struct TMatch {
        std::size_t Pos = npos;
        std::size_t Length = 0;
        bool Found() const { return Pos != npos; }
    };

    TTextFind(const TFindPattern& pattern, CodePage cp);
    ~TTextFind();

    // False for an empty pattern, a regular expression that does not compile (Error
    // says why) and a plain text with characters the code page lacks.
    bool Valid() const { return valid_; }
    const std::string& Error() const { return error_; }
    const TFindPattern& Pattern() const { return pattern_; }

    // The first match that starts in [from, to) of the text, npos when there is none
    // or the search was stopped (Stopped() tells which).
    TMatch FindForward(std::string_view text, std::size_t from, std::size_t to, const TProgress& progress = {}) const;
    // The last match that starts in [from, before).
    TMatch FindBackward(std::string_view text, std::size_t from, std::size_t before,
                        const TProgress& progress = {}) const;
    // The number of matches in the text (matches do not overlap).
    std::uint64_t Count(std::string_view text, const TProgress& progress = {}) const;
    // A match in one line (without its line end) at or after `from`.
    TMatch FindInLine(std::string_view line, std::size_t from = 0) const;
    bool LineMatches(std::string_view line) const { return FindInLine(line).Found(); }

    // The last search was stopped by its progress callback.
    bool Stopped() const { return stopped_; }
    // Lines given up because matching them cost too much (an expression that
    // backtracks without end, such as "(a*)*c"), since construction.
    std::uint64_t Abandoned() const { return abandoned_; }

private:
    TMatch FindPlain(std::string_view text, std::size_t from, std::size_t to) const;
    std::size_t FoldedMatchAt(const char* p) const;
    // Where the regular expression matches in [from, to), line by line.
    TMatch FindRegex(std::string_view text, std::size_t from, std::size_t to, const TProgress& progress) const;
    TMatch RegexInLine(std::string_view line, std::size_t from) const;
    // The bytes with their letters folded.
    void FoldInto(std::string_view in, std::string& out) const;
    bool CompileRegex(const std::string& encoded);

    struct TRegex;

    TFindPattern pattern_;
    CodePage cp_;
    bool valid_ = false;
    std::string error_;
    std::string bytes_;                            // the pattern in the code page (folded without match case)
    unsigned char fold_[256] = {};                 // single-byte pages: the folded byte
    unsigned char heads_[2] = {}, tails_[2] = {};  // bytes a folded match can start and end with
    std::unique_ptr<TRegex> regex_;
    // A text every match of the regular expression holds, looked for first: only
    // the lines that hold it are given to the (slow) matcher.
    std::unique_ptr<TTextFind> literal_;
    mutable std::string lineBuf_;
    mutable bool stopped_ = false;
    mutable std::uint64_t abandoned_ = 0;
};

// The longest text that every match of a regular expression holds as it stands
// (outside groups, classes and optional parts); "" when there is none, the
// expression has alternatives at its top or options of its own ("(?i)", "(?x)").
std::string RequiredLiteral(std::string_view regex);

// The folded (lower) form of a letter of ASCII, Latin-1 or Cyrillic; others as they are.
char32_t FoldLetter(char32_t c);
// The other case of such a letter (upper for lower and back); others as they are.
char32_t OtherCase(char32_t c);

}  // namespace tarvix
