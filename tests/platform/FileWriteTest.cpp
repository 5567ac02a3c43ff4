// The safe writer of files.bbs, settings and side files: links, owners, modes,
// unwritable directories and writers killed half-way.
#include "TestSupport.h"

#include "platform/FileRead.h"

#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace tarvix;
using tarvix::test::TempDir;

namespace {

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs body as the user "nobody" in a child process (as root, which passes every
// permission check, the faults would not show) and gives the child's exit status.
template <typename Body>
int AsNobody(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(90);
        try {
            ::_exit(body() ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

std::vector<std::string> Names(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(FileWrite, LinksStayAndOwnerGroupModeAreKept)
{
    TempDir dir;
    const std::string target = dir.Write("area/files.bbs", "old\r\n");
    fs::create_symlink("area/files.bbs", dir / "link1");
    fs::create_symlink("link1", dir / "link2");
    fs::create_hard_link(target, dir / "hard.bbs");
    ::chmod(target.c_str(), 0640);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    }
    const struct stat before = StatOf(target);

    WriteFileAtomic(dir / "link2", "new\r\n");
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "link2").st_mode));
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "link1").st_mode));
    EXPECT_EQ(ReadWholeFile(dir / "hard.bbs"), "new\r\n");  // the other hard link sees it
    const struct stat after = StatOf(target);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // A single link: renamed over, owner and mode still as before.
    fs::remove(dir / "hard.bbs");
    WriteFileAtomic(dir / "link1", "newer\r\n");
    EXPECT_EQ(ReadWholeFile(target), "newer\r\n");
    EXPECT_EQ(StatOf(target).st_uid, before.st_uid);
    EXPECT_EQ(StatOf(target).st_gid, before.st_gid);
    EXPECT_EQ(StatOf(target).st_mode, before.st_mode);
    EXPECT_EQ(Names(dir.path / "area"), std::vector<std::string>{"files.bbs"});
}

TEST(FileWrite, UnwritableDirectoryAndForeignGroupAreRewrittenInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to set up files of another user";
    TempDir dir;
    const std::string locked = dir.Write("locked/files.bbs", "old text that is longer\n");
    const std::string shared = dir.Write("shared/files.bbs", "old\n");
    fs::permissions(dir.path, fs::perms::all);
    ASSERT_EQ(::chown((dir / "locked").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
    ::chmod((dir / "locked").c_str(), 0555);
    // A file of group root that nobody may write, in a directory nobody owns.
    ASSERT_EQ(::chown((dir / "shared").c_str(), 65534, 65534), 0);
    ::chmod(shared.c_str(), 0666);
    const std::string state = dir / "state";
    fs::create_directories(state);
    ASSERT_EQ(::chown(state.c_str(), 65534, 65534), 0);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);

    EXPECT_EQ(AsNobody([&] {
                  WriteFileAtomic(locked, "new\n");
                  WriteFileAtomic(shared, "new\n");
                  return true;
              }),
              0);
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(ReadWholeFile(locked), "new\n");
    EXPECT_EQ(ReadWholeFile(shared), "new\n");
    EXPECT_EQ(StatOf(shared).st_gid, 0u);
    // The backups are gone once the new content is written.
    EXPECT_EQ(Names(dir.path / "shared"), std::vector<std::string>{"files.bbs"});
    EXPECT_TRUE(Names(state + "/tarvix/backup").empty());
}

TEST(FileWrite, WritersKilledHalfWayLeaveWholeFilesAndTheNextWriteClearsTheirTemporaries)
{
    TempDir dir;
    const std::string file = dir.Write("files.bbs", "start\n");
    const std::string a(6 << 20, 'a'), b(6 << 20, 'b');
    std::mt19937 random(18);
    int leftTemporaries = 0;
    for (int trial = 0; trial < 20; ++trial) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int k = 0;; ++k)
                WriteFileAtomic(file, k % 2 ? a : b);
        }
        ::usleep(std::uniform_int_distribution<unsigned>(1000, 60000)(random));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string content = ReadWholeFile(file);
        EXPECT_TRUE(content == a || content == b || content == "start\n") << "trial " << trial;
        leftTemporaries += Names(dir.path).size() > 1;
        WriteFileAtomic(file, "start\n");
        ASSERT_EQ(Names(dir.path), std::vector<std::string>{"files.bbs"}) << "trial " << trial;
    }
    RecordProperty("KillsThatLeftATemporary", leftTemporaries);
}
