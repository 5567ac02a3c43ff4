// The binkd parser on excerpts of the logs of the sample installation
// (samples/binkd, written by binkd itself: tools/binkd-samples.sh).
#include "engine/BinkdLog.h"
#include "fido/DateTime.h"
#include "ParserHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace tarvix;
using tarvix::test::CapturedDialogs;
using tarvix::test::QuietWindow;
using tarvix::test::TempDir;

namespace {

struct Binkd {
    TBinkdLog log;
    QuietWindow window;
    explicit Binkd(const std::string& mailerPath = {})
    {
        SetCurrentYear(2026);
        log.Window = &window;
        log.SetMailerPath(mailerPath);
    }
    bool Run(const std::string& text)
    {
        log.SetText(text);
        return log.Analyse({});
    }
    const TSess& S(std::size_t i) const { return log.GetSess(i); }
};

// A session that times out with no address, and alpha's log where the killed process
// wrote no end at all (the remote side and the plain case are the samples').
TEST(BinkdLog, BrokenSessions)
{
    Binkd silent;
    ASSERT_TRUE(silent.Run("+ 07 Dec 18:12:55 [9] incoming session with x\n? 07 Dec 18:13:55 [9] timeout!\n"
                           "+ 07 Dec 18:13:55 [9] done (?, failed, S/R: 0/0 (0/0 bytes))\n"));
    ASSERT_EQ(silent.log.SessCount(), 1u);
    EXPECT_EQ(test::SessText(silent.S(0)),
              "1-3|2026-12-07 18:12:55|18:13:55|-|||||1234|BinkP|Incoming FirstOfDay Listed Aborted|0/0|0/0|0");

    // The killed process: listed at the end of the log, ending at its last line;
    // a later process under the same id, and the parent's note of a process's
    // end, list the session they leave open in the same way.
    const std::string killed = R"(+ 07 Dec 18:12:55 [21485] call to 2:5020/200@fidonet
+ 07 Dec 18:12:55 [21485] outgoing session with 127.0.0.1:24552
+ 07 Dec 18:12:55 [21485] addr: 2:5020/200@fidonet
+ 07 Dec 18:12:55 [21485] sending temp/bigfile.rar as bigfile.rar (3000000)
- 07 Dec 18:12:56 [21485] rate limit for bigfile.rar is 409600 cps
- 07 Dec 18:13:03 [21034] incoming from 127.0.0.1 (52658)
)";
    for (const std::string& after : {std::string(), std::string("+ 07 Dec 18:13:04 [21485] call to 2:5020/200@fidonet\n"),
                                     std::string("  07 Dec 18:13:04 [21483] rc(21485)=9\n")}) {
        Binkd b;
        ASSERT_TRUE(b.Run(killed + after));
        ASSERT_EQ(b.log.SessCount(), 1u) << after;
        EXPECT_EQ(test::SessText(b.S(0)),
                  "1-5|2026-12-07 18:12:55|18:12:56|2:5020/200|||||1234|BinkP|FirstOfDay Listed Aborted|0/0|0/0|0")
            << after;
        EXPECT_EQ(b.log.OpenSessionCount(), 0u);
    }
}

// beta answers alpha's request through its exec hook (sample lines 38-71); the
// requests and sessions are the end-to-end test's, the counter update this one's.
TEST(BinkdLog, ASentRequestRaisesItsDownloadCounter)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "files");
    std::ofstream(dir / "files/files.bbs") << "FILES.LST    [004] List of the files\nBINKD10.ZIP  binkd\n";
    Binkd b(dir.path.string());
    b.log.UpdateDLC = true;
    ASSERT_TRUE(b.Run(R"(+ 07 Dec 18:12:48 [21194] incoming session with 127.0.0.1
+ 07 Dec 18:12:48 [21194] addr: 2:5020/100@fidonet
+ 07 Dec 18:12:48 [21194] rcvd: b01382a8.req (32, 32.00 CPS, 2:5020/100@fidonet)
- 07 Dec 18:12:48 [21194] executing `./freq.sh ./outbound/139c0064.srf'
  07 Dec 18:12:48 [21194] parse_response: add file `files/FILES.LST' to queue
  07 Dec 18:12:48 [21194] parse_response: add file `files/BINKD10.ZIP' to queue
+ 07 Dec 18:12:48 [21194] sending files/FILES.LST as FILES.LST (33)
+ 07 Dec 18:12:48 [21194] sent: files/FILES.LST (33, 33.00 CPS, 2:5020/100@fidonet)
+ 07 Dec 18:12:48 [21194] sent: temp/other.pkt (100, 100.00 CPS, 2:5020/100@fidonet)
+ 07 Dec 18:12:48 [21194] done (from 2:5020/100@fidonet, OK, S/R: 2/1 (133/32 bytes))
)"));
    // The send raises the download counter in the files.bbs of the file's folder.
    ASSERT_EQ(b.log.DLCList().size(), 1u);
    b.log.UpdateCounters();
    std::ifstream bbs(dir / "files/files.bbs");
    std::string first;
    std::getline(bbs, first);
    EXPECT_EQ(first, "FILES.LST    [005] List of the files");
}

// Damaged lines: no date, no process id, cut-off messages. None may break the
// analysis; only a line whose date cannot be read is an error.
struct DamagedCase {
    const char* line;
    int errors;
};
class BinkdDamaged : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(BinkdDamaged, GoesOn)
{
    Binkd b;
    const std::string text = std::string("+ 07 Dec 18:12:48 [7] incoming session with 127.0.0.1\n") + GetParam().line +
                             "\n+ 07 Dec 18:12:49 [7] done (from 2:5020/100@fidonet, OK, S/R: 0/0 (0/0 bytes))\n";
    ASSERT_TRUE(b.Run(text));
    EXPECT_EQ(b.log.ErrorCount, GetParam().errors) << GetParam().line;
    ASSERT_EQ(b.log.SessCount(), 1u);
    EXPECT_EQ(b.S(0).Addr->ToStr(), "2:5020/100");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BinkdDamaged,
    ::testing::Values(DamagedCase{"+ 07", 0}, DamagedCase{"+ 32 Dec 18:12:48 [7] SYS x", 1},
                      DamagedCase{"+ 07 Xyz 18:12:48 [7] SYS x", 1}, DamagedCase{"+ 07 Dec 18:12:48 [", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [7 SYS x", 0}, DamagedCase{"+ 07 Dec 18:12:48 [] SYS x", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [7] ", 0}, DamagedCase{"+ 07 Dec 18:12:48 [7] addr: ", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [7] addr: nonsense", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [7] sent: x", 0}, DamagedCase{"+ 07 Dec 18:12:48 [7] rcvd: x (", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [7] parse_response: add file `", 0},
                      DamagedCase{"+ 07 Dec 18:1x:48 [7] SYS x", 1},
                      DamagedCase{"+ 07 Dec 18:12:48 [99999999999] call to 2:5020/1", 0},
                      DamagedCase{"+ 07 Dec 18:12:48 [8] connection to nowhere failed", 0}));

TEST(BinkdLog, DamagedDoneLines)
{
    for (const char* done : {"done (", "done (to", "done (?, OK", "done (to 1:2/3, OK, S/R: 5", "done (to 1:2/3, OK, S/R: 5/6 (7"}) {
        Binkd b;
        ASSERT_TRUE(b.Run(std::string("+ 07 Dec 18:12:48 [7] incoming session with x\n+ 07 Dec 18:12:49 [7] ") + done + "\n"));
        ASSERT_EQ(b.log.SessCount(), 1u) << done;
        EXPECT_EQ(b.S(0).FilesSent, 0) << done;
    }
}

TEST(BinkdLog, LineDate)
{
    int month = 0, day = 0;
    EXPECT_TRUE(BinkdLineDate("  07 Dec 18:12:48 [7] x", month, day));
    EXPECT_EQ(month, 12);
    EXPECT_EQ(day, 7);
    EXPECT_TRUE(BinkdLineDate("+  1 Jan", month, day));
    EXPECT_EQ(day, 1);
    for (const char* bad : {"", "  07 De", "  00 Dec", "  32 Dec", "  07 dec", "  xx Dec"})
        EXPECT_FALSE(BinkdLineDate(bad, month, day)) << bad;
}

TEST(BinkdLog, ConfigGivesOwnAddressesDomainsAndInbounds)
{
    TempDir dir;
    std::ofstream(dir / "binkd.cfg") << "# a node\naddress 2:5020/100@fidonet 2:5020/100.1@fidonet # two\n"
                                        "domain fidonet outbound 2\ninbound inbound\ninclude more.inc\n";
    std::ofstream(dir / "more.inc") << "inbound-nonsecure insecure\ninbound inbound\n";
    Binkd b(dir.path.string());
    ASSERT_TRUE(b.Run("+ 07 Dec 18:12:53 [1] call to 2:463/300@fidonet\n"));
    ASSERT_EQ(b.log.OwnAddrs().size(), 2u);
    EXPECT_EQ(b.log.OwnAddrs()[1].ToStr(), "2:5020/100.1");
    EXPECT_EQ(b.log.Domains(), std::vector<std::string>{"fidonet"});
    EXPECT_EQ(b.log.Inbounds(), (std::vector<std::string>{dir / "inbound", dir / "insecure"}));

    // A configuration named but missing stops the analysis with a message.
    CapturedDialogs dialogs;
    b.log.CfgPath = "nosuch.cfg";
    EXPECT_FALSE(b.Run("+ 07 Dec 18:12:53 [1] call to 2:463/300@fidonet\n"));
    EXPECT_EQ(dialogs.Count(), 1u);
}

}  // namespace

namespace {
class BinkdFollowed : public test::ParserTest<TBinkdLog> {};
}  // namespace

// Each sample read in pieces as binkd wrote it, cut at every line and in lines: the
// analysis goes on over the new lines where no session is left open at the end (and
// reads all again where one is), giving what the whole log gives.
TEST_F(BinkdFollowed, ContinuedAnalysisGivesWhatTheWholeLogGives)
{
    for (const char* node : {"alpha", "beta", "gamma"}) {
        const std::string text = ReadWholeFile(std::string(TARVIX_SOURCE_DIR) + "/samples/binkd/" + node + "/binkd.log");
        int continued = 0;
        for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1)
            continued += ExpectContinuedAsWhole(text, {at, std::min(at + 20, text.size())});
        EXPECT_GT(continued, 10) << node;
    }
}
