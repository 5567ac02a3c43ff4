// The rules by which the logs setup edits registered logs: the style list of the
// dialog, the names of new logs, the paths typed or picked, and the values of the
// per-style options that the option dialogs take. The windows only show them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvix {

// --- the style list of the setup dialog ---
// Its items in order: "T-Mail", "Bink/+", "Brake!", "FhMail", "SF-Mail", "Argus",
// "binkd", "Generic Bink-style", "Generic FrontDoor", "Other" (a plain log) and, only while
// custom highlighting is enabled, "Custom".
inline constexpr int kStyleItemCount = 11;
// The style an item stands for; -1 for a number that is no item.
int StyleOfItem(int item);
// The item of a style; -1 for a number that is no style.
int ItemOfStyle(int style);
// The text of an item (empty for a number that is no item).
const char* StyleItemText(int item);

// The name of a new log: base itself while no registered log (LogList) has that
// name, else base followed by a blank and the first of 1, 2, 3, ... that is free.
std::string FreeLogName(const std::string& base);

// Nothing but blanks and tabs (or nothing at all).
bool IsBlankText(std::string_view text);
// The text without the double quotes that enclose it (a pasted "C:\x y\t.log");
// any other text as it is.
std::string WithoutQuotes(std::string_view text);
// The directory of a file path without its closing separator ("\" or "/"):
// "/fido/tm/t-mail.log" gives "/fido/tm", "C:\TM\T-MAIL.LOG" gives "C:\TM". A root
// keeps its separator ("/x.log" gives "/", "C:\X.LOG" gives "C:\"); a bare name gives "".
std::string DirectoryOfPath(std::string_view path);
// A directory without one closing separator; a root ("/", "\", "C:\") stays as it is.
std::string WithoutClosingSeparator(std::string_view dir);

// The size limit typed in the setup (digits only; empty means no limit).
// Digits beyond what the limit can hold are not taken: nullopt.
std::optional<long long> ParseCutSize(std::string_view text);

// --- T-Mail options ---
// The version radio items: 2599 (2599-2601), 2602, 2603, 2604, 2605 (2605-2606).
// The item of a stored version (-1 for any other value, 2600, 2601 and 2606
// included), and the version an item stands for (2599 for a number that is no item).
int TMailVersionItem(int version);
int TMailVersionOfItem(int item);
// A task number typed: a whole number from 0 to 255, blanks around it allowed.
std::optional<int> ParseTaskNo(std::string_view text);

}  // namespace tarvix
