// The Brake! parser in its own and the BinkleyTerm layout of versions 701 to 718:
// dates, sessions, calls, summaries, requests, brake!.ctl with its system names and
// file tree, highlighting, and damaged input.
#include "ParserHarness.h"

#include "engine/BrakeLog.h"
#include "engine/LogStyles.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

using namespace tarvix;
using namespace tarvix::test;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

class Brake : public ParserTest<TBrakeLog> {
public:
    Brake()
    {
        Write("brake!.ctl", "OUT BOSS 2:5020/52 7-095-123-4567\r\nINOUT UPLINK 2:5020/1\r\nCOMPLETE.\r\n");
        Install();
    }
    void Use(int version, bool bink = false)
    {
        log.SetBrkVersion(version);
        log.SetBinkStyle(bink);
    }
    // A line of the log's layout: the own layout with a task tag ("T01" before 716,
    // "T01,COM2" from 716 on) padded to the message column; the BinkleyTerm layout
    // with a flag character and the program tag.
    std::string L(std::string_view time, std::string_view msg, std::string_view date = {}, char flag = '+',
                  std::string_view tag = "BRK!") const
    {
        std::string s;
        if (log.BinkStyle()) {
            s = std::string(1, flag) + " " + std::string(date.empty() ? "28 Mar" : date) + " " + std::string(time) + " " +
                std::string(tag) + " ";
        } else {
            s = std::string(date.empty() ? "28/03/26" : date) + " " + std::string(time) + " " +
                (log.BrkVersion() < 716 ? "T01" : "T01,COM2");
            s.resize(static_cast<std::size_t>(log.MsgCol - 1), ' ');
        }
        return s + std::string(msg);
    }
    // An incoming EMSI session of 2:5020/52 up to its handshake.
    Lines Incoming(std::string_view time, std::string_view addr = "2:5020/52") const
    {
        return {L(time, "Incoming call, CONNECT 33600"), L(time, "Session with " + std::string(addr)),
                L(time, "Mailer: SuperMailer/2 1.05"), L(time, "System: Boss Station"),
                L(time, " Sysop: Ivan Petrov from Moscow"), L(time, " Phone: 7-095-123-4567")};
    }
    // The flags of the only session after a run of its lines.
    std::string Flags(const Lines& lines)
    {
        Run(lines);
        return FieldOf(Sess(0), 10);
    }
};

}  // namespace

// Whole logs of one version and layout and what they give.
struct BrakeCase {
    const char* name;
    int version;
    bool bink;
    Lines (*lines)(const Brake&);
    const char* sessions;
    const char* stats;
    const char* errors = "";
    const char* freqs = "";
};

class BrakeLogs : public Brake, public ::testing::WithParamInterface<BrakeCase> {};

TEST_P(BrakeLogs, GiveTheirSessions)
{
    Use(GetParam().version, GetParam().bink);
    ASSERT_TRUE(Run(GetParam().lines(*this)));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(ErrorLines(), GetParam().errors);
    EXPECT_EQ(Freqs(), GetParam().freqs);
}

INSTANTIATE_TEST_SUITE_P(
    B, BrakeLogs,
    ::testing::Values(
        // An incoming session forgets the address dialled and is booked under its own.
        BrakeCase{"IncomingForgetsTheDialAddress", 701, false,
                  [](const Brake& b) {
                      return Lines{b.L("10:00:00", "Calling node 2:5020/1, try 1"),
                                   b.L("10:00:30", "Not connected: NO CARRIER"), b.L("10:01:00", "Answering incoming call"),
                                   b.L("10:01:10", "Incoming call, CONNECT TCP/IP 192.0.2.7"),
                                   b.L("10:01:11", "Session with 2:5020/52"), b.L("10:01:11", "Mailer: M"),
                                   b.L("10:01:11", "System: S"), b.L("10:01:11", " Sysop: A from B"),
                                   b.L("10:01:11", " Phone: P"), b.L("10:01:12", "Using BinkP for transfer"),
                                   b.L("10:01:20", "Done, 2:5020/52, 0:00:10, 0/0, 0/0"),
                                   // a CONNECT inside a session is ignored; outside without one opens nothing
                                   b.L("11:00:00", "Incoming call, no answer from the modem"),
                                   b.L("11:00:05", "Incoming call, CONNECT 33600/ARQ"),
                                   b.L("11:00:10", "Outgoing call, CONNECT 9600"),
                                   b.L("11:00:20", "Session failed, no handshake"),
                                   b.L("11:01:00", "The CONNECT of a line that opens nothing")};
                  },
                  "4-11|2026-03-28 10:01:10|10:01:20|2:5020/52|M|A|P|S|1234|BinkP|Incoming OK FirstOfDay Listed|0/0|0/0|0\n13-15|2026-03-28 11:00:05|11:00:20|-|||||33600|???|Incoming Bad Listed|0/0|0/0|0\n",
                  "2:5020/1 calls=1 nc=1\n2:5020/52 in=1 inok=1 time=10\n"},
        // The summary's address names a session from 716 on, and a system name only
        // when the address is unknown.
        BrakeCase{"SummaryAddressesAndSystemNames", 716, false,
                  [](const Brake& b) {
                      return Lines{b.L("10:00:00", "Incoming call, CONNECT 33600"), b.L("10:00:05", "Mailer: Anonymous 1.0"),
                                   b.L("10:01:05", "Done, boss, 0:01:00, 0/0, 0/0"),
                                   b.L("11:00:00", "Incoming call, CONNECT 33600"), b.L("11:00:01", "Session with 2:5020/999"),
                                   b.L("11:01:00", "Done, UPLINK, 0:01:00, 0/0, 0/0"),
                                   b.L("12:00:00", "Calling node UPLINK, try 1"), b.L("12:00:30", "Not connected: BUSY"),
                                   b.L("13:00:00", "Incoming call, CONNECT 33600"),
                                   b.L("13:01:00", "Done, 2:5020/77, 0:01:00, x/3, 1/2"),
                                   b.L("13:02:00", "Incoming call, CONNECT 2400"), b.L("13:03:00", "Done, 2:5020/77"),
                                   b.L("13:04:00", "Incoming call, CONNECT 2400"),
                                   b.L("13:05:00", "Done, 2:5020/77, 0:01:00, 1/1, 5")};
                  },
                  "1-3|2026-03-28 10:00:00|10:01:05|2:5020/52|Anonymous 1.0||||33600|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n4-6|2026-03-28 11:00:00|11:01:00|2:5020/999|||||33600|???|Incoming OK Listed|0/0|0/0|0\n9-10|2026-03-28 13:00:00|13:01:00|2:5020/77|||||33600|???|Incoming OK Listed|0/0|0/0|0\n11-12|2026-03-28 13:02:00|13:03:00|2:5020/77|||||2400|???|Incoming OK Listed|0/0|0/0|0\n13-14|2026-03-28 13:04:00|13:05:00|2:5020/77|||||2400|???|Incoming OK Listed|0/0|0/0|0\n",
                  "2:5020/1 calls=1 busy=1\n2:5020/52 in=1 inok=1 time=65\n2:5020/77 in=3 inok=3 time=180\n2:5020/999 in=1 inok=1 time=60\n",
                  "10 12 14"},
        // Call results count for the address dialled, which stays for a later session.
        BrakeCase{"CallResults", 703, false,
                  [](const Brake& b) {
                      return Lines{b.L("10:00:00", "Not connected: BUSY"), b.L("10:00:01", "Not connected: NO CARRIER"),
                                   b.L("10:00:02", "Connection timed out"), b.L("10:01:00", "Calling node 2:5020/52, try 1"),
                                   b.L("10:01:30", "Not connected: BUSY"), b.L("10:02:00", "Calling node 2:5020/52, try 2"),
                                   b.L("10:02:30", "Not connected: NO CARRIER"), b.L("10:03:00", "Calling node 2:5020/52, try 3"),
                                   b.L("10:03:30", "Connection timed out"), b.L("10:04:00", "Calling node 2:5020/52, try 4"),
                                   b.L("10:04:30", "Not connected: NO DIAL TONE"),
                                   b.L("10:04:31", "Not connected: BUSY, twice"),
                                   b.L("10:05:00", "Calling node 2:5020/52.3, try 1"), b.L("10:05:30", "Not connected: BUSY"),
                                   b.L("10:06:00", "Outgoing call, CONNECT 14400"), b.L("10:06:10", "Session with 2:5020/52"),
                                   b.L("10:07:00", "Done, 2:5020/52, 0:00:50, 0/0, 0/0"),
                                   b.L("10:08:00", "Calling node 2:5020/52, try 1"), b.L("10:08:10", "Calling"),
                                   b.L("10:08:20", "Not connected: NO CARRIER"), b.L("10:08:30", "Calling node"),
                                   b.L("10:08:40", "Calling node , try 1"), b.L("10:09:10", "Calling node 2:junk/1, try 1"),
                                   b.L("10:09:20", "Not connected: NO CARRIER")};
                  },
                  "15-17|2026-03-28 10:06:00|10:07:00|2:5020/52|||||14400|???|OK FirstOfDay Listed|0/0|0/0|0\n",
                  "2:5020/52 calls=5 busy=1 nc=2\n2:5020/52.3 calls=1 busy=1 out=1 outok=1 time=60\n",
                  "23"},
        // Human callers end with the next line that is no handshake line.
        BrakeCase{"HumanCallers", 701, false,
                  [](const Brake& b) {
                      return Lines{b.L("10:00:00", "Incoming call, CONNECT 2400"),
                                   b.L("10:00:05", "Human caller, starting the terminal"),
                                   b.L("10:00:06", "Session with 2:5020/52"), b.L("10:05:00", "Answering incoming call"),
                                   b.L("10:05:10", "Incoming call, CONNECT 2400"),
                                   b.L("10:05:15", "Humman caller, starting the terminal"),
                                   b.L("10:09:00", "Calling node 2:5020/52, try 1"), b.L("10:09:30", "Not connected: BUSY"),
                                   b.L("10:10:00", "Incoming call, CONNECT 2400"),
                                   b.L("10:10:05", "Human caller, starting the terminal"),
                                   b.L("10:12:00", "Done, 2:5020/52, 0:00:50, 0/0, 0/0")};
                  },
                  "1-4|2026-03-28 10:00:00|10:05:00|-|||||2400|???|Incoming OK Human FirstOfDay Listed|0/0|0/0|0\n5-7|2026-03-28 10:05:10|10:09:00|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n9-11|2026-03-28 10:10:00|10:12:00|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n",
                  "2:5020/52 calls=1 busy=1\n"},
        // The handshake's states in order; a mailer line without a session line
        // forgets the address; a bad password fails the session.
        BrakeCase{"HandshakeStates", 716, true,
                  [](const Brake& b) {
                      return Lines{b.L("10:00:00", "Incoming call, CONNECT 33600"),
                                   b.L("10:00:01", "Password \"abc\" from 2:5020/52 not valid"),
                                   b.L("10:00:01", "System: Too Early"), b.L("10:00:02", "Session with 2:5020/52"),
                                   b.L("10:00:02", "Password is not valid here"),
                                   b.L("10:00:02", " Sysop: Too Early from Here"), b.L("10:00:03", "Mailer: Brake!/DOS 7.16"),
                                   b.L("10:00:03", "System: The Station"), b.L("10:00:03", " Sysop: Sergey Ivanov"),
                                   b.L("10:00:03", " Phone: Unpublished"), b.L("10:00:04", "Using Hydra for transfer, RH1 mode"),
                                   b.L("10:00:05", "Session failed, password error"),
                                   b.L("11:00:00", "Calling node 2:5020/53, try 1"),
                                   b.L("11:00:30", "Outgoing call, CONNECT 33600"), b.L("11:00:31", "Mailer: FrontDoor 2.26"),
                                   b.L("11:00:31", "System: Other Station"), b.L("11:00:31", " Sysop: from Minsk"),
                                   b.L("11:00:31", " Phone: 375-17-000"), b.L("11:00:32", "Using ZedZap (for transfer)"),
                                   b.L("11:00:33", "Using DirZap"), b.L("11:01:00", "Done, 2:5020/53, 0:00:30, 1/0, 100/0"),
                                   // lines of other programs change nothing
                                   b.L("12:00:00", "Incoming call, CONNECT 33600", {}, '+', "SQSH"),
                                   b.L("12:00:00", "Incoming call, CONNECT 33600"),
                                   b.L("12:00:01", "Session with 2:5020/54", {}, ':', "BRK"),
                                   b.L("12:00:02", "Session with 2:5020/54"),
                                   b.L("12:00:03", "Done, 2:5020/99, 0:00:02, 1/1, 1/1", {}, '+', "SQSH"),
                                   b.L("12:00:04", "Carrier lost", {}, '!', "FAST"), "+ 28 Mar 12:00:05 BRK",
                                   b.L("12:00:06", "Done, 2:5020/54, 0:00:06, 2/2, 20/20")};
                  },
                  "1-12|2026-03-28 10:00:00|10:00:05|2:5020/52|Brake!/DOS 7.16||Unpublished|The Station|33600|xHydra|Incoming Bad BadPassword FirstOfDay Listed|0/0|0/0|0\n14-21|2026-03-28 11:00:30|11:01:00|2:5020/53|FrontDoor 2.26||375-17-000|Other Station|33600|ZedZap|OK Listed|0/1|0/100|3\n23-29|2026-03-28 12:00:00|12:00:06|2:5020/54|||||33600|???|Incoming OK Listed|2/2|20/20|3\n",
                  "2:5020/52 in=1 time=5\n2:5020/53 calls=1 out=1 outok=1 rcvd=100 time=30 cps=3\n2:5020/54 in=1 inok=1 sent=20 rcvd=20 time=6 cps=3\n"},
        // The BinkleyTerm layout has no year: the last line is in the current year, so
        // a session over New Year's midnight begins in the year before.
        BrakeCase{"BinkleyTermSessionOverNewYearsMidnight", 716, true,
                  [](const Brake& b) {
                      return Lines{b.L("23:59:00", "Incoming call, CONNECT 33600", "31 Dec"),
                                   b.L("23:59:05", "Session with 2:5020/52", "31 Dec"),
                                   b.L("00:01:00", "Done, 2:5020/52, 0:02:00, 0/0, 0/1 200", "01 Jan"),
                                   b.L("00:05:00", "Incoming call, CONNECT 33600", "01 Jan"),
                                   b.L("00:06:00", "Session failed, no handshake", "01 Jan")};
                  },
                  "1-3|2025-12-31 23:59:00|2026-01-01 00:01:00|2:5020/52|||||33600|???|Incoming OK FirstOfDay Listed|0/0|1200/0|10\n4-5|2026-01-01 00:05:00|00:06:00|-|||||33600|???|Incoming Bad FirstOfDay Listed|0/0|0/0|0\n",
                  ""},
        // 701: requests are the files sent after "Sending FREQed files"; a received
        // file clears the one pending; the later form is nothing.
        BrakeCase{"RequestedFilesOf701", 701, false,
                  [](const Brake& b) {
                      return b.Incoming("10:00:01") +
                             Lines{b.L("10:00:02", "Using ZedZap for transfer"),
                                   b.L("10:00:03", "Z-Send 0001.PKT, 100 bytes"), b.L("10:00:04", "Z-Sent 0001.PKT, 100 cps"),
                                   b.L("10:00:05", "Sending FREQed files"), b.L("10:00:06", "Sending from FILES\\NODELIST"),
                                   b.L("10:00:07", "Z-Send nodelist.zip, 123 456 bytes"),
                                   b.L("10:00:08", "Sending from FILES\\NODELIST"),
                                   b.L("10:00:30", "Z-Sent nodelist.zip, 5 000 cps"), b.L("10:00:31", "Z-Send SOFT.ZIP, 10 bytes"),
                                   b.L("10:00:32", "Z-Receive 0002.PKT, 10 bytes"), b.L("10:00:33", "Z-Sent SOFT.ZIP, 10 cps"),
                                   b.L("10:00:34", "ZS NOT701.ZIP, 10 bytes"), b.L("10:00:35", "SE NOT701.ZIP 10 cps"),
                                   b.L("10:00:40", "Done, 2:5020/52, 0:00:40, 1/3, 10/123 566")};
                  },
                  "1-20|2026-03-28 10:00:01|10:00:40|2:5020/52|SuperMailer/2 1.05|Ivan Petrov|7-095-123-4567|Boss Station|33600|ZedZap|Incoming OK FirstOfDay Listed|3/1|123566/10|3168\n",
                  "2:5020/52 in=1 inok=1 sent=123566 rcvd=10 time=39 cps=3168\n",
                  "",
                  "NODELIST.ZIP|NODELIST.ZIP|2:5020/52|14|sent|\nSOFT.ZIP|SOFT.ZIP|2:5020/52|15|-|\n"},
        // Later versions; a send left pending does not reach into the next session;
        // requests need a known requester.
        BrakeCase{"RequestedFilesOfLaterVersions", 716, true,
                  [](const Brake& b) {
                      return b.Incoming("10:00:01") +
                             Lines{b.L("10:00:02", "Sending FREQed files"), b.L("10:00:03", "HS NODELIST.ZIP, 123 456 bytes"),
                                   b.L("10:00:30", "SE NODELIST.ZIP 5000 cps"), b.L("10:00:31", "SE NODELIST.ZIP 5000 cps"),
                                   b.L("10:00:32", "Z-Send OLD.ZIP, 1 byte"), b.L("10:00:33", "Z-Sent OLD.ZIP"),
                                   b.L("10:00:34", "HS ,"), b.L("10:00:35", "SE ,"), b.L("10:00:36", "HS"),
                                   b.L("10:00:37", "HS NODELIST.ZIP, 123 456 bytes"), b.L("10:00:38", "Carrier lost"),
                                   b.L("10:00:39", "SE NODELIST.ZIP 5000 cps"), b.L("10:00:40", "HS PENDING.ZIP, 1 bytes"),
                                   b.L("10:00:41", "Done, 2:5020/52, 0:00:40, 0/2, 0/123 456")} +
                             b.Incoming("11:00:01") +
                             Lines{b.L("11:00:02", "Sending FREQed files"), b.L("11:00:03", "SE PENDING.ZIP 1 cps"),
                                   b.L("11:00:10", "Done, 2:5020/52, 0:00:10, 0/0, 0/0"),
                                   b.L("12:00:00", "Incoming call, CONNECT 33600"), b.L("12:00:01", "Mailer: Anonymous 1.0"),
                                   b.L("12:00:02", "Sending FREQed files"), b.L("12:00:03", "HS NODELIST.ZIP, 1 bytes"),
                                   b.L("12:00:04", "SE NODELIST.ZIP 1 cps"),
                                   b.L("12:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1")};
                  },
                  "1-20|2026-03-28 10:00:01|10:00:41|2:5020/52|SuperMailer/2 1.05|Ivan Petrov|7-095-123-4567|Boss Station|33600|???|Incoming FirstOfDay Listed|2/0|123456/0|3086\n21-29|2026-03-28 11:00:01|11:00:10|2:5020/52|SuperMailer/2 1.05|Ivan Petrov|7-095-123-4567|Boss Station|33600|???|Incoming OK Listed|0/0|0/0|0\n30-35|2026-03-28 12:00:00|12:00:10|2:5020/52|Anonymous 1.0||||33600|???|Incoming OK Listed|1/0|1/0|0\n",
                  "2:5020/52 in=3 inok=2 sent=123457 time=59 cps=2092\n",
                  "",
                  "NODELIST.ZIP|NODELIST.ZIP|2:5020/52|16|sent|\nPENDING.ZIP|PENDING.ZIP|2:5020/52|19|-|\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Brake, DatesOfBothLayouts)
{
    Use(703);
    EXPECT_EQ(log.TimeOfLine(L("10:21:07", "x")), At(2026, 3, 28, 10, 21, 7));
    // Two-digit years: 00-79 are this century, 80-99 the last one.
    EXPECT_EQ(log.DateOfLine("31/12/05 23:59:59 T01   x"), EncodeDate(2005, 12, 31));
    EXPECT_EQ(log.DateOfLine("31/12/99 23:59:59 T01   x"), EncodeDate(1999, 12, 31));
    EXPECT_EQ(log.DateOfLine("01/01/80 00:00:00 T01   x"), EncodeDate(1980, 1, 1));
    for (const char* bad : {"32/01/26 00:00:00 T01   x", "01/13/26 00:00:00 T01   x", "01/01/-5 00:00:00 T01   x",
                            "ab/01/26 00:00:00 T01   x", "01/01/26 24:00:00 T01   x", "01/01/26 10:0x:00 T01   x",
                            "01/01/26 10:00", "01/01"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    Use(716, true);
    EXPECT_EQ(log.TimeOfLine(L("23:59:58", "x", "01 Jan")), At(2026, 1, 1, 23, 59, 58));
    EXPECT_EQ(log.DateOfLine(L("00:00:00", "x", "31 Dec")), EncodeDate(2026, 12, 31));
    for (const std::string& bad : {L("00:00:00", "x", "01 jan"), L("00:00:00", "x", "30 Feb"), std::string("+ 01")})
        EXPECT_THROW(log.DateOfLine(bad), EConvertError) << bad;
    // Days follow the date columns; a line cut short by a crash keeps its day; in the
    // BinkleyTerm layout the lines of other programs start days too.
    Use(716);
    ASSERT_TRUE(Run({L("23:00:00", "Ready"), L("23:59:59", "Ready"), "28/03/26 1", L("00:00:01", "Ready", "29/03/26")}));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 4);
    EXPECT_EQ(ErrorLines(), "");
    Use(703, true);
    ASSERT_TRUE(Run({L("23:00:00", "Ready"), L("00:10:00", "Scanning", "29 Mar", '+', "SQSH"), L("00:20:00", "Ready", "29 Mar")}));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 2);
}

TEST_F(Brake, SummaryByteCountsWithBlanksSignsAndDamage)
{
    Use(716);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1 234 567/89 012", "5/4|89012/1234567"}, {"  12 / 3 ", "5/4|3/12"}, {"+12/-3", "5/4|-3/12"}, {"- 5/0", "5/4|0/-5"},
        {"922 337 203 685 477 579 9/0", "5/4|0/9223372036854775799"},
        {"922 337 203 685 477 580 0/0", "'9223372036854775800' is not a valid integer value"},
        {"1\t2/3", "'1\t2' is not a valid integer value"}, {"12", "'' is not a valid integer value"},
        {"/7", "'' is not a valid integer value"}, {"7/", "'' is not a valid integer value"},
        {"1/+", "'+' is not a valid integer value"}, {"1 x/2", "'1x' is not a valid integer value"},
        {"1/2/3", "'2/3' is not a valid integer value"}};
    for (const auto& [bytes, want] : cases) {
        ASSERT_TRUE(Run({L("10:00:00", "Incoming call, CONNECT 33600"), L("10:00:10", "Session with 2:5020/52"),
                         L("10:00:30", "Done, 2:5020/52, 0:00:30, 4/5, " + bytes)}));
        ASSERT_EQ(log.SessCount(), 1u);  // ended in any case
        const std::string s = Sess(0);
        const std::string got = window.errors.empty() ? FieldOf(s, 11) + "|" + FieldOf(s, 12) : window.errors[0].second;
        EXPECT_EQ(got, want) << bytes;
    }
}

TEST_F(Brake, FailureTextsAreFoundWhereverTheyStand)
{
    Use(703);
    for (const auto& [line, clears] : std::vector<std::pair<std::string, bool>>{
             {"Carrier lost", true}, {"Transfer stopped: Carrier lost", true}, {"Too low CPS (12), dropping", true},
             {"Speed was Too low CPS", false}, {"Receiving timed out", true}, {"Canceled by remote side", true},
             {"Transfer Canceled by remote", false}, {"Carrier Lost", false}})
        EXPECT_EQ(Flags({L("10:00:00", "Incoming call, CONNECT 33600"), L("10:00:10", "Session with 2:5020/52"),
                         L("10:00:20", line), L("10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}),
                  clears ? "Incoming FirstOfDay Listed" : "Incoming OK FirstOfDay Listed")
            << line;
    // Either text at any place of a line of any length; the filler holds their letters.
    Use(716);
    const std::string filler = "t Ct tCarrier lo timed o Carrier-lost tt ";
    for (std::string_view text : {"Carrier lost", "timed out", "Carrier losT", "timed  out", "Carrier los"}) {
        const bool clears = text == "Carrier lost" || text == "timed out";
        for (std::size_t lead = 0; lead <= filler.size(); lead += 2)
            for (std::size_t tail = 0; tail <= 17; tail += 3) {
                const std::string msg = filler.substr(0, lead) + std::string(text) + std::string(tail, 'x');
                ASSERT_TRUE(Run({L("10:00:00", "Incoming call, CONNECT 33600"), L("10:00:10", "Session with 2:5020/52"),
                                 L("10:00:20", msg), L("10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}));
                EXPECT_EQ(log.GetSess(0).Has(sfOK), !clears) << msg;
            }
    }
}

TEST_F(Brake, SysopNameBeforeTheWordFrom)
{
    Use(703);
    for (const auto& [value, sysop] : std::vector<std::pair<std::string, std::string>>{
             {"Ivan Petrov from Moscow", "Ivan Petrov"}, {"Alfromeo Bianchi from Rome", "Alfromeo Bianchi"},
             {"Olaf Mefrom from Oslo", "Olaf Mefrom"}, {"Jo from", "Jo"}, {"from Minsk", ""}, {"Nobody", ""},
             {"A from B from C", "A"}}) {
        ASSERT_TRUE(Run({L("10:00:00", "Incoming call, CONNECT 33600"), L("10:00:01", "Session with 2:5020/52"),
                         L("10:00:01", "Mailer: M"), L("10:00:01", "System: S"), L("10:00:01", " Sysop: " + value),
                         L("10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}));
        EXPECT_EQ(log.GetSess(0).SysOp, sysop) << value;
    }
}

TEST_F(Brake, AliasNamesNewPartAndDownloadCounters)
{
    Write("brake!.ctl", "ALIAS FILES\r\nALIAS nodelist.zip\r\nTREE FILES\r\n");
    Write("FILES/NodeList/nodelist.zip", "zip");
    Write("FILES/NodeList/files.bbs", "NODELIST.ZIP [004] The nodelist\r\nOTHER.ZIP   Other\r\n");
    Write("FILES/SOFT/Tool.zip", "zip");
    Use(703);
    log.UpdateDLC = true;
    log.AutoNew = true;
    Lines lines = Incoming("10:00:01") + Lines{L("10:00:02", "Sending FREQed files"), L("10:00:03", "HS OLD.ZIP, 1 bytes"),
                                               L("10:00:04", "SE OLD.ZIP 1 cps"),
                                               L("10:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1"),
                                               L("11:00:00", "Incoming call, CONNECT 33600")};
    log.LastStr = lines.back().substr(0, 20);
    lines = lines + Incoming("11:00:01") +
            Lines{L("11:00:02", "Sending FREQed files"), L("11:00:03", "HS NODELIST.ZIP, 123 456 bytes"),
                  L("11:00:04", "HS FILES, 1 bytes"), L("11:00:05", "SE FILES 1 cps"), L("11:00:06", "HS NODELIST.ZIP, 3 bytes"),
                  L("11:00:07", "SE NODELIST.ZIP 3 cps"), L("11:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1")};
    ASSERT_TRUE(Run(lines));
    // Alias names leave the requests as they are.
    EXPECT_EQ(log.AliasNames(), (std::vector<std::string>{"FILES", "nodelist.zip"}));
    EXPECT_TRUE(log.Aliases().empty());
    EXPECT_EQ(Freqs(), "OLD.ZIP|OLD.ZIP|2:5020/52|9|sent|\nNODELIST.ZIP|NODELIST.ZIP|2:5020/52|23|sent|\n"
                       "FILES|FILES|2:5020/52|21|sent|\n");
    EXPECT_EQ(log.FirstNewSess, 1);
    EXPECT_EQ(log.FirstNewFreq, 1);
    // The files are found in the tree; only the sends of the new part count.
    EXPECT_EQ(ToHostPath(log.ResolveFreqName("NODELIST.ZIP")), dir / "FILES/NodeList/nodelist.zip");
    EXPECT_NE(log.ResolveFreqName("TOOL.ZIP"), "");
    EXPECT_EQ(log.ResolveFreqName("MISSING.ZIP"), "");
    ASSERT_EQ(log.DLCList().size(), 2u);
    log.UpdateCounters();
    EXPECT_EQ(Read("FILES/NodeList/files.bbs"), "NODELIST.ZIP [005] The nodelist\r\nOTHER.ZIP   Other\r\n");
    EXPECT_EQ(TBrakeLog().ResolveFreqName("NODELIST.ZIP"), "");  // no tree read yet
}

TEST_F(Brake, SystemNamesOnlyFrom716)
{
    // Before 716 the system names are not read and the global table is left alone.
    Write("brake!.ctl", "ALIAS TWO\r\nOUT BOSS 2:50x0/52\r\n");
    AddAlias(TFidoAddr::CreateStr("2:5020/444"), "STALE");
    Use(703);
    ASSERT_TRUE(Run({L("10:00:00", "Ready")}));
    EXPECT_EQ(log.AliasNames(), std::vector<std::string>{"TWO"});
    EXPECT_EQ(log.Tree(), "");
    EXPECT_EQ(log.SystemAliases().Count(), 0u);
    EXPECT_EQ(Aliases().size(), 1u);  // only the one set before
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(Brake, ConfigurationErrorsEndTheAnalysis)
{
    Use(716);
    for (const std::string ctl : {"", "TREE NOWHERE\r\n", "TREE\r\n", "OUT BOSS 2:50x0/52\r\n", "OUT \"BOSS 2:5020/52\r\n",
                                  "#Include nothere.ctl\r\n", "#Include brake!.ctl\r\n"}) {
        fs::remove(dir.path / "brake!.ctl");
        if (!ctl.empty())
            Write("brake!.ctl", ctl);
        dialogs.Shown.clear();
        EXPECT_FALSE(Run({L("10:00:00", "Incoming call, CONNECT 33600")})) << ctl;
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    }
}
