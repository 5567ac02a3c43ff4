#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

using test::TempDir;

void Write(const fs::path& p, const std::string& s)
{
    WriteFileAtomic(p.string(), s);
}

}  // namespace

TEST(IniFile, DamagedLinesAreSkippedButKept)
{
    TIniFile ini;
    ini.FromText("garbage before any section\n[A]\nno equals sign here\n=no ident\nx=1\n[unterminated\ny=2\n"
                 "\x01\x02\xff\n");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    // A section header without "]" is an unreadable line of the current section.
    EXPECT_EQ(ini.ReadString("A", "y", ""), "2");
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "y"}));
    std::string text = ini.ToText();
    EXPECT_NE(text.find("garbage before any section"), std::string::npos);
    EXPECT_NE(text.find("no equals sign here"), std::string::npos);
}

TEST(IniFile, WriteEraseDeleteAndRoundTrip)
{
    TIniFile ini;
    ini.FromText("; my comment\n[Keep]\nUnknown=stays\n[General]\nA=1\nB=2\n[Old]\nZ=9\n");
    ini.WriteString("General", "a", "10");
    ini.WriteString("General", "C", "3");
    ini.WriteString("New", "V", "  padded value  ");
    ini.WriteString("New", "Multi", "line1\nline2");
    ini.WriteString("New", "Quoted", "\"q\" C:\\TM\\new");
    ini.DeleteKey("General", "B");
    ini.EraseSection("old");
    EXPECT_TRUE(ini.Modified());

    TIniFile back;
    back.FromText(ini.ToText());
    EXPECT_EQ(back.ReadString("General", "A", ""), "10");
    EXPECT_EQ(back.ReadString("General", "C", ""), "3");
    EXPECT_FALSE(back.ValueExists("General", "B"));
    EXPECT_FALSE(back.SectionExists("Old"));
    EXPECT_EQ(back.ReadString("Keep", "Unknown", ""), "stays");
    EXPECT_EQ(back.ReadString("New", "V", ""), "  padded value  ");
    EXPECT_EQ(back.ReadString("New", "Multi", ""), "line1\nline2");
    EXPECT_EQ(back.ReadString("New", "Quoted", ""), "\"q\" C:\\TM\\new");
    EXPECT_NE(back.ToText().find("; my comment"), std::string::npos);
}

// A damaged identifier (zero bytes, found by fuzzing) is read as the identifier that
// writing under its name stores: rewriting a value read from the file changes nothing,
// and what is written reads back under the name that reading reports.
TEST(IniFile, IdentifiersReadAreTheIdentifiersWritten)
{
    TIniFile ini;
    ini.FromText(std::string("[A]\nx \0\0=1\n\0 =kept\n", 19));
    ASSERT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x"}));
    ini.WriteString("A", ini.ReadSection("A")[0], "1");
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ini.ReadSection("A").size(), 1u);

    ini.WriteString("A", std::string("y\n\0", 3), "2");
    TIniFile back;
    back.FromText(ini.ToText());
    EXPECT_EQ(back.ReadSection("A"), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(back.ReadString("A", "y", ""), "2");
    EXPECT_NE(back.ToText().find(std::string("\0 =kept", 7)), std::string::npos);

    // Zero bytes in front of "[" do not make the line a section header once written.
    TIniFile hidden;
    hidden.FromText(std::string("\0[]=\n\0;=x\n", 10));
    EXPECT_TRUE(hidden.ReadSections().empty());
    TIniFile hiddenBack;
    hiddenBack.FromText(hidden.ToText());
    EXPECT_EQ(hiddenBack.ToText(), hidden.ToText());
}

TEST(IniFile, SaveKeepsUnknownSectionsAndReplacesFileAtomically)
{
    TempDir dir;
    fs::path file = dir.path / "Tarvix.ini";
    Write(file, "[Foreign]\nKey=value of another version\n[General]\nNumLogs=1\n");
    {
        TIniFile ini(file.string());
        ini.WriteString("General", "NumLogs", "2");
        ini.UpdateFile();
    }
    TIniFile again(file.string());
    EXPECT_EQ(again.ReadString("Foreign", "Key", ""), "value of another version");
    EXPECT_EQ(again.ReadString("General", "NumLogs", ""), "2");
    // Nothing but the file itself is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 1);
}

TEST(IniFile, SaveMergesWithTheFileAsItIsNow)
{
    TempDir dir;
    fs::path file = dir.path / "Tarvix.ini";
    Write(file, "[A]\nx=1\ny=1\nz=1\nboth=1\n[Gone]\nk=1\n[Kept]\nk=1\n");
    TIniFile ini(file.string());
    ini.WriteString("A", "X", "2");  // the file's own spelling of the name stays
    ini.WriteString("A", "both", "mine");
    ini.DeleteKey("A", "y");
    ini.EraseSection("Gone");
    ini.EraseSection("Kept");
    ini.WriteString("New", "n", "1");
    // Another program changes the file meanwhile.
    Write(file, "; edited\n[A]\nx=1\ny=1\nz=9\nboth=theirs\nw=5\n[Gone]\nk=1\n[Kept]\nk=1\nadded=1\n");
    ini.UpdateFile();

    const TIniFile saved(file.string());
    EXPECT_EQ(saved.ReadSectionValues("A"),
              (std::vector<std::pair<std::string, std::string>>{{"x", "2"}, {"z", "9"}, {"both", "mine"}, {"w", "5"}}));
    EXPECT_FALSE(saved.SectionExists("Gone"));
    // A section erased here keeps what was added to it there.
    EXPECT_EQ(saved.ReadSection("Kept"), std::vector<std::string>{"added"});
    EXPECT_EQ(saved.ReadString("New", "n", ""), "1");
    EXPECT_EQ(ReadWholeFile(file.string()).rfind("; edited\n", 0), 0u);
    // The store now holds what it wrote, and the next save starts from there.
    EXPECT_EQ(ini.ReadString("A", "z", ""), "9");
    Write(file, "[A]\nx=3\n");
    ini.WriteString("Other", "o", "1");
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(file.string()).ReadString("A", "x", ""), "3");
}

namespace {
[[noreturn]] void CrashBeforeRename(const std::string&) { ::_exit(3); }
}  // namespace

TEST(IniFile, CrashBetweenWriteAndRenameLeavesOldFile)
{
    TempDir dir;
    fs::path file = dir.path / "Tarvix.ini";
    const std::string old = "[General]\nNumLogs=1\n";
    Write(file, old);
    // The "crash" happens in a child process, right before the rename.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SetAtomicWriteHook(CrashBeforeRename);
        TIniFile ini(file.string());
        ini.WriteString("General", "NumLogs", "5");
        ini.UpdateFile();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadWholeFile(file.string()), old);
    TIniFile ini(file.string());
    EXPECT_EQ(ini.ReadString("General", "NumLogs", ""), "1");
}

TEST(IniFile, MissingFileIsEmptyAndUnwritableDirectoryRaises)
{
    TempDir dir;
    TIniFile ini((dir.path / "none.ini").string());
    EXPECT_TRUE(ini.ReadSections().empty());
    TIniFile bad((dir.path / "no-such-dir" / "x.ini").string());
    bad.WriteString("A", "B", "C");
    EXPECT_THROW(bad.UpdateFile(), EFCreateError);
}

namespace {

class HostPathTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path root = temp.path;
    void SetUp() override
    {
        fs::create_directories(root / "TM" / "Files" / "Sub");
        WriteFileAtomic((root / "TM" / "Files" / "Sub" / "Nodelist.Zip").string(), "x");
        WriteFileAtomic((root / "TM" / "t-mail.ctl").string(), "x");
        SetDriveMap({{'C', root.string()}});
    }
    void TearDown() override
    {
        SetDriveMap({});
    }
};

}  // namespace

TEST_F(HostPathTest, DrivePathsMapAndMatchWithoutRegardToCase)
{
    EXPECT_EQ(ToHostPath("C:\\TM\\t-mail.ctl"), (root / "TM" / "t-mail.ctl").string());
    EXPECT_EQ(ToHostPath("c:\\tm\\FILES\\sub\\NODELIST.ZIP"),
              (root / "TM" / "Files" / "Sub" / "Nodelist.Zip").string());
    // A missing component keeps the rest as written.
    EXPECT_EQ(ToHostPath("C:\\tm\\nope\\X.ZIP"), (root / "TM" / "nope" / "X.ZIP").string());
    // A drive without a mapping is dropped.
    EXPECT_EQ(ToHostPath("D:\\nowhere\\a.b"), "/nowhere/a.b");
    // "C:file" relative to the drive is taken from the drive's root.
    EXPECT_EQ(ToHostPath("C:tm"), (root / "TM").string());
}

TEST_F(HostPathTest, HostPathsPassThroughAndRelativePathsResolve)
{
    std::string host = (root / "TM" / "t-mail.ctl").string();
    EXPECT_EQ(ToHostPath(host), host);
    EXPECT_EQ(ToHostPath(""), "");
    fs::path cwd = fs::current_path();
    fs::current_path(root);
    EXPECT_EQ(ToHostPath("tm\\files"), "TM/Files");
    EXPECT_EQ(ToHostPath(".\\tm\\T-MAIL.CTL"), "./TM/t-mail.ctl");
    fs::current_path(cwd);
}

TEST(DriveMap, ParsesAndPrintsSkippingBadEntries)
{
    DriveMap m = ParseDriveMap("c:=/home/fido/dos_c; D:= /srv/d ;bad;E=/x;F:=;1:=/y");
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m['C'], "/home/fido/dos_c");
    EXPECT_EQ(m['D'], "/srv/d");
    EXPECT_EQ(DriveMapToString(m), "C:=/home/fido/dos_c;D:=/srv/d");
}

TEST(FileRead, ReadsWholeFilesAndReportsMissingOnes)
{
    test::TempDir temp;
    fs::path p = temp.path / "file";
    std::string data(200000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    WriteFileAtomic(p.string(), data);
    EXPECT_EQ(ReadWholeFile(p.string()), data);
    EXPECT_EQ(FileSize(p.string()), 200000);
    fs::remove(p);
    EXPECT_THROW(ReadWholeFile(p.string()), EFOpenError);
    EXPECT_EQ(FileSize(p.string()), -1);
    EXPECT_THROW(ReadWholeFile(fs::temp_directory_path().string()), EFOpenError);
}
