// tarvix-report --what traffic|history|freqlim: the rows of the side-file windows of
// the desktop program, from the same readers and cell texts.
#include "cli/Output.h"

#include "engine/FreqLimits.h"
#include "engine/SessHistory.h"
#include "engine/TMailLog.h"
#include "engine/TMailTraffic.h"
#include "fido/DateTime.h"

namespace tarvix::cli {

namespace {

// The English keys of the columns, for the table head, CSV and JSON.
constexpr const char* kTrafficKeys[kTrafficColumns] = {"address",  "first_session", "sent",         "received",
                                                       "time_out", "time_in",       "sessions_out", "sessions_in"};
constexpr const char* kHistoryKeys[kHistoryColumns] = {"session", "address", "start", "length", "sent", "received"};
constexpr const char* kFreqLimKeys[kFreqLimColumns] = {"address", "last_request", "day", "week", "month"};

template <typename Cell>
Json Row(const char* const* keys, int columns, Cell cell)
{
    Json row = Json::object();
    for (int c = 0; c < columns; ++c)
        row[keys[c]] = cell(c);
    return row;
}

// The figures of a damaged file are not printed: a cron job must notice.
void CheckWhole(const std::string& damage)
{
    if (!damage.empty())
        throw ECannotRun(damage);
}

struct TSideRows {
    std::string file;
    Json rows = Json::array();
    Json extra = Json::object();  // JSON only: totals and the like
};

TSideRows Traffic(TTMailLog& log)
{
    const TTrafficFile f = TTrafficFile::Read(log.SystemDir(), log.TaskNo, log.TMVersion);
    CheckWhole(f.Damage);
    TSideRows out;
    out.file = f.FileName;
    std::vector<TTrafficRecord> records = f.Records;
    SortTraffic(records, tsFirstSession);
    for (const TTrafficRecord& r : records)
        out.rows.push_back(Row(kTrafficKeys, kTrafficColumns, [&](int c) { return TrafficCell(r, c); }));
    out.rows.push_back(Row(kTrafficKeys, kTrafficColumns, [&](int c) { return TrafficTotalCell(f.Total, c); }));
    return out;
}

TSideRows History(const THistoryFile& f)
{
    CheckWhole(f.Damage);
    TSideRows out;
    out.file = f.FileName;
    for (const THistoryRecord& r : f.Records) {
        Json row = {{"day", FormatDateTime("dd.mm.yy", UnixDateDelta + static_cast<double>(r.Day()))}};
        row.update(Row(kHistoryKeys, kHistoryColumns, [&](int c) { return HistoryCell(r, c); }));
        out.rows.push_back(std::move(row));
    }
    return out;
}

TSideRows FreqLimits(TTMailLog& log)
{
    const TFreqLimFile f = TFreqLimFile::Read(log.SystemDir());
    CheckWhole(f.Damage);
    TSideRows out;
    out.file = f.FileName;
    for (const TFreqLimEntry& e : f.Entries)
        out.rows.push_back(Row(kFreqLimKeys, kFreqLimColumns, [&](int c) { return FreqLimCell(e, c); }));
    out.extra["total_month_kb"] = f.TotalMonth;
    return out;
}

TSideRows Read(const TOptions& o)
{
    TRun run = Analyse(o, false);
    TLog& log = *run.log;
    auto* tmail = dynamic_cast<TTMailLog*>(&log);
    if (o.what == "history" && log.Style == lsArgus)
        return History(THistoryFile::ReadArgus(log.Path));
    if (!tmail)
        throw EUsage("--what " + o.what + ": a side file of T-Mail" +
                     (o.what == "history" ? std::string(" or Argus (--style tmail or argus)") : " (--style tmail)"));
    if (o.what == "traffic")
        return Traffic(*tmail);
    if (o.what == "history")
        return History(THistoryFile::ReadTMail(tmail->SystemDir(), tmail->TaskNo, tmail->TMVersion));
    return FreqLimits(*tmail);
}

}  // namespace

bool IsSideFileWhat(const std::string& what) { return what == "traffic" || what == "history" || what == "freqlim"; }

void PrintSideFile(std::ostream& out, const TOptions& o)
{
    TSideRows side;
    try {
        side = Read(o);
    } catch (const EUsage&) {
        throw;
    } catch (const ECannotRun&) {
        throw;
    } catch (const std::exception& e) {
        throw ECannotRun(e.what());
    }
    if (o.format == "json") {
        Json root = {{"file", side.file}, {o.what, side.rows}};
        root.update(side.extra);
        out << root.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    } else if (o.format == "csv") {
        PrintCsvTable(out, side.rows);
    } else {
        PrintJsonTable(out, side.rows);
    }
}

}  // namespace tarvix::cli
