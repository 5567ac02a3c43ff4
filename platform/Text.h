// Small byte-string helpers shared by every layer. Letters are ASCII only: the
// files we read are in DOS and Windows code pages, where other bytes are not
// letters of one fixed alphabet.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace tarvix {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Equal without regard to the case of ASCII letters.
inline bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

// Without the blanks and tabs at both ends.
inline std::string_view TrimBlanks(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// Without the control characters and blanks (every byte up to the blank) at both
// ends, as the classic Trim of Pascal strings.
inline std::string_view TrimControls(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

// Calls f with each line of a text; lines end in CR LF, LF or CR. A final line end
// does not make an empty last line.
template <typename F>
void ForEachLine(std::string_view text, F f)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) {
            f(text.substr(pos));
            return;
        }
        f(text.substr(pos, eol - pos));
        pos = (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n') ? eol + 2 : eol + 1;
    }
}

// Whether part occurs in s. An empty part occurs nowhere: a text that a mailer's
// language file left empty must match nothing.
inline bool Contains(std::string_view s, std::string_view part)
{
    return !part.empty() && s.find(part) != std::string_view::npos;
}

// Word n (from 1) of s, words separated by runs of delim; empty when s has fewer
// words. start, when given, receives the word's offset in s. The ends of words are
// found with the library's vector search: log lines are mostly long words.
inline std::string_view NthWord(std::string_view s, int n, char delim = ' ', std::size_t* start = nullptr)
{
    std::size_t i = 0;
    for (int k = 1; n >= 1; ++k) {
        while (i < s.size() && s[i] == delim)
            ++i;
        if (i >= s.size())
            break;
        const void* at = std::memchr(s.data() + i, delim, s.size() - i);
        const std::size_t e = at ? static_cast<std::size_t>(static_cast<const char*>(at) - s.data()) : s.size();
        if (k == n) {
            if (start)
                *start = i;
            return s.substr(i, e - i);
        }
        i = e;
    }
    return {};
}

// The first word of a text (words are separated by blanks and tabs), and the rest
// after the blanks that follow it.
inline std::string_view FirstWord(std::string_view s, std::string_view* rest = nullptr)
{
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    std::size_t e = b;
    while (e < s.size() && s[e] != ' ' && s[e] != '\t')
        ++e;
    if (rest) {
        std::size_t r = e;
        while (r < s.size() && (s[r] == ' ' || s[r] == '\t'))
            ++r;
        *rest = s.substr(r);
    }
    return s.substr(b, e - b);
}

inline std::string UpperCaseAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = UpperAscii(c);
    return r;
}

}  // namespace tarvix
