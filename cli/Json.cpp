#include "cli/Output.h"

#include "engine/LogText.h"
#include "engine/MailerLog.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <vector>

namespace tarvix::cli {

namespace {

std::string IsoDate(TDateTime t)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(t, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string IsoDateTime(TDateTime t)
{
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(t, h, n, s, ms);
    char buf[16];
    std::snprintf(buf, sizeof buf, "T%02d:%02d:%02d", h, n, s);
    return IsoDate(t) + buf;
}

Json Addr(const std::optional<TFidoAddr>& a)
{
    if (!a)
        return nullptr;
    return a->ToStrFlags(pfPoint);
}

Json Node(const TNodeStat& n)
{
    return Json{{"addr", Addr(n.Addr)},        {"calls", n.Calls},         {"busy", n.Busy},
                {"no_carrier", n.NoCarrier},   {"out_sess", n.OutSess},    {"in_sess", n.InSess},
                {"out_ok", n.OutOK},           {"in_ok", n.InOK},          {"bytes_sent", n.BytesSent},
                {"bytes_rcvd", n.BytesRcvd},   {"time", n.Time},           {"cps", n.CPS},
                {"first_sess", n.FirstSess},   {"last_sess", n.LastSess}};
}

Json Session(std::size_t i, const TSess& s)
{
    Json flags = Json::array();
    for (int bit = 0; bit < kSessFlagCount; ++bit)
        if (s.Flags & (1u << bit))
            flags.push_back(SessFlagName(bit));
    return Json{{"index", i},
                {"start_line", s.StartLine},
                {"end_line", s.EndLine},
                {"start", IsoDateTime(s.StartTime)},
                {"end", IsoDateTime(s.EndTime)},
                {"addr", Addr(s.Addr)},
                {"system", DisplayText(s.System)},
                {"sysop", DisplayText(s.SysOp)},
                {"phone", DisplayText(s.Phone)},
                {"location", DisplayText(s.Location)},
                {"akas", DisplayText(s.Akas)},
                {"mailer", DisplayText(s.Mailer)},
                {"speed", s.Speed},
                {"protocol", s.Protocol},
                {"protocol_name", ProtocolName(s.Protocol)},
                {"files_sent", s.FilesSent},
                {"files_rcvd", s.FilesRcvd},
                {"bytes_sent", s.BytesSent},
                {"bytes_rcvd", s.BytesRcvd},
                {"cps", s.CPS},
                {"flags", s.Flags},
                {"flag_names", flags},
                {"text", s.SessText()}};
}

}  // namespace

bool Wants(const std::string& what, const char* part) { return what == "all" || what == part; }

Json LogSummary(const TRun& run)
{
    const TLog& log = *run.log;
    const auto* mailer = dynamic_cast<const TMailerLog*>(&log);
    return Json{{"path", run.displayPath},
                {"style", log.Style},
                {"lines", log.LineNo},
                {"errors", run.errors},
                {"new_part_line", log.NewPartLine},
                {"first_new_sess", mailer ? mailer->FirstNewSess : -1},
                {"first_new_freq", mailer ? mailer->FirstNewFreq : -1}};
}

TRows DayRows(const TRun& run)
{
    const TLog* log = run.log.get();
    return {log->DayCount(), [log](std::size_t i) {
                const TLogDay& d = log->GetDay(i);
                return Json{{"index", i}, {"first_line", d.FirstLine}, {"file_pos", d.FilePos}, {"date", IsoDate(d.Date)}};
            }};
}

TRows SessionRows(const TRun& run)
{
    const auto* mailer = dynamic_cast<const TMailerLog*>(run.log.get());
    if (!mailer)
        return {};
    return {mailer->SessCount(), [mailer](std::size_t i) { return Session(i, mailer->GetSess(i)); }};
}

TRows FreqRows(const TRun& run)
{
    const auto* mailer = dynamic_cast<const TMailerLog*>(run.log.get());
    if (!mailer)
        return {};
    return {mailer->FreqCount(), [mailer](std::size_t i) {
                const TFreq& f = mailer->GetFreq(i);
                return Json{{"index", i}, {"name", DisplayText(f.Name)}, {"addr", Addr(f.Addr)},
                            {"sent", f.Sent}, {"line", f.LineNo}, {"real_name", DisplayText(f.RealName)},
                            {"path", DisplayText(f.Path)}, {"is_new", f.IsNew}};
            }};
}

TRows RequesterRows(const TRun& run)
{
    const auto* mailer = dynamic_cast<const TMailerLog*>(run.log.get());
    if (!mailer)
        return {};
    return {static_cast<std::size_t>(mailer->Requesters().Count()), [mailer](std::size_t i) {
                return Json(mailer->Requesters().GetAddr(static_cast<int>(i)).ToStrFlags(pfPoint));
            }};
}

TRows DialStatRows(const TRun& run)
{
    const TLog* log = run.log.get();
    if (!dynamic_cast<const TMailerLog*>(log))
        return {};
    // Only the days that have statistics are rows: their indexes first.
    auto days = std::make_shared<std::vector<std::size_t>>();
    for (std::size_t i = 0; i < log->DayCount(); ++i)
        if (log->GetDay(i).NodeStats)
            days->push_back(i);
    return {days->size(), [log, days](std::size_t k) {
                const std::size_t i = (*days)[k];
                const TNodeStatList* stats = log->GetDay(i).NodeStats;
                Json nodes = Json::array();
                for (std::size_t n = 0; n < stats->Count(); ++n)
                    nodes.push_back(Node(stats->GetItems(n)));
                return Json{{"day", i}, {"nodes", nodes}, {"total", Node(stats->Total)}};
            }};
}

TRows DlcRows(const TRun& run)
{
    const std::vector<TDLCFreq>* dlc = &run.dlc;
    return {dlc->size(), [dlc](std::size_t i) {
                const TDLCFreq& d = (*dlc)[i];
                return Json{{"file_name", DisplayText(d.FileName)}, {"dir", DisplayText(d.Dir)}};
            }};
}

namespace {

// The report as one JSON object, written member by member and row by row exactly as
// dump(2) writes the whole tree: a value at depth d is its own dump(2) with every
// line after the first indented by 2*d more (a dump holds no line break of its own
// inside strings: they are escaped).
class TJsonWriter {
public:
    explicit TJsonWriter(std::ostream& out) : out_(out) { out_ << '{'; }

    void Member(const char* key, const Json& value)
    {
        Key(key);
        Value(value, 2);
    }

    void Array(const char* key, const TRows& rows)
    {
        Key(key);
        if (rows.count == 0) {
            out_ << "[]";
            return;
        }
        out_ << '[';
        for (std::size_t i = 0; i < rows.count; ++i) {
            out_ << (i == 0 ? "\n    " : ",\n    ");
            Value(rows.row(i), 4);
        }
        out_ << "\n  ]";
    }

    void End() { out_ << (empty_ ? "}" : "\n}") << '\n'; }

private:
    void Key(const char* key)
    {
        out_ << (empty_ ? "\n  " : ",\n  ") << Json(key).dump() << ": ";
        empty_ = false;
    }

    void Value(const Json& value, int indent)
    {
        const std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
        std::size_t from = 0;
        for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', from)) {
            out_.write(text.data() + from, static_cast<std::streamsize>(nl + 1 - from));
            for (int k = 0; k < indent; ++k)
                out_.put(' ');
            from = nl + 1;
        }
        out_.write(text.data() + from, static_cast<std::streamsize>(text.size() - from));
    }

    std::ostream& out_;
    bool empty_ = true;
};

}  // namespace

void PrintJson(std::ostream& out, const TRun& run, const std::string& what)
{
    TJsonWriter json(out);
    json.Member("log", LogSummary(run));
    if (Wants(what, "days"))
        json.Array("days", DayRows(run));
    if (Wants(what, "sessions"))
        json.Array("sessions", SessionRows(run));
    if (Wants(what, "freqs")) {
        json.Array("freqs", FreqRows(run));
        json.Array("requesters", RequesterRows(run));
    }
    if (Wants(what, "dialstat"))
        json.Array("dialstat", DialStatRows(run));
    if (what == "all")
        json.Array("dlc", DlcRows(run));
    json.End();
}

}  // namespace tarvix::cli
