// tarvix-report: the analysis of a Fidonet mailer log without the desktop program,
// for cron jobs on mailer hosts.
//
// Exit status: 0 the log was analysed to the end; 1 the analysis could not run
// (settings, configuration or language file error, unreadable log); 2 usage error.
#include "cli/Output.h"
#include "cli/Run.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>

using namespace tarvix::cli;

namespace {

// The report is only delivered once standard output has taken all of it: a write
// or the close failing (a full disk, a closed descriptor, a pipe whose reader went)
// is an error of the run, not a success with an empty or partial report.
int FinishOutput()
{
    std::cout.flush();
    bool ok = static_cast<bool>(std::cout);
    int error = errno;
    if (ok && std::fflush(stdout) != 0) {
        ok = false;
        error = errno;
    }
    if (std::fclose(stdout) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok)
        return 0;
    std::cerr << "tarvix-report: cannot write the report to standard output: "
              << (error != 0 ? std::strerror(error) : "write error") << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions o;
    CLI::App app{"tarvix-report: the sessions, file requests and dial statistics of a Fidonet mailer log.\n"
                 "Usage: tarvix-report [OPTIONS] LOGFILE\n"
                 "       tarvix-report [OPTIONS] --log NAME\n"
                 "Line errors are printed to stderr as LOGFILE:LINE: message and the run goes on.\n"
                 "Exit status: 0 analysed to the end, 1 the analysis could not run, 2 usage error."};
    app.set_version_flag("--version", "tarvix-report " TARVIX_VERSION);
    app.get_formatter()->column_width(28);

    auto* file = app.add_option("LOGFILE", o.logFile, "The log file to analyse");
    auto* name = app.add_option("--log", o.logName, "A log registered in the settings file, by its name");
    file->excludes(name);
    app.add_option("--style", o.style,
                   "plain|tmail|bink|frontdoor|brake|binkplus|fhmail|sfmail|argus|custom|binkd, or the "
                   "style number 0..10 (default plain)");
    app.add_option("--mailer-dir", o.mailerDir, "The mailer directory (MailerPath)");
    app.add_option("--set", o.sets,
                   "KEY=VALUE: a per-log value exactly as a \"Log\" section stores it (TMVersion, TaskNo, "
                   "BrkVersion, BinkStyle, CfgPath, ArgusVersion, AutoNew, LastStr, UpdateDLC, LineMask, "
                   "DateMask, ErrWords, HStringCnt, HString0, ...); repeatable")
        ->allow_extra_args(false);
    app.add_option("--year", o.year, "The year of log lines that carry none (default: this year)");
    app.add_option("--main-addr", o.mainAddr, "The main address (default 2:5030/999.999@fidonet)");
    app.add_option("--config", o.config, "The settings file (default: the user's settings file)");
    app.add_option("--what", o.what,
                   "summary|days|sessions|freqs|dialstat|all (default summary), or a side file instead of "
                   "the log's analysis: traffic (T-Mail's t-mail.sNN of the line --set TaskNo=N), history "
                   "(T-Mail's t-hist.$NN, or with --style argus the binary_log beside the log), freqlim "
                   "(T-Mail's freqlim.bin)")
        ->check(CLI::IsMember({"summary", "days", "sessions", "freqs", "dialstat", "all", "traffic", "history",
                               "freqlim"}));
    app.add_option("--format", o.format, "table|csv|json (default table: the report writer's box table)")
        ->check(CLI::IsMember({"table", "csv", "json"}));
    app.add_option("--codepage", o.codepage,
                   "How log bytes are decoded for output: cp866 (default), cp437, cp850, cp1251, koi8-r, "
                   "latin1, utf-8");
    app.add_flag("--update-dlc", o.updateDlc,
                 "Raise the download counters in files.bbs for the files sent since the last update "
                 "(writes files.bbs, and the .dlc file beside the settings file)");
    app.add_option("--drive", o.drives,
                   "X=DIR: the DOS drive X: of paths in mailer files is the host folder DIR; repeatable. "
                   "Relative mailer paths resolve against the mailer directory; names are found without "
                   "regard to case when the exact name is absent")
        ->allow_extra_args(false);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "tarvix-report: " << OneLine(e.what()) << '\n';
        return 2;
    }
    if (o.logFile.empty() && o.logName.empty()) {
        std::cerr << "tarvix-report: no log given: name a LOGFILE or --log NAME (see --help)\n";
        return 2;
    }

    // A closed standard output is found before the analysis: the log file opened
    // later must not take its descriptor.
    if (::fcntl(1, F_GETFD) < 0) {
        std::cerr << "tarvix-report: standard output is closed\n";
        return 1;
    }

    try {
        if (IsSideFileWhat(o.what)) {
            PrintSideFile(std::cout, o);
            return 0;
        }
        TRun run = Analyse(o);
        if (o.format == "json")
            PrintJson(std::cout, run, o.what);
        else if (o.format == "csv")
            PrintCsv(std::cout, run, o.what);
        else
            PrintTable(std::cout, run, o.what);
        // The process ends here: the analysis of a large log holds millions of
        // records, and giving them back one by one would take longer than printing
        // them. The pointer stays reachable, so leak checkers see no leak.
        static tarvix::TLog* const analysed = run.log.release();
        (void)analysed;
    } catch (const EUsage& e) {
        std::cerr << "tarvix-report: " << OneLine(e.what()) << '\n';
        return 2;
    } catch (const ECannotRun& e) {
        std::cerr << "tarvix-report: " << OneLine(e.what()) << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "tarvix-report: " << OneLine(e.what()) << '\n';
        return 1;
    }
    return FinishOutput();
}
