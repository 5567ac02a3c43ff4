#include "fido/MailerLng.h"

#include "platform/FileRead.h"

#include <string>
#include <string_view>

namespace tarvix {

namespace {

// Only this many characters of a line are looked at; the rest is ignored.
constexpr std::size_t kMaxLine = 250;

// Spaces, tabs and other control characters count as blanks.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string UpperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

// Parses one line into the dictionary; lines that hold no entry are skipped.
void ParseLine(std::string_view line, TStrDict& dict)
{
    line = Trim(line.substr(0, kMaxLine));
    if (line.empty() || line.front() == ';')
        return;
    const std::size_t q1 = line.find('\'');
    if (q1 == std::string_view::npos)
        return;
    const std::size_t q2 = line.find('\'', q1 + 1);
    if (q2 == std::string_view::npos)
        return;  // an unterminated quote holds no text
    // The key is the first word; it also ends where the quoted text begins, so that
    // KEY'text' does not make a key out of the text.
    std::size_t keyEnd = 0;
    while (keyEnd < q1 && !IsBlank(line[keyEnd]))
        ++keyEnd;
    if (keyEnd == 0)
        return;  // a quoted text without a key
    const std::string key = UpperAscii(line.substr(0, keyEnd));
    dict.Add(key, line.substr(q1 + 1, q2 - q1 - 1));

    const std::size_t q3 = line.find('\'', q2 + 1);
    if (q3 == std::string_view::npos)
        return;
    const std::size_t q4 = line.find('\'', q3 + 1);
    if (q4 == std::string_view::npos)
        return;
    dict.Add(key + "2", line.substr(q3 + 1, q4 - q3 - 1));
}

}  // namespace

TFHMailLng::TFHMailLng(const std::string& fileName)
{
    Load(ReadWholeFile(fileName));
}

TFHMailLng TFHMailLng::FromBytes(const std::string& bytes)
{
    TFHMailLng lng;
    lng.Load(bytes);
    return lng;
}

void TFHMailLng::Load(const std::string& bytes)
{
    TStrDict dict;
    const std::string_view all(bytes);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = start;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r')
            ++end;
        ParseLine(all.substr(start, end - start), dict);
        // Lines end in CR LF, LF or CR.
        if (end < all.size() && all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    dict_ = std::move(dict);
}

}  // namespace tarvix
