// Reading whole files into memory.
#pragma once

#include <cstdint>
#include <string>

// WriteFileAtomic, which most readers of whole files also use.
#include "platform/FileWrite.h"

namespace tarvix {

// The size of a file in bytes, or -1 when it cannot be examined.
std::int64_t FileSize(const std::string& path);

// The whole content of a file. Raises EFOpenError ("Cannot open file %s") when the
// file cannot be opened, ENotRegularFile when it is no regular file (see ReadOpen.h),
// and EReadError ("Stream read error") when reading fails.
// Sizes are 64-bit: files over 4 GB are read whole when memory allows.
std::string ReadWholeFile(const std::string& path);

}  // namespace tarvix
