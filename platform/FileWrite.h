// Replacing the whole content of a file that other programs also read or own.
#pragma once

#include <string>

namespace tarvix {

// Writes a file so that a failure half-way leaves either the old or the new content,
// and so that the file stays what it was to the system:
// - a symbolic link stays a link, and the file it names gets the new content;
// - the new content goes to a temporary file in the target's directory, is flushed,
//   gets the mode, owner and group of the old file, is renamed over it, and the
//   directory is flushed too, so that the rename survives a power loss;
// - where a rename would break the file (more than one hard link, an owner or group
//   that cannot be given to the new file, a directory that may not be written) the
//   file is rewritten in place instead, after a flushed backup copy: beside it as
//   ".NAME.tarvix-bak", or in the user's state folder when the directory may not be
//   written. The backup is removed once the new content is on disk; one that a
//   killed run left holds the content from before that run.
// Temporary files are named ".NAME.tarvix-tmp-PID-XXXXXX", so that a person and the
// next write recognise them: those of processes that no longer run are removed by
// the next write of the same file. Raises EFCreateError or EWriteError.
void WriteFileAtomic(const std::string& path, const std::string& content);

// Tests only: called with the temporary file's name after it is complete and
// before it is renamed, to simulate a crash at the worst moment.
void SetAtomicWriteHook(void (*hook)(const std::string& tempName));

// The folder where in-place rewrites keep their backups when the file's own
// directory may not be written: $XDG_STATE_HOME/tarvix/backup, or
// ~/.local/state/tarvix/backup.
std::string BackupFolder();

}  // namespace tarvix
