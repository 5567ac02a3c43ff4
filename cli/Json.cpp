#include "cli/Output.h"

#include "engine/LogText.h"
#include "engine/MailerLog.h"

#include <nlohmann/json.hpp>

#include <cstdio>

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

bool Wants(const std::string& what, const char* part) { return what == "all" || what == part; }

}  // namespace

Json BuildJson(const TRun& run, const std::string& what)
{
    const TLog& log = *run.log;
    const auto* mailer = dynamic_cast<const TMailerLog*>(&log);
    Json root;
    root["log"] = Json{{"path", run.displayPath},
                       {"style", log.Style},
                       {"lines", log.LineNo},
                       {"errors", run.errors},
                       {"new_part_line", log.NewPartLine},
                       {"first_new_sess", mailer ? mailer->FirstNewSess : -1},
                       {"first_new_freq", mailer ? mailer->FirstNewFreq : -1}};
    if (Wants(what, "days")) {
        Json days = Json::array();
        for (std::size_t i = 0; i < log.DayCount(); ++i) {
            const TLogDay& d = log.GetDay(i);
            days.push_back(Json{{"index", i}, {"first_line", d.FirstLine}, {"file_pos", d.FilePos},
                                {"date", IsoDate(d.Date)}});
        }
        root["days"] = days;
    }
    if (Wants(what, "sessions")) {
        Json sessions = Json::array();
        if (mailer)
            for (std::size_t i = 0; i < mailer->SessCount(); ++i)
                sessions.push_back(Session(i, mailer->GetSess(i)));
        root["sessions"] = sessions;
    }
    if (Wants(what, "freqs")) {
        Json freqs = Json::array(), requesters = Json::array();
        if (mailer) {
            for (std::size_t i = 0; i < mailer->FreqCount(); ++i) {
                const TFreq& f = mailer->GetFreq(i);
                freqs.push_back(Json{{"index", i}, {"name", DisplayText(f.Name)}, {"addr", Addr(f.Addr)},
                                     {"sent", f.Sent}, {"line", f.LineNo}, {"real_name", DisplayText(f.RealName)},
                                     {"path", DisplayText(f.Path)}, {"is_new", f.IsNew}});
            }
            for (int i = 0; i < mailer->Requesters().Count(); ++i)
                requesters.push_back(mailer->Requesters().GetAddr(i).ToStrFlags(pfPoint));
        }
        root["freqs"] = freqs;
        root["requesters"] = requesters;
    }
    if (Wants(what, "dialstat")) {
        Json dialstat = Json::array();
        if (mailer)
            for (std::size_t i = 0; i < log.DayCount(); ++i) {
                const TNodeStatList* stats = log.GetDay(i).NodeStats;
                if (!stats)
                    continue;
                Json nodes = Json::array();
                for (std::size_t k = 0; k < stats->Count(); ++k)
                    nodes.push_back(Node(stats->GetItems(k)));
                dialstat.push_back(Json{{"day", i}, {"nodes", nodes}, {"total", Node(stats->Total)}});
            }
        root["dialstat"] = dialstat;
    }
    if (what == "all") {
        Json dlc = Json::array();
        for (const TDLCFreq& d : run.dlc)
            dlc.push_back(Json{{"file_name", DisplayText(d.FileName)}, {"dir", DisplayText(d.Dir)}});
        root["dlc"] = dlc;
    }
    return root;
}

void PrintJson(std::ostream& out, const TRun& run, const std::string& what)
{
    out << BuildJson(run, what).dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace tarvix::cli
