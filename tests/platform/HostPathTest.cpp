#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

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
