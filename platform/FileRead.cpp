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

namespace {

void (*g_atomicWriteHook)(const std::string&) = nullptr;

}  // namespace

void SetAtomicWriteHook(void (*hook)(const std::string&)) { g_atomicWriteHook = hook; }

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

void WriteFileAtomic(const std::string& path, const std::string& content)
{
    std::string tmp = path + ".XXXXXX";
    {
        UniqueFd f(::mkstemp(tmp.data()));
        if (f.fd < 0)
            throw EFCreateError("Cannot create file " + path);
        // The new file keeps the permissions of the one it replaces.
        struct stat old {};
        mode_t mode = 0644;
        if (::stat(path.c_str(), &old) == 0)
            mode = old.st_mode & 07777;
        (void)::fchmod(f.fd, mode);
        const char* p = content.data();
        std::size_t left = content.size();
        while (left > 0) {
            const ssize_t n = RetryOnSignal([&] { return ::write(f.fd, p, left); });
            if (n < 0) {
                ::unlink(tmp.c_str());
                throw EWriteError("Stream write error");
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (::fsync(f.fd) != 0) {
            ::unlink(tmp.c_str());
            throw EWriteError("Stream write error");
        }
    }
    if (g_atomicWriteHook)
        g_atomicWriteHook(tmp);
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw EWriteError("Stream write error");
    }
}

}  // namespace tarvix
