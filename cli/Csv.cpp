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

// One CSV table: a header of the keys, then one line per object.
void Table(std::ostream& out, const Json& rows, const Json& lead = Json::object())
{
    if (rows.empty())
        return;
    bool first = true;
    for (const auto& [key, _] : lead.items()) {
        out << (first ? "" : ",") << key;
        first = false;
    }
    for (const auto& [key, _] : rows.front().items()) {
        out << (first ? "" : ",") << key;
        first = false;
    }
    out << '\n';
}

void Rows(std::ostream& out, const Json& rows, const Json& lead = Json::object())
{
    for (const Json& row : rows) {
        bool first = true;
        for (const auto& [_, v] : lead.items()) {
            out << (first ? "" : ",") << Cell(v);
            first = false;
        }
        for (const auto& [_, v] : row.items()) {
            out << (first ? "" : ",") << Cell(v);
            first = false;
        }
        out << '\n';
    }
}

}  // namespace

void PrintCsvTable(std::ostream& out, const Json& rows)
{
    Table(out, rows);
    Rows(out, rows);
}

void PrintCsv(std::ostream& out, const TRun& run, const std::string& what)
{
    Json root = BuildJson(run, what);
    bool firstPart = true;
    auto part = [&](const char* name) {
        if (what == "all") {
            out << (firstPart ? "" : "\n") << "# " << name << '\n';
            firstPart = false;
        }
    };
    if (what == "summary" || what == "all") {
        part("log");
        out << "key,value\n";
        for (const auto& [key, v] : root["log"].items())
            out << key << ',' << Cell(v) << '\n';
    }
    for (const char* name : {"days", "sessions", "freqs"}) {
        if (!root.contains(name))
            continue;
        part(name);
        Table(out, root[name]);
        Rows(out, root[name]);
    }
    if (root.contains("requesters") && what == "all") {
        part("requesters");
        out << "addr\n";
        for (const Json& a : root["requesters"])
            out << Cell(a) << '\n';
    }
    if (root.contains("dialstat")) {
        part("dialstat");
        bool header = false;
        for (const Json& day : root["dialstat"]) {
            Json nodes = day["nodes"];
            nodes.push_back(day["total"]);
            Json lead = Json{{"day", day["day"]}};
            if (!header) {
                Table(out, nodes, lead);
                header = true;
            }
            Rows(out, nodes, lead);
        }
    }
    if (root.contains("dlc")) {
        part("dlc");
        Table(out, root["dlc"]);
        Rows(out, root["dlc"]);
    }
}

}  // namespace tarvix::cli
