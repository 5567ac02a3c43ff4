// Opening a file to read it. Every reader of outside files goes through here, so that
// a FIFO, a device or a directory named by mistake is refused at once: a FIFO without
// a writer would block the open for ever, and /dev/zero would be read until memory
// runs out.
#pragma once

#include "platform/Error.h"

#include <string>
#include <sys/stat.h>

namespace tarvix {

// A path that names something other than a regular file (after links are followed).
// The message is "<path>: not a regular file".
TARVIX_EXCEPTION(ENotRegularFile, EFOpenError);

// Opens a regular file read-only and returns its descriptor (the caller closes it),
// with its status in *st when st is given. The open never waits for a writer.
// Raises EFOpenError ("Cannot open file %s") when the file cannot be opened and
// ENotRegularFile when it is no regular file.
int OpenRegularFile(const std::string& path, struct stat* st = nullptr);

}  // namespace tarvix
