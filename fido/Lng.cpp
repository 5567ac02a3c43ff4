#include "fido/Lng.h"

#include "fido/DateTime.h"
#include "fido/StrDict.h"
#include "platform/FileRead.h"
#include "platform/Text.h"

#include <array>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#ifndef TARVIX_LNG_DIRS
#define TARVIX_LNG_DIRS ""
#endif

namespace tarvix {

namespace {

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> lines;  // in file order, duplicates kept
};

struct Language {
    std::string name;
    std::string path;
    TStrDict strings;
    std::vector<IniSection> sections;
};

struct State {
    bool loaded = false;
    std::string requiredVersion = kLngVersion;
    Language lng;
};

State& S()
{
    static State s;
    return s;
}

std::string ExpandBreaks(std::string_view v)
{
    std::string r;
    r.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size() && v[i + 1] == 'n') {
            r += '\n';
            ++i;
        } else {
            r += v[i];
        }
    }
    return r;
}

std::vector<IniSection> ParseSections(std::string_view text)
{
    std::vector<IniSection> sections;
    // A UTF-8 byte order mark is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = TrimBlanks(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                sections.push_back(IniSection{std::string(TrimBlanks(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        if (sections.empty())
            continue;  // text before the first section means nothing
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        sections.back().lines.emplace_back(std::string(TrimBlanks(line.substr(0, eq))),
                                           std::string(line.substr(eq + 1)));
    }
    return sections;
}

const IniSection* FindSection(const std::vector<IniSection>& sections, std::string_view name)
{
    for (const IniSection& s : sections)
        if (SameText(s.name, name))
            return &s;
    return nullptr;
}

bool IsFile(const std::string& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExeDir()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string p(buf, static_cast<std::size_t>(n));
    std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash);
}

std::string FindLngFile(std::string_view fileName)
{
    std::string name(fileName);
    if (IsFile(name))
        return name;
    if (!name.empty() && name.front() == '/')
        return {};
    for (const std::string& dir : LngSearchDirs()) {
        std::string p = dir + "/" + name;
        if (IsFile(p))
            return p;
    }
    return {};
}

void RequireLoaded()
{
    if (!S().loaded)
        throw ELngError(".LNG not loaded");
}

const std::string& TextAt(std::size_t index, const char* who)
{
    RequireLoaded();
    if (index >= S().lng.strings.Count())
        throw ELngError(std::string(who) + ": lng index " + std::to_string(index) + " out of bounds");
    return S().lng.strings.ValueAt(index);
}

}  // namespace

namespace {

std::string JoinArgs(const std::vector<FmtArg>& args)
{
    std::string joined;
    for (const FmtArg& a : args) {
        joined += joined.empty() ? " (" : ", ";
        joined += a.IsString() ? a.AsString()
                  : a.IsFloat() ? std::to_string(a.AsFloat())
                                : std::to_string(a.AsInteger());
    }
    return joined.empty() ? joined : joined + ")";
}

// The message of an ELException. It must not fail itself: without a language file,
// or with a text whose format does not suit the arguments, the key and the
// arguments are shown as they are.
std::string SafeMessage(std::string_view key, const std::vector<FmtArg>* args)
{
    std::string text(key);
    if (S().loaded)
        text = S().lng.strings.Lookup(key);
    if (!args)
        return text;
    try {
        if (S().loaded)
            return Format(text, *args);
    } catch (const Exception&) {
    }
    return text + JoinArgs(*args);
}

}  // namespace

ELException::ELException(std::string_view key) : Exception(SafeMessage(key, nullptr)), key_(key) {}

ELException::ELException(std::string_view key, const std::vector<FmtArg>& args)
    : Exception(SafeMessage(key, &args)), key_(key)
{
}

void SetLngVersion(std::string_view version) { S().requiredVersion = version; }

std::vector<std::string> LngSearchDirs()
{
    std::vector<std::string> dirs;
    std::string exe = ExeDir();
    if (!exe.empty()) {
        dirs.push_back(exe);
        dirs.push_back(exe + "/lng");
        dirs.push_back(exe + "/../share/tarvix");
    }
    // Folders known at build time: the source tree, then the installed data folder.
    std::string_view known = TARVIX_LNG_DIRS;
    while (!known.empty()) {
        std::size_t sep = known.find(':');
        if (sep != 0)
            dirs.emplace_back(known.substr(0, sep));
        if (sep == std::string_view::npos)
            break;
        known.remove_prefix(sep + 1);
    }
    return dirs;
}

void LoadLng(std::string_view fileName)
{
    State& st = S();
    if (fileName.empty() || (st.loaded && fileName == st.lng.name))
        return;
    std::string path = FindLngFile(fileName);
    if (path.empty())
        throw ELngError("Cannot find .LNG file " + std::string(fileName));

    // Everything is read into a new language first, so that a failure leaves the
    // previous one in force.
    Language lng;
    lng.name = fileName;
    lng.path = path;
    lng.sections = ParseSections(ReadWholeFile(path));

    if (!st.requiredVersion.empty()) {
        std::string version;
        if (const IniSection* s = FindSection(lng.sections, "Lng"))
            for (const auto& [key, value] : s->lines)
                if (SameText(key, "Version"))
                    version = TrimBlanks(value);
        if (version != st.requiredVersion)
            throw ELngError("Invalid .LNG version: current " + version + ", needed " + st.requiredVersion);
    }

    std::array<std::string, 12> months;
    bool haveMonths = false;
    if (const IniSection* s = FindSection(lng.sections, "Strings")) {
        for (const auto& [key, raw] : s->lines) {
            std::string value = ExpandBreaks(LimitLngValue(raw));
            // A key given twice keeps its first position and takes the later text.
            lng.strings.Add(key, value);
            if (SameText(key, "ShortMonthNames")) {
                std::size_t n = 0, start = 0;
                for (; n < 12; ++n) {
                    std::size_t comma = value.find(',', start);
                    months[n] = std::string(TrimBlanks(std::string_view(value).substr(
                        start, comma == std::string::npos ? std::string::npos : comma - start)));
                    if (comma == std::string::npos) {
                        ++n;
                        break;
                    }
                    start = comma + 1;
                }
                if (n < 12)
                    throw ELngError("ShortMonthNames: string too short");
                haveMonths = true;
            }
        }
    }

    st.lng = std::move(lng);
    st.loaded = true;
    if (haveMonths)
        SetShortMonthNames(months);
}

void UnloadLng()
{
    S().lng = Language{};
    S().loaded = false;
    SetShortMonthNames({"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"});
}

const std::string& LngName() { return S().lng.name; }
const std::string& LngPath() { return S().lng.path; }
bool LngLoaded() { return S().loaded; }
std::size_t LngCount() { return S().loaded ? S().lng.strings.Count() : 0; }

std::string GetLStrI(std::size_t index) { return TextAt(index, "GetLStrI"); }
std::string LGet(std::size_t index) { return TextAt(index, "LGet"); }

std::string Fmt(std::size_t index, const std::vector<FmtArg>& args)
{
    return Format(TextAt(index, "TLng.Fmt"), args);
}

std::vector<std::string> LoadStrArray(std::size_t high, std::size_t start)
{
    RequireLoaded();
    if (start >= S().lng.strings.Count())
        throw ELngError("TLng.LoadStrArray: start index " + std::to_string(start) + " out of bounds");
    std::vector<std::string> out;
    for (std::size_t i = start; i <= start + high; ++i)
        out.push_back(TextAt(i, "TLng.LoadStrArray"));
    return out;
}

std::string LTextOr(std::size_t index, const std::vector<FmtArg>& args, std::string_view fallback)
{
    try {
        if (S().loaded && index < S().lng.strings.Count())
            return Format(S().lng.strings.ValueAt(index), args);
    } catch (const Exception&) {
    }
    return std::string(fallback) + JoinArgs(args);
}

std::string LGetS(std::string_view key)
{
    RequireLoaded();
    return S().lng.strings.Lookup(key);
}

std::string LGetSOr(std::string_view key, std::string_view fallback)
{
    if (S().loaded) {
        std::string text = S().lng.strings.Lookup(key);
        if (text != key)
            return text;
    }
    return std::string(fallback);
}

std::string_view LimitLngValue(std::string_view v)
{
    std::size_t chars = 0, i = 0;
    for (; i < v.size(); ++i) {
        if ((static_cast<unsigned char>(v[i]) & 0xC0) != 0x80) {
            if (chars == 255)
                break;
            ++chars;
        }
    }
    return v.substr(0, i);
}

std::string LFmtS(std::string_view key, const std::vector<FmtArg>& args) { return Format(LGetS(key), args); }

std::vector<std::pair<std::string, std::string>> LngSectionLines(std::string_view section)
{
    std::vector<std::pair<std::string, std::string>> out;
    if (!S().loaded)
        return out;
    if (const IniSection* s = FindSection(S().lng.sections, section))
        for (const auto& [key, value] : s->lines)
            out.emplace_back(key, std::string(TrimBlanks(value)));
    return out;
}

}  // namespace tarvix
