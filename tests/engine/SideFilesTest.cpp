// The readers of the mailers' binary side files: T-Mail's traffic, session history
// and file-request limits, and Argus's binary log.
#include "TestSupport.h"

#include "engine/FreqLimits.h"
#include "engine/SessHistory.h"
#include "engine/TMailTraffic.h"
#include "fido/LogUtils.h"
#include "platform/FileRead.h"

#include <sys/wait.h>

using namespace tarvix;
using tarvix::test::TempDir;

namespace {

// A little-endian record built field by field.
struct Rec {
    std::string b;
    explicit Rec(std::size_t size) : b(size, '\0') {}
    Rec& Put(std::size_t at, std::uint64_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    Rec& Addr(int zone, int net, int node, int point)
    {
        return Put(0, static_cast<std::uint16_t>(zone), 2).Put(2, static_cast<std::uint16_t>(net), 2)
            .Put(4, static_cast<std::uint16_t>(node), 2).Put(6, static_cast<std::uint16_t>(point), 2);
    }
};

std::string Traffic(int zone, int node, int point, std::uint32_t kbRcvd, std::uint32_t bytesRcvd)
{
    return Rec(104).Addr(zone, 5030, node, point).Put(16, bytesRcvd, 4).Put(24, 1000u + node, 4).Put(40, kbRcvd, 4).b;
}

std::string Limits(int node, std::initializer_list<int> days, std::uint32_t last)
{
    Rec r(72);
    r.Addr(2, 5030, node, 0).Put(68, last, 4);
    std::size_t d = 0;
    for (int kb : days)
        r.Put(8 + 2 * d++, static_cast<std::uint16_t>(kb), 2);
    return r.b;
}

}  // namespace

// Every reader on a file cut at every length: the whole records are read, the rest is
// named as a cut record, and nothing is read past the end.
struct CutCase {
    const char* name;
    std::size_t header, record;
    std::size_t (*count)(std::string_view data, std::string& damage);
};

class SideFileCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(SideFileCut, EveryLengthGivesTheWholeRecordsAndNamesTheCutOne)
{
    const CutCase& c = GetParam();
    std::string file = c.header ? std::string("\xF1\x00", 2) : std::string();
    for (int i = 0; i < 3; ++i)
        file += Rec(c.record).Addr(2, 5030, i + 1, 0).b;
    for (std::size_t len = c.header; len <= file.size(); ++len) {
        // A copy of exactly len bytes, so that a read past it is caught by the sanitizers.
        const std::string cut = file.substr(0, len);
        std::string damage;
        EXPECT_EQ(c.count(cut, damage), (len - c.header) / c.record) << len;
        const std::size_t rest = (len - c.header) % c.record;
        EXPECT_EQ(damage.empty(), rest == 0) << len;
        if (rest != 0) {
            EXPECT_NE(damage.find("record " + std::to_string((len - c.header) / c.record + 1)), std::string::npos)
                << damage;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, SideFileCut,
    ::testing::Values(
        CutCase{"Traffic2605", 0, 104,
                [](std::string_view d, std::string& dmg) {
                    auto f = TTrafficFile::Parse(d, "t-mail.s01", 2605);
                    dmg = f.Damage;
                    return f.Records.size();
                }},
        CutCase{"History2600", 0, 28,
                [](std::string_view d, std::string& dmg) {
                    auto f = THistoryFile::Parse(d, "binary_log", false);
                    dmg = f.Damage;
                    return f.Records.size();
                }},
        CutCase{"History2603", 2, 100,
                [](std::string_view d, std::string& dmg) {
                    auto f = THistoryFile::Parse(d, "t-hist.$01", true);
                    dmg = f.Damage;
                    return f.Records.size();
                }},
        CutCase{"FreqLimits", 0, 72,
                [](std::string_view d, std::string& dmg) {
                    auto f = TFreqLimFile::Parse(d, "freqlim.bin");
                    dmg = f.Damage;
                    return f.Entries.size();
                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TMailTraffic, KilobytesFallBackToBytesAndSortOrders)
{
    EXPECT_TRUE(TTrafficFile::Parse("", "t-mail.s01", 2605).Records.empty());
    // 0 KB and 2048 bytes: the bytes are shown and count 2 KB in the totals.
    std::string data = Traffic(2, 1, 0, 0, 2048) + Traffic(1, 3, 0, 500, 0) + Traffic(2, 1, 1, 9, 0);
    TTrafficFile f = TTrafficFile::Parse(data, "t-mail.s01", 2605);
    EXPECT_EQ(f.Records[0].SizeRcvd(), FormatBytes(std::int32_t{2048}));
    EXPECT_EQ(f.Total.KBytesRcvd, 2u + 500u + 9u);
    SortTraffic(f.Records, tsTraffic);
    EXPECT_EQ(f.Records[0].KRcvd(), 500u);
    SortTraffic(f.Records, tsAddress);
    EXPECT_EQ(TrafficCell(f.Records[0], 0), "1:5030/3");
    EXPECT_EQ(f.Records[1].Point, 0);
    EXPECT_EQ(f.Records[2].Point, 1);
    // Before 2605 the kilobyte fields are not taken.
    EXPECT_EQ(TTrafficFile::Parse(data, "t-mail.s01", 2604).Total.KBytesRcvd, 2u);
    EXPECT_EQ(TrafficFileName(255), "t-mail.sFF");
    EXPECT_EQ(TrafficFileName(10), "t-mail.s0A");
    EXPECT_FALSE(ValidTaskLine(0));
    EXPECT_FALSE(ValidTaskLine(256));
    EXPECT_EQ(TrafficReport(f, 0).size(), f.Records.size() + 9);
}

TEST(SessHistory, FormsDaysAndHeader)
{
    // Header only: no records; another header: an error naming the file.
    EXPECT_TRUE(THistoryFile::Parse(std::string("\xF1\x00", 2), "t-hist.$01", true).Records.empty());
    EXPECT_THROW(THistoryFile::Parse(std::string("\xF2\x00", 2), "t-hist.$01", true), EHistoryError);
    // A session from 23:59:59 lasting 2 minutes belongs to the day it started.
    const std::uint32_t start = 20000u * 86400u + 86399u;
    THistoryFile f = THistoryFile::Parse(Rec(28).Addr(2, 5030, 1, 0).Put(8, start, 4).Put(12, 120, 4).Put(26, 5, 1).b,
                                         "binary_log", false);
    ASSERT_EQ(f.Records.size(), 1u);
    EXPECT_EQ(f.Records[0].Day(), 20000);
    EXPECT_EQ(HistoryCell(f.Records[0], 2), "23:59:59");
    EXPECT_EQ(HistoryCell(f.Records[0], 0), "In OK");
    // A time before 1970 is a day before it, not day 0.
    EXPECT_EQ(THistoryFile::Parse(Rec(28).Put(8, static_cast<std::uint32_t>(-10), 4).b, "h", false).Records[0].Day(), -1);
    EXPECT_EQ(HistoryFileName(16), "t-hist.$10");
    EXPECT_EQ(LogFileDir("/fido/argus/argus.log"), "/fido/argus");
    EXPECT_THROW(LowerHistoryPositions(std::string("\xF1\x00\x01", 3), "t-hist.$01", 5), EHistoryError);
}

class FreqLimitsFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string data = Limits(3, {10, 0, 0, 0, 0, 0, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                  1, 1, 1, 1},
                              1000) +
                       Limits(1, {7, 7}, 2000) + Limits(2, {}, 500);
    std::string path = dir.Write("freqlim.bin", data);
};

TEST_F(FreqLimitsFile, SumsSortsAndClearsOneRecord)
{
    EXPECT_TRUE(TFreqLimFile::Parse("", "freqlim.bin").Entries.empty());
    TFreqLimFile f = TFreqLimFile::Read(dir.path.string());
    ASSERT_EQ(f.Entries.size(), 3u);
    EXPECT_EQ(f.Entries[0].Day, 10u);
    EXPECT_EQ(f.Entries[0].Week, 15u);
    EXPECT_EQ(f.Entries[0].Month, 38u);
    EXPECT_EQ(f.TotalMonth, 38u + 14u);
    SortFreqLimits(f.Entries, fsAddress);
    SortFreqLimits(f.Entries, fsNone);  // keeps the address order
    EXPECT_EQ(f.Entries[0].Node, 1);
    EXPECT_EQ(f.Entries[2].Node, 3);
    SortFreqLimits(f.Entries, fsSize);
    EXPECT_EQ(f.Entries[0].Node, 3);

    // Clearing keeps the address and the date and touches no other record.
    ClearFreqLimit(path, f.Entries[0]);
    std::string expected = data;
    expected.replace(8, 60, 60, '\0');
    EXPECT_EQ(ReadWholeFile(path), expected);
    const TFreqLimFile again = TFreqLimFile::Read(dir.path.string());
    EXPECT_EQ(again.Entries[0].Month, 0u);
    EXPECT_EQ(again.Entries[0].LastFreq, 1000);
}

TEST_F(FreqLimitsFile, ClearRefusesAFileThatChangedAndSurvivesACrash)
{
    const TFreqLimFile f = TFreqLimFile::Read(dir.path.string());
    dir.Write("freqlim.bin", Limits(9, {1}, 1) + data.substr(72));
    EXPECT_THROW(ClearFreqLimit(path, f.Entries[0]), EFreqLimError);
    dir.Write("freqlim.bin", data.substr(0, 72));
    EXPECT_THROW(ClearFreqLimit(path, f.Entries[2]), EFreqLimError);
    EXPECT_EQ(ReadWholeFile(path), data.substr(0, 72));

    // Killed before the new file takes the old one's place: the old file is whole.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SetAtomicWriteHook([](const std::string&) { ::_exit(3); });
        ClearFreqLimit(path, f.Entries[0]);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadWholeFile(path), data.substr(0, 72));
}
