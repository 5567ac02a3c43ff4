#include "platform/FileWrite.h"

#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/SysCall.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {

namespace {

void (*g_atomicWriteHook)(const std::string&) = nullptr;

constexpr const char* kTempTag = ".tarvix-tmp-";
constexpr const char* kBackupTag = ".tarvix-bak";

// The file that path names at the end of its chain of symbolic links (at most 40,
// as the kernel allows): the link itself must stay, its target gets the content.
std::string FollowLinks(const std::string& path)
{
    std::string p = path;
    for (int i = 0; i < 40; ++i) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
        if (n <= 0)
            return p;
        target.resize(static_cast<std::size_t>(n));
        const std::size_t slash = p.rfind('/');
        if (target[0] != '/' && slash != std::string::npos)
            target = p.substr(0, slash + 1) + target;
        p = target;
    }
    return p;
}

void SplitPath(const std::string& path, std::string& dir, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// A rename is only durable once the directory that holds the names is on disk.
void SyncDir(const std::string& dir)
{
    UniqueFd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.fd >= 0)
        (void)::fsync(d.fd);
}

// Removes the temporary files of this file that writers killed before their rename
// left behind: those whose process no longer runs.
void RemoveStaleTemps(const std::string& dir, const std::string& name)
{
    const std::string prefix = "." + name + kTempTag;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = std::strtol(entry.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            (void)::unlinkat(::dirfd(d), entry.c_str(), 0);
    }
    ::closedir(d);
}

void WriteAllAt(int fd, const std::string& content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = RetryOnSignal([&] {
            return ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        });
        if (n <= 0)
            throw EWriteError("Stream write error");
        done += static_cast<std::size_t>(n);
    }
}

// A new file with the given bytes, flushed to disk.
void WriteNewFile(const std::string& path, const std::string& content)
{
    UniqueFd f(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (f.fd < 0)
        throw EFCreateError("Cannot create file " + path);
    WriteAllAt(f.fd, content);
    if (::fsync(f.fd) != 0)
        throw EWriteError("Stream write error");
}

// Rewrites the file over its old bytes, which keeps its inode (and so its hard
// links, owner, group and mode): first a flushed backup of the old content, then
// the new content, then the backup goes.
void RewriteInPlace(const std::string& target, const std::string& dir, const std::string& name,
                    bool dirWritable, const std::string& content)
{
    UniqueFd f(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (f.fd < 0)
        throw EFCreateError("Cannot create file " + target);
    std::string backupDir = dir;
    std::string backup = dir + "/." + name + kBackupTag;
    if (!dirWritable) {
        backupDir = BackupFolder();
        std::error_code ec;
        std::filesystem::create_directories(backupDir, ec);
        // One backup per file: its full path, the slashes made "%".
        std::string flat = std::filesystem::absolute(target).lexically_normal().string();
        for (char& c : flat)
            if (c == '/')
                c = '%';
        backup = backupDir + "/" + flat + kBackupTag;
    }
    WriteNewFile(backup, ReadWholeFile(target));
    SyncDir(backupDir);
    WriteAllAt(f.fd, content);
    if (::ftruncate(f.fd, static_cast<off_t>(content.size())) != 0 || ::fsync(f.fd) != 0)
        throw EWriteError("Stream write error");
    ::unlink(backup.c_str());
    SyncDir(backupDir);
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void SetAtomicWriteHook(void (*hook)(const std::string&)) { g_atomicWriteHook = hook; }

std::string BackupFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state)
        return std::string(state) + "/tarvix/backup";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/tarvix/backup";
}

void WriteFileAtomic(const std::string& path, const std::string& content)
{
    const std::string target = FollowLinks(path);
    std::string dir, name;
    SplitPath(target, dir, name);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    RemoveStaleTemps(dir, name);

    // Another name of the same inode would keep the old content after a rename.
    if (exists && old.st_nlink > 1)
        return RewriteInPlace(target, dir, name, true, content);

    std::string tmp = dir + "/." + name + kTempTag + std::to_string(::getpid()) + "-XXXXXX";
    UniqueFd f(::mkostemp(tmp.data(), O_CLOEXEC));
    if (f.fd < 0) {
        // A file the user may write in a directory he may not: in place.
        if (exists && (errno == EACCES || errno == EPERM) && ::access(target.c_str(), W_OK) == 0)
            return RewriteInPlace(target, dir, name, false, content);
        throw EFCreateError("Cannot create file " + path);
    }
    auto fail = [&tmp](const char* what) {
        ::unlink(tmp.c_str());
        throw EWriteError(what);
    };
    if (exists) {
        struct stat mine {};
        if (::fstat(f.fd, &mine) != 0)
            fail("Stream write error");
        // The owner and group stay those of the old file: possible as root, or for a
        // group of the user's own; otherwise the file is rewritten in place.
        if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
            ::fchown(f.fd, old.st_uid, old.st_gid) != 0) {
            ::unlink(tmp.c_str());
            return RewriteInPlace(target, dir, name, true, content);
        }
        (void)::fchmod(f.fd, old.st_mode & 07777);  // after fchown, which clears set-id bits
    } else {
        (void)::fchmod(f.fd, NewFileMode());
    }
    try {
        WriteAllAt(f.fd, content);
    } catch (const EWriteError&) {
        fail("Stream write error");
    }
    if (::fsync(f.fd) != 0)
        fail("Stream write error");
    if (g_atomicWriteHook)
        g_atomicWriteHook(tmp);
    if (std::rename(tmp.c_str(), target.c_str()) != 0)
        fail("Stream write error");
    SyncDir(dir);
}

}  // namespace tarvix
