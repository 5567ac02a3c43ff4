// The committed T-Mail sample installation (samples/tmail), read with the program's
// own readers: the log was written from its language file, the index files and the
// directory list find every file of the request areas, the configuration reads with
// its include and task macro, the side files point at the sessions of the log.
#include "engine/FilesBbs.h"
#include "engine/Ndx.h"
#include "fido/FidoAddr.h"
#include "fido/MailerLng.h"
#include "fido/NVUtils.h"
#include "fido/QParser.h"
#include "platform/HostPath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

const std::string kDir = std::string(TARVIX_SOURCE_DIR) + "/samples/tmail";

std::string Read(const std::string& rel)
{
    std::ifstream f(kDir + "/" + rel, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The lines of a DOS text file; each must end in CR LF.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find("\r\n", pos);
        EXPECT_NE(eol, std::string::npos) << "a line without CR LF at byte " << pos;
        if (eol == std::string::npos)
            break;
        lines.push_back(text.substr(pos, eol - pos));
        pos = eol + 2;
    }
    return lines;
}

std::string Trim(const std::string& s)
{
    std::size_t a = s.find_first_not_of(" \t");
    std::size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Words(const std::string& s)
{
    std::vector<std::string> w;
    std::istringstream in(s);
    for (std::string x; in >> x;)
        w.push_back(x);
    return w;
}

// Whether text is what a printf-style format gives for some values: each %-conversion
// stands for any text.
bool FormatMatches(const std::string& f, std::size_t i, const std::string& text, std::size_t j)
{
    while (i < f.size()) {
        if (f[i] == '%' && i + 1 < f.size() && f[i + 1] != '%') {
            std::size_t k = i + 1;
            while (k < f.size() && std::string_view("-0123456789.l").find(f[k]) != std::string_view::npos)
                ++k;
            for (std::size_t m = j; m <= text.size(); ++m)
                if (FormatMatches(f, k + 1, text, m))
                    return true;
            return false;
        }
        std::size_t step = f[i] == '%' ? 2 : 1;  // "%%" is one "%"
        if (j >= text.size() || text[j] != f[i])
            return false;
        i += step;
        ++j;
    }
    return j == text.size();
}

bool FromSomeEntry(const TTMailLng& lng, const std::string& text)
{
    for (std::size_t n = 1; n <= lng.Count(); ++n)
        if (FormatMatches(lng.GetStr(static_cast<std::int64_t>(n)), 0, text, 0))
            return true;
    return false;
}

// The directory list of dir.frq: directories and "@" index names.
struct DirList {
    std::vector<std::string> dirs;
    std::vector<std::string> indexes;
};

DirList ReadDirList()
{
    DirList d;
    for (const std::string& raw : Lines(Read("dir.frq"))) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        std::string word = Words(line)[0];
        if (word[0] == '@')
            d.indexes.push_back(word.substr(1));
        else
            d.dirs.push_back(word.back() == '\\' ? word : word + "\\");
    }
    return d;
}

// A DOS path of the sample as a host path: relative paths are below the sample,
// drive C: is the sample directory itself.
std::string Host(const std::string& dosPath)
{
    SetDriveMap({{'C', kDir}});
    std::string host = ToHostPath(MakePath(dosPath, kDir));
    SetDriveMap({});
    return host;
}

std::vector<std::string> FilesIn(const std::string& hostDir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(hostDir))
        if (e.is_regular_file() && e.path().filename() != "files.bbs")
            names.push_back(e.path().filename().string());
    return names;
}

}  // namespace

TEST(TMailSample, EveryLogLineIsMadeFromAnEntryOfTheLanguageFile)
{
    TTMailLng lng(kDir + "/t-mail.lng");
    ASSERT_GE(lng.Count(), 610u);
    std::vector<std::string> lines = Lines(Read("t-mail.log"));
    ASSERT_GT(lines.size(), 200u);
    int dated = 0, undated = 0, truncated = 0, status = 0;
    for (const std::string& line : lines) {
        const bool stamp = line.size() >= 10 && line[2] == '/' && line[5] == ' ' && line[8] == ':';
        if (stamp && line.size() < 15) {
            ++truncated;  // a line cut off when the power failed
        } else if (stamp) {
            ++dated;
            ASSERT_GT(line.size(), 15u) << line;
            ASSERT_EQ(line[14], ' ') << line;
            std::string msg = line.substr(15);
            status += msg[0] == '\xFE';
            EXPECT_TRUE(FromSomeEntry(lng, msg)) << line;
        } else if (!line.empty()) {
            ++undated;
            EXPECT_TRUE(FromSomeEntry(lng, Trim(line))) << line;
        }
    }
    EXPECT_GT(dated, 200);
    EXPECT_GE(undated, 3);
    EXPECT_GE(truncated, 2);
    EXPECT_GT(status, 40);
}

TEST(TMailSample, TheIndexesAndDirectoryListFindEveryFileOfTheRequestAreas)
{
    DirList list = ReadDirList();
    ASSERT_EQ(list.indexes, std::vector<std::string>{"index2604.idx"});
    ASSERT_EQ(list.dirs.size(), 3u);
    TFileIndex2604 idx2604(kDir + "/index2604.idx");
    TFileIndex2600 idx2600(kDir + "/index26.idx");
    int files = 0;
    for (const std::string& dir : list.dirs) {
        std::string hostDir = Host(dir);
        TFilesBbs bbs;
        bbs.Load(hostDir + "/files.bbs");
        for (const std::string& name : FilesIn(hostDir)) {
            SCOPED_TRACE(dir + name);
            ++files;
            EXPECT_EQ(idx2604.FindFile(name), dir + name);
            EXPECT_EQ(idx2600.FindFile(name), dir + name);
            EXPECT_EQ(Host(idx2604.FindFile(name)), hostDir + name);
            EXPECT_GE(bbs.GetCounter(name), 0) << "not in files.bbs";
        }
    }
    EXPECT_EQ(files, 11);
    EXPECT_EQ(idx2604.FindFile("ALLFILES.ZIP"), "") << "magic-name targets are not request areas";
}

TEST(TMailSample, TheConfigurationReadsWithItsIncludeAndTaskMacro)
{
    std::string freqDir, freqNdx, aliases, sysPath, chatLog;
    TQParser p;
    p.Defines().Add("%TASKNO%", "1");
    p.OnBeforeParse = [](std::string& line, TQParserAction&) {
        line = Trim(line);
        if (!line.empty() && line[0] == '[' && line.find(']') != std::string::npos)
            line.erase(0, line.find(']') + 1);
    };
    p.AddStr("Freq_Dir", freqDir);
    p.AddStr("Freq_Ndx", freqNdx);
    p.AddStr("AddressAliases", aliases);
    p.AddStr("Sys_Path", sysPath);
    p.AddStr("Chat_Log", chatLog);
    p.Parse(kDir + "/t-mail.ctl");
    EXPECT_EQ(freqDir, "dir.frq");
    EXPECT_EQ(freqNdx, "index.frq");
    EXPECT_EQ(aliases, "alias.lst");
    EXPECT_EQ(sysPath, ".\\");
    EXPECT_EQ(chatLog, "chat1.log");
    for (const std::string& f : {freqDir, freqNdx, aliases, chatLog})
        EXPECT_TRUE(std::filesystem::is_regular_file(Host(f))) << f;
}

TEST(TMailSample, AliasFilesHoldOneBadLineEach)
{
    int valid = 0, invalid = 0;
    for (const std::string& raw : Lines(Read("alias.lst"))) {
        std::string line = Trim(raw);
        std::vector<std::string> w = Words(line);
        if (line.empty() || line[0] == ';' || w.size() < 2)
            continue;
        (IsValidAddr(w[0], 0) ? valid : invalid) += 1;
    }
    EXPECT_EQ(valid, 3);
    EXPECT_EQ(invalid, 1);

    int magic = 0, bad = 0;
    for (const std::string& raw : Lines(Read("index.frq"))) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '@')
            line.erase(0, 1);
        std::size_t open = line.find('('), close = line.find(')', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && close != std::string::npos)
            line.erase(open, close - open + 1);
        (Words(line).size() >= 2 ? magic : bad) += 1;
    }
    EXPECT_EQ(magic, 4);
    EXPECT_EQ(bad, 1);
}

TEST(TMailSample, HistoryRecordsPointAtTheirSessionsInTheLog)
{
    const std::string log = Read("t-mail.log");
    const std::string hist = Read("t-hist.$01");
    ASSERT_GE(hist.size(), 2u);
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(hist[at]) |
                                                                  static_cast<unsigned char>(hist[at + 1]) << 8); };
    auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16); };
    ASSERT_EQ(u16(0), 241u);
    ASSERT_EQ((hist.size() - 2) % 100, 0u);
    const std::size_t count = (hist.size() - 2) / 100;
    ASSERT_GT(count, 15u);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t r = 2 + i * 100;
        const std::uint32_t start = u32(r + 8), from = u32(r + 28), to = u32(r + 32);
        SCOPED_TRACE("record " + std::to_string(i));
        ASSERT_LT(from, to);
        ASSERT_LT(to, log.size());
        EXPECT_TRUE(from == 0 || log[from - 1] == '\n');
        EXPECT_TRUE(log[to - 1] == '\n');
        const std::string line = log.substr(from, log.find('\r', from) - from);
        EXPECT_EQ(line[15], '\xFE') << line;
        EXPECT_NE(line.find("CONNECT"), std::string::npos) << line;
        // The record's start is the date and time of its first line.
        std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{start / 86400}}};
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02u/%02u %02u:%02u:%02u", static_cast<unsigned>(ymd.day()),
                      static_cast<unsigned>(ymd.month()), start % 86400 / 3600, start % 3600 / 60, start % 60);
        EXPECT_EQ(line.substr(0, 14), stamp);
        EXPECT_EQ(hist[r + 26] & 1, line.find("Incoming") != std::string::npos ? 1 : 0);
    }
    EXPECT_EQ(Read("t-mail.s01").size() % 104, 0u);
    EXPECT_GT(Read("t-mail.s01").size(), 0u);
    EXPECT_EQ(Read("freqlim.bin").size() % 72, 0u);
    EXPECT_GT(Read("freqlim.bin").size(), 0u);
}
