// Reading whole files into memory.
#pragma once

#include <cstdint>
#include <string>

namespace tarvix {

// The size of a file in bytes, or -1 when it cannot be examined.
std::int64_t FileSize(const std::string& path);

// The whole content of a file. Raises EFOpenError ("Cannot open file %s") when the
// file cannot be opened, ENotRegularFile when it is no regular file (see ReadOpen.h),
// and EReadError ("Stream read error") when reading fails.
// Sizes are 64-bit: files over 4 GB are read whole when memory allows.
std::string ReadWholeFile(const std::string& path);

// Writes a file so that a failure half-way leaves either the old or the new content:
// the bytes go to a temporary file in the same directory, are flushed to disk, and
// the temporary file is renamed over the target. Raises EFCreateError or EWriteError.
void WriteFileAtomic(const std::string& path, const std::string& content);

// Tests only: called with the temporary file's name after it is complete and
// before it is renamed, to simulate a crash at the worst moment.
void SetAtomicWriteHook(void (*hook)(const std::string& tempName));

}  // namespace tarvix
