// Finding a text typed by the user in the bytes of a log of any code page.
//
// The pattern is encoded into the log's code page once and looked for byte by byte,
// so that a search never decodes the log. Without match case, letters match their
// other case (Unicode simple case folding; for UTF-8 logs a match may then differ
// in length from the pattern).
#pragma once

#include "platform/CodePage.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvix {

class TTextSearch {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    TTextSearch(const QString& pattern, CodePage cp, bool matchCase);

    // False for an empty pattern and for one with characters the code page lacks
    // (such a pattern occurs nowhere).
    bool Valid() const { return valid_; }

    struct TMatch {
        std::size_t Pos = npos;
        std::size_t Length = 0;
        bool Found() const { return Pos != npos; }
    };
    // The first match that starts at or after `from`.
    TMatch FindForward(std::string_view text, std::size_t from) const;
    // The last match that starts before `before`.
    TMatch FindBackward(std::string_view text, std::size_t before) const;

private:
    // FindForward byte by byte, for patterns that can start with many bytes.
    TMatch ScanForward(std::string_view text, std::size_t from) const;
    // The length of a match at pos, 0 when there is none.
    std::size_t MatchAt(std::string_view text, std::size_t pos) const;

    CodePage cp_;
    bool matchCase_;
    bool valid_ = false;
    std::string bytes_;               // the pattern in the code page
    std::u32string folded_;           // UTF-8 without match case: the folded characters
    std::array<unsigned char, 256> fold_{};   // single-byte pages: byte of the folded character
    std::array<bool, 256> first_{};           // bytes a match can start with
};

}  // namespace tarvix
