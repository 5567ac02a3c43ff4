#include "engine/DLCState.h"

#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"
#include "platform/SysCall.h"
#include "settings/SettingsStore.h"

#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace tarvix {

namespace {

// Sections are named by a hash of the log's path: a path may hold "]".
std::string SectionOf(const std::string& logKey)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "Log %016" PRIx64, LineHash(logKey));
    return buf;
}

TLineMark ParseMark(const std::string& text)
{
    TLineMark m;
    long long pos = -1;
    unsigned long long len = 0, hash = 0;
    if (std::sscanf(text.c_str(), "%lld %llu %llx", &pos, &len, &hash) == 3 && pos >= 0 && len <= 255) {
        m.Pos = pos;
        m.Len = static_cast<std::size_t>(len);
        m.Hash = hash;
    }
    return m;
}

TIniFile Parse(const std::string& text)
{
    TIniFile ini;
    ini.FromText(text);
    return ini;
}

}  // namespace

std::uint64_t LineHash(std::string_view line)
{
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : line) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

TDLCState::TDLCState(const std::string& path) : path_(path)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    lockFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0)
        throw EFCreateError("Cannot create file " + path + ".lock");
    RetryOnSignal([&] { return ::flock(lockFd_, LOCK_EX); });
    if (FileSize(path) >= 0)
        text_ = ReadWholeFile(path);
}

TDLCState::~TDLCState()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

TLineMark TDLCState::Mark(const std::string& logKey) const
{
    return ParseMark(Parse(text_).ReadString(SectionOf(logKey), "Mark", ""));
}

std::vector<TDLCStep> TDLCState::Journal(const std::string& logKey) const
{
    const TIniFile ini = Parse(text_);
    const std::string section = SectionOf(logKey);
    std::vector<TDLCStep> steps;
    const long long count = ini.ReadInteger(section, "Steps", 0);
    for (long long i = 1; i <= count && i <= 1000000; ++i) {
        // "old new NAME path of the files.bbs"
        const std::string text = ini.ReadString(section, "Step" + std::to_string(i), "");
        TDLCStep s;
        int used = 0;
        char name[256] = {};
        if (std::sscanf(text.c_str(), "%d %d %255s %n", &s.Old, &s.New, name, &used) < 3 || used <= 0)
            continue;
        s.FileName = name;
        s.BbsPath = text.substr(static_cast<std::size_t>(used));
        steps.push_back(std::move(s));
    }
    return steps;
}

void TDLCState::Commit(const std::string& logKey, const TLineMark& mark, const std::vector<TDLCStep>& journal)
{
    TIniFile ini = Parse(text_);
    const std::string section = SectionOf(logKey);
    ini.EraseSection(section);
    ini.WriteString(section, "Path", logKey);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%lld %zu %016" PRIx64, static_cast<long long>(mark.Pos), mark.Len, mark.Hash);
    ini.WriteString(section, "Mark", buf);
    if (!journal.empty()) {
        ini.WriteInteger(section, "Steps", static_cast<long long>(journal.size()));
        for (std::size_t i = 0; i < journal.size(); ++i) {
            const TDLCStep& s = journal[i];
            ini.WriteString(section, "Step" + std::to_string(i + 1),
                            std::to_string(s.Old) + " " + std::to_string(s.New) + " " + s.FileName + " " + s.BbsPath);
        }
    }
    std::string text = ini.ToText();
    WriteFileAtomic(path_, text);
    text_ = std::move(text);
}

TLineMark TDLCState::ReadMark(const std::string& path, const std::string& logKey)
{
    try {
        if (FileSize(path) < 0)
            return {};
        return ParseMark(Parse(ReadWholeFile(path)).ReadString(SectionOf(logKey), "Mark", ""));
    } catch (const Exception&) {
        return {};
    }
}

std::string DLCStatePath()
{
    const std::filesystem::path ini = SettingsOpen() ? Ini().FileName() : DefaultSettingsPath();
    std::filesystem::path state = ini;
    state.replace_extension(".dlc");
    return state.string();
}

std::string DLCLogKey(const std::string& logPath)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(ToHostPath(logPath)), ec);
    if (ec)
        p = std::filesystem::absolute(ToHostPath(logPath)).lexically_normal();
    return p.string();
}

}  // namespace tarvix
