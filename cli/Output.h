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

}  // namespace tarvix::cli
