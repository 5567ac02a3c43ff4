#include "engine/FilesBbs.h"

#include "TestSupport.h"

#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tarvix;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

TDLCFreq Rec(const std::string& fileName, const std::string& dir)
{
    TDLCFreq r;
    r.FileName = fileName;
    r.Dir = dir;
    return r;
}

class FilesBbsFixture : public ::testing::Test {
protected:
    ~FilesBbsFixture() override
    {
        SetDriveMap({});
        fs::permissions(dir.path, fs::perms::owner_all, fs::perm_options::add);
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = dir.path / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::string Read(const std::string& name) { return ReadWholeFile(dir / name); }
    std::vector<std::string> Names(const fs::path& d)
    {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(d))
            r.push_back(e.path().filename().string());
        std::sort(r.begin(), r.end());
        return r;
    }
    // A files.bbs with the given content, loaded.
    TFilesBbs Loaded(const std::string& content, const TDLCSettings& settings = {})
    {
        TFilesBbs bbs(settings);
        bbs.Load(Write("files.bbs", content));
        return bbs;
    }
    test::TempDir dir;
};

}  // namespace

TEST_F(FilesBbsFixture, CountersAreReadFromEntryLines)
{
    TFilesBbs bbs = Loaded("FILE.ZIP  [012] The description\r\n                continued here\r\n\r\n"
                           "NOCNT.ARJ A file without a counter\r\nABC.ZIP  [abc] description in brackets\r\nONLYNAME\r\n"
                           "OPEN.ZIP [12 no closing bracket\r\nTAB.ZIP\t[005]\tTabs count as blanks\r\n"
                           "BIG.ZIP [99999999999] too large\r\nNEG.ZIP [-5] negative\r\nMixed.Zip [003] x\n"
                           "\xC0\xC1.ZIP [004] cp866\nDUP.ZIP [001] first\nDUP.ZIP [050] second\n" +
                           std::string(300, 'N') + " [009] x\n");
    std::string counters;
    for (const std::string& name : std::vector<std::string>{"FILE.ZIP", "file.zip", "NOCNT.ARJ", "ABC.ZIP", "ONLYNAME", "OPEN.ZIP", "TAB.ZIP",
                                    "BIG.ZIP", "NEG.ZIP", "MISSING.ZIP", "continued", "", "MIXED.ZIP", "\xC0\xC1.zip",
                                    "\xE0\xE1.ZIP", "dup.zip", std::string(300, 'N')})
        counters += std::to_string(bbs.GetCounter(name)) + " ";
    // Continuation lines are no entries; names ignore the case of ASCII letters only;
    // the first of duplicate names counts.
    EXPECT_EQ(counters, "12 12 0 0 0 0 5 0 0 -1 -1 -1 3 4 -1 1 9 ");
    EXPECT_FALSE(bbs.Modified());
}

// The first line after setting a counter: only its digits change, or an entry without
// one gets one after the name padded to 14 characters.
struct SetCase {
    std::string line;
    const char* name;
    int value;
    std::string want;
    TDLCSettings settings = {};
};

class FilesBbsCounter : public FilesBbsFixture, public ::testing::WithParamInterface<SetCase> {};

TEST_P(FilesBbsCounter, SetAndReadBack)
{
    TFilesBbs bbs = Loaded(GetParam().line + "\r\n", GetParam().settings);
    bbs.SetCounter(GetParam().name, GetParam().value);
    EXPECT_EQ(bbs.Lines().at(0), GetParam().want);
    EXPECT_EQ(bbs.GetCounter(GetParam().name), GetParam().value);
}

TDLCSettings Parens(int digits)
{
    TDLCSettings s;
    s.Left = '(';
    s.Right = ')';
    s.Digits = digits;
    s.Lead = ' ';
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FilesBbsCounter,
    ::testing::Values(SetCase{"FILE.ZIP  [012] Description", "FILE.ZIP", 7, "FILE.ZIP  [007] Description"},
                      SetCase{"FILE.ZIP \t [012]    Desc  ", "FILE.ZIP", 13, "FILE.ZIP \t [013]    Desc  "},
                      SetCase{"FILE.ZIP [012]", "file.zip", 8, "FILE.ZIP [008]"},
                      SetCase{"FILE.ZIP Description", "FILE.ZIP", 7, "FILE.ZIP      [007] Description"},
                      SetCase{"FILE.ZIP      Description  ", "FILE.ZIP", 7, "FILE.ZIP      [007] Description  "},
                      SetCase{"FILE.ZIP", "FILE.ZIP", 1, "FILE.ZIP      [001]"},
                      SetCase{"FOURTEEN_CHARS Desc", "FOURTEEN_CHARS", 1, "FOURTEEN_CHARS [001] Desc"},
                      SetCase{"A_LONGER_FILE_NAME.ZIP Desc", "A_LONGER_FILE_NAME.ZIP", 2, "A_LONGER_FILE_NAME.ZIP [002] Desc"},
                      SetCase{"F.ZIP [012] d", "F.ZIP", 1234, "F.ZIP [1234] d"}, SetCase{"F.ZIP [012] d", "F.ZIP", 0, "F.ZIP [000] d"},
                      SetCase{"F.ZIP (00012) d", "F.ZIP", 13, "F.ZIP (   13) d", Parens(5)},
                      SetCase{"F.ZIP [012] d", "F.ZIP", 13, "F.ZIP         (   13) [012] d", Parens(5)},
                      SetCase{"F.ZIP (5) d", "F.ZIP", 6, "F.ZIP (6) d", Parens(0)},
                      SetCase{"F.ZIP (5) d", "F.ZIP", 6, "F.ZIP (6) d", Parens(-3)},
                      SetCase{"FILE.ZIP  [abc] rest of text", "FILE.ZIP", 1, "FILE.ZIP  [001] rest of text"},
                      SetCase{"FILE[1].ZIP [005] d [x]", "FILE[1].ZIP", 6, "FILE[1].ZIP [006] d [x]"},
                      SetCase{"FILE[1].ZIP plain", "FILE[1].ZIP", 1, "FILE[1].ZIP   [001] plain"},
                      SetCase{"F.ZIP [001] " + std::string(100000, 'x'), "F.ZIP", 2, "F.ZIP [002] " + std::string(100000, 'x')},
                      SetCase{"DUP.ZIP [001] first\ndup.zip [070] third", "dup.zip", 2, "DUP.ZIP [002] first"}));

// ---------------------------------------------------------------- loading and saving

using FilesBbsFile = FilesBbsFixture;

TEST_F(FilesBbsFile, OnlyTheCounterBytesChange)
{
    // CR LF, LF and a lone CR, trailing blanks, CP866 text, a zero byte, a final
    // line without its end.
    const std::string content = "; header comment\r\n"
                               "\x8F\xE0\xA8.ZIP  [041] \x8E\xAF\xA8\xE1\xA0\xAD\xA8\xA5   \r\n"
                               "   continued\n"
                               "\r\n"
                               "ZERO.BIN [001] a\0b\r"
                               "LAST.ZIP desc"s;
    ASSERT_NE(content.find("a\0b\r"s), std::string::npos);
    std::string path = Write("files.bbs", content);
    TFilesBbs bbs;
    bbs.Load(path);
    bbs.SetCounter("\x8F\xE0\xA8.zip", 42);
    bbs.SetCounter("LAST.ZIP", 1);
    bbs.Save(path);
    std::string expected = content;
    expected.replace(expected.find("[041]"), 5, "[042]");
    expected.replace(expected.find("LAST.ZIP desc"), 13, "LAST.ZIP      [001] desc");
    EXPECT_EQ(Read("files.bbs"), expected);
    EXPECT_FALSE(bbs.Modified());
}

TEST_F(FilesBbsFile, NothingIsWrittenWithoutAChange)
{
    std::string path = Write("files.bbs", "A.ZIP [001] a\n");
    TFilesBbs bbs;
    bbs.BackupName = "filesbbs.bak";
    bbs.Load(path);
    bbs.SetCounter("NONE.ZIP", 3);
    ::unlink(path.c_str());
    bbs.Save(path);  // unchanged: not even re-created
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Names(dir.path), std::vector<std::string> {});
}

TEST_F(FilesBbsFile, MissingFileLoadsEmptyAndIsNotCreated)
{
    TFilesBbs bbs;
    bbs.Load(Write("files.bbs", "A.ZIP [001] a\n"));
    std::string missing = (dir.path / "sub" / "files.bbs").string();
    bbs.Load(missing);
    EXPECT_TRUE(bbs.Lines().empty());
    EXPECT_EQ(bbs.GetCounter("A.ZIP"), -1);
    bbs.SetCounter("A.ZIP", 2);
    bbs.Save(missing);
    EXPECT_FALSE(fs::exists(dir.path / "sub"));
    bbs.Load((dir.path / "no-such.bbs").string());
    EXPECT_TRUE(bbs.Lines().empty());
}

TEST_F(FilesBbsFile, UnreadableFileRaises)
{
    fs::create_directories(dir.path / "files.bbs");
    TFilesBbs bbs;
    EXPECT_THROW(bbs.Load((dir.path / "files.bbs").string()), EInOutError);
    EXPECT_TRUE(bbs.Lines().empty());
}

TEST_F(FilesBbsFile, EmptyFile)
{
    TFilesBbs empty = Loaded("");
    EXPECT_TRUE(empty.Lines().empty());
    EXPECT_EQ(empty.GetCounter("A"), -1);
}

TEST_F(FilesBbsFile, BackupKeepsTheOldFileAndItsDate)
{
    std::string path = Write("files.bbs", "A.ZIP [001] a\r\n");
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    TFilesBbs bbs;
    bbs.BackupName = "filesbbs.bak";
    bbs.Load(path);
    bbs.SetCounter("A.ZIP", 2);
    bbs.Save(path);
    EXPECT_EQ(Read("files.bbs"), "A.ZIP [002] a\r\n");
    EXPECT_EQ(Read("filesbbs.bak"), "A.ZIP [001] a\r\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir.path / "filesbbs.bak").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(Names(dir.path), (std::vector<std::string> {"files.bbs", "filesbbs.bak"}));
}

TEST_F(FilesBbsFile, FailedBackupLeavesTheFileUnwritten)
{
    std::string path = Write("files.bbs", "A.ZIP [001] a\n");
    std::string bak = Write("filesbbs.bak", "older\n");
    ::chmod(bak.c_str(), 0444);  // a read-only backup is not replaced
    TFilesBbs bbs;
    bbs.BackupName = "filesbbs.bak";
    bbs.Load(path);
    bbs.SetCounter("A.ZIP", 2);
    EXPECT_THROW(bbs.Save(path), EInOutError);
    EXPECT_EQ(Read("files.bbs"), "A.ZIP [001] a\n");
    EXPECT_EQ(Read("filesbbs.bak"), "older\n");
}

namespace {
[[noreturn]] void CrashBeforeRename(const std::string&) { ::_exit(3); }
}  // namespace

TEST_F(FilesBbsFile, CrashWhileWritingLeavesTheOldFile)
{
    const std::string old = "A.ZIP [001] a\r\n";
    std::string path = Write("files.bbs", old);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SetAtomicWriteHook(CrashBeforeRename);
        TFilesBbs bbs;
        bbs.Load(path);
        bbs.SetCounter("A.ZIP", 2);
        bbs.Save(path);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(Read("files.bbs"), old);
}

// ---------------------------------------------------------------- the update

using DownloadCounters = FilesBbsFixture;

class DownloadCountersBackup : public FilesBbsFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(DownloadCountersBackup, TwoDirectoriesEachRewrittenOnce)
{
    const bool backup = GetParam();
    const std::string oldA = "ONE.ZIP   [001] one\r\nTWO.ZIP   [010] two\r\nTHREE.ZIP three\r\n";
    const std::string oldB = "B.ZIP [100] b\n";
    Write("dos_c/FILES/A/files.bbs", oldA);
    Write("dos_c/FILES/B/files.bbs", oldB);
    SetDriveMap({{'C', (dir.path / "dos_c").string()}});

    std::vector<TDLCFreq> records = {
        Rec("ONE.ZIP", "C:\\FILES\\A\\"),
        Rec("B.ZIP", "C:\\FILES\\B\\"),
        Rec("two.zip", ""),          // resolved below
        Rec("ONE.ZIP", "c:\\files\\a\\"),
        Rec("UNKNOWN.ZIP", ""),      // no resolution: skipped
        Rec("NOTLISTED.ZIP", "C:\\FILES\\A\\"),
    };
    std::vector<std::string> asked;
    auto resolve = [&](const std::string& name) -> std::string {
        asked.push_back(name);
        return name == "two.zip" ? "C:\\FILES\\A\\TWO.ZIP" : "";
    };
    std::vector<std::pair<std::size_t, std::size_t>> steps;
    TDLCSettings settings;
    settings.BackupX = backup;
    UpdateDownloadCounters(records, settings, resolve,
                           [&](std::size_t done, std::size_t total) { steps.emplace_back(done, total); });

    EXPECT_EQ(asked, (std::vector<std::string> {"two.zip", "UNKNOWN.ZIP"}));
    EXPECT_EQ(Read("dos_c/FILES/A/files.bbs"), "ONE.ZIP   [003] one\r\nTWO.ZIP   [011] two\r\nTHREE.ZIP three\r\n");
    EXPECT_EQ(Read("dos_c/FILES/B/files.bbs"), "B.ZIP [101] b\n");
    // Progress after each files.bbs, in counter steps: A's two files, then B's one.
    EXPECT_EQ(steps, (std::vector<std::pair<std::size_t, std::size_t>> {{2, 3}, {3, 3}}));

    if (backup) {
        // The backups hold the files as they were before the update: each file
        // was written once.
        EXPECT_EQ(Read("dos_c/FILES/A/filesbbs.bak"), oldA);
        EXPECT_EQ(Read("dos_c/FILES/B/filesbbs.bak"), oldB);
    }
    std::vector<std::string> expected = backup ? std::vector<std::string> {"files.bbs", "filesbbs.bak"}
                                               : std::vector<std::string> {"files.bbs"};
    EXPECT_EQ(Names(dir.path / "dos_c" / "FILES" / "A"), expected);
    EXPECT_EQ(Names(dir.path / "dos_c" / "FILES" / "B"), expected);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutBackup, DownloadCountersBackup, ::testing::Bool());

TEST_F(DownloadCounters, UnresolvedFilesDoNotTouchTheCurrentDirectory)
{
    Write("files.bbs", "LOST.ZIP [001] x\n");
    fs::path cwd = fs::current_path();
    fs::current_path(dir.path);
    std::vector<TDLCFreq> records = {Rec("LOST.ZIP", ""), Rec("LOST.ZIP", "")};
    UpdateDownloadCounters(records, {}, [](const std::string&) { return std::string(); });
    UpdateDownloadCounters(records, {}, nullptr);
    fs::current_path(cwd);
    EXPECT_EQ(Read("files.bbs"), "LOST.ZIP [001] x\n");
}

TEST_F(DownloadCounters, OneFailingDirectoryDoesNotStopTheOthers)
{
    fs::create_directories(dir.path / "a" / "files.bbs");  // cannot be read
    Write("b/files.bbs", "B.ZIP [001] b\n");
    std::vector<TDLCFreq> records = {
        Rec("A.ZIP", (dir.path / "a").string() + "/"),
        Rec("B.ZIP", (dir.path / "b").string() + "/"),
    };
    EXPECT_THROW(UpdateDownloadCounters(records, {}, nullptr), EInOutError);
    EXPECT_EQ(Read("b/files.bbs"), "B.ZIP [002] b\n");
}

TEST_F(DownloadCounters, ManySendsOfOneFileCountEach)
{
    Write("a/files.bbs", "F.ZIP [998] f\nG.ZIP [2147483647] g\n");
    std::vector<TDLCFreq> records(5, Rec("f.zip", (dir.path / "a").string() + "/"));
    records.push_back(Rec("G.ZIP", (dir.path / "a").string() + "/"));
    UpdateDownloadCounters(records, {}, nullptr);
    EXPECT_EQ(Read("a/files.bbs"), "F.ZIP [1003] f\nG.ZIP [2147483647] g\n");
}
