#include "fido/NVUtils.h"

#include "platform/Error.h"

#include <gtest/gtest.h>

#include <functional>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

// ---------------------------------------------------------------- path strings

TEST(PathStrings, RemoveTrailingBackslash)
{
    EXPECT_EQ(RemoveTrailingBackslash("C:\\A\\"), "C:\\A");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\A"), "C:\\A");
    EXPECT_EQ(RemoveTrailingBackslash("\\"), "");
    EXPECT_EQ(RemoveTrailingBackslash("A\\\\"), "A\\");
    EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(PathStrings, AddBackslash)
{
    EXPECT_EQ(AddBackslash("c"), "c:\\");
    EXPECT_EQ(AddBackslash("Z"), "Z:\\");
    EXPECT_EQ(AddBackslash("C:"), "C:");
    EXPECT_EQ(AddBackslash("C:\\X"), "C:\\X\\");
    EXPECT_EQ(AddBackslash("C:\\X\\"), "C:\\X\\");
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("1"), "1\\");
    EXPECT_EQ(AddBackslash("ab"), "ab\\");
}

TEST(PathStrings, MakePathRelativeNames)
{
    EXPECT_EQ(MakePath("t-mail.ctl", "C:\\TM"), "C:\\TM\\t-mail.ctl");
    EXPECT_EQ(MakePath("t-mail.ctl", "C:\\TM\\"), "C:\\TM\\t-mail.ctl");
    EXPECT_EQ(MakePath(".\\x.lng", "C:\\TM"), "C:\\TM\\x.lng");
    EXPECT_EQ(MakePath(".\\x.lng", "C:\\TM\\"), "C:\\TM\\x.lng");
    EXPECT_EQ(MakePath("CFG\\a.cfg", "TM"), "TM\\CFG\\a.cfg");
    EXPECT_EQ(MakePath("x", "C:"), "C:\\x");
}

TEST(PathStrings, MakePathRootedDriveAndEmpty)
{
    EXPECT_EQ(MakePath("\\CFG\\sf-mail.cfg", "D:\\SF"), "D:\\CFG\\sf-mail.cfg");
    EXPECT_EQ(MakePath("\\CFG\\x", "SF"), "\\CFG\\x");     // dir has no drive
    EXPECT_EQ(MakePath("\\CFG\\x", "D:"), "\\CFG\\x");     // dir is only a drive
    EXPECT_EQ(MakePath("E:\\x", "C:\\TM"), "E:\\x");
    EXPECT_EQ(MakePath("E:x", "C:\\TM"), "E:x");
    EXPECT_EQ(MakePath("t-mail.ctl", ""), "t-mail.ctl");
    EXPECT_EQ(MakePath("", "C:\\TM"), "");
    EXPECT_EQ(MakePath("", ""), "");
}

TEST(PathStrings, ExtractLastName)
{
    EXPECT_EQ(ExtractLastName("C:\\A\\B\\"), "B\\");
    EXPECT_EQ(ExtractLastName("C:\\A\\B"), "B");
    EXPECT_EQ(ExtractLastName("\\x"), "x");
    EXPECT_EQ(ExtractLastName("abc"), "abc");
    EXPECT_EQ(ExtractLastName("abc\\"), "abc\\");
    EXPECT_EQ(ExtractLastName("\\"), "\\");
    EXPECT_EQ(ExtractLastName("x"), "x");
    EXPECT_EQ(ExtractLastName(""), "");
}

TEST(PathStrings, RPosChar)
{
    EXPECT_EQ(RPosChar('\\', "C:\\A\\B"), 5);
    EXPECT_EQ(RPosChar('C', "C:\\A\\B"), 1);
    EXPECT_EQ(RPosChar('x', "C:\\A\\B"), 0);
    EXPECT_EQ(RPosChar('x', ""), 0);
}

// ---------------------------------------------------------------- strings

TEST(Strings, PadStr)
{
    EXPECT_EQ(PadStr("abc", 2, paLeft), "ab");
    EXPECT_EQ(PadStr("abc", 2, paRight), "ab");
    EXPECT_EQ(PadStr("abc", 2, paCenter), "ab");
    EXPECT_EQ(PadStr("ab", 7, paCenter), "  ab   ");
    EXPECT_EQ(PadStr("abc", 8, paCenter), "   abc  ");
    EXPECT_EQ(PadStr("", 3, paCenter), "   ");
    EXPECT_EQ(PadStr("ab", 5, paLeft), "ab   ");
    EXPECT_EQ(PadStr("ab", 5, paRight), "   ab");
    EXPECT_EQ(PadStr("abc", 3, paRight), "abc");
    EXPECT_EQ(PadStr("abc", 0, paLeft), "");
    EXPECT_EQ(PadStr("abc", -4, paRight), "");
}

TEST(Strings, CutToken)
{
    std::string s = ";;1";
    EXPECT_EQ(CutToken(s, ';'), "");
    EXPECT_EQ(s, ";1");
    EXPECT_EQ(CutToken(s, ';'), "");
    EXPECT_EQ(s, "1");
    EXPECT_EQ(CutToken(s, ';'), "1");
    EXPECT_EQ(s, "");
    EXPECT_EQ(CutToken(s, ';'), "");
    EXPECT_EQ(s, "");

    s = "a; b";
    EXPECT_EQ(CutToken(s, ";"), "a");
    EXPECT_EQ(s, " b");  // the blank stays

    s = "0;;1;0;100;10;0;1";
    std::vector<std::string> parts;
    while (!s.empty())
        parts.push_back(CutToken(s, ';'));
    EXPECT_EQ(parts, (std::vector<std::string> {"0", "", "1", "0", "100", "10", "0", "1"}));

    s = "key::value::rest";
    EXPECT_EQ(CutToken(s, "::"), "key");
    EXPECT_EQ(s, "value::rest");
    s = "abc";
    EXPECT_EQ(CutToken(s, ""), "abc");
    EXPECT_EQ(s, "");
}

TEST(Strings, StrToIntNoCommas)
{
    EXPECT_EQ(StrToIntNoCommas("1,234,567"), 1234567);
    EXPECT_EQ(StrToIntNoCommas("-1,000"), -1000);
    EXPECT_EQ(StrToIntNoCommas("+5"), 5);
    EXPECT_EQ(StrToIntNoCommas("  42"), 42);
    EXPECT_EQ(StrToIntNoCommas("0"), 0);
    EXPECT_EQ(StrToIntNoCommas("2,147,483,647"), 2147483647);
    EXPECT_EQ(StrToIntNoCommas("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToIntNoCommas(",,7,"), 7);
    for (const char* bad : {"", ",", "-", "12a", "42 ", "1.5", "2,147,483,648", "-2147483649",
                            "99999999999999999999999", "0x10", "\t1"}) {
        try {
            StrToIntNoCommas(bad);
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(Strings, MatchWild)
{
    EXPECT_TRUE(MatchWild("file.zip", "*", false));
    EXPECT_TRUE(MatchWild("", "*", false));
    EXPECT_TRUE(MatchWild("", "", false));
    EXPECT_FALSE(MatchWild("a", "", false));
    EXPECT_FALSE(MatchWild("", "?", false));
    EXPECT_TRUE(MatchWild("abc", "a?c", false));
    EXPECT_FALSE(MatchWild("ac", "a?c", false));
    EXPECT_TRUE(MatchWild("file.zip", "*.zip", false));
    EXPECT_FALSE(MatchWild("file.zip.bak", "*.zip", false));
    EXPECT_TRUE(MatchWild("abcbc", "a*bc", false));
    EXPECT_TRUE(MatchWild("abc", "a**c", false));
    EXPECT_TRUE(MatchWild("x", "?*", false));
    EXPECT_TRUE(MatchWild("NODELIST.123", "NODELIST.???", false));
    EXPECT_FALSE(MatchWild("NODELIST.12", "NODELIST.???", false));
    // A text equal to the mask matches, wildcards and all.
    EXPECT_TRUE(MatchWild("a*b?", "a*b?", false));
    // Case.
    EXPECT_FALSE(MatchWild("FILE.ZIP", "*.zip", false));
    EXPECT_TRUE(MatchWild("FILE.ZIP", "*.zip", true));
    EXPECT_FALSE(MatchWild("abc", "A?C", false));
    EXPECT_TRUE(MatchWild("abc", "A?C", true));
    // Many stars against a long text that nearly matches: answered at once.
    EXPECT_FALSE(MatchWild(std::string(5000, 'a') + "b", "*a*a*a*a*a*a*a*a*a*a*c", false));
}

TEST(Strings, MatchWildAgreesWithAPlainRecursiveMatcher)
{
    // Every mask and text of up to 5 (text) and 4 (mask) bytes over a small alphabet.
    std::function<bool(std::string_view, std::string_view)> reference = [&](std::string_view t, std::string_view m) {
        if (m.empty())
            return t.empty();
        if (m[0] == '*')
            return reference(t, m.substr(1)) || (!t.empty() && reference(t.substr(1), m));
        return !t.empty() && (m[0] == '?' || m[0] == t[0]) && reference(t.substr(1), m.substr(1));
    };
    const std::string textBytes = "ab.", maskBytes = "ab.*?";
    std::vector<std::string> texts{""}, masks{""};
    for (std::size_t i = 0; i < texts.size() && texts.size() < 400; ++i)
        if (texts[i].size() < 5)
            for (char c : textBytes)
                texts.push_back(texts[i] + c);
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (masks[i].size() < 4)
            for (char c : maskBytes)
                masks.push_back(masks[i] + c);
    for (const std::string& m : masks)
        for (const std::string& t : texts)
            ASSERT_EQ(MatchWild(t, m, false), t == m || reference(t, m)) << t << " / " << m;
}

TEST(Strings, ReplaceTextAll)
{
    EXPECT_EQ(ReplaceTextAll("Hello hello HELLO", "hello", "bye"), "bye bye bye");
    EXPECT_EQ(ReplaceTextAll("aaa", "a", "aa"), "aaaaaa");          // inserted text not rescanned
    EXPECT_EQ(ReplaceTextAll("%DIR%x", "%dir%", "%DIR%"), "%DIR%x");
    EXPECT_EQ(ReplaceTextAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceTextAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceTextAll("path=%ROOT%\\x", "%root%", ""), "path=\\x");
    EXPECT_EQ(ReplaceTextAll("text", "", "x"), "text");
    EXPECT_EQ(ReplaceTextAll("", "a", "x"), "");
    EXPECT_EQ(ReplaceTextAll("ab", "abc", "x"), "ab");
}

// ---------------------------------------------------------------- debug trace

TEST(DebugTrace, WritesOnlyWhenEnabled)
{
    const char* old = std::getenv("TARVIX_DEBUG");
    std::string saved = old ? old : "";

    unsetenv("TARVIX_DEBUG");
    testing::internal::CaptureStderr();
    DebugTrace("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    setenv("TARVIX_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    DebugTrace("hello");
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(out, std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9] hello\n")))
        << out;

    if (old)
        setenv("TARVIX_DEBUG", saved.c_str(), 1);
    else
        unsetenv("TARVIX_DEBUG");
}

// ---------------------------------------------------------------- files

namespace {

class FilesTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "tarvix-nvutils-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }

    std::string P(const std::string& rel) const { return (root / rel).string(); }

    void Write(const std::string& rel, const std::string& content) const
    {
        fs::create_directories((root / rel).parent_path());
        std::ofstream f(root / rel, std::ios::binary);
        f << content;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    static void SetMTime(const std::string& path, time_t sec, long nsec)
    {
        struct timespec t[2] = {{sec, nsec}, {sec, nsec}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
    }

    static struct timespec MTime(const std::string& path)
    {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mtim;
    }
};

std::string Pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

}  // namespace

TEST_F(FilesTest, DirExistsAndFileHasAttr)
{
    Write("file.txt", "x");
    Write(".hidden", "x");
    EXPECT_TRUE(DirExists(root.string()));
    EXPECT_TRUE(DirExists(root.string() + "/"));
    EXPECT_FALSE(DirExists(P("file.txt")));
    EXPECT_FALSE(DirExists(P("missing")));
    EXPECT_FALSE(DirExists(""));

    EXPECT_TRUE(FileHasAttr(P("file.txt"), 0));
    EXPECT_FALSE(FileHasAttr(P("missing"), 0));
    EXPECT_FALSE(FileHasAttr(P("file.txt"), faDirectory));
    EXPECT_FALSE(FileHasAttr(P("file.txt"), faHidden));
    EXPECT_FALSE(FileHasAttr(P("file.txt"), faReadOnly));
    EXPECT_TRUE(FileHasAttr(P(".hidden"), faHidden));
    EXPECT_TRUE(FileHasAttr(root.string(), faDirectory));
    EXPECT_FALSE(FileHasAttr(root.string(), faHidden));

    fs::permissions(P("file.txt"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(FileHasAttr(P("file.txt"), faReadOnly));
    EXPECT_FALSE(FileHasAttr(P("file.txt"), faReadOnly | faHidden));  // every bit is needed
    fs::permissions(P(".hidden"), fs::perms::owner_read);
    EXPECT_TRUE(FileHasAttr(P(".hidden"), faReadOnly | faHidden));

    EXPECT_TRUE(FileHasAttr("/dev/null", faSysFile));
    EXPECT_FALSE(FileHasAttr(P(".hidden"), faSysFile));
}

TEST_F(FilesTest, CopyKeepsContentAndDate)
{
    for (std::size_t size : {std::size_t {0}, std::size_t {1}, std::size_t {8192},
                             std::size_t {8193}, std::size_t {50000}}) {
        std::string data = Pattern(size);
        Write("src.bin", data);
        SetMTime(P("src.bin"), 946684800, 123456789);  // 2000-01-01
        CopyFileKeepDate(P("src.bin"), P("dst.bin"));
        EXPECT_EQ(Read(P("dst.bin")), data) << size;
        struct timespec t = MTime(P("dst.bin"));
        EXPECT_EQ(t.tv_sec, 946684800);
        EXPECT_EQ(t.tv_nsec, 123456789);
    }
    // No temporary files are left beside the target.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(root)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST_F(FilesTest, CopyReplacesALongerTargetAndCopiesOntoItself)
{
    Write("src.txt", "short");
    Write("dst.txt", std::string(20000, 'x'));
    CopyFileKeepDate(P("src.txt"), P("dst.txt"));
    EXPECT_EQ(Read(P("dst.txt")), "short");

    Write("same.txt", "keep me");
    CopyFileKeepDate(P("same.txt"), P("same.txt"));
    EXPECT_EQ(Read(P("same.txt")), "keep me");
}

TEST_F(FilesTest, CopyIntoADirectoryUsesTheSourceName)
{
    Write("files.bbs", "list");
    fs::create_directory(root / "backup");
    SetMTime(P("files.bbs"), 1000000000, 0);
    CopyFileKeepDate(P("files.bbs"), P("backup"));
    EXPECT_EQ(Read(P("backup/files.bbs")), "list");
    EXPECT_EQ(MTime(P("backup/files.bbs")).tv_sec, 1000000000);

    // The same with a closing separator and with the DOS separator in the source.
    Write("sub/a.txt", "A");
    CopyFileKeepDate(P("sub") + "\\a.txt", P("backup") + "\\");
    EXPECT_EQ(Read(P("backup/a.txt")), "A");
}

TEST_F(FilesTest, CopyErrors)
{
    const std::string missing = P("missing.txt");
    try {
        CopyFileKeepDate(missing, P("dst.txt"));
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_FALSE(fs::exists(P("dst.txt")));

    // A directory is no source.
    EXPECT_THROW(CopyFileKeepDate(root.string(), P("dst.txt")), EFOpenError);

    Write("src.txt", "data");
    const std::string badTarget = P("no/such/dir/dst.txt");
    try {
        CopyFileKeepDate(P("src.txt"), badTarget);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + badTarget);
    }

    // A source that fails while being read.
    if (::access("/proc/self/mem", R_OK) == 0) {
        try {
            CopyFileKeepDate("/proc/self/mem", P("mem.txt"));
            FAIL();
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
        EXPECT_FALSE(fs::exists(P("mem.txt")));
    }
}

TEST_F(FilesTest, CopyRefusesAReadOnlyTarget)
{
    Write("src.txt", "new");
    Write("ro.txt", "old");
    fs::permissions(P("ro.txt"), fs::perms::owner_read);
    EXPECT_THROW(CopyFileKeepDate(P("src.txt"), P("ro.txt")), EFCreateError);
    EXPECT_EQ(Read(P("ro.txt")), "old");
}

TEST_F(FilesTest, FailedWriteLeavesTheOldTarget)
{
    Write("src.bin", Pattern(100000));
    Write("dst.bin", "old content");
    // Limit the size of written files so that the copy fails half-way.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool thrown = false;
    try {
        CopyFileKeepDate(P("src.bin"), P("dst.bin"));
    } catch (const EWriteError& e) {
        thrown = true;
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(Read(P("dst.bin")), "old content");
    int entries = 0;
    for (const auto& e : fs::directory_iterator(root)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2) << "the temporary file is removed";
}

TEST_F(FilesTest, FindFileInPaths)
{
    Write("one/other.txt", "");
    fs::create_directories(root / "one" / "wanted.zip");  // a directory is no match
    Write("two/wanted.zip", "");
    Write("three/wanted.zip", "");
    std::vector<std::string> paths = {P("one") + "\\", P("two") + "\\", P("three") + "\\"};
    int pumps = 0;
    auto pump = [&]() { ++pumps; };
    EXPECT_EQ(FindFileInPaths("wanted.zip", paths, pump), P("two") + "\\wanted.zip");
    EXPECT_EQ(pumps, 2);

    pumps = 0;
    EXPECT_EQ(FindFileInPaths("absent.zip", paths, pump), "");
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(FindFileInPaths("wanted.zip", {}), "");
    EXPECT_EQ(FindFileInPaths("other.txt", paths), P("one") + "\\other.txt");
}

TEST_F(FilesTest, FindFileInPathsSurvivesAPumpThatChangesTheList)
{
    Write("b/x.txt", "");
    std::vector<std::string> paths = {P("a") + "\\", P("b") + "\\"};
    std::string name = "x.txt";
    auto pump = [&]() {
        // Re-entered code replaces the list and the name the search was given.
        paths.assign(100, "elsewhere\\");
        name.assign(100, 'q');
    };
    EXPECT_EQ(FindFileInPaths(name, paths, pump), P("b") + "\\x.txt");
}

TEST_F(FilesTest, FindFileInTreeSearchesDepthFirstWithoutRegardToCase)
{
    Write("tree/A/B/Target.TXT", "found");
    Write("tree/.hid/target.txt", "");
    Write("tree/C/other.txt", "");
    Write("tree/.dotfile", "");
    fs::create_directories(root / "tree" / "find.me");

    const std::string tree = P("tree");
    EXPECT_EQ(FindFileInTree("target.txt", tree), tree + "\\A\\B\\Target.TXT");
    EXPECT_EQ(FindFileInTree("TARGET.TXT", tree), tree + "\\A\\B\\Target.TXT");
    // A closing separator of the directory is not doubled.
    EXPECT_EQ(FindFileInTree("target.txt", tree + "/"), tree + "\\A\\B\\Target.TXT");
    EXPECT_EQ(FindFileInTree("target.txt", tree + "\\"), tree + "\\A\\B\\Target.TXT");
    EXPECT_EQ(FindFileInTree("OTHER.txt", tree), tree + "\\C\\other.txt");
    // Names beginning with "." are neither matched nor entered; directories never match.
    EXPECT_EQ(FindFileInTree(".dotfile", tree), "");
    EXPECT_EQ(FindFileInTree("find.me", tree), "");

    int pumps = 0;
    EXPECT_EQ(FindFileInTree("absent", tree, [&]() { ++pumps; }), "");
    EXPECT_EQ(pumps, 5);  // tree, A, B, C, find.me; not .hid

    EXPECT_EQ(FindFileInTree("x", P("missing")), "");
    EXPECT_EQ(FindFileInTree("x", ""), "");
}

TEST_F(FilesTest, FindFileInTreeEndsInALinkCycle)
{
    Write("tree/A/file.txt", "");
    fs::create_directory_symlink(root / "tree", root / "tree" / "A" / "loop");
    fs::create_directory_symlink(root / "tree" / "A", root / "tree" / "linkA");
    int pumps = 0;
    EXPECT_EQ(FindFileInTree("absent", P("tree"), [&]() { ++pumps; }), "");
    EXPECT_LE(pumps, 4);
    std::string found = FindFileInTree("FILE.TXT", P("tree"));
    EXPECT_TRUE(found == P("tree") + "\\A\\file.txt" || found == P("tree") + "\\linkA\\file.txt")
        << found;
}
