// Writers of the mailers' language file formats, for tests and for the generators of
// sample installations. They build the bytes of a file; the caller writes them out.
// Input that the format cannot hold raises std::invalid_argument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvix::lngwriters {

// T-Mail: each entry followed by a zero byte, then the two-byte trailer (entries in
// the trailer are not counted by a reader, so every entry here is reachable).
// Entries must not contain a zero byte.
std::string BuildTMailLng(const std::vector<std::string>& entries,
                          const std::string& trailer = std::string(2, '\0'));

// SF-Mail: 28 header bytes (zero), Count, two zero bytes, the index sorted by message
// number, and the string area of length-prefixed strings in the same order. Numbers
// must be distinct, strings at most 255 bytes, positions within 16 bits.
std::string BuildSFMailLng(std::vector<std::pair<std::uint16_t, std::string>> entries);

// BinkleyTerm style: the 12-byte header, one pointer per string (block offset + 4 in
// the low 16 bits, zero high bits) and the block of zero-terminated strings.
// Strings must not contain a zero byte; the block must fit in 16 bits.
std::string BuildBinkLng(const std::vector<std::string>& strings);

// One FhMail line: KEY 'value' ['value2'].
struct FhEntry {
    std::string key;
    std::string value;
    std::optional<std::string> value2;
};

// FhMail: a comment line, then one line per entry, each ended by Eol. Keys must be
// non-empty words; values must not hold a quote or a line break.
std::string BuildFHMailLng(const std::vector<FhEntry>& entries,
                           const std::string& eol = "\r\n");

}  // namespace tarvix::lngwriters
