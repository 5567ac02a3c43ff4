#include "platform/ReadOpen.h"

#include "platform/SysCall.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

namespace tarvix {

int OpenRegularFile(const std::string& path, struct stat* st)
{
    // O_NONBLOCK: the open of a FIFO returns at once instead of waiting for a
    // writer. Only once the file is known to be regular does it go back to blocking
    // reads (which for a regular file changes nothing, but keeps the flags plain).
    UniqueFd f(RetryOnSignal([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (f.fd < 0)
        throw EFOpenError("Cannot open file " + path);
    struct stat own {};
    struct stat& s = st ? *st : own;
    if (::fstat(f.fd, &s) != 0)
        throw EFOpenError("Cannot open file " + path);
    if (!S_ISREG(s.st_mode))
        throw ENotRegularFile(path + ": not a regular file");
    const int flags = ::fcntl(f.fd, F_GETFL);
    if (flags >= 0)
        (void)::fcntl(f.fd, F_SETFL, flags & ~O_NONBLOCK);
    return f.Release();
}

}  // namespace tarvix
