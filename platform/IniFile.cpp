#include "platform/IniFile.h"

#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/Text.h"

#include <charconv>
#include <cstring>
#include <sys/stat.h>

namespace tarvix {

namespace {

// Values are written as they are, unless they could not be read back the same:
// then they are written in double quotes with C escapes.
bool NeedsQuotes(std::string_view v)
{
    if (v.empty())
        return false;
    if (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t' || v.front() == '"')
        return true;
    for (char c : v)
        if (c == '\n' || c == '\r' || c == '\0')
            return true;
    return false;
}

std::string Quote(std::string_view v)
{
    std::string q = "\"";
    for (char c : v) {
        switch (c) {
        case '\\': q += "\\\\"; break;
        case '"': q += "\\\""; break;
        case '\n': q += "\\n"; break;
        case '\r': q += "\\r"; break;
        case '\0': q += "\\0"; break;
        default: q += c;
        }
    }
    q += '"';
    return q;
}

std::string Unquote(std::string_view v)
{
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return std::string(v);
    std::string r;
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        char c = v[i];
        if (c == '\\' && i + 2 < v.size()) {
            char n = v[++i];
            switch (n) {
            case 'n': r += '\n'; break;
            case 'r': r += '\r'; break;
            case '0': r += '\0'; break;
            case '\\':
            case '"': r += n; break;
            default: r += '\\'; r += n;  // a hand-written backslash stays
            }
        } else {
            r += c;
        }
    }
    return r;
}

std::string CleanName(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c == '\n' || c == '\r' || c == '\0')
            c = ' ';
    return r;
}

// An identifier as it is stored: line breaks and zero bytes become blanks, "="
// becomes "_", and blanks at both ends are removed (a reader would drop them).
std::string CleanIdent(std::string_view s)
{
    std::string id = CleanName(s);
    for (char& c : id)
        if (c == '=')
            c = '_';
    return std::string(TrimBlanks(id));
}

}  // namespace

TIniFile::TIniFile() = default;

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName))
{
    struct stat st {};
    if (::stat(fileName_.c_str(), &st) != 0)
        return;  // a new store
    FromText(ReadWholeFile(fileName_));
    base_ = Values();
    baseSections_ = SectionKeys();
}

void TIniFile::FromText(std::string_view text)
{
    preamble_.clear();
    sections_.clear();
    // A byte-order mark (written by some Windows editors) is no part of the first line.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<Line>* cur = &preamble_;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        std::string_view raw = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        if (eol == std::string_view::npos)
            pos = text.size();
        else
            pos = (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n') ? eol + 2 : eol + 1;

        std::string_view line = TrimBlanks(raw);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                std::string name(TrimBlanks(line.substr(1, close - 1)));
                Section* existing = Find(name);
                if (!existing) {
                    sections_.push_back(Section{name, {}});
                    existing = &sections_.back();
                }
                cur = &existing->lines;
                continue;
            }
        }
        std::size_t eq = line.find('=');
        bool comment = line.front() == ';' || line.front() == '#';
        // The identifier as WriteString makes it, so that writing a value under an
        // identifier read from the file replaces that value.
        std::string ident = eq == std::string_view::npos ? std::string() : CleanIdent(line.substr(0, eq));
        // Unless the damaged bytes in front of it hid a "[", ";" or "#" that would make
        // the line written back a section header or a comment.
        bool hidden = !ident.empty() && ident.front() != line.front() && std::strchr("[;#", ident.front());
        if (comment || ident.empty() || hidden) {
            // A comment or a line we cannot read: kept as it is, never looked at.
            cur->push_back(Line{{}, std::string(raw)});
            continue;
        }
        std::string value = Unquote(TrimBlanks(line.substr(eq + 1)));
        bool replaced = false;
        for (Line& l : *cur)
            if (!l.ident.empty() && SameText(l.ident, ident)) {
                l.value = value;  // a later duplicate wins, as the reader sees it
                replaced = true;
                break;
            }
        if (!replaced)
            cur->push_back(Line{ident, value});
    }
    modified_ = false;
}

std::string TIniFile::ToText() const
{
    std::string out;
    auto writeLines = [&out](const std::vector<Line>& lines) {
        for (const Line& l : lines) {
            if (l.ident.empty()) {
                out += l.value;
            } else {
                out += l.ident;
                out += '=';
                out += NeedsQuotes(l.value) ? Quote(l.value) : l.value;
            }
            out += '\n';
        }
    };
    writeLines(preamble_);
    for (const Section& s : sections_) {
        if (!out.empty())
            out += '\n';
        out += '[';
        out += s.name;
        out += "]\n";
        writeLines(s.lines);
    }
    return out;
}

TIniFile::Section* TIniFile::Find(std::string_view section)
{
    for (Section& s : sections_)
        if (SameText(s.name, section))
            return &s;
    return nullptr;
}

const TIniFile::Section* TIniFile::Find(std::string_view section) const
{
    return const_cast<TIniFile*>(this)->Find(section);
}

const TIniFile::Line* TIniFile::FindLine(const Section& s, std::string_view ident)
{
    for (const Line& l : s.lines)
        if (!l.ident.empty() && SameText(l.ident, ident))
            return &l;
    return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def) const
{
    const Section* s = Find(section);
    if (!s)
        return std::string(def);
    const Line* l = FindLine(*s, ident);
    return l ? l->value : std::string(def);
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    std::string id = CleanIdent(ident);
    if (id.empty())
        return;
    Section* s = Find(section);
    if (!s) {
        sections_.push_back(Section{CleanName(section), {}});
        s = &sections_.back();
    }
    Line* l = const_cast<Line*>(FindLine(*s, id));
    if (l) {
        if (l->value == value)
            return;
        l->value = value;
    } else {
        s->lines.push_back(Line{id, std::string(value)});
    }
    modified_ = true;
}

long long TIniFile::ReadInteger(std::string_view section, std::string_view ident, long long def) const
{
    std::string text(TrimBlanks(ReadString(section, ident, "")));
    if (text.empty())
        return def;
    std::string_view digits = text;
    bool negative = false;
    if (digits.front() == '-' || digits.front() == '+') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    long long value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return def;
    return negative ? -value : value;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, long long value)
{
    WriteString(section, ident, std::to_string(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const
{
    const Section* s = Find(section);
    return s && FindLine(*s, ident);
}

void TIniFile::EraseSection(std::string_view section)
{
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
        if (SameText(it->name, section)) {
            sections_.erase(it);
            modified_ = true;
            return;
        }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident)
{
    Section* s = Find(section);
    if (!s)
        return;
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
        if (!it->ident.empty() && SameText(it->ident, ident)) {
            s->lines.erase(it);
            modified_ = true;
            return;
        }
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const Section& s : sections_)
        names.push_back(s.name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> ids;
    if (const Section* s = Find(section))
        for (const Line& l : s->lines)
            if (!l.ident.empty())
                ids.push_back(l.ident);
    return ids;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> values;
    if (const Section* s = Find(section))
        for (const Line& l : s->lines)
            if (!l.ident.empty())
                values.emplace_back(l.ident, l.value);
    return values;
}

TIniFile::TValueMap TIniFile::Values() const
{
    TValueMap values;
    for (const Section& s : sections_)
        for (const Line& l : s.lines)
            if (!l.ident.empty())
                values.emplace(std::make_pair(UpperCaseAscii(s.name), UpperCaseAscii(l.ident)), l.value);
    return values;
}

std::set<std::string> TIniFile::SectionKeys() const
{
    std::set<std::string> names;
    for (const Section& s : sections_)
        names.insert(UpperCaseAscii(s.name));
    return names;
}

void TIniFile::UpdateFile()
{
    if (!modified_ || fileName_.empty())
        return;
    // The file as it is now (read as at start-up): another program or the user may
    // have changed it since it was read.
    TIniFile disk(fileName_);

    // A three-way merge per value: what this program changed since the file was read
    // goes in (set or deleted), everything else stays as the file has it.
    const TValueMap mine = Values();
    auto nameOf = [this](const std::string& sectionKey, const std::string& identKey) {
        std::pair<std::string, std::string> names{sectionKey, identKey};
        for (const Section& s : sections_)
            if (SameText(s.name, sectionKey)) {
                names.first = s.name;
                if (const Line* l = FindLine(s, identKey))
                    names.second = l->ident;
            }
        return names;
    };
    for (const auto& [key, value] : mine) {
        auto was = base_.find(key);
        if (was == base_.end() || was->second != value) {
            auto [section, ident] = nameOf(key.first, key.second);
            disk.WriteString(section, ident, value);
        }
    }
    for (const auto& [key, value] : base_)
        if (!mine.count(key))
            disk.DeleteKey(key.first, key.second);
    // A section this program erased goes when nobody put a value into it meanwhile.
    const std::set<std::string> sections = SectionKeys();
    for (const std::string& name : baseSections_)
        if (!sections.count(name) && disk.ReadSection(name).empty())
            disk.EraseSection(name);

    WriteFileAtomic(fileName_, disk.ToText());
    preamble_ = std::move(disk.preamble_);
    sections_ = std::move(disk.sections_);
    base_ = Values();
    baseSections_ = SectionKeys();
    modified_ = false;
}

}  // namespace tarvix
