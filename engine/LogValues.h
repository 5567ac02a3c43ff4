// The values of a log's settings section that the log could not take as they stand:
// a number that is no number ("TMVersion=abc"), one out of range, a version the
// style does not know. The loading of a log quietly falls back to a default for
// each of them; this tells which, so that the user hears of it.
#pragma once

#include "engine/Log.h"
#include "platform/IniFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

struct TBadValue {
    std::string key;    // as the section spells it
    std::string value;  // as the section has it
    std::string used;   // what the log took instead
};

// The values of `section` in `ini` that `log`, loaded from that section, does not
// hold as given: each value is compared with what the log writes back (numbers by
// their value, so that "07" is 7). Keys the log does not store are not looked at.
std::vector<TBadValue> BadLogValues(const TIniFile& ini, std::string_view section, const TLog& log);

// The style number of a log section, and whether "Style" holds a valid one (a
// missing value is the plain style, and valid).
int LogStyleOf(const TIniFile& ini, std::string_view section, bool& valid);

}  // namespace tarvix
