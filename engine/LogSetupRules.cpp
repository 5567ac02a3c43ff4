#include "engine/LogSetupRules.h"

#include "engine/Log.h"

#include <algorithm>
#include <charconv>

namespace tarvix {

namespace {

struct StyleItem {
    int style;
    const char* text;
};

constexpr StyleItem kStyleItems[kStyleItemCount] = {
    {lsTMail, "T-Mail"},
    {lsBinkPlus, "Bink/+"},
    {lsBrake, "Brake!"},
    {lsFhMail, "FhMail"},
    {lsSFMail, "SF-Mail"},
    {lsArgus, "Argus"},
    {lsBinkd, "binkd"},
    {lsBink, "Generic Bink-style"},
    {lsFrontDoor, "Generic FrontDoor"},
    {lsPlain, "Other"},
    {lsCustom, "Custom"},
};

constexpr int kTMailVersions[] = {2599, 2602, 2603, 2604, 2605};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view TrimBlanksTabs(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

int StyleOfItem(int item)
{
    return item >= 0 && item < kStyleItemCount ? kStyleItems[item].style : -1;
}

int ItemOfStyle(int style)
{
    for (int i = 0; i < kStyleItemCount; ++i)
        if (kStyleItems[i].style == style)
            return i;
    return -1;
}

const char* StyleItemText(int item) { return item >= 0 && item < kStyleItemCount ? kStyleItems[item].text : ""; }

std::string FreeLogName(const std::string& base)
{
    const auto used = [](const std::string& name) {
        const auto& list = LogList();
        return std::any_of(list.begin(), list.end(), [&name](const auto& log) { return log->Name == name; });
    };
    std::string name = base;
    // There are fewer logs than numbers to try: the loop ends.
    for (long long n = 1; used(name); ++n)
        name = base + " " + std::to_string(n);
    return name;
}

bool IsBlankText(std::string_view text) { return TrimBlanksTabs(text).empty(); }

std::string WithoutQuotes(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

std::string DirectoryOfPath(std::string_view path)
{
    std::size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1]) && path[end - 1] != ':')
        --end;
    return WithoutClosingSeparator(path.substr(0, end));
}

std::string WithoutClosingSeparator(std::string_view dir)
{
    // "/" and "C:\" are roots: without the separator they would name something else.
    if (dir.size() > 1 && IsSeparator(dir.back()) && dir[dir.size() - 2] != ':')
        dir.remove_suffix(1);
    return std::string(dir);
}

std::optional<long long> ParseCutSize(std::string_view text)
{
    if (text.empty())
        return 0;
    if (!AllDigits(text))
        return std::nullopt;
    // A 32-bit limit, as the settings keep it.
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 0x7fffffffLL)
        return std::nullopt;
    return value;
}

int TMailVersionItem(int version)
{
    for (int i = 0; i < static_cast<int>(std::size(kTMailVersions)); ++i)
        if (kTMailVersions[i] == version)
            return i;
    return -1;
}

int TMailVersionOfItem(int item)
{
    return item >= 0 && item < static_cast<int>(std::size(kTMailVersions)) ? kTMailVersions[item]
                                                                             : kTMailVersions[0];
}

std::optional<int> ParseTaskNo(std::string_view text)
{
    text = TrimBlanksTabs(text);
    if (text.empty() || !AllDigits(text))
        return std::nullopt;
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace tarvix
