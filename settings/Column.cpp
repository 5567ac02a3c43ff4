#include "settings/Column.h"

#include "fido/NVUtils.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

namespace tarvix {

namespace {

constexpr int kNumFields = 8;
// The default of a missing ".Params" value.
constexpr std::string_view kDefaultParams = "0;;1;0;100;10;0;1";

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A decimal integer with optional blanks around it and an optional sign; nullopt
// for anything else, including a number beyond the range of long long.
std::optional<long long> ParseDecimal(std::string_view s)
{
    s = TrimBlanks(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty())
        return std::nullopt;
    long long value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// A stored width: negative takes the default, too wide is cut to the bound.
int SaneWidth(long long value, int def, int max)
{
    if (value < 0)
        return def;
    return static_cast<int>(std::min<long long>(value, max));
}

void CheckAlignment(long long value)
{
    if (value < caLeft || value > caCenter)
        throw EColumnError("TColumn.CreateIni: invalid Alignment value");
}

std::string WithoutControls(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return r;
}

std::string Key(std::string_view prefix, std::string_view name)
{
    std::string k(prefix);
    k += name;
    return k;
}

}  // namespace

// ---------------------------------------------------------------------------------
// TColumn

void TColumn::GetText(const void*, bool, std::string&) const
{
    throw EColumnError("TColumn.GetText: shouldn't be called");
}

bool TColumn::IsGroupStart(const void*) const
{
    return false;
}

void TColumn::Assign(const TColumn& source)
{
    ColType = source.ColType;
    ShowScr = source.ShowScr;
    ShowFile = source.ShowFile;
    ScrWidth = source.ScrWidth;
    FileWidth = source.FileWidth;
    Heading = source.Heading;
    Alignment = source.Alignment;
    Separator = source.Separator;
}

std::string TColumn::ParamsText() const
{
    std::string s = std::to_string(ColType);
    s += ';';
    s += WithoutControls(Heading);
    for (long long v : {ShowScr ? 1 : 0, ShowFile ? 1 : 0, ScrWidth, FileWidth, Alignment, Separator ? 1 : 0}) {
        s += ';';
        s += std::to_string(v);
    }
    return s;
}

void TColumn::SetParamsText(std::string_view text)
{
    std::string rest(text);
    std::vector<std::string> fields;
    if (!TrimBlanks(rest).empty()) {
        do
            fields.push_back(CutToken(rest, ';'));
        while (!rest.empty());
        // A text ending in ";" has an empty last field.
        if (!text.empty() && text.back() == ';')
            fields.emplace_back();
    }
    // More than eight fields: the heading held ";". The first field is the type,
    // the last six follow the heading, and the heading is what lies between.
    if (fields.size() > kNumFields) {
        std::size_t headingEnd = fields.size() - (kNumFields - 2);
        std::string heading = fields[1];
        for (std::size_t i = 2; i < headingEnd; ++i)
            heading += ";" + fields[i];
        std::vector<std::string> joined{fields[0], heading};
        joined.insert(joined.end(), fields.begin() + static_cast<std::ptrdiff_t>(headingEnd), fields.end());
        fields = std::move(joined);
    }

    TColumn defaults;
    TColumn c;
    auto number = [&](std::size_t index, long long def) -> long long {
        if (index >= fields.size() || TrimBlanks(fields[index]).empty())
            return def;
        std::optional<long long> v = ParseDecimal(fields[index]);
        if (!v)
            throw EColumnError("TColumn.CreateIni: invalid parameters " + std::string(text));
        return *v;
    };
    long long colType = number(0, defaults.ColType);
    if (colType < INT32_MIN || colType > INT32_MAX)
        throw EColumnError("TColumn.CreateIni: invalid parameters " + std::string(text));
    c.ColType = static_cast<int>(colType);
    c.Heading = fields.size() > 1 ? fields[1] : defaults.Heading;
    c.ShowScr = number(2, defaults.ShowScr) != 0;
    c.ShowFile = number(3, defaults.ShowFile) != 0;
    c.ScrWidth = SaneWidth(number(4, defaults.ScrWidth), DefScrWidth, MaxScrWidth);
    c.FileWidth = SaneWidth(number(5, defaults.FileWidth), DefFileWidth, MaxFileWidth);
    long long alignment = number(6, defaults.Alignment);
    c.Separator = number(7, defaults.Separator) != 0;
    CheckAlignment(alignment);
    c.Alignment = static_cast<int>(alignment);
    Assign(c);
}

void TColumn::LoadIni(const TIniFile& ini, std::string_view section, std::string_view prefix)
{
    const std::string params = Key(prefix, ".Params");
    if (ini.ValueExists(section, params) || !ini.ValueExists(section, Key(prefix, ".ColType"))) {
        SetParamsText(ini.ReadString(section, params, kDefaultParams));
        return;
    }
    // The older form: one value per field, each with its default.
    TColumn c;
    long long colType = ini.ReadInteger(section, Key(prefix, ".ColType"), 0);
    c.ColType = colType < INT32_MIN || colType > INT32_MAX ? 0 : static_cast<int>(colType);
    c.Heading = ini.ReadString(section, Key(prefix, ".Heading"), "");
    c.ShowScr = ini.ReadBool(section, Key(prefix, ".ShowScr"), true);
    c.ShowFile = ini.ReadBool(section, Key(prefix, ".ShowFile"), false);
    c.ScrWidth = SaneWidth(ini.ReadInteger(section, Key(prefix, ".ScrWidth"), DefScrWidth), DefScrWidth,
                           MaxScrWidth);
    c.FileWidth = SaneWidth(ini.ReadInteger(section, Key(prefix, ".FileWidth"), DefFileWidth), DefFileWidth,
                            MaxFileWidth);
    long long alignment = ini.ReadInteger(section, Key(prefix, ".Alignment"), caLeft);
    CheckAlignment(alignment);
    c.Alignment = static_cast<int>(alignment);
    c.Separator = ini.ReadBool(section, Key(prefix, ".Separator"), true);
    Assign(c);
}

void TColumn::SaveIni(TIniFile& ini, std::string_view section, std::string_view prefix) const
{
    for (std::string_view old : {".ColType", ".Heading", ".ShowScr", ".ShowFile", ".ScrWidth", ".FileWidth",
                                 ".Alignment", ".Separator"})
        ini.DeleteKey(section, Key(prefix, old));
    ini.WriteString(section, Key(prefix, ".Params"), ParamsText());
}

std::unique_ptr<TColumn> CreateColumnIni(const TIniFile& ini, std::string_view section, std::string_view prefix,
                                         const TColumnFactory& factory)
{
    TColumn stored;
    stored.LoadIni(ini, section, prefix);
    std::unique_ptr<TColumn> column = factory ? factory(stored.ColType) : nullptr;
    if (!column)
        throw EColumnError("TColumn.CreateIni: no column class for type " + std::to_string(stored.ColType));
    column->Assign(stored);
    return column;
}

// ---------------------------------------------------------------------------------
// TColumnList

void TColumnList::CheckIndex(int index, int count) const
{
    if (index < 0 || index >= count)
        throw EColumnError("TColumnList.GetColumn: column index out of bounds");
}

TColumn& TColumnList::GetColumn(int index)
{
    CheckIndex(index, Count());
    return *columns_[static_cast<std::size_t>(index)];
}

const TColumn& TColumnList::GetColumn(int index) const
{
    CheckIndex(index, Count());
    return *columns_[static_cast<std::size_t>(index)];
}

TColumn& TColumnList::Add(std::unique_ptr<TColumn> column)
{
    return Insert(Count(), std::move(column));
}

TColumn& TColumnList::Insert(int index, std::unique_ptr<TColumn> column)
{
    if (!column)
        throw EColumnError("TColumnList: no column to add");
    CheckIndex(index, Count() + 1);
    TColumn& ref = *column;
    columns_.insert(columns_.begin() + index, std::move(column));
    Recalc();
    return ref;
}

void TColumnList::Delete(int index)
{
    CheckIndex(index, Count());
    columns_.erase(columns_.begin() + index);
    Recalc();
}

void TColumnList::Move(int from, int to)
{
    CheckIndex(from, Count());
    CheckIndex(to, Count());
    std::unique_ptr<TColumn> column = std::move(columns_[static_cast<std::size_t>(from)]);
    columns_.erase(columns_.begin() + from);
    columns_.insert(columns_.begin() + to, std::move(column));
    Recalc();
}

void TColumnList::Clear()
{
    columns_.clear();
    Recalc();
}

void TColumnList::Recalc()
{
    scrIndex_.clear();
    scrTotalWidth_ = 0;
    fileCount_ = 0;
    for (int i = 0; i < Count(); ++i) {
        const TColumn& c = *columns_[static_cast<std::size_t>(i)];
        if (c.ShowScr) {
            scrIndex_.push_back(i);
            scrTotalWidth_ += std::clamp(c.ScrWidth, 0, MaxScrWidth) + 1;
        }
        if (c.ShowFile)
            ++fileCount_;
    }
}

bool TColumnList::LoadIni(const TIniFile& ini, std::string_view section, const TColumnFactory& factory)
{
    long long count = ini.ReadInteger(section, "NumColumns", 0);
    if (count <= 0)
        return false;
    if (count > MaxColumns)
        throw EColumnError("TColumnList.LoadIni: invalid number of columns " + std::to_string(count));
    std::vector<std::unique_ptr<TColumn>> loaded;
    loaded.reserve(static_cast<std::size_t>(count));
    for (long long k = 0; k < count; ++k)
        loaded.push_back(CreateColumnIni(ini, section, "Column" + std::to_string(k), factory));
    columns_ = std::move(loaded);
    Recalc();
    return true;
}

void TColumnList::SaveIni(TIniFile& ini, std::string_view section) const
{
    ini.WriteInteger(section, "NumColumns", Count());
    for (int k = 0; k < Count(); ++k)
        columns_[static_cast<std::size_t>(k)]->SaveIni(ini, section, "Column" + std::to_string(k));
}

// ---------------------------------------------------------------------------------
// Report settings

void LoadReportSettings(TReportSettings& settings, const TIniFile& ini, std::string_view section)
{
    settings.RepHeader = ini.ReadString(section, "RepHeader", "");
    if (!ini.ValueExists(section, "Codepage")) {
        settings.Codepage = TReportSettings::cpUtf8;
        return;
    }
    const long long cp = ini.ReadInteger(section, "Codepage", TReportSettings::cpOem);
    const bool known = cp == TReportSettings::cpOem || cp == TReportSettings::cpAnsi || cp == TReportSettings::cpUtf8;
    settings.Codepage = known ? static_cast<int>(cp) : TReportSettings::cpOem;
}

void SaveReportSettings(const TReportSettings& settings, TIniFile& ini, std::string_view section)
{
    ini.WriteString(section, "RepHeader", settings.RepHeader);
    ini.WriteInteger(section, "Codepage", settings.Codepage);
}

}  // namespace tarvix
