// The Bink/+ parser: month names and entries from binkley.lng, sessions, calls,
// requests, byte counts, binkley.cfg with its OKFile, highlighting, and damaged input.
#include "ParserHarness.h"

#include "engine/BinkPLog.h"
#include "engine/LogStyles.h"
#include "platform/IniFile.h"
#include "tools/lngwriters/MailerLngWriter.h"

using namespace tarvix;
using namespace tarvix::test;
namespace fs = std::filesystem;

namespace {

// The language file of these tests. The wording is the tests' own: the parser knows
// the messages by their entry numbers only.
std::vector<std::string> TestEntries()
{
    std::vector<std::string> e(377);
    for (std::size_t i = 0; i < e.size(); ++i)
        e[i] = ":Note number " + std::to_string(i) + " %s";
    e[16] = "*Live caller, handing to %s";
    e[71] = ":Tel %s";
    e[75] = ":SysOp %s of %s";
    e[100] = "*Remote AKAs %s (%s)";
    e[102] = "!No handshake with %s";
    e[103] = "*Password OK";
    e[104] = "!Password wrong (%s)";
    e[109] = ":Protocol selected: %s";
    e[110] = "*End of %s session";
    e[126] = "*Terminal mode for %s";
    e[127] = "*Guest passed to %s";
    e[142] = ":Software %s";
    e[183] = "+Dialing %s (%s)";
    e[241] = "+Got-%c %s";
    e[242] = "+Gave-%c %s";
    e[251] = "+CPS %lu (%lu bytes)";
    e[255] = "*Freq %s";
    e[273] = "Line dropped";
    e[293] = "+Received %s";
    e[304] = "!Aborted %s";
    e[305] = "+Sent %s";
    e[352] = "*Begin %s";
    e[353] = "*Done %s";
    const char* months[] = {"January", "February", "March", "April", "May", "June",
                            "July", "August", "September", "October", "November", "December"};
    for (int m = 0; m < 12; ++m)
        e[365 + static_cast<std::size_t>(m)] = months[m];
    return e;
}

// A line of the mailer: level mark, date and time, tag, message from column 24.
std::string L(char level, std::string_view stamp, std::string_view message, std::string_view tag = "BINK")
{
    return std::string(1, level) + " " + std::string(stamp) + " " + std::string(tag) + " " + std::string(message) + "\n";
}

// The usual opening of a session of 2:5020/52 at the hour given, up to the protocol.
std::string Opening(const std::string& hh, const std::string& protocol = "ZModem")
{
    const std::string t = "02 Mar " + hh + ":00:01";
    return L(':', "02 Mar " + hh + ":00:00", "Connect 2400/ARQ") + L('*', t, "Fido Station (2:5020/52)") +
           L(':', t, "Software X") + L(':', t, "SysOp X of Y") + L(':', t, "Protocol selected: " + protocol);
}
std::string End(const std::string& hh) { return L('*', "02 Mar " + hh + ":00:50", "End of EMSI session"); }

class BinkP : public ParserTest<TBinkPLog> {
protected:
    BinkP()
    {
        Write("binkley.lng", lngwriters::BuildBinkLng(TestEntries()));
        Write("binkley.cfg", "; test configuration\nAddress 2:5020/999\nOKFile okfile.lst\n");
        Write("okfile.lst", "@NODELIST C:\\FILES\\NODELIST.Z09\n");
        Install();
    }
};

struct BinkPCase {
    const char* name;
    std::string text;
    const char* sessions;
    const char* stats;
    const char* errors = "";
    const char* freqs = "";
};

class BinkPLogs : public BinkP, public ::testing::WithParamInterface<BinkPCase> {};

}  // namespace

TEST_P(BinkPLogs, GiveTheirSessions)
{
    ASSERT_TRUE(RunText(GetParam().text));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(ErrorLines(), GetParam().errors);
    EXPECT_EQ(Freqs(), GetParam().freqs);
}

INSTANTIATE_TEST_SUITE_P(
    P, BinkPLogs,
    ::testing::Values(
        // The name of a sent file follows its last backslash, wherever it stands.
        BinkPCase{"SentFileNames",
                  Opening("11") + L('*', "02 Mar 11:00:31", "Freq *") + L('+', "02 Mar 11:00:40", "Gave-H \\A") +
                      L('+', "02 Mar 11:00:40", "Gave-H C:\\DIR\\B.TXT") +
                      L('+', "02 Mar 11:00:40", "Gave-H C:\\D\\LONGER_THAN_EIGHT.TXT") + L('+', "02 Mar 11:00:40", "Gave-H C.TXT") +
                      L('+', "02 Mar 11:00:40", "Gave-H C:\\\x8F\xE0\xA8\\\xE4\xA0\xA9\xAB.\xDC") +
                      L('+', "02 Mar 11:00:40", "Gave-H C:\\DIR\\X\\LONGNAMEOFSIXTEEN") + End("11"),
                  "1-13|2026-03-02 11:00:00|11:00:50|2:5020/52|X|X||Fido Station|2400|ZModem|Incoming OK FirstOfDay Listed|0/0|0/0|0\n",
                  "2:5020/52 in=1 inok=1 time=50\n",
                  "",
                  "*|A|2:5020/52|7|sent|\\A\n*|B.TXT|2:5020/52|8|sent|C:\\DIR\\B.TXT\n*|LONGER_THAN_EIGHT.TXT|2:5020/52|9|sent|C:\\D\\LONGER_THAN_EIGHT.TXT\n*|C.TXT|2:5020/52|10|sent|C.TXT\n*|\xE4\xA0\xA9\xAB.\xDC|2:5020/52|11|sent|C:\\\x8F\xE0\xA8\\\xE4\xA0\xA9\xAB.\xDC\n*|LONGNAMEOFSIXTEEN|2:5020/52|12|sent|C:\\DIR\\X\\LONGNAMEOFSIXTEEN\n"},
        // Call results and the dialling flag; a bad address in a call is a line error.
        BinkPCase{"CallResults",
                  L('+', "02 Mar 10:00:00", "Dialing Fido Station (2:5020/52)") + L('+', "02 Mar 10:00:30", "Busy") +
                      L('+', "02 Mar 10:01:00", "Dialing Fido Station (2:5020/52)") + L('+', "02 Mar 10:01:30", "No Carrier") +
                      L('+', "02 Mar 10:02:00", "Dialing 555-1234 (#5551234)") + L('+', "02 Mar 10:02:30", "Busy") +
                      L('+', "02 Mar 10:03:00", "Dialing Other Node (2:5030/1)") +
                      L(' ', "02 Mar 10:03:01", "Dialing Fido Station (2:5020/52)", "SQSH") +
                      L(':', "02 Mar 10:03:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:03:40", "Line dropped") +
                      L('+', "02 Mar 10:04:00", "Dialing Other Node (2:5030/1)") + L(':', "02 Mar 10:04:20", "Connect") +
                      L(':', "02 Mar 10:04:30", "Connect 2400/ARQ") + L('!', "02 Mar 10:04:40", "Line dropped") +
                      L('+', "02 Mar 10:05:00", "Dialing Other Node (2:5030/1)") + L(':', "02 Mar 10:05:10", "Waiting") +
                      L(':', "02 Mar 10:05:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:05:40", "Line dropped") +
                      L('+', "02 Mar 10:06:00", "Dialing Other Node (2:5030/1)") + L('+', "02 Mar 10:06:10", "Busy") +
                      L(':', "02 Mar 10:06:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:06:40", "Line dropped") +
                      L('+', "02 Mar 10:07:00", "Dialing nowhere") + L('+', "02 Mar 10:07:10", "Busy") +
                      L('+', "02 Mar 10:08:00", "Dialing Fido Station (2:5020/52)") +
                      L('+', "02 Mar 10:08:10", "Dialing Somewhere (2:99999/1)") +
                      L(':', "02 Mar 10:08:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:08:40", "Line dropped"),
                  "9-10|2026-03-02 10:03:20|10:03:40|-|||||2400|???|Bad FirstOfDay Listed|0/0|0/0|0\n13-14|2026-03-02 10:04:30|10:04:40|-|||||2400|???|Incoming Bad Listed|0/0|0/0|0\n17-18|2026-03-02 10:05:20|10:05:40|-|||||2400|???|Incoming Bad Listed|0/0|0/0|0\n21-22|2026-03-02 10:06:20|10:06:40|-|||||2400|???|Incoming Bad Listed|0/0|0/0|0\n27-28|2026-03-02 10:08:20|10:08:40|-|||||2400|???|Bad Listed|0/0|0/0|0\n",
                  "2:5020/52 calls=3 busy=1 nc=1\n2:5030/1 calls=4 busy=1 out=1 time=20\n",
                  "26"},
        // A failed handshake, carrier loss and an aborted transfer.
        BinkPCase{"FailedSessions",
                  L(':', "02 Mar 10:00:00", "Connect 9600/ARQ") + L('!', "02 Mar 10:00:05", "No handshake with remote") +
                      L('*', "02 Mar 10:00:06", "Fido Station (2:5020/52)") + L('*', "02 Mar 10:00:07", "End of EMSI session") +
                      L(':', "02 Mar 10:01:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:01:02", "Fido Station (2:5020/52)") +
                      L('!', "02 Mar 10:01:05", "No handshake with 2:5020/52") + L('!', "02 Mar 10:01:07", "Line dropped") +
                      L(':', "02 Mar 10:02:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:02:02", "Fido Station (2:5020/52)") +
                      L(':', "02 Mar 10:02:02", "Software X") + L(':', "02 Mar 10:02:02", "SysOp A B of C") +
                      L('!', "02 Mar 10:02:03", "Password wrong (secret)") +
                      L(':', "02 Mar 10:02:03", "Protocol selected: ZModem") + L('!', "02 Mar 10:02:10", "Line dropped") +
                      L(':', "02 Mar 10:03:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:03:02", "Fido Station (2:5020/52)") +
                      L('!', "02 Mar 10:03:05", "Aborted FILE.ZIP") + L('*', "02 Mar 10:03:06", "End of FTS-0001 session") +
                      L('*', "02 Mar 10:03:07", "End of EMSI session"),
                  "1-4|2026-03-02 10:00:00|10:00:07|-|||||9600|???|Incoming Bad FirstOfDay Listed|0/0|0/0|0\n5-8|2026-03-02 10:01:00|10:01:07|2:5020/52||||Fido Station|9600|???|Incoming Listed|0/0|0/0|0\n9-15|2026-03-02 10:02:00|10:02:10|2:5020/52|X|A B||Fido Station|9600|ZModem|Incoming BadPassword Listed|0/0|0/0|0\n16-20|2026-03-02 10:03:00|10:03:07|2:5020/52||||Fido Station|9600|???|Incoming Listed|0/0|0/0|0\n",
                  "2:5020/52 in=3 time=24\n"},
        // Human callers end with the next line; the system line after a human line
        // clears the flag again.
        BinkPCase{"HumanCallers",
                  L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") + L('*', "02 Mar 10:00:00", "Live caller, handing to BBS") +
                      L('+', "02 Mar 10:00:00", "Received IGNORED.TXT") + L('+', "02 Mar 10:00:00", "Received AFTER.TXT") +
                      L(':', "02 Mar 10:01:00", "Connect 2400/ARQ") + L('*', "02 Mar 10:01:00", "Terminal mode for user") +
                      L('+', "02 Mar 10:01:00", "Received IGNORED.TXT") + L(':', "02 Mar 10:02:00", "Connect 2400/ARQ") +
                      L('*', "02 Mar 10:02:00", "Guest passed to door") + L('+', "02 Mar 10:02:00", "Received IGNORED.TXT") +
                      L(':', "02 Mar 10:03:00", "Connect 2400/ARQ") +
                      L('*', "02 Mar 10:03:01", "Live caller, handing to (2:5020/52)") + L('*', "02 Mar 10:03:02", "anything"),
                  "1-3|2026-03-02 10:00:00|10:00:00|-|||||2400|???|Incoming OK Human FirstOfDay Listed|0/0|0/0|0\n5-7|2026-03-02 10:01:00|10:01:00|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n8-10|2026-03-02 10:02:00|10:02:00|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n11-13|2026-03-02 10:03:00|10:03:02|2:5020/52||||Live caller, handing to|2400|???|Incoming OK Listed|0/0|0/0|0\n",
                  "2:5020/52 in=1 inok=1 time=2\n"},
        // Byte counts follow the last counted file line, also into the next session.
        BinkPCase{"ByteCountsFollowTheLastFileLine",
                  Opening("10") + L('+', "02 Mar 10:00:02", "CPS 10 (100 bytes)") + L('+', "02 Mar 10:00:03", "Sent A") +
                      L('+', "02 Mar 10:00:04", "CPS 10 (200 bytes)") + L('+', "02 Mar 10:00:05", "CPS 10 (300 bytes)") +
                      L('+', "02 Mar 10:00:06", "Received B") + L('+', "02 Mar 10:00:07", "CPS 10 (400 bytes)") +
                      L('+', "02 Mar 10:00:08", "Sent C") + End("10") + Opening("11") +
                      L('+', "02 Mar 11:00:02", "CPS 10 (1000 bytes)") + L('+', "02 Mar 11:00:03", "CPS 10 no count here") +
                      End("11"),
                  "1-13|2026-03-02 10:00:00|10:00:50|2:5020/52|X|X||Fido Station|2400|ZModem|Incoming OK FirstOfDay Listed|2/1|500/500|10\n14-21|2026-03-02 11:00:00|11:00:50|2:5020/52|X|X||Fido Station|2400|ZModem|Incoming OK Listed|0/0|1000/0|20\n",
                  "2:5020/52 in=2 inok=2 sent=1500 rcvd=500 time=100 cps=15\n"},
        // Short entries meet messages shorter than eight bytes; counts at their limits.
        BinkPCase{"ShortMessagesAndCountLimits",
                  L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") + L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)") +
                      L(':', "02 Mar 10:00:01", "Software X") + L(':', "02 Mar 10:00:01", "SysOp X of Y") +
                      L(':', "02 Mar 10:00:01", "Te") + L(':', "02 Mar 10:00:01", "Tel 1") +
                      L(':', "02 Mar 10:00:01", "Protocol selected: ZModem") +
                      L('+', "02 Mar 10:00:02", "Sent") + L('+', "02 Mar 10:00:03", "Sent X") +
                      L('+', "02 Mar 10:00:04", "Sent ") + L('+', "02 Mar 10:00:05", "CPS") +
                      L('+', "02 Mar 10:00:06", "CPS 1 (9 bytes)") + L('+', "02 Mar 10:00:07", "Sen") +
                      L('+', "02 Mar 10:00:08", "CPS 10 (1099511627776 bytes)") +
                      L('+', "02 Mar 10:00:09", "CPS 10 (1099511627777 bytes)") +
                      L('+', "02 Mar 10:00:10", "CPS 10 (0000000000000064 bytes)") + L('+', "02 Mar 10:00:11", "CPS 10 (5") +
                      L('+', "02 Mar 10:00:12", "CPS 10 ( 5 bytes)") + L('+', "02 Mar 10:00:13", "CPS 10 (5\tbytes)") + End("10"),
                  "1-20|2026-03-02 10:00:00|10:00:50|2:5020/52|X|X|1|Fido Station|2400|ZModem|Incoming OK FirstOfDay Listed|2/0|1099511627776/0|21990232555\n",
                  "2:5020/52 in=1 inok=1 sent=1099511627776 time=50 cps=21990232555\n",
                  "15 18 19"},
        // Damaged values are line errors; lines of other programs and of later states
        // change nothing; the sysop's separator is a word of its own.
        BinkPCase{"DamagedValuesAndLinesThatChangeNothing",
                  L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") + L('*', "02 Mar 10:00:01", "Fido Station (2:5020/5x2)") +
                      L('*', "02 Mar 10:00:02", "No parenthesis here)") + L('*', "02 Mar 10:00:03", ")") +
                      L('*', "02 Mar 10:00:04", "(2:5020/52)") + L(':', "02 Mar 10:00:05", "Software X") +
                      L(':', "02 Mar 10:00:05", "SysOp Nobody") + L(':', "02 Mar 10:00:05", "Protocol selected:") +
                      L('+', "02 Mar 10:00:06", "CPS 10 (12x bytes)") +
                      L('+', "02 Mar 10:00:07", "CPS 10 (99999999999999999999 bytes)") + L('+', "02 Mar 10:00:08", "CPS 10 (") +
                      L('+', "02 Mar 10:00:09", "CPS 10 (64)") + L('+', "02 Mar 10:00:10", "Gave-Z") +
                      L('+', "02 Mar 10:00:11", "Gave-Z C:\\DIR\\") + L('*', "02 Mar 10:00:12", "Freq   ") +
                      L('*', "02 Mar 10:00:59", "End of EMSI session") + L(':', "02 Mar 11:00:00", "Connect 2400/ARQ") +
                      L('*', "02 Mar 11:00:01", "Fido Station (2:5020/52)") +
                      L('!', "02 Mar 11:00:02", "Line dropped", "SQSH") + "! 02 Mar 11:00:03 BIN\n" +
                      "! 02 Mar 11:00:03  BINK Line dropped\n" + "this line holds no date\n" +
                      L(':', "02 Mar 11:00:04", "SysOp X of Y") + L(':', "02 Mar 11:00:04", "Protocol selected: Hydra") +
                      L('*', "02 Mar 11:00:05", "Freq FILES") + L('*', "02 Mar 11:00:06", "Note EMSI") +
                      L('*', "02 Mar 11:00:07", "End of EMSI session") + L(':', "02 Mar 12:00:00", "Connect 2400/ARQ") +
                      L('*', "02 Mar 12:00:01", "Fido Station (2:5020/52)") + L(':', "02 Mar 12:00:05", "Software X") +
                      L(':', "02 Mar 12:00:05", "SysOp Olaf ofte of Bergen of Norway") + End("12") +
                      L('*', "02 Mar 13:00:00", "Fido Station (2:5020/52)") + L('+', "02 Mar 13:00:01", "Sent A") +
                      L('!', "02 Mar 13:00:02", "Line dropped") + L('*', "02 Mar 13:00:03", "End of EMSI session"),
                  "1-16|2026-03-02 10:00:00|10:00:59|2:5020/52|X|Nobody|||2400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n17-27|2026-03-02 11:00:00|11:00:07|2:5020/52||||Fido Station|2400|???|Incoming OK Listed|0/0|0/0|0\n28-32|2026-03-02 12:00:00|12:00:50|2:5020/52|X|Olaf ofte||Fido Station|2400|???|Incoming OK Listed|0/0|0/0|0\n",
                  "2:5020/52 in=3 inok=3 time=116\n",
                  "2 9 10 11 12 22"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BinkP, DatesAndMonthNamesFromTheLanguageFile)
{
    // Before a language file is read the English month abbreviations hold.
    EXPECT_EQ(log.TimeOfLine("+ 31 Dec 23:59:58 BINK x"), EncodeDate(2026, 12, 31) + EncodeTime(23, 59, 58, 0));
    for (const char* bad : {"+ 02 Ma", "+ xx Mar 10:00:00", "+ 02 Mrz 10:00:00", "+ 30 Feb 10:00:00", "+ 02 Mar 10:00",
                            "+ 02 Mar 24:00:00 BINK", "+ 02 Mar 1a:00:00 BINK"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    auto entries = TestEntries();
    entries[365 + 2] = "Mrz.";  // March: the first three characters
    entries[365 + 11] = "";     // December left empty: the English name stays
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    ASSERT_TRUE(RunText(L('+', "02 Mrz 10:00:00", "Begin") + L('+', "03 Mrz 10:00:00", "Begin") +
                        L('+', "04 Dec 10:00:00", "Begin") + L('+', "05 Mar 10:00:00", "Begin") +
                        L(' ', "06 Dec 00:00:01", "Tossing", "SQSH")));
    EXPECT_EQ(log.MonthNames()[2], "Mrz");
    EXPECT_EQ(log.MonthNames()[11], "Dec");
    ASSERT_EQ(log.DayCount(), 4u);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(2026, 3, 3));
    EXPECT_EQ(log.GetDay(3).FirstLine, 5);  // a line of another program dates a day too
    EXPECT_EQ(ErrorLines(), "4");           // "Mar" is no month of this language
    // A name shorter than three letters meets no date; a month written twice is the first.
    entries[365 + 4] = "Ma";
    entries[365 + 5] = "Jan";
    Write("other/binkley.lng", lngwriters::BuildBinkLng(entries));
    TBinkPLog other;
    other.SetMailerPath(dir / "other");
    other.LoadLng();
    EXPECT_THROW(other.DateOfLine("+ 02 May 10:00:00"), EConvertError);
    EXPECT_THROW(other.DateOfLine("+ 02 Ma  10:00:00"), EConvertError);
    EXPECT_EQ(other.DateOfLine("+ 02 Jan 10:00:00"), EncodeDate(2026, 1, 2));
}

// Entries of 8 bytes, of 9 to 16 bytes (first and last eight compared) and of more
// than 16, some sharing their first bytes; messages that differ behind the first eight
// bytes or end inside the entry; translated words compared as their bytes.
TEST_F(BinkP, EntriesMeetOnlyMessagesWithAllTheirBytes)
{
    auto entries = TestEntries();
    entries[71] = ":Phone-No%s";
    entries[103] = "*Password OK";
    entries[104] = "!Password wrong (%s)";
    entries[16] = "*Live caller, handing to %s";
    entries[304] = "!Sent badly %s";
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    auto start = [](const std::string& hh) {
        return L(':', "02 Mar " + hh + ":00:00", "Connect 2400/ARQ") + L('*', "02 Mar " + hh + ":00:01", "Fido Station (2:5020/52)") +
               L(':', "02 Mar " + hh + ":00:01", "Software X") + L(':', "02 Mar " + hh + ":00:01", "SysOp X of Y");
    };
    ASSERT_TRUE(RunText(start("10") + L(':', "02 Mar 10:00:02", "Phone-N") + L(':', "02 Mar 10:00:02", "Phone-Nx 1") +
                        L('*', "02 Mar 10:00:03", "Password OX") + L('*', "02 Mar 10:00:03", "Password O") +
                        L('!', "02 Mar 10:00:03", "Password wrong [x]") + L(':', "02 Mar 10:00:04", "Protocol selected: ZModem") +
                        L('*', "02 Mar 10:00:05", "Live caller, handing_to BBS") + L('!', "02 Mar 10:00:06", "Sent badly X.PKT") +
                        L('+', "02 Mar 10:00:07", "Sent Y.PKT") + End("12") + start("11") +
                        L(':', "02 Mar 11:00:02", "Phone-No 7-095") + L('!', "02 Mar 11:00:03", "Password wrong (x)") +
                        L('*', "02 Mar 11:00:03", "Password OKAY") + L(':', "02 Mar 11:00:04", "Protocol selected: ZModem") +
                        L('*', "02 Mar 11:00:05", "Live caller, handing to BBS") + L('*', "02 Mar 11:00:06", "x")));
    EXPECT_EQ(ErrorLines(), "");
    EXPECT_EQ(Sessions(), "1-14|2026-03-02 10:00:00|12:00:50|2:5020/52|X|X||Fido Station|2400|ZModem|Incoming FirstOfDay Listed|"
                          "2/0|0/0|0\n15-24|2026-03-02 11:00:00|11:00:06|2:5020/52|X|X|7-095|Fido Station|2400|ZModem|"
                          "Incoming OK Human Password BadPassword Listed|0/0|0/0|0\n");
    entries[305] = "+\x8E\xE2\xAF\xE0\xA0\xA2\xAB\xA5\xAD %s";  // "Sent" in cp866
    entries[16] = "*\x97\xA5\xAB\xAE\xA2\xA5\xAA: %s";        // "Human:"
    Write("cp866/binkley.cfg", "\n");
    Write("cp866/binkley.lng", lngwriters::BuildBinkLng(entries));
    log.SetMailerPath(dir / "cp866");
    ASSERT_TRUE(RunText(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                        L('*', "02 Mar 10:00:01", "\x97\xA5\xAB\xAE\xA2\xA5\xAA: BBS") + L('*', "02 Mar 10:00:02", "bye")));
    EXPECT_TRUE(log.GetSess(0).Has(sfHuman));
    EXPECT_EQ(log.GetWordClass("\x8E\xE2\xAF\xE0\xA0\xA2\xAB\xA5\xAD", 50, 23), hcSent);
    EXPECT_EQ(log.GetWordClass("Sent", 52, 23), hcNormal);
}

// The OKFile's magic names, with its bad lines skipped, and a define's value (comment
// cut off) in the About alias; a missing OKFile ends the analysis with one message.
TEST_F(BinkP, OkFileAliasesAndTheirDamage)
{
    Write("binkley.cfg", "define BASE C:\\PUB  ; the file base\ndefine EMPTY\nAbout %BASE%\\ABOUT.TXT\nOKFile ok.lst\n");
    Write("ok.lst", "C:\\PUB\\*.*\n   @NODELIST C:\\PUB\\NODELIST.ZIP  Nodelist of the zone\n@LONELY\n@ \n@@ x\n"
                    "@files C:\\OTHER\\LIST.TXT\n");
    ASSERT_TRUE(RunText(L('+', "02 Mar 10:00:00", "Begin")));
    std::string aliases;
    for (const char* name : {"ABOUT", "NODELIST", "@", "FILES"})
        aliases += log.Aliases().count(name) ? log.Aliases().at(name).Target + " " : "- ";
    EXPECT_EQ(aliases, "C:\\PUB\\ABOUT.TXT C:\\PUB\\NODELIST.ZIP X C:\\OTHER\\LIST.TXT ");
    EXPECT_EQ(log.Aliases().size(), 4u);
    Write("binkley.cfg", "OKFile missing.lst\n");
    dialogs.Shown.clear();
    EXPECT_FALSE(RunText(L('+', "02 Mar 10:00:00", "Begin")));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
}
