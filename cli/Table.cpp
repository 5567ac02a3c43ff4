#include "cli/Output.h"

#include "engine/DialStatColumns.h"
#include "engine/MailerLog.h"
#include "engine/SessColumns.h"
#include "fido/Lng.h"
#include "settings/ReportWriter.h"

#include <algorithm>

namespace tarvix::cli {

namespace {

// A column over rows of ready texts; ColType is the index of the text in the row.
class TTextColumn : public TColumn {
public:
    void GetText(const void* item, bool, std::string& text) const override
    {
        const auto& row = *static_cast<const std::vector<std::string>*>(item);
        text = static_cast<std::size_t>(ColType) < row.size() ? row[static_cast<std::size_t>(ColType)] : "";
    }
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

void Print(std::ostream& out, const std::vector<std::string>& lines)
{
    for (const std::string& l : lines)
        out << l << '\n';
}

// A box table of JSON objects, one column per key, each as wide as its widest text.
void JsonTable(std::ostream& out, const Json& rows)
{
    if (rows.empty())
        return;
    std::vector<std::vector<std::string>> texts;
    std::vector<std::string> keys;
    for (const auto& [key, _] : rows.front().items())
        keys.push_back(key);
    for (const Json& row : rows) {
        std::vector<std::string> t;
        for (const std::string& k : keys)
            t.push_back(Text(row.value(k, Json())));
        texts.push_back(std::move(t));
    }
    TColumnList columns;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        auto c = std::make_unique<TTextColumn>();
        c->ColType = static_cast<int>(i);
        c->Heading = keys[i];
        c->ShowFile = true;
        std::size_t width = Chars(keys[i]);
        for (const auto& t : texts)
            width = std::max(width, Chars(t[i]));
        c->FileWidth = static_cast<int>(std::min<std::size_t>(width, 60));
        c->Alignment = rows.front()[keys[i]].is_number() ? caRight : caLeft;
        columns.Add(std::move(c));
    }
    std::vector<const void*> items;
    for (const auto& t : texts)
        items.push_back(&t);
    Print(out, MakeReportTableIn(columns, CodePage::UTF8, items, nullptr));
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
    Print(out, MakeReportTableIn(columns, CodePage::UTF8, items, nullptr));
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
        Print(out, MakeReportTableIn(columns, CodePage::UTF8, items, &day.NodeStats->Total));
    }
}

}  // namespace

void PrintJsonTable(std::ostream& out, const Json& rows) { JsonTable(out, rows); }

void PrintTable(std::ostream& out, const TRun& run, const std::string& what)
{
    Json root = BuildJson(run, what);
    const auto* mailer = dynamic_cast<const TMailerLog*>(run.log.get());
    if (what == "summary" || what == "all") {
        Json summary = Json::array();
        for (const auto& [key, v] : root["log"].items())
            summary.push_back(Json{{"item", key}, {"value", Text(v)}});
        Json counts = {{"item", "days"}, {"value", std::to_string(run.log->DayCount())}};
        summary.push_back(counts);
        if (mailer) {
            summary.push_back(Json{{"item", "sessions"}, {"value", std::to_string(mailer->SessCount())}});
            summary.push_back(Json{{"item", "freqs"}, {"value", std::to_string(mailer->FreqCount())}});
        }
        JsonTable(out, summary);
    }
    if (root.contains("days"))
        JsonTable(out, root["days"]);
    if (root.contains("sessions") && mailer)
        SessionTable(out, *mailer);
    if (root.contains("freqs"))
        JsonTable(out, root["freqs"]);
    if (root.contains("dialstat") && mailer)
        DialStatTables(out, *mailer);
    if (root.contains("dlc"))
        JsonTable(out, root["dlc"]);
}

}  // namespace tarvix::cli
