#include "cli/Output.h"

namespace tarvix::cli {

namespace {

std::string Cell(const Json& v)
{
    std::string s;
    if (v.is_null())
        return s;
    if (v.is_string())
        s = v.get<std::string>();
    else if (v.is_array()) {
        for (const Json& e : v) {
            if (!s.empty())
                s += '|';
            s += e.is_string() ? e.get<std::string>() : e.dump();
        }
    } else
        s = v.dump();
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + '"';
}

// One CSV table: a header of the keys of the first row (after those of `lead`), then
// one line per row, written as the rows are made.
class TCsvTable {
public:
    TCsvTable(std::ostream& out, Json lead = Json::object()) : out_(out), lead_(std::move(lead)) {}

    void Row(const Json& row)
    {
        if (!header_) {
            Line(row, true);
            header_ = true;
        }
        Line(row, false);
    }

    void Rows(const TRows& rows)
    {
        for (std::size_t i = 0; i < rows.count; ++i)
            Row(rows.row(i));
    }

    void SetLead(Json lead) { lead_ = std::move(lead); }

private:
    void Line(const Json& row, bool keys)
    {
        bool first = true;
        for (const Json* part : {static_cast<const Json*>(&lead_), &row})
            for (const auto& [key, v] : part->items()) {
                out_ << (first ? "" : ",");
                if (keys)
                    out_ << key;
                else
                    out_ << Cell(v);
                first = false;
            }
        out_ << '\n';
    }

    std::ostream& out_;
    Json lead_;
    bool header_ = false;
};

}  // namespace

void PrintCsvTable(std::ostream& out, const Json& rows)
{
    TCsvTable table(out);
    for (const Json& row : rows)
        table.Row(row);
}

void PrintCsv(std::ostream& out, const TRun& run, const std::string& what)
{
    bool firstPart = true;
    auto part = [&](const char* name) {
        if (what == "all") {
            out << (firstPart ? "" : "\n") << "# " << name << '\n';
            firstPart = false;
        }
    };
    if (what == "summary" || what == "all") {
        const Json summaryLog = LogSummary(run);
        part("log");
        out << "key,value\n";
        for (const auto& [key, v] : summaryLog.items())
            out << key << ',' << Cell(v) << '\n';
    }
    const std::pair<const char*, TRows (*)(const TRun&)> tables[] = {
        {"days", DayRows}, {"sessions", SessionRows}, {"freqs", FreqRows}};
    for (const auto& [name, rows] : tables) {
        if (!Wants(what, name))
            continue;
        part(name);
        TCsvTable(out).Rows(rows(run));
    }
    if (what == "all") {
        part("requesters");
        out << "addr\n";
        const TRows requesters = RequesterRows(run);
        for (std::size_t i = 0; i < requesters.count; ++i)
            out << Cell(requesters.row(i)) << '\n';
    }
    if (Wants(what, "dialstat")) {
        part("dialstat");
        TCsvTable table(out);
        const TRows days = DialStatRows(run);
        for (std::size_t i = 0; i < days.count; ++i) {
            const Json day = days.row(i);
            table.SetLead(Json{{"day", day["day"]}});
            for (const Json& node : day["nodes"])
                table.Row(node);
            table.Row(day["total"]);
        }
    }
    if (what == "all") {
        part("dlc");
        TCsvTable(out).Rows(DlcRows(run));
    }
}

}  // namespace tarvix::cli
