#include "cli/Output.h"

#include "engine/DialStatColumns.h"
#include "engine/MailerLog.h"
#include "engine/SessColumns.h"
#include "fido/Lng.h"
#include "settings/ReportWriter.h"

#include <algorithm>
#include <cstdint>

namespace tarvix::cli {

namespace {

// The texts of a table's rows, made from its rows when asked for. Items are row
// numbers; the texts of the last row asked for are kept, as each of its columns asks.
struct TRowTexts {
    const TRows* rows = nullptr;
    std::vector<std::string> keys;
    mutable std::size_t cached = static_cast<std::size_t>(-1);
    mutable std::vector<std::string> texts;

    const std::vector<std::string>& Of(std::size_t i) const;
};

// A column of such a table; ColType is the index of the key.
class TTextColumn : public TColumn {
public:
    explicit TTextColumn(const TRowTexts& texts) : texts_(texts) {}
    void GetText(const void* item, bool, std::string& text) const override
    {
        const auto& row = texts_.Of(reinterpret_cast<std::uintptr_t>(item));
        text = static_cast<std::size_t>(ColType) < row.size() ? row[static_cast<std::size_t>(ColType)] : "";
    }

private:
    const TRowTexts& texts_;
};

std::size_t Chars(const std::string& s)
{
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string Text(const Json& v)
{
    if (v.is_null())
        return {};
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_array()) {
        std::string s;
        for (const Json& e : v) {
            if (!s.empty())
                s += ' ';
            s += e.is_string() ? e.get<std::string>() : e.dump();
        }
        return s;
    }
    return v.dump();
}

const std::vector<std::string>& TRowTexts::Of(std::size_t i) const
{
    if (i != cached) {
        const Json row = rows->row(i);
        texts.clear();
        for (const std::string& k : keys)
            texts.push_back(Text(row.value(k, Json())));
        cached = i;
    }
    return texts;
}

void Print(std::ostream& out, const TColumnList& columns, TReportItems items, const void* total)
{
    PutReportTableIn(columns, CodePage::UTF8, items, total, [&out](const std::string& line) { out << line << '\n'; });
}

// A box table of rows of JSON objects, one column per key, each as wide as its widest
// text: the rows are made twice, once for the widths and once for the lines.
void JsonTable(std::ostream& out, const TRows& rows)
{
    if (rows.count == 0)
        return;
    TRowTexts texts;
    texts.rows = &rows;
    const Json first = rows.row(0);
    for (const auto& [key, _] : first.items())
        texts.keys.push_back(key);
    std::vector<std::size_t> widths;
    for (const std::string& k : texts.keys)
        widths.push_back(Chars(k));
    std::vector<const void*> items(rows.count);
    for (std::size_t i = 0; i < rows.count; ++i) {
        const auto& t = texts.Of(i);
        for (std::size_t k = 0; k < widths.size(); ++k)
            widths[k] = std::max(widths[k], Chars(t[k]));
        items[i] = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(i));
    }
    TColumnList columns;
    for (std::size_t i = 0; i < texts.keys.size(); ++i) {
        auto c = std::make_unique<TTextColumn>(texts);
        c->ColType = static_cast<int>(i);
        c->Heading = texts.keys[i];
        c->ShowFile = true;
        c->FileWidth = static_cast<int>(std::min<std::size_t>(widths[i], 60));
        c->Alignment = first[texts.keys[i]].is_number() ? caRight : caLeft;
        columns.Add(std::move(c));
    }
    Print(out, columns, items, nullptr);
}

void SessionTable(std::ostream& out, const TMailerLog& log)
{
    static constexpr int kWidths[kSessColumnTypes] = {14, 8, 6, 24, 22, 18, 16, 22, 7, 4, 8, 3, 5, 5, 13, 13, 7, 20};
    TColumnList columns;
    for (int t = 0; t < kSessColumnTypes; ++t) {
        auto c = CreateSessColumn(t);
        c->ShowFile = true;
        c->FileWidth = kWidths[t];
        c->Heading = SessColumnName(t);
        c->Alignment = (t == 1 || t == 2 || (t >= 12 && t <= 16)) ? caRight : caLeft;
        columns.Add(std::move(c));
    }
    std::vector<const void*> items;
    for (std::size_t i = 0; i < log.SessCount(); ++i)
        items.push_back(&log.GetSess(i));
    Print(out, columns, items, nullptr);
}

void DialStatTables(std::ostream& out, const TMailerLog& log)
{
    static constexpr int kWidths[kDialStatColumnTypes] = {18, 5, 5, 6, 5, 5, 14, 14, 9, 7};
    TColumnList columns;
    for (int t = 0; t < kDialStatColumnTypes; ++t) {
        auto c = CreateDialStatColumn(t);
        c->ShowFile = true;
        c->FileWidth = kWidths[t];
        c->Heading = LTextOr(static_cast<std::size_t>(kDialStatColumnNameText + t), {}, "");
        c->Alignment = t == 0 ? caLeft : caRight;
        columns.Add(std::move(c));
    }
    for (std::size_t d = 0; d < log.DayCount(); ++d) {
        const TLogDay& day = log.GetDay(d);
        if (!day.NodeStats)
            continue;
        out << FormatDateTime("dd mmm yyyy", day.Date) << '\n';
        std::vector<const void*> items;
        for (std::size_t i = 0; i < day.NodeStats->Count(); ++i)
            items.push_back(&day.NodeStats->GetItems(i));
        Print(out, columns, items, &day.NodeStats->Total);
    }
}

}  // namespace

void PrintJsonTable(std::ostream& out, const Json& rows)
{
    JsonTable(out, TRows{rows.size(), [&rows](std::size_t i) { return rows[i]; }});
}

void PrintTable(std::ostream& out, const TRun& run, const std::string& what)
{
    const auto* mailer = dynamic_cast<const TMailerLog*>(run.log.get());
    if (what == "summary" || what == "all") {
        const Json summaryLog = LogSummary(run);
        std::vector<Json> summary;
        for (const auto& [key, v] : summaryLog.items())
            summary.push_back(Json{{"item", key}, {"value", Text(v)}});
        summary.push_back(Json{{"item", "days"}, {"value", std::to_string(run.log->DayCount())}});
        if (mailer) {
            summary.push_back(Json{{"item", "sessions"}, {"value", std::to_string(mailer->SessCount())}});
            summary.push_back(Json{{"item", "freqs"}, {"value", std::to_string(mailer->FreqCount())}});
        }
        JsonTable(out, TRows{summary.size(), [&summary](std::size_t i) { return summary[i]; }});
    }
    if (Wants(what, "days"))
        JsonTable(out, DayRows(run));
    if (Wants(what, "sessions") && mailer)
        SessionTable(out, *mailer);
    if (Wants(what, "freqs"))
        JsonTable(out, FreqRows(run));
    if (Wants(what, "dialstat") && mailer)
        DialStatTables(out, *mailer);
    if (what == "all")
        JsonTable(out, DlcRows(run));
}

}  // namespace tarvix::cli
