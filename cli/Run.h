// One run of tarvix-report: the options, the log they name, and its analysis.
#pragma once

#include "engine/Log.h"
#include "engine/Sess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarvix::cli {

struct TOptions {
    std::string logFile;   // the log file, or
    std::string logName;   // a log registered in the settings file
    std::string style = "plain";
    std::string mailerDir;
    std::vector<std::string> sets;  // KEY=VALUE
    int year = 0;                   // 0: the system date's year
    std::string mainAddr;
    std::string config;
    std::string what = "summary";
    std::string format = "table";
    std::string codepage = "cp866";
    bool updateDlc = false;
    std::vector<std::string> drives;  // X=DIR
};

// A usage error: a one-line message, exit status 2.
struct EUsage : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The analysis could not run: a one-line message, exit status 1.
struct ECannotRun : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A message as one line of standard error: line breaks and other control characters
// (a file name may hold them) written as \n, \r, \xNN.
std::string OneLine(std::string_view text);

// The style number of a style name ("tmail", ...) or number ("1"); -1 when neither.
int StyleOfName(const std::string& name);
const char* StyleName(int style);

// What an analysis left behind.
struct TRun {
    std::unique_ptr<TLog> log;
    std::string displayPath;     // the log file as named on the command line
    std::int64_t errors = 0;     // lines whose analysis failed
    std::vector<TDLCFreq> dlc;   // the download-counter increments of the analysis
};

// Reads the settings and the language, creates the log the options name and
// analyses it (unless analyse is false: then the log is made and set up only).
// Raises EUsage or ECannotRun.
TRun Analyse(const TOptions& options, bool analyse = true);

}  // namespace tarvix::cli
