#include "engine/CustomLog.h"

#include "engine/FDLog.h"
#include "engine/LogNumber.h"
#include "fido/Dialogs.h"
#include "fido/Format.h"
#include "fido/Lng.h"
#include "fido/LogUtils.h"
#include "platform/FileRead.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

#include <array>
#include <unordered_map>

namespace tarvix {

namespace {

std::string_view CustomLogColorName(int index)
{
    if (index < 0 || index >= kColorCount)
        return kColorNames[static_cast<std::size_t>(hcNormal)];
    return kColorNames[static_cast<std::size_t>(index)];
}

constexpr std::string_view kDatePrefixEnd = "!Mdhmsxy";
constexpr std::string_view kDateWordLetters = "Mdhmsy";

constexpr const char* kHglSection = "QZHgl";
constexpr const char* kHglVersion = "1";
// A highlighting file holds a few lines; anything much larger is not one.
constexpr std::int64_t kMaxHglSize = 1 << 20;

// "<colour item>;<text>" split at the first ";". Without one the whole value is
// the text and the colour name is empty.
THglRow SplitRow(std::string_view value)
{
    std::size_t semi = value.find(';');
    if (semi == std::string_view::npos)
        return THglRow{std::string(value), {}};
    return THglRow{std::string(value.substr(semi + 1)), std::string(value.substr(0, semi))};
}

std::string JoinRow(std::string_view colorName, std::string_view text)
{
    std::string v;
    v.reserve(colorName.size() + 1 + text.size());
    v += colorName;
    v += ';';
    v += text;
    return v;
}

// The characters of a line found under one kind of mask letter. Longer texts than
// any date field are marked, never stored.
class TMaskField {
public:
    void Add(char c)
    {
        if (len_ < sizeof(buf_))
            buf_[len_++] = c;
        else
            overflow_ = true;
    }
    bool Empty() const { return len_ == 0; }
    bool Overflow() const { return overflow_; }
    std::string_view View() const { return std::string_view(buf_, len_); }

private:
    char buf_[16] = {};
    std::size_t len_ = 0;
    bool overflow_ = false;
};

bool ParseField(const TMaskField& f, int& value)
{
    return !f.Overflow() && TryParseLogInt(f.View(), value);
}

// The month of an English abbreviation (exact case), 0 for anything else.
int MonthOfAbbr(std::string_view s)
{
    for (std::size_t i = 0; i < MonthAbbrs.size(); ++i)
        if (MonthAbbrs[i] == s)
            return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

TCustomLog::TCustomLog()
{
    Style = lsCustom;
    HasOptions = true;
}

int TCustomLog::DatePrefixLength(std::string_view dateMask)
{
    std::size_t at = dateMask.find_first_of(kDatePrefixEnd);
    return static_cast<int>(at == std::string_view::npos ? dateMask.size() : at);
}

bool TCustomLog::IsDateWord(int col, std::string_view)
{
    return col >= 0 && static_cast<std::size_t>(col) < LineMask.size() &&
           kDateWordLetters.find(LineMask[static_cast<std::size_t>(col)]) != std::string_view::npos;
}

bool TCustomLog::IsErrorWord(std::string_view word)
{
    std::string_view rest = ErrWords;
    while (!rest.empty()) {
        std::size_t start = rest.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        std::size_t end = rest.find_first_of(" \t");
        std::string_view w = rest.substr(0, end);
        if (w == word)
            return true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end);
    }
    return false;
}

bool TCustomLog::WordClass(std::string_view word, int col)
{
    bool hold = true;
    if (col >= 0 && static_cast<std::size_t>(col) < LineMask.size()) {
        char m = LineMask[static_cast<std::size_t>(col)];
        if (m == '!') {
            hold = false;
        } else if (m == 'x') {
            HlClass = hcSpecial;
            hold = false;
        }
    }
    for (const THighlightString& h : HStrings) {
        std::string_view s = h.Text;
        bool match;
        if (!s.empty() && s[0] == '~') {
            s.remove_prefix(1);
            match = word.size() >= s.size() && SameText(word.substr(0, s.size()), s);
        } else {
            match = SameText(word, s);
        }
        if (match) {
            HlClass = h.Class < kColorNames.size() ? static_cast<int>(h.Class) : static_cast<int>(hcNormal);
            break;
        }
    }
    return hold;
}

void TCustomLog::ParseLine(std::string_view line)
{
    NewDay(LineNo, DateOfLine(line));
}

TDateTime TCustomLog::Today() const
{
    return todayFixed_ ? today_ : DateOf(Now());
}

TDateTime TCustomLog::DateOfLine(std::string_view line)
{
    if (!DateMask.empty()) {
        std::size_t prefix = std::min(static_cast<std::size_t>(std::max(DatePrefixLen, 0)), DateMask.size());
        if (line.size() >= DateMask.size() && line.substr(0, prefix) == std::string_view(DateMask).substr(0, prefix))
            return DecodeWithMask(DateMask, line);
        return CurDate;
    }
    if (line.size() >= LineMask.size())
        return DecodeWithMask(LineMask, line);
    return CurDate;
}

TDateTime TCustomLog::DecodeWithMask(std::string_view mask, std::string_view line)
{
    // The caller has checked that the line is at least as long as the mask.
    if (cacheValid_ && mask == cacheMask_ && line.substr(0, cacheKey_.size()) == cacheKey_) {
        CurDate = cacheDate_;
        return CurDate;
    }
    TMaskField day, month, monthName, year;
    std::size_t keyLen = 0;  // up to the last date letter or fixed character of the mask
    for (std::size_t i = 0; i < mask.size(); ++i) {
        switch (mask[i]) {
        case 'd': day.Add(line[i]); break;
        case 'm': month.Add(line[i]); break;
        case 'M': monthName.Add(line[i]); break;
        case 'y': year.Add(line[i]); break;
        case 'h':
        case 'n':
        case 's':
        case 'x':
        case ' ':
        case '!': continue;
        default:
            if (mask[i] != line[i])
                return CurDate;  // a line of another shape
        }
        keyLen = i + 1;
    }

    auto fail = [&] {
        return ELogError(Format("Error decoding date with mask %s in line:\n\r%s", {mask, line}));
    };
    int y = 0, m = 0, d = 0;
    const bool usesToday = day.Empty() || (month.Empty() && monthName.Empty()) || year.Empty();
    if (usesToday)
        tarvix::DecodeDate(Today(), y, m, d);
    if (!day.Empty() && !ParseField(day, d))
        throw fail();
    if (!month.Empty()) {
        if (!ParseField(month, m))
            throw fail();
    } else if (!monthName.Empty()) {
        m = monthName.Overflow() ? 0 : MonthOfAbbr(monthName.View());
        if (m == 0)
            throw fail();
    }
    if (!year.Empty()) {
        if (year.Overflow() || !ParseField(year, y))
            throw fail();
        // Two year digits: 00-79 are this century, 80-99 the last.
        if (year.View().size() == 2)
            y = TFDLog::ExpandYear(y);
    }
    CurDate = EncodeDate(y, m, d);
    // A date that takes parts from today holds only while today is fixed.
    cacheValid_ = !usesToday || todayFixed_;
    if (cacheValid_) {
        if (mask != cacheMask_)
            cacheMask_.assign(mask);
        cacheKey_.assign(line.substr(0, keyLen));
        cacheDate_ = CurDate;
    }
    return CurDate;
}

bool TCustomLog::Analyse(const TProgressFunc& progress)
{
    today_ = DateOf(Now());
    todayFixed_ = true;
    cacheValid_ = false;
    struct Unfix {
        bool& fixed;
        bool& cached;
        ~Unfix()
        {
            fixed = false;
            cached = false;  // a date that took parts from today
        }
    } unfix{todayFixed_, cacheValid_};
    return TLog::Analyse(progress);
}

void TCustomLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    std::string lineMask = ini.ReadString(section, "LineMask", "");
    std::string dateMask = ini.ReadString(section, "DateMask", "");
    std::string errWords = ini.ReadString(section, "ErrWords", "");
    long long count = ini.ReadInteger(section, "HStringCnt", 0);
    std::vector<THighlightString> strings;
    // Every string must be there: a missing key is an empty colour name and fails
    // the lookup, so the loop ends with the keys the section really has.
    for (long long i = 0; i < count; ++i) {
        const std::string key = "HString" + std::to_string(i);
        const std::string value = ini.ReadString(section, key, "");
        THglRow row = SplitRow(value);
        int cls = 0;
        try {
            cls = ColorIndex(row.ColorName);
        } catch (const EConvertError& e) {
            // Which of the many highlight strings of which log it is.
            throw EConvertError(std::string(e.what()) + " in [" + std::string(section) + "] " + key + "=" + value);
        }
        strings.push_back(THighlightString{std::move(row.Text), static_cast<std::uint8_t>(cls)});
    }
    TLog::LoadFromReg(ini, section);
    LineMask = std::move(lineMask);
    DateMask = std::move(dateMask);
    ErrWords = std::move(errWords);
    HStrings = std::move(strings);
    DatePrefixLen = DatePrefixLength(DateMask);
}

void TCustomLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TLog::SaveToReg(ini, section);
    ini.WriteString(section, "LineMask", LineMask);
    ini.WriteString(section, "DateMask", DateMask);
    ini.WriteString(section, "ErrWords", ErrWords);
    ini.WriteInteger(section, "HStringCnt", static_cast<long long>(HStrings.size()));
    for (std::size_t i = 0; i < HStrings.size(); ++i)
        ini.WriteString(section, "HString" + std::to_string(i),
                        JoinRow(CustomLogColorName(HStrings[i].Class), HStrings[i].Text));
}

TCustomLogOptions TCustomLog::GetOptions() const
{
    TCustomLogOptions o;
    o.LineMask = LineMask;
    o.DateMask = DateMask;
    o.ErrWords = ErrWords;
    for (const THighlightString& h : HStrings)
        o.Rows.push_back(THglRow{h.Text, std::string(CustomLogColorName(h.Class))});
    if (o.Rows.empty())
        o.Rows.emplace_back();
    return o;
}

void TCustomLog::SetOptions(const TCustomLogOptions& options)
{
    std::vector<THighlightString> strings;
    for (const THglRow& row : options.Rows) {
        if (row.Text.empty() || row.ColorName.empty())
            continue;
        int cls = ColorIndex(row.ColorName);
        strings.push_back(THighlightString{row.Text, static_cast<std::uint8_t>(cls)});
    }
    LineMask = options.LineMask;
    DateMask = options.DateMask;
    ErrWords = options.ErrWords;
    HStrings = std::move(strings);
    DatePrefixLen = DatePrefixLength(DateMask);
}

// --- the highlighting file ---

namespace {

std::string ReadHglText(const std::string& fileName)
{
    if (FileSize(fileName) > kMaxHglSize)
        throw EHglError(Format("File %s is too large for a highlighting file", {fileName}));
    std::string text = ReadWholeFile(fileName);
    if (static_cast<std::int64_t>(text.size()) > kMaxHglSize)
        throw EHglError(Format("File %s is too large for a highlighting file", {fileName}));
    return text;
}

}  // namespace

void ExportHgl(const std::string& fileName, const TCustomLogOptions& options)
{
    TIniFile ini;
    if (FileSize(fileName) >= 0)
        ini.FromText(ReadHglText(fileName));
    ini.EraseSection(kHglSection);
    ini.WriteString(kHglSection, "Version", kHglVersion);
    ini.WriteString(kHglSection, "LineMask", options.LineMask);
    ini.WriteString(kHglSection, "DateMask", options.DateMask);
    ini.WriteString(kHglSection, "ErrWords", options.ErrWords);
    ini.WriteInteger(kHglSection, "HStringCnt", static_cast<long long>(options.Rows.size()));
    for (std::size_t i = 0; i < options.Rows.size(); ++i)
        ini.WriteString(kHglSection, "HString" + std::to_string(i + 1),
                        JoinRow(options.Rows[i].ColorName, options.Rows[i].Text));
    WriteFileAtomic(fileName, ini.ToText());
}

bool ImportHgl(const std::string& fileName, TCustomLogOptions& options)
{
    TIniFile ini;
    ini.FromText(ReadHglText(fileName));
    if (ini.ReadString(kHglSection, "Version", "") != kHglVersion) {
        TDialogRequest r;
        r.caption = LngLoaded() ? LGetS("MDlg.mtError") : "Error";
        r.text = LTextOr(156, {fileName}, "Not a highlighting file of a supported version:");
        r.type = TMsgDlgType::mtError;
        r.buttons = mbOK;
        Dialogs().MessageDlg(r);
        return false;
    }

    // Identifiers compare without regard to case; look the rows up in one pass.
    std::unordered_map<std::string, std::string> values;
    for (auto& [ident, value] : ini.ReadSectionValues(kHglSection))
        values.emplace(UpperCaseAscii(ident), std::move(value));
    auto get = [&values](std::string_view ident) -> const std::string* {
        auto it = values.find(UpperCaseAscii(ident));
        return it == values.end() ? nullptr : &it->second;
    };

    TCustomLogOptions read;
    if (const std::string* v = get("LineMask"))
        read.LineMask = *v;
    if (const std::string* v = get("DateMask"))
        read.DateMask = *v;
    if (const std::string* v = get("ErrWords"))
        read.ErrWords = *v;
    long long count = ini.ReadInteger(kHglSection, "HStringCnt", 0);
    // A count that is there but no number is damage, not "no rows".
    if (ini.ValueExists(kHglSection, "HStringCnt") && ini.ReadInteger(kHglSection, "HStringCnt", -2) == -2 &&
        ini.ReadInteger(kHglSection, "HStringCnt", -3) == -3)
        throw EHglError(Format("File %s is damaged: the number of highlight strings is unreadable", {fileName}));
    if (count < 0 || count > static_cast<long long>(values.size()))
        throw EHglError(Format("File %s is damaged: %d highlight strings announced", {fileName, count}));
    for (long long i = 1; i <= count; ++i) {
        const std::string* v = get("HString" + std::to_string(i));
        if (!v)
            throw EHglError(Format("File %s is damaged: highlight string %d is missing", {fileName, i}));
        read.Rows.push_back(SplitRow(*v));
    }
    if (read.Rows.empty())
        read.Rows.emplace_back();
    options = std::move(read);
    return true;
}

}  // namespace tarvix
