#include "engine/LogValues.h"

#include "engine/LogStyles.h"
#include "platform/Text.h"

#include <climits>

namespace tarvix {

namespace {

// A value as the settings read a number: the same number whatever default is given.
bool AsNumber(const std::string& text, long long& number)
{
    TIniFile one;
    one.WriteString("V", "V", text);
    number = one.ReadInteger("V", "V", LLONG_MIN);
    return number == one.ReadInteger("V", "V", LLONG_MAX);
}

bool SameValue(const std::string& given, const std::string& held)
{
    if (given == held || SameText(given, held))
        return true;
    long long a = 0, b = 0;
    return AsNumber(given, a) && AsNumber(held, b) && a == b;
}

}  // namespace

std::vector<TBadValue> BadLogValues(const TIniFile& ini, std::string_view section, const TLog& log)
{
    TIniFile held;
    log.SaveToReg(held, "Log");
    std::vector<TBadValue> bad;
    for (const auto& [key, value] : ini.ReadSectionValues(section)) {
        // The style is the caller's to check (a custom log is read as a plain one
        // while custom highlighting is off, and says so itself).
        if (SameText(key, "Style") || !held.ValueExists("Log", key))
            continue;
        std::string used = held.ReadString("Log", key, "");
        if (!SameValue(value, used))
            bad.push_back({key, value, std::move(used)});
    }
    return bad;
}

int LogStyleOf(const TIniFile& ini, std::string_view section, bool& valid)
{
    valid = true;
    if (!ini.ValueExists(section, "Style"))
        return lsPlain;
    long long style = 0;
    valid = AsNumber(ini.ReadString(section, "Style", ""), style) && style >= 0 && style < kLogStyleCount;
    return valid ? static_cast<int>(style) : lsPlain;
}

}  // namespace tarvix
