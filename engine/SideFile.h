// What the readers of the mailers' binary side files share: a file of fixed-size
// records after an optional header, read whole and checked before any field is
// taken, and the names of the per-line files of T-Mail.
#pragma once

#include "fido/Lng.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// A side file whose layout is broken: the message names the file and the record
// ("SideFile.CutRecord", "SideFile.BadHeader"). Each reader raises its own subclass.
TARVIX_EXCEPTION(ESideFileError, Exception);

// The records of a side file: where they start, how many whole ones there are, and
// what is wrong with the rest (empty when the file ends with a whole record).
struct TRecordSpan {
    std::size_t First = 0;
    std::size_t Count = 0;
    std::string Damage;
};

// Splits data into records of recordSize bytes after a header of headerSize bytes.
// A file shorter than its header has no records; trailing bytes that make no whole
// record are left out and described in Damage ("<file>: record N is cut short (k of
// n bytes)"), counting records from 1.
TRecordSpan SplitRecords(std::string_view data, std::size_t headerSize, std::size_t recordSize,
                         const std::string& fileName);

// The name of a file T-Mail keeps per line (task): the prefix and the line number as
// two upper-case hexadecimal digits ("t-mail.s" and line 10 give "t-mail.s0A").
std::string TaskFileName(std::string_view prefix, int line);

// An interface text by key formatted with args; the English fallback while no
// language file is loaded or when the file's text does not suit the arguments.
std::string SideFileText(std::string_view key, std::string_view fallback, const std::vector<FmtArg>& args);

// A line number the side-file windows accept: 1 to 255.
inline bool ValidTaskLine(long long line) { return line >= 1 && line <= 255; }

// Fields of little-endian records; the callers have checked the record's bounds.
inline std::int16_t RecI16(std::string_view rec, std::size_t at)
{
    return static_cast<std::int16_t>(static_cast<unsigned char>(rec[at]) |
                                     (static_cast<unsigned char>(rec[at + 1]) << 8));
}
inline std::uint16_t RecU16(std::string_view rec, std::size_t at) { return static_cast<std::uint16_t>(RecI16(rec, at)); }
inline std::uint32_t RecU32(std::string_view rec, std::size_t at)
{
    return static_cast<std::uint32_t>(RecU16(rec, at)) | static_cast<std::uint32_t>(RecU16(rec, at + 2)) << 16;
}
inline std::int32_t RecI32(std::string_view rec, std::size_t at) { return static_cast<std::int32_t>(RecU32(rec, at)); }

}  // namespace tarvix
