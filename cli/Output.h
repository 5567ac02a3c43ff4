// What tarvix-report prints: the results of a run as a table, CSV or JSON.
#pragma once

#include "cli/Run.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace tarvix::cli {

using Json = nlohmann::ordered_json;

// The results as one JSON object: "log" always, and the parts `what` asks for.
Json BuildJson(const TRun& run, const std::string& what);

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
