// Allocations of an analysis: runs the analysis of tarvix-report (the same options)
// counting its allocations (tools/alloccount), and prints one line of JSON with the lines
// read, the allocations made, the records the analysis produced (sessions, requests,
// days and rows of the dial statistics) and the allocations a line.
//
//   AllocBench [--config FILE] [--style S] [--mailer-dir DIR] [--set K=V]... [--year Y]
//              [--drive X=DIR]... LOGFILE
#include "cli/Run.h"
#include "engine/MailerLog.h"
#include "tools/alloccount/AllocationCount.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

using namespace tarvix;

int main(int argc, char** argv)
{
    cli::TOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "AllocBench: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--config")
            o.config = value();
        else if (a == "--style")
            o.style = value();
        else if (a == "--mailer-dir")
            o.mailerDir = value();
        else if (a == "--set")
            o.sets.push_back(value());
        else if (a == "--year")
            o.year = std::atoi(value().c_str());
        else if (a == "--drive")
            o.drives.push_back(value());
        else if (a == "--what" || a == "--format")
            value();  // the output is not made
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "AllocBench: unknown option %s\n", a.c_str());
            return 2;
        } else
            o.logFile = a;
    }
    if (o.logFile.empty()) {
        std::fprintf(stderr, "usage: AllocBench [tarvix-report options] LOGFILE\n");
        return 2;
    }
    try {
        const long long before = AllocationCount();
        cli::TRun run = cli::Analyse(o);
        const long long made = AllocationCount() - before;
        const TLog& log = *run.log;
        long long records = static_cast<long long>(log.DayCount());
        long long sessions = 0, freqs = 0, dialRows = 0;
        if (auto* mailer = dynamic_cast<const TMailerLog*>(&log)) {
            sessions = static_cast<long long>(mailer->SessCount());
            freqs = static_cast<long long>(mailer->FreqCount());
            for (std::size_t d = 0; d < mailer->DayStatCount(); ++d)
                dialRows += static_cast<long long>(mailer->GetDayStats(d).Count());
        }
        records += sessions + freqs + dialRows;
        const long long lines = log.LineNo;
        std::printf("{\"lines\": %lld, \"allocations\": %lld, \"allocations_per_line\": %.4f, \"records\": %lld, "
                    "\"sessions\": %lld, \"freqs\": %lld, \"days\": %zu, \"dial_rows\": %lld}\n",
                    lines, made, lines > 0 ? static_cast<double>(made) / static_cast<double>(lines) : 0.0, records,
                    sessions, freqs, log.DayCount(), dialRows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "AllocBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
