#include "engine/SideFile.h"

#include "fido/Format.h"

#include <cstdio>

namespace tarvix {

std::string SideFileText(std::string_view key, std::string_view fallback, const std::vector<FmtArg>& args)
{
    try {
        return Format(LGetSOr(key, fallback), args);
    } catch (const Exception&) {
        // A translation that does not suit the arguments.
        return Format(fallback, args);
    }
}

TRecordSpan SplitRecords(std::string_view data, std::size_t headerSize, std::size_t recordSize,
                         const std::string& fileName)
{
    TRecordSpan span;
    span.First = headerSize;
    if (data.size() <= headerSize || recordSize == 0)
        return span;
    const std::size_t body = data.size() - headerSize;
    span.Count = body / recordSize;
    if (const std::size_t rest = body % recordSize; rest != 0)
        span.Damage = SideFileText("SideFile.CutRecord", "%s: record %d is cut short (%d of %d bytes)",
                                   {fileName, static_cast<unsigned long long>(span.Count + 1),
                                                   static_cast<unsigned long long>(rest),
                                                   static_cast<unsigned long long>(recordSize)});
    return span;
}

std::string TaskFileName(std::string_view prefix, int line)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(line) & 0xFFu);
    return std::string(prefix) + hex;
}

}  // namespace tarvix
