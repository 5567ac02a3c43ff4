// What tarvix-report prints: the results of a run as a table, CSV or JSON.
//
// Every format is written row by row as the records are read: the report of a log
// of gigabytes holds millions of rows, and building it whole first would take many
// times the memory of the analysis itself.
#pragma once

#include "cli/Run.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace tarvix::cli {

using Json = nlohmann::ordered_json;

// The rows of one part of the results ("days", "sessions", ...), each made when it
// is asked for: row(i) for i below count.
struct TRows {
    std::size_t count = 0;
    std::function<Json(std::size_t)> row;
};

// The "log" object: path, style, lines, errors and the new-part marks.
Json LogSummary(const TRun& run);
// The parts, in the order of the JSON report; `what` is summary|days|sessions|freqs|
// dialstat|all, and a part it does not ask for is not wanted.
bool Wants(const std::string& what, const char* part);
TRows DayRows(const TRun& run);
TRows SessionRows(const TRun& run);
TRows FreqRows(const TRun& run);
TRows RequesterRows(const TRun& run);  // plain address strings
TRows DialStatRows(const TRun& run);   // a day each: {"day", "nodes": [...], "total"}
TRows DlcRows(const TRun& run);

// what: summary|days|sessions|freqs|dialstat|all; format: table|csv|json.
void PrintJson(std::ostream& out, const TRun& run, const std::string& what);
void PrintCsv(std::ostream& out, const TRun& run, const std::string& what);
void PrintTable(std::ostream& out, const TRun& run, const std::string& what);

// A list of JSON objects, one column per key of the first, as a box table or CSV.
void PrintJsonTable(std::ostream& out, const Json& rows);
void PrintCsvTable(std::ostream& out, const Json& rows);

// --what traffic|history|freqlim: the side files of T-Mail (and Argus's binary log).
bool IsSideFileWhat(const std::string& what);
// Prints the side file the options name in their format. Raises EUsage for a style
// that has no such file and ECannotRun for a missing or damaged file.
void PrintSideFile(std::ostream& out, const TOptions& options);

}  // namespace tarvix::cli
