#include "platform/FileRead.h"

#include "platform/Error.h"
#include "platform/ReadOpen.h"
#include "platform/SysCall.h"
#include "platform/UniqueFd.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {

std::int64_t FileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::string ReadWholeFile(const std::string& path)
{
    struct stat st {};
    UniqueFd f(OpenRegularFile(path, &st));

    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    // Read until end of file rather than trusting the size: the file may grow or
    // shrink while we read it (a mailer appending to its log).
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = RetryOnSignal([&] { return ::read(f.fd, buf, sizeof buf); });
        if (n < 0)
            throw EReadError("Stream read error");
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

}  // namespace tarvix
