#include "fido/NVUtils.h"

#include "fido/DateTime.h"
#include "fido/StrDict.h"
#include "platform/Error.h"
#include "platform/FileWrite.h"
#include "platform/HostPath.h"
#include "platform/ReadOpen.h"
#include "platform/SysCall.h"
#include "platform/UniqueFd.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarvix {

namespace {

struct DirHandle {
    DIR* dir;
    explicit DirHandle(DIR* d) : dir(d) {}
    ~DirHandle() { if (dir) ::closedir(dir); }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
};

// The name part of a DOS or host path: the text after the last "\", "/" or ":".
std::string_view FileNamePart(std::string_view path)
{
    std::size_t p = path.find_last_of("\\/:");
    return p == std::string_view::npos ? path : path.substr(p + 1);
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (UpperAscii(text[at + k]) != UpperAscii(word[k]))
            return false;
    return true;
}

std::string JoinHost(const std::string& dir, const char* name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string SearchTree(const std::string& fileName, const std::string& dosDir,
                       const std::string& hostDir, const std::function<void()>& pump,
                       std::set<std::pair<dev_t, ino_t>>& visited)
{
    if (pump)
        pump();
    DirHandle d(::opendir(hostDir.empty() ? "/" : hostDir.c_str()));
    if (!d.dir)
        return {};
    struct stat st {};
    if (::fstat(::dirfd(d.dir), &st) != 0 || !visited.insert({st.st_dev, st.st_ino}).second)
        return {};
    while (dirent* e = ::readdir(d.dir)) {
        if (e->d_name[0] == '.')
            continue;
        std::string childHost = JoinHost(hostDir, e->d_name);
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat cs {};
            isDir = ::stat(childHost.c_str(), &cs) == 0 && S_ISDIR(cs.st_mode);
        }
        if (isDir) {
            std::string found =
                SearchTree(fileName, dosDir + "\\" + e->d_name, childHost, pump, visited);
            if (!found.empty())
                return found;
        } else if (SameText(e->d_name, fileName)) {
            return dosDir + "\\" + e->d_name;
        }
    }
    return {};
}

}  // namespace

std::string RemoveTrailingBackslash(std::string_view s)
{
    if (!s.empty() && s.back() == '\\')
        s.remove_suffix(1);
    return std::string(s);
}

std::string AddBackslash(std::string_view s)
{
    if (s.empty())
        return {};
    if (s.size() == 1 && UpperAscii(s[0]) >= 'A' && UpperAscii(s[0]) <= 'Z')
        return std::string(s) + ":\\";
    if (s.back() == ':' || s.back() == '\\')
        return std::string(s);
    return std::string(s) + "\\";
}

std::string MakePath(std::string_view fileName, std::string_view dir)
{
    if (fileName.empty())
        return {};
    if (dir.empty() || (fileName.size() >= 2 && fileName[1] == ':'))
        return std::string(fileName);
    if (fileName[0] != '\\') {
        if (fileName.starts_with(".\\"))
            fileName.remove_prefix(2);
        std::string r(dir);
        if (r.back() != '\\')
            r += '\\';
        r += fileName;
        return r;
    }
    if (dir.size() > 2 && dir[1] == ':')
        return std::string(dir.substr(0, 2)) + std::string(fileName);
    return std::string(fileName);
}

std::string ExtractLastName(std::string_view s)
{
    if (s.size() < 2)
        return std::string(s);
    std::size_t p = s.substr(0, s.size() - 1).rfind('\\');
    if (p == std::string_view::npos)
        return std::string(s);
    return std::string(s.substr(p + 1));
}

int RPosChar(char ch, std::string_view s)
{
    std::size_t p = s.rfind(ch);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

bool DirExists(std::string_view path)
{
    return FileHasAttr(path, faDirectory);
}

bool FileHasAttr(std::string_view path, int attr)
{
    if (path.empty())
        return false;
    std::string host = ToHostPath(path);
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        return false;
    int a = 0;
    if (S_ISDIR(st.st_mode))
        a |= faDirectory;
    else if (!S_ISREG(st.st_mode))
        a |= faSysFile;
    if ((st.st_mode & S_IWUSR) == 0)
        a |= faReadOnly;
    std::string_view name = host;
    while (name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    name = FileNamePart(name);
    if (name.starts_with('.') && name != "." && name != "..")
        a |= faHidden;
    return (a & attr) == attr;
}

void CopyFileKeepDate(std::string_view src, std::string_view dst)
{
    const std::string srcName(src);
    struct stat srcSt {};
    UniqueFd in(OpenRegularFile(ToHostPath(src), &srcSt));

    std::string target(dst);
    std::string hostTarget = ToHostPath(target);
    struct stat dstSt {};
    if (::stat(hostTarget.c_str(), &dstSt) == 0 && S_ISDIR(dstSt.st_mode)) {
        target = AddBackslash(dst) + std::string(FileNamePart(src));
        hostTarget = ToHostPath(target);
    }

    // A target that may not be written, or that is read-only in the sense of
    // FileHasAttr (no write permission for its owner), is not replaced.
    if (::stat(hostTarget.c_str(), &dstSt) == 0 &&
        (S_ISDIR(dstSt.st_mode) || (dstSt.st_mode & S_IWUSR) == 0 || ::access(hostTarget.c_str(), W_OK) != 0))
        throw EFCreateError("Cannot create file " + target);

    std::string data;
    constexpr std::size_t kBufferSize = 8192;
    char buf[kBufferSize];
    for (;;) {
        const ssize_t n = RetryOnSignal([&] { return ::read(in.fd, buf, kBufferSize); });
        if (n < 0)
            throw EReadError("Stream read error");
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    // The shared safe writer: a link stays a link, owner and mode stay, and a
    // killed copy leaves no stray temporary file that the next write does not clear.
    try {
        WriteFileAtomic(hostTarget, data);
    } catch (const EFCreateError&) {
        throw EFCreateError("Cannot create file " + target);
    }
    const struct timespec times[2] = {srcSt.st_atim, srcSt.st_mtim};
    if (::utimensat(AT_FDCWD, hostTarget.c_str(), times, 0) != 0)
        throw EWriteError("Stream write error");
}

std::string FindFileInPaths(std::string_view fileName, const std::vector<std::string>& paths,
                            const std::function<void()>& pump)
{
    // Copies, since pump may re-enter the caller and change what the views refer to.
    const std::string name(fileName);
    const std::vector<std::string> entries = paths;
    for (const std::string& entry : entries) {
        if (pump)
            pump();
        std::string candidate = entry + name;
        struct stat st {};
        if (::stat(ToHostPath(candidate).c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            return candidate;
    }
    return {};
}

std::string FindFileInTree(std::string_view fileName, std::string_view dir,
                           const std::function<void()>& pump)
{
    const std::string name(fileName);
    // The names found are joined to dir with one "\"; a closing separator of dir is
    // dropped first so that C:\FILES\ gives C:\FILES\x, not C:\FILES\\x.
    std::string dosDir(dir);
    if (!dosDir.empty() && (dosDir.back() == '\\' || dosDir.back() == '/'))
        dosDir.pop_back();
    if (dir.empty())
        return {};
    std::string hostDir = ToHostPath(dir);
    std::set<std::pair<dev_t, ino_t>> visited;
    return SearchTree(name, dosDir, hostDir, pump, visited);
}

std::string PadStr(std::string_view s, int width, int align)
{
    if (width <= 0)
        return {};
    const std::size_t w = static_cast<std::size_t>(width);
    if (s.size() >= w)
        return std::string(s.substr(0, w));
    std::string r;
    r.reserve(w);
    switch (align) {
    case paRight:
        r.append(w - s.size(), ' ');
        r += s;
        break;
    case paCenter:
        r.append(w / 2 - s.size() / 2, ' ');
        r += s;
        r.append(w - r.size(), ' ');
        break;
    default:
        r += s;
        r.append(w - s.size(), ' ');
        break;
    }
    return r;
}

std::string CutToken(std::string& s, std::string_view delim)
{
    std::size_t p = delim.empty() ? std::string::npos : s.find(delim);
    std::string token;
    if (p == std::string::npos) {
        token = std::move(s);
        s.clear();
    } else {
        token = s.substr(0, p);
        s.erase(0, p + delim.size());
    }
    return token;
}

std::string CutToken(std::string& s, char delim)
{
    return CutToken(s, std::string_view(&delim, 1));
}

int StrToIntNoCommas(std::string_view s)
{
    std::string t;
    t.reserve(s.size());
    for (char c : s)
        if (c != ',')
            t += c;
    auto fail = [&]() {
        std::string message = "'";
        message.append(s);
        message += "' is not a valid integer value";
        return EConvertError(message);
    };
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i >= t.size())
        throw fail();
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<int>::min())
                                        : std::numeric_limits<int>::max();
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            throw fail();
        value = value * 10 + (t[i] - '0');
        if (value > limit)
            throw fail();
    }
    return static_cast<int>(negative ? -value : value);
}

bool MatchWild(std::string_view text, std::string_view mask, bool ignoreCase)
{
    if (text == mask)
        return true;
    auto same = [ignoreCase](char a, char b) {
        return ignoreCase ? UpperAscii(a) == UpperAscii(b) : a == b;
    };
    // After the mask's last "*" come the bytes that end every text it matches: most
    // texts a mask is tried on fail there at once ("*.ZIP" against "0000FC66.TH4").
    if (std::size_t lastStar = mask.rfind('*'); lastStar != std::string_view::npos) {
        const std::string_view tail = mask.substr(lastStar + 1);
        if (tail.size() > text.size())
            return false;
        const std::size_t from = text.size() - tail.size();
        for (std::size_t i = 0; i < tail.size(); ++i)
            if (tail[i] != '?' && !same(tail[i], text[from + i]))
                return false;
    }
    // Greedy matching that returns to the last "*" on a mismatch: linear in practice,
    // never exponential.
    std::size_t t = 0, m = 0;
    std::size_t star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = t;
        } else if (m < mask.size() && (mask[m] == '?' || same(mask[m], text[t]))) {
            ++m;
            ++t;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::string ReplaceTextAll(std::string_view s, std::string_view find,
                           std::string_view replacement)
{
    if (find.empty())
        return std::string(s);
    std::string r;
    r.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (StartsWithNoCase(s, i, find)) {
            r += replacement;
            i += find.size();
        } else {
            r += s[i++];
        }
    }
    return r;
}

void DebugTrace(std::string_view s)
{
    if (!std::getenv("TARVIX_DEBUG"))
        return;
    std::string line = FormatDateTime("hh:nn:ss ", Now());
    line += s;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void DebugTraceFmt(std::string_view fmt, const std::vector<FmtArg>& args)
{
    DebugTrace(Format(fmt, args));
}

}  // namespace tarvix
