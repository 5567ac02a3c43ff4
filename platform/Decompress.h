// Compressed files, as logrotate leaves old logs: gzip, xz, zstd and bzip2, known by
// their first bytes (never by the file name).
#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

namespace tarvix {

enum class TCompression { None, Gzip, Xz, Zstd, Bzip2 };

// The compression the bytes start with, None for anything else.
TCompression CompressionOf(std::string_view head);
// "gzip", "xz", "zstd", "bzip2" ("" for None).
const char* CompressionName(TCompression c);

// The whole content of compressed data, all concatenated parts of it. Raises
// EReadError ("<name>: damaged <format> data") when the data is damaged or cut short,
// std::bad_alloc when the content does not fit in memory.
std::string Decompress(std::string_view data, TCompression c, const std::string& name);

// Whether the bytes look like the text of a log: at most one in 20 of the first 64 KB
// a control character (tab, line and page breaks, escape and Ctrl-Z are text).
bool LooksLikeText(std::string_view head);

}  // namespace tarvix
