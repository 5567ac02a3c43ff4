// The Argus parser: line layouts of both version ranges, the session states,
// transfers and file requests, highlighting, options, and damaged input.
#include "ParserHarness.h"

#include "engine/ArgusLog.h"
#include "engine/LogStyles.h"
#include "fido/Lng.h"
#include "platform/Error.h"
#include "platform/IniFile.h"

using namespace tarvix;
using namespace tarvix::test;

namespace {

constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Writes log lines in the layout of one version range, with a clock that moves on
// by a second per line unless told otherwise.
class Script {
public:
    explicit Script(bool longYear = false) : longYear_(longYear) {}

    // A line with the given message; the marker goes in column 1.
    Script& operator()(std::string_view message, char marker = ' ')
    {
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%c %02d-%s-%0*d %02d:%02d:%02d ", marker, day_, kMonthNames[month_ - 1],
                      longYear_ ? 4 : 2, longYear_ ? year_ : year_ % 100, secs_ / 3600, secs_ / 60 % 60, secs_ % 60);
        secs_ += 1;
        return Raw(stamp + std::string(message));
    }
    // A line as it stands (damaged lines).
    Script& Raw(std::string_view line)
    {
        text_ += std::string(line) + "\r\n";
        return *this;
    }
    Script& Wait(int seconds)
    {
        secs_ += seconds;
        return *this;
    }
    Script& At(int h, int m, int s)
    {
        secs_ = h * 3600 + m * 60 + s;
        return *this;
    }
    Script& Date(int year, int month, int day)
    {
        year_ = year, month_ = month, day_ = day;
        return *this;
    }
    // The handshake of a remote station up to the protocol line.
    Script& Handshake(std::string_view addr = "2:5020/1042", std::string_view protocol = "Hydra")
    {
        (*this)("   Station : Hedgehog's Burrow");
        (*this)(std::string("   Address : ") + std::string(addr) + "@fidonet 2:5020/1042.5@fidonet");
        (*this)("     SysOp : Vera Orlova from Tver");
        (*this)("     Phone : 7-0822-55-1042");
        (*this)("    Mailer : Argus 3.210 (Win32)");
        return (*this)(std::string("Establishing ") + std::string(protocol) + " session");
    }
    const std::string& Text() const { return text_; }

private:
    bool longYear_;
    int year_ = 2026, month_ = 3, day_ = 14;
    int secs_ = 10 * 3600;
    std::string text_;
};

class Argus : public ParserTest<TArgusLog> {
protected:
    bool RunScript(const Script& s) { return RunText(s.Text()); }
};

struct ArgusCase {
    const char* name;
    void (*build)(Script&);
    const char* sessions;
    const char* stats;
    const char* errors = "";
    const char* freqs = "";
};

class ArgusLogs : public Argus, public ::testing::WithParamInterface<ArgusCase> {};

}  // namespace

TEST_P(ArgusLogs, GiveTheirSessions)
{
    Script s;
    GetParam().build(s);
    ASSERT_TRUE(RunScript(s));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(ErrorLines(), GetParam().errors);
    EXPECT_EQ(Freqs(), GetParam().freqs);
}

INSTANTIATE_TEST_SUITE_P(
    A, ArgusLogs,
    ::testing::Values(
        // CONNECT opens sessions in the direction of the last call; answering forgets
        // the number called before.
        ArgusCase{"DirectionOfTheLastCall",
                  [](Script& s) {
                      s("CONNECT 2400", '+')("Carrier lost", '!');
                      s("Answering call")("CONNECT 14400/ARQ/V32BIS", '+')("Carrier lost", '!');
                      s("CONNECT 9600", '+')("Carrier lost", '!');
                      s("Calling 2:5020/1042")("CONNECT TCP/IP", '+')("Carrier lost", '!');
                      s("Calling 2:5030/88")("BUSY", '?');
                      s("Answering call")("CONNECT 33600", '+').Handshake("2:5020/1042")("Session complete", '+');
                  },
                  "1-2|2026-03-14 10:00:00|10:00:01|-|||||2400|???|Bad FirstOfDay Listed|0/0|0/0|0\n4-5|2026-03-14 10:00:03|10:00:04|-|||||14400|???|Incoming Bad Listed|0/0|0/0|0\n6-7|2026-03-14 10:00:05|10:00:06|-|||||9600|???|Incoming Bad Listed|0/0|0/0|0\n9-10|2026-03-14 10:00:08|10:00:09|-|||||1234|???|Bad Listed|0/0|0/0|0\n14-21|2026-03-14 10:00:13|10:00:20|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|33600|Hydra|Incoming OK Listed|0/0|0/0|0\n",
                  "2:5020/1042 calls=1 out=1 in=1 inok=1 time=8\n2:5030/88 calls=1 busy=1\n"},
        // The handshake fills the session in order; lines out of their state are ignored.
        ArgusCase{"HandshakeInOrder",
                  [](Script& s) {
                      s("Calling 2:5020/1042")("CONNECT 31200/ARQ/V34/LAPM/V42BIS", '+')("   Address : 2:9999/9");
                      s("Establishing EMSI handshake")("   Station : The Black Cat BBS")("     SysOp : Nobody");
                      s("   Address : 2:5020/1042@fidonet 2:5020/1042.1@fidonet");
                      s("     SysOp : Ivan Petrov from Moscow, Russia")("    Mailer : too early");
                      s("    Number : 7-095-555-1042")("    Mailer : Argus 3.210 (Win32)")("Password-protected session");
                      s("Sending 'C:\\FIDO\\X.PKT', (100b)")("Establishing ZedZap session")("Session complete", '+');
                  },
                  "2-15|2026-03-14 10:00:01|10:00:14|2:5020/1042|Argus 3.210 (Win32)|Ivan Petrov|7-095-555-1042|The Black Cat BBS|31200|ZedZap|OK Password FirstOfDay Listed|0/0|0/0|0\n",
                  "2:5020/1042 calls=1 out=1 outok=1 time=13\n"},
        // A wrong password ends the session; transfers need a protocol.
        ArgusCase{"PasswordsAndTheProtocolStep",
                  [](Script& s) {
                      s("Answering call")("CONNECT 2400", '+')("   Station : S")("   Address : 2:5020/1")("     SysOp : A")(
                          "     Phone : 1")("    Mailer : M");
                      s("Remote presented the password of another link", '!');
                      s("Remote presented a wrong password, the right one required", '!');
                      s("Password mismatch, disconnecting", '!');
                      s("Calling 2:5020/2")("CONNECT 2400", '+')("   Station : S")("   Address : 2:5020/2")("     SysOp : A")(
                          "     Phone : 1")("    Mailer : M")("We have 2 files for the remote");
                      s("Sending 'A.PKT', (100b)")("Sent 'A.PKT'")("Session complete", '+');
                      s("Calling 2:463/68")("CONNECT TCP/IP", '+')("Establishing BinkP session")("   Station : S")(
                          "   Address : 2:463/68")("     SysOp : A")("     Phone : 1")("    Mailer : M")(
                          "We have 1 files for the remote");
                      s("Sending 'B.PKT', (200b)")("Sent 'B.PKT'")("Session complete", '+');
                  },
                  "2-10|2026-03-14 10:00:01|10:00:09|2:5020/1|M|A|1|S|2400|???|Incoming BadPassword FirstOfDay Listed|0/0|0/0|0\n12-21|2026-03-14 10:00:11|10:00:20|2:5020/2|M|A|1|S|2400|???|OK Listed|0/0|0/0|0\n23-33|2026-03-14 10:00:22|10:00:32|2:463/68|M|A|1|S|1234|BinkP|OK Listed|1/0|200/0|20\n",
                  "2:463/68 calls=1 out=1 outok=1 sent=200 time=10 cps=20\n2:5020/1 in=1 time=8\n2:5020/2 calls=1 out=1 outok=1 time=9\n"},
        // A session over midnight ends on the next day; the clock set back.
        ArgusCase{"SessionOverMidnight",
                  [](Script& s) {
                      s.Date(2026, 3, 14).At(23, 59, 50)("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
                      s.Date(2026, 3, 15).At(0, 0, 10)("Session complete", '+');
                      s.At(0, 5, 0)("Calling 2:5020/1042")("CONNECT 33600", '+')("Session complete", '+');
                      s.Date(2026, 3, 14).At(23, 0, 0)("CONNECT 2400", '+')("Session complete", '+');
                  },
                  "2-9|2026-03-14 23:59:51|2026-03-15 00:00:10|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|33600|Hydra|OK FirstOfDay Listed|0/0|0/0|0\n11-12|2026-03-15 00:05:01|00:05:02|-|||||33600|???|OK FirstOfDay Listed|0/0|0/0|0\n13-14|2026-03-14 23:00:00|23:00:01|-|||||2400|???|OK FirstOfDay Listed|0/0|0/0|0\n",
                  "2:5020/1042 calls=1\n"},
        // "Sent" and "Received" in a line of a later kind end a pending transfer; an
        // incoming failure without an address is not booked.
        ArgusCase{"TransfersBetweenTheLineKinds",
                  [](Script& s) {
                      s("CONNECT 2400", '+').Handshake()("Sending 'A.PKT', (10b)")("Sending 'Sent.PKT', (20b)");
                      s("Receiving 'Sent.TXT', (40b)")("Receiving 'D.PKT', (40b)")("Remote refused 'Received.TXT'", '?');
                      s("Sending 'B.PKT', (80b)")("Sent 'B.PKT'")("Receiving 'C.PKT', (160b)");
                      s("Protocol aborted, nothing Received", '!')("Received 'C.PKT'")("Session complete", '+');
                      s("Answering call")("CONNECT 2400", '+')("Carrier lost", '!');
                  },
                  "1-18|2026-03-14 10:00:00|10:00:17|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|2400|Hydra|OK FirstOfDay Listed|3/2|100/200|11\n20-21|2026-03-14 10:00:19|10:00:20|-|||||2400|???|Incoming Bad Listed|0/0|0/0|0\n",
                  "2:5020/1042 out=1 outok=1 sent=100 rcvd=200 time=17 cps=11\n"},
        // Sent and received files are credited when reported, from their offsets.
        ArgusCase{"SentAndReceivedFiles",
                  [](Script& s) {
                      s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
                      s("Sending 'C:\\FIDO\\OUTBOUND\\0000FFFF.OUT' -> '1A2B3C4D.PKT', (1,234b)")("Sent '1A2B3C4D.PKT'");
                      s("Sending 'C:\\FIDO\\FILES\\BIG.ZIP', (2,345,678b)")("Transmitting from offset 1000")("Sent 'BIG.ZIP'");
                      s("Sending 'C:\\FIDO\\FILES\\HUGE.ISO', (5,000,000,000b)")("Sent 'HUGE.ISO'")("Sent 'HUGE.ISO'");
                      s("Sending 'C:\\FIDO\\FILES\\NOT.ZIP', (700b)")("Remote refused 'NOT.ZIP'", '?')("Sent 'NOT.ZIP'");
                      s("Received 'EARLY.PKT'")("Receiving '1A2B3C4D.PKT', (4,096b)")("Received '1A2B3C4D.PKT', 2,048 cps");
                      s("Receiving 'NODELIST.Z65', (300,000b)")("Receiving from offset 100,000")("Received 'NODELIST.Z65'");
                      s("Receiving 'DUP.PKT', (999b)")("Receiving file was skipped (already here)", '?')("Received 'DUP.PKT'");
                      s("Receiving 'GONE.PKT', (50b)")("Protocol aborted by the remote", '!')("Received 'GONE.PKT'");
                      s("Receiving 'PART.ZIP', (90,000b)")("Partial file 'PART.ZIP' is temporarily stored, (40,960b)");
                      s("Some text that is temporarily stored, without a size")("Session complete", '+');
                      // Offsets count only while a size is pending; never less than nothing.
                      s("CONNECT 2400", '+').Handshake()("Transmitting from offset garbage")("Receiving from offset garbage");
                      s("Sending 'A', (0b)")("Transmitting from offset 500")("Sent 'A'");
                      s("Sending 'B', (1,000b)")("Transmitting from offset 1,500")("Sent 'B'");
                      s("Sending 'C', (1,000b)")("Transmitting from offset 100")("Transmitting from offset 100")("Sent 'C'");
                      s("Receiving 'D', (1,000b)")("Receiving from offset 2,000")("Receiving from offset 5")("Received 'D'");
                      s("Session complete", '+');
                  },
                  "2-35|2026-03-14 10:00:01|10:00:34|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|33600|Hydra|OK FirstOfDay Listed|4/5|5002345912/245056|151586239\n36-59|2026-03-14 10:00:35|10:00:58|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|2400|Hydra|OK Listed|3/1|800/0|34\n",
                  "2:5020/1042 calls=1 out=2 outok=2 sent=5002346712 rcvd=245056 time=56 cps=89327619\n"},
        // A CONNECT forgets the transfers the session before left waiting.
        ArgusCase{"ConnectDropsATransferLeftByTheSessionBefore",
                  [](Script& s) {
                      s("CONNECT 2400", '+').Handshake()("Sending 'A.ZIP', (5,000b)")("Receiving 'B.ZIP', (7,000b)");
                      s("Carrier lost", '!');
                      s("CONNECT 2400", '+').Handshake()("Sent 'A.ZIP'")("Received 'B.ZIP'")("Session complete", '+');
                  },
                  "1-10|2026-03-14 10:00:00|10:00:09|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|2400|Hydra|FirstOfDay Listed|1/1|0/0|0\n11-20|2026-03-14 10:00:10|10:00:19|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|2400|Hydra|OK Listed|0/0|0/0|0\n",
                  "2:5020/1042 out=2 outok=1 time=18\n"},
        ArgusCase{"FileRequestsAndTheFilesSentForThem",
                  [](Script& s) {
                      s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
                      s("File request \"nodelist.z65\" with a password");
                      s("Sending 'C:\\FIDO\\FILES\\NODELIST.Z65', (300,000b)")("Sent 'NODELIST.Z65'");
                      s("File request \"NODE*\"");
                      s("Sending 'C:\\FIDO\\FILES\\NODEDIFF.A72', (20,000b)")("Sent 'NODEDIFF.A72'");
                      s("Sending 'C:\\FIDO\\FILES\\NODELIST.Z65', (300,000b)")("Sent 'NODELIST.Z65'");
                      s("File request \"WINDOWS.ZIP\"")("Cannot fulfill file request \"WINDOWS.ZIP\"", '?');
                      s("Cannot fulfill file request \"DOOM.WAD\"", '?');
                      s("File request \"\"")("File request \"   \"");
                      s("Sending 'C:\\FIDO\\OUTBOUND\\1.OUT' -> 'DOOM.WAD', (10b)")("Sent 'DOOM.WAD'");
                      s("Session complete", '+');
                  },
                  "2-24|2026-03-14 10:00:01|10:00:23|2:5020/1042|Argus 3.210 (Win32)|Vera Orlova|7-0822-55-1042|Hedgehog's Burrow|33600|Hydra|OK FirstOfDay Listed|4/0|620010/0|28182\n",
                  "2:5020/1042 calls=1 out=1 outok=1 sent=620010 time=22 cps=28182\n",
                  "",
                  "NODELIST.Z65|NODELIST.Z65|2:5020/1042|11|sent|C:\\FIDO\\FILES\\NODELIST.Z65\nNODE*|NODEDIFF.A72|2:5020/1042|14|sent|C:\\FIDO\\FILES\\NODEDIFF.A72\nNODE*|NODELIST.Z65|2:5020/1042|16|sent|C:\\FIDO\\FILES\\NODELIST.Z65\nWINDOWS.ZIP|WINDOWS.ZIP|2:5020/1042|18|-|\nDOOM.WAD|DOOM.WAD|2:5020/1042|23|sent|DOOM.WAD\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The address of a handshake or a call is its first word, after any blanks (the
// search for its end is the byte scanner's, tested at every length there).
TEST_F(Argus, AddressesEndAtTheFirstBlankOrTab)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2:5020/1042", "2:5020/1042"}, {"2:463/68@fidonet 2:463/68.13@fidonet", "2:463/68@fidonet"},
        {"2:463/68@fido\t2:463/68.13@fidonet", "2:463/68@fido"},
        {"  \t 2:463/68.13@fidonetwork", "2:463/68.13@fidonetwork"}};
    Script s;
    for (const auto& [text, addr] : cases)
        s("Calling " + text)("CONNECT 2400", '+')("   Station : S")("   Address : " + text)("Session complete", '+');
    ASSERT_TRUE(RunScript(s));
    EXPECT_EQ(ErrorLines(), "");
    ASSERT_EQ(log.SessCount(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(log.GetSess(i).Addr->ToStrFlags(pfDomain | pfPoint), TFidoAddr::CreateStr(cases[i].second).ToStrFlags(pfDomain | pfPoint));
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, static_cast<int>(cases.size()));
}

// Every ending with and without the remote's address, booked under the number called.
TEST_F(Argus, EndingsSetTheOutcome)
{
    const std::vector<std::tuple<bool, std::string, std::string>> cases = {
        {true, "Session complete", "OK"}, {false, "Session complete", "OK"}, {true, "***** Session aborted *****", ""},
        {false, "***** Session aborted *****", ""}, {true, "Password mismatch, disconnecting", ""},
        {true, "EMSI data damaged, disconnecting", "Bad"}, {false, "Nothing heard, disconnecting", "Bad"},
        {true, "Aborting due to carrier loss", ""}, {false, "Aborting due to carrier loss", "Bad"},
        {true, "Transfer aborted by the remote", ""}, {true, "Transfer aborted by EMSI timeout", "Bad"},
        {true, "Carrier lost", ""}, {false, "Carrier lost", "Bad"}, {true, "Cancel requested by the operator", "OK"},
        {false, "Cancel requested by the operator", "Bad"}};
    for (const auto& [afterAddress, line, outcome] : cases) {
        Script s;
        s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S");
        if (afterAddress)
            s("   Address : 2:5020/1042");
        s.Wait(9)(line, '!')("Transfer aborted by the remote");
        ASSERT_TRUE(RunScript(s)) << line;
        const std::string flags = FieldOf(Sess(0), 10);
        EXPECT_EQ(flags.substr(0, flags.find("FirstOfDay")), outcome.empty() ? "" : outcome + " ") << line << afterAddress;
        EXPECT_EQ(FieldOf(Sess(0), 0), afterAddress ? "2-5" : "2-4") << line;
        EXPECT_EQ(Stats(), std::string("2:5020/1042 calls=1 out=1") + (outcome == "OK" ? " outok=1" : "") + " time=" +
                               (afterAddress ? "12" : "11") + "\n")
            << line;
        EXPECT_EQ(log.State, 0);
    }
}

TEST_F(Argus, DisconnectingEndsTheSessionWhereverItStands)
{
    // The text at any place of a line of any length; the filler holds its first and
    // last letters to tempt a search into false starts.
    const std::string filler = "gd dgdisconnectin disconnectinG d g ";
    for (std::size_t lead = 0; lead <= filler.size(); ++lead)
        for (std::size_t tail = 0; tail <= 20; tail += 2)
            for (bool whole : {true, false}) {
                const std::string line = filler.substr(0, lead) + (whole ? "disconnecting" : "disconnectin") +
                                         std::string(tail, whole ? 'g' : 'x');
                Script s;
                s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S")(line, '!')("Session complete", '+');
                ASSERT_TRUE(RunScript(s));
                EXPECT_EQ(FieldOf(Sess(0), 0), whole ? "2-4" : "2-5") << line;
            }
    // Inside a broken stamp of either layout, at every place before the message.
    for (bool longYear : {false, true}) {
        log.SetArgusVersion(longYear ? TArgusLog::kVersionLongYear : TArgusLog::kVersionShortYear);
        const std::string stamp = longYear ? "  14-Mar-2026 10:00:00 " : "  14-Mar-26 10:00:00 ";
        for (std::size_t at = 0; at < stamp.size(); ++at)
            for (const std::string& tail : {std::string("x"), std::string(40, 'x')}) {
                Script s(longYear);
                s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S");
                s.Raw(stamp.substr(0, at) + "disconnecting " + stamp.substr(at) + tail)("Session complete", '+');
                ASSERT_TRUE(RunScript(s));
                EXPECT_FALSE(log.GetSess(0).Has(sfOK)) << at;
            }
    }
    // A damaged line of the text alone marks the session, but has no time to end it.
    log.SetArgusVersion(TArgusLog::kVersionShortYear);
    Script s;
    s("Calling 2:5020/1042")("CONNECT 33600", '+').Raw("disconnecting")("Session complete", '+');
    ASSERT_TRUE(RunScript(s));
    EXPECT_EQ(ErrorLines(), "3 3");
    EXPECT_EQ(FieldOf(Sess(0), 0) + " " + FieldOf(Sess(0), 10), "2-4 Bad FirstOfDay Listed");
}

TEST_F(Argus, DatesAndDaysOfBothLayouts)
{
    const std::vector<std::pair<const char*, TDateTime>> dates = {
        {"  30-Dec-25 23:59:58 x", EncodeDate(2025, 12, 30)}, {"! 01 Jan 26", EncodeDate(2026, 1, 1)},
        {"  01-Jan-80", EncodeDate(1980, 1, 1)}, {"  31-Dec-99", EncodeDate(1999, 12, 31)},
        {"  29-Feb-00", EncodeDate(2000, 2, 29)}, {"  31-Dec-79", EncodeDate(2079, 12, 31)}};
    for (const auto& [line, date] : dates)
        EXPECT_EQ(log.DateOfLine(line), date) << line;
    EXPECT_EQ(log.TimeOfLine("  30-Dec-25 23:59:58 x"), EncodeDate(2025, 12, 30) + EncodeTime(23, 59, 58, 0));
    for (const char* bad : {"  30-Dec-2", "  xx-Dec-25 10:00:00", "  30-DEC-25 10:00:00", "  30-Dec-x5 10:00:00",
                            "  31-Feb-25 10:00:00", "  00-Jan-25 10:00:00", "  30-Dec--1 10:00:00", "  30-Dec-25 10:00:0",
                            "  30-Dec-25 24:00:00", "  30-Dec-25 10:60:00", "  30-Dec-25 10:00:6x", "  30-Dec-25 ab:cd:ef",
                            "  30-Dec-2025 10:00:00 Calling"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    log.SetArgusVersion(3132);
    EXPECT_EQ(log.TimeOfLine("  30-Dec-1999 07:08:09 x"), EncodeDate(1999, 12, 30) + EncodeTime(7, 8, 9, 0));
    EXPECT_THROW(log.DateOfLine("  30-Dec-25 1"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("  30-Dec-25 10:00:00 Calling"), EConvertError);
    for (bool longYear : {false, true}) {
        log.SetArgusVersion(longYear ? 3132 : 3131);
        Script s(longYear);
        s.Date(1999, 12, 31)("Begin Argus 3.100")("Waiting").Date(2000, 1, 1)("Waiting").Raw("  01-Jan");
        s.Date(2000, 1, 1).At(23, 0, 0)("Waiting").Date(2000, 1, 2)("Waiting");
        ASSERT_TRUE(RunScript(s));
        EXPECT_EQ(ErrorLines(), "");
        ASSERT_EQ(log.DayCount(), 3u);
        EXPECT_EQ(log.GetDay(1).FirstLine, 3);
        EXPECT_EQ(log.GetDay(2).FirstLine, 6);
    }
}

TEST_F(Argus, SizeTexts)
{
    auto size = [](std::string_view text) {
        try {
            const std::int64_t n = TArgusLog::TakeSize(text);
            return std::to_string(n) + " [" + std::string(text) + "]";
        } catch (const EConvertError& e) {
            return std::string(e.what());
        }
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"FILE.ZIP', (12,345b)", "12345 [FILE.ZIP']"}, {"no size at all", "0 [no size at all]"},
        {"A(1).ZIP', (700bytes)", "700 [A(1).ZIP']"}, {"(5b)", "5 []"}, {"x(9b", "9 []"},
        {"(9,223,372,036,854,775,807b)", "9223372036854775807 []"}, {"(09b)", "9 []"}, {"(,5b)", "5 []"},
        {"( 5b)", "5 []"}, {"(+5b)", "5 []"}, {"NAME', (5b) ", "5 [NAME']"}, {"x (3b)(4b)", "4 [x (3]"},
        {"(999,999,999,999,999,999b)", "999999999999999999 []"}, {"(0,000,000,000,000,000,000,000,012b)", "12 []"}};
    for (const auto& [text, want] : cases)
        EXPECT_EQ(size(text), want) << text;
    for (const char* bad : {"(9,223,372,036,854,775,808b)", "('12 b)", "(12 b)", "()", "(b)", "(,b)", "(12b)(b)", "(12b)(x5b)"})
        EXPECT_EQ(size(bad).find("[") , std::string::npos) << bad;  // no size read: an error
    EXPECT_EQ(TArgusLog::ParseCount("+1,0,0"), 100);
    for (const char* bad : {"-100", "", "1000 ", "12x"})
        EXPECT_THROW(TArgusLog::ParseCount(bad), EConvertError) << bad;
}
