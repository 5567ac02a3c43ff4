#include "settings/ReportWriter.h"

#include "fido/DateTime.h"
#include "fido/NVUtils.h"
#include "settings/Template.h"

#include <algorithm>
#include <utility>

namespace tarvix {

namespace {

// ---------------------------------------------------------------------------------
// Texts in the report page

void BlankControls(std::string& s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
}

std::string FromUtf8(std::string_view text, CodePage page)
{
    return EncodeFromUtf8(text, page, '?');
}

// Raw bytes of the OEM page (text as read from a log or an OEM template).
std::string FromOem(std::string_view bytes, CodePage page)
{
    const OemAnsiMap& map = OemAnsi();
    if (page == map.Oem() && IsSingleByte(page))
        return std::string(bytes);
    if (page == map.Ansi() && IsSingleByte(map.Oem()) && IsSingleByte(page))
        return map.OemToAnsi(bytes);  // byte for byte, with its stand-ins for box characters
    return EncodeFromUtf8(DecodeToUtf8(bytes, map.Oem()), page, '?');
}

// The number of code points of well-formed UTF-8.
std::size_t CodePoints(std::string_view s)
{
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

// PadStr counting the code points of well-formed UTF-8 instead of bytes.
std::string PadUtf8(std::string_view s, int width, int align)
{
    if (width <= 0)
        return {};
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t n = CodePoints(s);
    if (n >= w) {
        // Cut before the code point number w.
        std::size_t seen = 0;
        for (std::size_t i = 0; i < s.size(); ++i)
            if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == w)
                return std::string(s.substr(0, i));
        return std::string(s);
    }
    std::size_t left = align == paRight ? w - n : align == paCenter ? w / 2 - n / 2 : 0;
    std::string r(left, ' ');
    r += s;
    r.append(w - n - left, ' ');
    return r;
}

// A cell: the text in the page, padded or cut to the width with the alignment.
std::string Cell(std::string_view text, int width, int align, CodePage page)
{
    std::string s = ReportText(text, page);
    return page == CodePage::UTF8 ? PadUtf8(s, width, align) : PadStr(s, width, align);
}

// ---------------------------------------------------------------------------------
// The table

// The pieces of one horizontal line.
struct HLineChars {
    std::string left, fill, cross, right;
};

// The box characters in the report page.
struct BoxChars {
    std::string vertical;
    HLineChars top, heading, group, bottom;
};

// One box character in the page, or its stand-in when the page lacks it.
std::string BoxChar(char32_t c, char standIn, CodePage page)
{
    std::string utf8;
    AppendUtf8(utf8, c);
    std::string s = EncodeFromUtf8(utf8, page, '\0');
    return s == std::string(1, '\0') ? std::string(1, standIn) : s;
}

HLineChars MakeHLine(char32_t left, char32_t fill, char32_t cross, char32_t right, CodePage page)
{
    return {BoxChar(left, '+', page), BoxChar(fill, '-', page), BoxChar(cross, '+', page),
            BoxChar(right, '+', page)};
}

BoxChars MakeBoxChars(CodePage page)
{
    BoxChars b;
    b.vertical = BoxChar(U'\u2502', '|', page);                           // 179
    b.top = MakeHLine(U'\u250C', U'\u2500', U'\u252C', U'\u2510', page);      // 218 196 194 191
    b.heading = MakeHLine(U'\u255E', U'\u2550', U'\u256A', U'\u2561', page);  // 198 205 216 181
    b.group = MakeHLine(U'\u251C', U'\u2500', U'\u253C', U'\u2524', page);    // 195 196 197 180
    b.bottom = MakeHLine(U'\u2514', U'\u2500', U'\u2534', U'\u2518', page);   // 192 196 193 217
    return b;
}

class TableWriter {
public:
    TableWriter(const TColumnList& columns, CodePage page)
        : columns_(columns), page_(page), box_(MakeBoxChars(page_))
    {
        for (int i = 0; i < columns.Count(); ++i)
            if (columns.GetColumn(i).ShowFile)
                report_.push_back(&columns.GetColumn(i));
        if (report_.empty())
            throw EReportError("MakeReport: no report columns");
    }

    // Hands each finished line to `put`.
    template <class Put>
    void Write(TReportItems items, const void* total, Put&& put) const
    {
        put(HLine(box_.top));
        put(HeadingRow());
        put(HLine(box_.heading));
        const TColumn& first = columns_.GetColumn(0);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0 && first.IsGroupStart(items[i]))
                put(HLine(box_.group));
            put(DataRow(items[i]));
        }
        if (total) {
            put(HLine(box_.heading));
            put(DataRow(total));
        }
        put(HLine(box_.bottom));
    }

private:
    static int Width(const TColumn& c) { return std::clamp(c.FileWidth, 0, MaxFileWidth); }

    bool IsLast(std::size_t k) const { return k + 1 == report_.size(); }

    std::string HLine(const HLineChars& h) const
    {
        std::string s = h.left;
        for (std::size_t k = 0; k < report_.size(); ++k) {
            for (int n = Width(*report_[k]); n > 0; --n)
                s += h.fill;
            if (IsLast(k))
                s += h.right;
            else if (report_[k]->Separator)
                s += h.cross;
        }
        return s;
    }

    // A row of the cells `text(column)` gives, each fitted with `align(column)`.
    template <class Text, class Align>
    std::string Row(Text&& text, Align&& align) const
    {
        std::string s = box_.vertical;
        for (std::size_t k = 0; k < report_.size(); ++k) {
            const TColumn& c = *report_[k];
            s += Cell(text(c), Width(c), align(c), page_);
            if (c.Separator || IsLast(k))
                s += box_.vertical;
        }
        return s;
    }

    std::string HeadingRow() const
    {
        return Row([](const TColumn& c) -> const std::string& { return c.Heading; },
                   [](const TColumn&) { return paCenter; });
    }

    std::string DataRow(const void* item) const
    {
        return Row(
            [item](const TColumn& c) {
                std::string text;
                c.GetText(item, true, text);
                return text;
            },
            [](const TColumn& c) { return c.Alignment; });
    }

    const TColumnList& columns_;
    CodePage page_;
    BoxChars box_;
    std::vector<const TColumn*> report_;
};

// ---------------------------------------------------------------------------------
// The template

bool AllUtf8(const std::vector<std::string>& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return IsValidUtf8(l); });
}

// Loads the template file and converts it into the report page.
void LoadTemplate(TTpl& tpl, const std::string& fileName, CodePage page)
{
    tpl.OemTemplate = false;  // converted here, into whichever page the report has
    tpl.LoadFromFile(fileName);
    std::vector<std::string> lines = tpl.Template();
    if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF"))
        lines.front().erase(0, 3);
    const bool utf8 = AllUtf8(lines);
    for (std::string& line : lines)
        line = utf8 ? FromUtf8(line, page) : FromOem(line, page);
    tpl.SetTemplate(std::move(lines));
}

class BusyScope {
public:
    explicit BusyScope(const std::function<void(bool)>& busy) : busy_(busy)
    {
        if (busy_)
            busy_(true);
    }
    ~BusyScope()
    {
        if (busy_)
            busy_(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    const std::function<void(bool)>& busy_;
};

// Prepares the engine: template and tokens.
void SetUpTemplate(TTpl& tpl, const TColumnList& columns, const TReportSettings& settings, TReportItems items,
                   const void* total)
{
    // Checked first, so that a report without columns fails even when its template
    // has no @text.
    TableWriter check(columns, ReportCodePage(settings.Codepage));
    const CodePage page = ReportCodePage(settings.Codepage);
    if (settings.RepHeader.empty())
        tpl.SetTemplate({"@text"});
    else
        LoadTemplate(tpl, settings.RepHeader, page);

    tpl.AddToken("program", [](TTpl&, const std::string&, std::string& text) {
        text = std::string(ReportProgramName);
    });
    tpl.AddToken("date", [page](TTpl&, const std::string&, std::string& text) {
        text = ReportText(FormatDateTime("dd mmm yy", Now()), page);
    });
    tpl.AddToken("time", [](TTpl&, const std::string&, std::string& text) {
        text = FormatDateTime("hh:nn:ss", Now());
    });
    tpl.AddToken("total", [items](TTpl&, const std::string&, std::string& text) {
        text = std::to_string(items.size());
    });
    int codepage = settings.Codepage;
    tpl.AddToken("text", [&columns, codepage, items, total](TTpl& t, const std::string&, std::string& text) {
        TableWriter(columns, ReportCodePage(codepage)).Write(items, total, [&t](const std::string& line) {
            t.WriteOutLineClosed(line);
        });
        text.clear();
    });
}

}  // namespace

CodePage ReportCodePage(int codepage)
{
    switch (codepage) {
    case TReportSettings::cpAnsi: return OemAnsi().Ansi();
    case TReportSettings::cpUtf8: return CodePage::UTF8;
    default: return OemAnsi().Oem();
    }
}

std::string ReportText(std::string_view text, CodePage page)
{
    std::string s = IsValidUtf8(text) ? FromUtf8(text, page) : FromOem(text, page);
    BlankControls(s);
    return s;
}

std::vector<std::string> MakeReportTable(const TColumnList& columns, int codepage, TReportItems items,
                                         const void* total)
{
    return MakeReportTableIn(columns, ReportCodePage(codepage), items, total);
}

std::vector<std::string> MakeReportTableIn(const TColumnList& columns, CodePage page, TReportItems items,
                                           const void* total)
{
    std::vector<std::string> lines;
    TableWriter(columns, page).Write(items, total, [&lines](std::string line) { lines.push_back(std::move(line)); });
    return lines;
}

void PutReportTableIn(const TColumnList& columns, CodePage page, TReportItems items, const void* total,
                      const std::function<void(const std::string& line)>& put)
{
    TableWriter(columns, page).Write(items, total, [&put](const std::string& line) { put(line); });
}

void WriteReport(const TColumnList& columns, const TReportSettings& settings, TReportItems items,
                 const void* total, std::vector<std::string>& out)
{
    TTpl tpl;
    SetUpTemplate(tpl, columns, settings, items, total);
    tpl.Execute(out);
}

void MakeReport(const TColumnList& columns, const TReportSettings& settings, TReportItems items,
                const void* total, const std::function<void(bool busy)>& busyCursor)
{
    BusyScope busy(busyCursor);
    TTpl tpl;
    SetUpTemplate(tpl, columns, settings, items, total);
    if (settings.FileName.empty())
        throw EFCreateError("Cannot create file ");
    tpl.ExecuteToFile(settings.FileName);
}

}  // namespace tarvix
