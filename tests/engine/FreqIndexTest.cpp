#include "engine/FreqIndex.h"

#include "TestSupport.h"

#include "platform/HostPath.h"
#include "tools/ndxwriters/NdxWriter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarvix;
using namespace tarvix::ndxwriters;
namespace fs = std::filesystem;

namespace {

class NdxFixture : public ::testing::Test {
protected:
    ~NdxFixture() override { SetDriveMap({}); }

    std::string File(const std::string& name, const std::string& bytes)
    {
        fs::path p = dir.path / name;
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

    // The key of the ENdxError raised by make, or "" when nothing is raised.
    template <typename F>
    static std::string ErrorKey(F make)
    {
        try {
            make();
        } catch (const ENdxError& e) {
            return e.Key();
        }
        return "";
    }

    test::TempDir dir;
};

// What an index finds for each name: the paths, "-" for none.
std::string Found(TFileIndex& ndx, const std::vector<std::string>& names)
{
    std::string s;
    for (const std::string& n : names) {
        const std::string f = ndx.FindFile(n);
        s += (f.empty() ? "-" : f) + " ";
    }
    return s;
}

void Put32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

const std::vector<NdxEntry> kSmall2604 = {
    {"file.zip", "C:\\FILES\\A"},
    {"FILEB.ARJ", "C:\\FILES\\B\\"},
    {"SIXTEEN_CHARS.ZI", "C:\\FILES\\A"},       // exactly 16: continuation present
    {"a_rather_long_file_name.tar.gz", "D:\\PUB"},
    {"X", "C:\\FILES\\B\\"},
};

}  // namespace

// ---------------------------------------------------------------- 2600

using Ndx2600 = NdxFixture;

TEST_F(Ndx2600, EveryNameOfLargerIndexesIsFound)
{
    for (int count : {1, 2, 7, 64, 333}) {
        std::vector<NdxEntry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back({"F" + std::to_string(i * 2 + 1000) + ".ZIP", "C:\\D" + std::to_string(i % 5)});
        TFileIndex2600 ndx(File("n" + std::to_string(count) + ".idx", BuildNdx2600(entries)));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(ndx.FindFile(entries[static_cast<std::size_t>(i)].first),
                      entries[static_cast<std::size_t>(i)].second + "\\" + entries[static_cast<std::size_t>(i)].first);
            EXPECT_EQ(ndx.FindFile("F" + std::to_string(i * 2 + 1001) + ".ZIP"), "") << count << " " << i;
        }
        EXPECT_EQ(Found(ndx, {"f1000.zip", "F1000.ZI", "F1000.ZIPX", "", "ZZZ"}), "- - - - - ");
    }
}

TEST_F(Ndx2600, NamesCompareAsUnsignedBytes)
{
    // Byte 0xE0 (a Cyrillic letter in CP866) sorts after every ASCII letter.
    std::string cyr = "\xE0\xA0\xA1.ZIP";
    TFileIndex2600 ndx(File("files.idx", BuildNdx2600({{cyr, "C:\\R"}, {"ZZZ.ZIP", "C:\\Z"}, {"AAA", "C:\\A"}})));
    EXPECT_EQ(ndx.FindFile(cyr), "C:\\R\\" + cyr);
    EXPECT_EQ(ndx.FindFile("ZZZ.ZIP"), "C:\\Z\\ZZZ.ZIP");
    EXPECT_EQ(ndx.FindFile("AAA"), "C:\\A\\AAA");
}

TEST_F(Ndx2600, OnlyWholeRecordsAreSearched)
{
    std::string bytes = BuildNdx2600({{"AAA", "C:\\A"}, {"BBB", "C:\\B"}, {"CCC", "C:\\C"}});
    {
        TFileIndex2600 ndx(File("extra.idx", bytes + std::string(100, 'x')));
        EXPECT_EQ(ndx.FindFile("AAA"), "C:\\A\\AAA");
        EXPECT_EQ(ndx.FindFile("CCC"), "C:\\C\\CCC");
    }
    {
        TFileIndex2600 ndx(File("short.idx", bytes.substr(0, 1535)));
        EXPECT_EQ(ndx.FindFile("AAA"), "C:\\A\\AAA");
        EXPECT_EQ(ndx.FindFile("BBB"), "C:\\B\\BBB");
        EXPECT_EQ(ndx.FindFile("CCC"), "");
    }
    for (std::size_t len : {0u, 1u, 511u}) {
        TFileIndex2600 ndx(File("tiny.idx", bytes.substr(0, len)));
        EXPECT_EQ(ndx.FindFile("AAA"), "") << len;
    }
}

TEST_F(Ndx2600, DamagedRecordsGiveNotFound)
{
    std::string bytes = BuildNdx2600({{"AAA", "C:\\A"}, {"BBB", "C:\\B"}, {"CCC", "C:\\C"}});
    std::string noNameEnd = bytes;
    std::fill(noNameEnd.begin() + 512, noNameEnd.begin() + 512 + 264, 'B');
    TFileIndex2600 a(File("noname.idx", noNameEnd));
    EXPECT_EQ(a.FindFile("BBB"), "");
    EXPECT_EQ(a.FindFile(std::string(264, 'B')), "");

    std::string noDirEnd = bytes;
    std::fill(noDirEnd.begin() + 512 + 264, noDirEnd.begin() + 1024, 'D');
    TFileIndex2600 b(File("nodir.idx", noDirEnd));
    EXPECT_EQ(b.FindFile("BBB"), "");
}

TEST_F(Ndx2600, FileChangedWhileOpenIsReadAsItIsNow)
{
    std::string path = File("files.idx", BuildNdx2600({{"AAA", "C:\\A"}, {"BBB", "C:\\B"}, {"CCC", "C:\\C"}}));
    TFileIndex2600 ndx(path);
    EXPECT_EQ(ndx.FindFile("CCC"), "C:\\C\\CCC");
    fs::resize_file(path, 512);
    EXPECT_EQ(ndx.FindFile("CCC"), "");
    EXPECT_EQ(ndx.FindFile("AAA"), "C:\\A\\AAA");
    fs::resize_file(path, 0);
    EXPECT_EQ(ndx.FindFile("AAA"), "");
}

TEST_F(Ndx2600, MissingFileOrDirectoryCannotBeOpened)
{
    EXPECT_EQ(ErrorKey([&] { TFileIndex2600 x((dir.path / "none.idx").string()); }), "TNdx.NoFilesIndex");
    EXPECT_EQ(ErrorKey([&] { TFileIndex2600 x(dir.path.string()); }), "TNdx.NoFilesIndex");
    EXPECT_EQ(ErrorKey([&] { TFileIndex2604 x((dir.path / "none.idx").string()); }), "TNdx.NoFilesIndex");
}

TEST_F(NdxFixture, DosPathsAreOpenedThroughTheDriveMap)
{
    fs::create_directories(dir.path / "tm");
    File("tm/files.idx", BuildNdx2600({{"AAA", "C:\\A"}}));
    File("tm/files.ndx", BuildNdx2604({{"AAA", "C:\\A"}}));
    SetDriveMap({{'C', dir.path.string()}});
    TFileIndex2600 a("C:\\TM\\FILES.IDX");
    EXPECT_EQ(a.FindFile("AAA"), "C:\\A\\AAA");
    TFileIndex2604 b("c:\\tm\\Files.Ndx");
    EXPECT_EQ(b.FindFile("aaa"), "C:\\A\\AAA");
    EXPECT_EQ(b.FileName(), "c:\\tm\\Files.Ndx");
}

// ---------------------------------------------------------------- 2604

using Ndx2604 = NdxFixture;

TEST_F(Ndx2604, FindsEveryNameInUpperCase)
{
    TFileIndex2604 ndx(File("files.ndx", BuildNdx2604(kSmall2604)));
    EXPECT_EQ(Found(ndx, {"FILE.ZIP", "file.zip", "fileb.arj", "SIXTEEN_CHARS.ZI", "A_Rather_Long_File_Name.tar.gz", "x"}),
              "C:\\FILES\\A\\FILE.ZIP C:\\FILES\\A\\FILE.ZIP C:\\FILES\\B\\FILEB.ARJ C:\\FILES\\A\\SIXTEEN_CHARS.ZI "
              "D:\\PUB\\A_RATHER_LONG_FILE_NAME.TAR.GZ C:\\FILES\\B\\X ");
    // Misses end the search: in its group, no group, the group of X is X and a zero,
    // 15 of the 16 characters, one more.
    EXPECT_EQ(Found(ndx, {"", "FILEC.ZIP", "FI", "QQQ", "XY", "F", "SIXTEEN_CHARS.Z", "SIXTEEN_CHARS.ZIP"}), "- - - - - - - - ");
}

TEST_F(Ndx2604, NamesAroundTheSixteenByteField)
{
    std::vector<NdxEntry> entries;
    for (std::size_t len : {14u, 15u, 16u, 17u, 40u, 263u})
        entries.push_back({"N" + std::string(len - 1, static_cast<char>('a' + len % 26)), "C:\\L" + std::to_string(len)});
    TFileIndex2604 ndx(File("files.ndx", BuildNdx2604(entries)));
    for (const NdxEntry& e : entries) {
        std::string up = e.first;
        for (char& c : up)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(ndx.FindFile(e.first), e.second + "\\" + up) << e.first.size();
    }
}

TEST_F(Ndx2604, DirectoriesAreFrontCoded)
{
    std::string bytes = BuildNdx2604({{"A", "C:\\FILES\\AREA1"}, {"B", "C:\\FILES\\AREA2"},
                                      {"C", "C:\\FILES\\AREA2\\SUB"}, {"D", "D:\\X"}, {"E", ""}});
    TFileIndex2604 ndx(File("files.ndx", bytes));
    EXPECT_EQ(ndx.Directories(),
              (std::vector<std::string> {"", "C:\\FILES\\AREA1", "C:\\FILES\\AREA2", "C:\\FILES\\AREA2\\SUB", "D:\\X"}));
    EXPECT_EQ(ndx.FindFile("c"), "C:\\FILES\\AREA2\\SUB\\C");
    EXPECT_EQ(ndx.FindFile("e"), "E");  // no directory: the name alone
}

// Names stored with characters of a path are names of their directory all the same
// (found by fuzzing: ".\X" lost its ".\", "D:X" its directory, "\X" all but the drive).
TEST_F(Ndx2604, NamesThatLookLikePathsStayInTheirDirectory)
{
    TFileIndex2604 ndx(File("files.ndx", BuildNdx2604({{".\\dot.zip", "C:\\FILES\\A"},
                                                        {"\\root.zip", "C:\\FILES\\B\\"},
                                                        {"D:drive.zip", "C:\\FILES\\A"}})));
    EXPECT_EQ(ndx.FindFile(".\\DOT.ZIP"), "C:\\FILES\\A\\.\\DOT.ZIP");
    EXPECT_EQ(ndx.FindFile("\\root.zip"), "C:\\FILES\\B\\\\ROOT.ZIP");
    EXPECT_EQ(ndx.FindFile("d:drive.zip"), "C:\\FILES\\A\\D:DRIVE.ZIP");
}

TEST_F(Ndx2604, DamagedHeadersAreRejectedAtOpen)
{
    const std::string good = BuildNdx2604(kSmall2604);
    const Ndx2604Layout layout = LayoutOf2604(good);
    auto key = [&](const std::string& bytes) {
        std::string path = File("damaged.ndx", bytes);
        return ErrorKey([&] { TFileIndex2604 x(path); });
    };
    ASSERT_EQ(key(good), "");
    auto patched = [&](std::size_t at, std::uint32_t v, std::string bytes) {
        Put32(bytes, at, v);
        return bytes;
    };
    // The signature bytes the wrong way round; the first directory sharing characters
    // with a name before it, the second more than the first has; the last directory
    // name without its zero at the end of the block.
    std::string wrongSig = good, badShared = good, tooShared = good, noEnd = good;
    wrongSig[0] = 0x31;
    wrongSig[1] = 0x45;
    badShared[layout.dirBlockOffset] = 1;
    tooShared[good.find('\0', layout.dirBlockOffset + 1) + 1] = static_cast<char>(200);
    noEnd[layout.dirBlockOffset + layout.dirBlockSize - 1] = 'Z';
    const auto size = static_cast<std::uint32_t>(good.size());
    const std::vector<std::string> damaged = {
        wrongSig, "", good.substr(0, 2), good.substr(0, 255),
        patched(16, 0, patched(8, 44, patched(4, 0xFFFFFFFFu, good.substr(0, 300)))),  // 4G directories in 300 bytes
        patched(8, size, good), patched(8, 0xFFFFFFFFu, good),                         // the block past the end
        patched(4, 4, good),                                                            // the block holds 3
        patched(24, size + 1, good), patched(24, 0xFFFFFFFFu, good),                    // the table past the end
        patched(16, 0xFFFFFFFFu, good),                                                 // the table runs over it
        patched(16, static_cast<std::uint32_t>((good.size() - layout.tableOffset) / 6 + 1), good),
        badShared, tooShared, noEnd};
    for (std::size_t i = 0; i < damaged.size(); ++i)
        EXPECT_EQ(key(damaged[i]), "TNdx.BadVersion") << i;
}

TEST_F(Ndx2604, DamagedRecordsGiveNotFound)
{
    const std::string good = BuildNdx2604(kSmall2604);
    const Ndx2604Layout layout = LayoutOf2604(good);

    // Every table offset past the end of the file.
    std::string offsets = good;
    for (std::size_t i = 0; i < layout.tableCount; ++i)
        Put32(offsets, layout.tableOffset + i * 6 + 2, static_cast<std::uint32_t>(good.size() + i * 1000));
    Put32(offsets, layout.tableOffset + 2, 0xFFFFFFFFu);
    TFileIndex2604 a(File("offsets.ndx", offsets));
    for (const NdxEntry& e : kSmall2604)
        EXPECT_EQ(a.FindFile(e.first), "") << e.first;

    // Directory numbers beyond the list of three.
    std::string dirNo = good;
    for (std::size_t off = layout.recordsOffset; off + 26 <= dirNo.size();) {
        dirNo[off] = 3;
        dirNo[off + 1] = 0;
        off += dirNo[off + 25] != 0 ? 274 : 26;
    }
    TFileIndex2604 b(File("dirno.ndx", dirNo));
    for (const NdxEntry& e : kSmall2604)
        EXPECT_EQ(b.FindFile(e.first), "") << e.first;
    dirNo[layout.recordsOffset + 1] = static_cast<char>(0xFF);
    TFileIndex2604 b2(File("dirno2.ndx", dirNo));
    for (const NdxEntry& e : kSmall2604)
        EXPECT_EQ(b2.FindFile(e.first), "") << e.first;

    // A name with neither its zero in the field nor in the continuation, at the end
    // of the file: the 16-character name is the last record (group "X" sorts last).
    std::string noEnd = BuildNdx2604({{"SIXTEEN_CHARS.ZI", "C:\\A"}});
    std::fill(noEnd.end() - 248, noEnd.end(), 'Q');
    TFileIndex2604 c(File("noend.ndx", noEnd));
    EXPECT_EQ(c.FindFile("SIXTEEN_CHARS.ZI"), "");
    EXPECT_EQ(c.FindFile("SIXTEEN_CHARS.ZI" + std::string(248, 'Q')), "");
}

TEST_F(Ndx2604, RecordsCutShortAfterOpening)
{
    const std::string good = BuildNdx2604(kSmall2604);
    std::string path = File("files.ndx", good);
    TFileIndex2604 ndx(path);
    EXPECT_EQ(ndx.FindFile("x"), "C:\\FILES\\B\\X");
    fs::resize_file(path, good.size() - 1);
    EXPECT_EQ(ndx.FindFile("x"), "");
    fs::resize_file(path, 256);
    for (const NdxEntry& e : kSmall2604)
        EXPECT_EQ(ndx.FindFile(e.first), "");
}
