// The T-Mail parser: dates, sessions through their states, calls, requests and sent
// files, language texts anywhere in a line, the control file, indexes, history files,
// and damaged input.
#include "ParserHarness.h"

#include "engine/LogStyles.h"
#include "engine/TMailLog.h"
#include "fido/Lng.h"
#include "platform/Bytes.h"
#include "platform/IniFile.h"
#include "tools/lngwriters/MailerLngWriter.h"
#include "tools/ndxwriters/NdxWriter.h"

#include <cstring>
#include <map>
#include <memory>
#include <random>

using namespace tarvix;
using namespace tarvix::test;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// This project's own wording for the language entries the parser reads.
std::string BuildLng(std::size_t count = 610, const std::map<int, std::string>& overrides = {})
{
    std::map<int, std::string> texts = {
        {2, "\xFE Incoming: %s"}, {3, "Failure: session aborted %s"}, {4, "Remote refused %s"},
        {15, "Calling %s"}, {16, "Dial out %s"}, {21, "Chat ended %s"}, {26, "FTS-1 session done %s"},
        {32, "Sysop: %s"}, {33, "System: %s"}, {34, "Options: %s"}, {42, "FTS-1 link %s"},
        {47, "Human caller detected %s"}, {56, "Not in nodelist %s"}, {58, "Password mismatch %s"},
        {60, "Password protected %s"}, {62, "Carrier lost %s"}, {65, "Link protocol:%s"},
        {147, "Error %d on the line"}, {159, "File request: %s"}, {199, "Closed human session %s"},
        {203, "Caller hung up %s"}, {240, "Call to %s, held by schedule (%d)"},
        {422, "File %s transfer FAILED: %s"}, {424, "Transfer incomplete %s"}, {467, "\xFE Traffic:%s"},
        {587, "Timeout waiting %s"}, {591, "FTS-1 received %s %d bytes"}, {594, "Remote mailer: %s"},
        {608, "Dialling node %s (%s)"},
    };
    for (const auto& [n, text] : overrides)
        texts[n] = text;
    std::vector<std::string> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = texts.count(static_cast<int>(i + 1)) ? texts[static_cast<int>(i + 1)]
                                                          : "Spare entry " + std::to_string(i + 1) + " %d";
    return lngwriters::BuildTMailLng(entries);
}

// A dated line of 12 March.
std::string At(const std::string& hms, const std::string& msg) { return "12/03 " + hms + " " + msg; }

// The usual opening of a session: status line, address, sysop, system, protocol.
std::vector<std::string> Opening(const std::string& addr = "2:5030/1")
{
    return {At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", addr + ", mailer M"),
            At("10:00:02", "Sysop: Ann"), At("10:00:03", "System: S"), At("10:00:04", "Link protocol: ZModem")};
}
// A session of the opening, the body lines and the traffic line.
std::vector<std::string> Session(const std::vector<std::string>& body)
{
    return Opening() + body + std::vector<std::string>{At("10:00:59", "\xFE Traffic: 0/0, done")};
}

class TMail : public ParserTest<TTMailLog> {
protected:
    TMail()
    {
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
        SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
        SetCurrentYear(2024);
        SetOemAnsiPages(CodePage::CP866, CodePage::CP1251);
        Write("t-mail.lng", BuildLng());
        Write("t-mail.ctl", "; test configuration\r\n");
        Write("dir.frq", "");
        Write("index.frq", "");
        Install();
    }
    ~TMail() override { SetAtomicWriteHook(nullptr); }
    std::string Sysop(const std::string& value)
    {
        Run({At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "2:5030/1, mailer M"),
             At("10:00:02", "Sysop: " + value), At("10:00:03", "\xFE end")});
        return std::string(log.GetSess(0).SysOp.View()) + "|" + std::string(log.GetSess(0).Phone.View());
    }
};

}  // namespace

TEST_F(TMail, DatesOfLinesInTheCurrentYear)
{
    const TDateTime nov5 = EncodeDate(2024, 11, 5);
    EXPECT_EQ(log.DateOfLine("29/02 23:59:58 leap day"), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
    EXPECT_EQ(log.DateOfLine("   continuation of a line"), nov5);  // the last date
    EXPECT_EQ(log.DateOfLine("06/11 07:08"), nov5);
    // Blanks before a number and a plus sign are read as the classic conversion reads them.
    EXPECT_DOUBLE_EQ(log.TimeOfLine(" 5/11  7:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("+5/11 07:+8: 9 text"), nov5 + EncodeTime(7, 8, 9, 0));
    for (const char* bad : {"ab/11 07:08:09 x", "31/02 07:08:09 x", "05/11 xx:08:09 x", "05/11 25:08:09 x",
                            "not dated", "0//11 07:08:09 x", "05/1: 07:08:09 x", "05/11 /7:08:09 x",
                            "05/11 07:0::09 x", "05/11 07:08:0/ x", "05/11 07:08:9: x",
                            // a line of the day read last without the ":" of a dated line
                            "05/11 07x08:09 text"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    // The same day and month in another year, and back (the day read last is kept).
    SetCurrentYear(2023);
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), EncodeDate(2023, 11, 5) + EncodeTime(7, 8, 9, 0));
    EXPECT_THROW(log.DateOfLine("29/02 23:59:58 no leap day"), EConvertError);
    SetCurrentYear(2024);
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
}

// Thirty years in fewer bytes each than the sampling step, a bad date in the first:
// the sampled years prove wrong, the analysis runs again and reports the error once.
TEST_F(TMail, SampledYearsProvedWrongGiveWayToTheFullPass)
{
    std::vector<std::string> lines;
    for (int year = 0; year < 30; ++year) {
        lines.insert(lines.end(), 7, "15/03 10:00:00 x");
        lines.push_back(year == 0 ? "31/09 10:00:00 x" : "15/09 10:00:00 x");
    }
    log.YearsSampleStep = 256;
    log.YearsSampleFrom = 0;
    EXPECT_TRUE(Run(lines));
    EXPECT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(log.ErrorCount, 1);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(1995, 3, 15));  // 29 years before 2024
    EXPECT_EQ(log.GetDay(log.DayCount() - 1).Date, EncodeDate(2024, 9, 15));
}

TEST_F(TMail, DaysSplitOnTheDatesOfEveryAnalysis)
{
    ASSERT_TRUE(Run({At("23:59:00", "first day"), "   a continuation", "13/03 00:01", "13/03 00-01-00 damaged",
                     At("23:59:30", "still the first day"), "13/03 00:00:01 second day",
                     "ab/03 00:00:02 unreadable date", "ab/03 00:00:03 again", "13/03 00:00:04 second day",
                     "14/03 08:00:00 third day"}));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 6);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(2024, 3, 13));
    EXPECT_EQ(log.GetDay(2).FirstLine, 10);
    EXPECT_EQ(log.DayStatCount(), 3u);
    EXPECT_EQ(ErrorLines(), "7 8");
    // The day text of the analysis before does not carry over.
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(Run({"12/03 10:00:00 one", "12/03", "12/0", "12/03 no time", "22/03 10:00:00 two",
                         "22/04 10:00:00 three", "22/04 10:00:01 still three"}));
        ASSERT_EQ(log.DayCount(), 3u);
        EXPECT_EQ(log.GetDay(1).FirstLine, 5);
        EXPECT_EQ(log.GetDay(2).Date, EncodeDate(2024, 4, 22));
    }
}

// Whole logs and what they give: sessions, requests and the first day's statistics.
struct TMailCase {
    const char* name;
    std::vector<std::string> lines;
    const char* sessions;
    const char* stats;
    const char* freqs = "";
};

class TMailLogs : public TMail, public ::testing::WithParamInterface<TMailCase> {};

TEST_P(TMailLogs, GiveTheirSessions)
{
    ASSERT_TRUE(Run(GetParam().lines));
    EXPECT_EQ(ErrorLines(), "");
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(Freqs(), GetParam().freqs);
    EXPECT_EQ(log.State, 0);
}

INSTANTIATE_TEST_SUITE_P(
    T, TMailLogs,
    ::testing::Values(
        // An incoming session forgets the call and is booked under the remote address;
        // an outgoing one under the address dialled.
        TMailCase{"BookedUnderTheRightAddress",
                  {At("10:00:00", "Calling 2:5030/7, dialing, RING"), At("10:00:05", "\xFE Incoming: CONNECT 28800/ARQ"),
                   At("10:00:06", "2:5030/8, mailer SomeMailer 1.0"), At("10:00:07", "Not in nodelist yet"),
                   At("10:00:40", "\xFE Traffic: 0/0, nothing"), At("11:00:00", "Dial out 2:5030/1, ringing, NO DIALTONE"),
                   At("11:00:10", "\xFE Line: CONNECT 9600"), At("11:00:12", "2:5030/11, mailer X 1"),
                   At("11:00:30", "\xFE Traffic: 1/1, done")},
                  "2-5|2024-03-12 10:00:05|10:00:40|2:5030/8|SomeMailer 1.0||||28800|???|Incoming OK FirstOfDay Listed|"
                  "0/0|0/0|0\n"
                  "7-9|2024-03-12 11:00:10|11:00:30|2:5030/11|X 1||||9600|???|OK Listed|0/0|1/1|0\n",
                  "2:5030/1 calls=1 out=1 outok=1 sent=1 rcvd=1 time=20\n2:5030/7 calls=1\n2:5030/8 in=1 inok=1 time=35\n"},
        // State 1: unlisted and mail-only; human callers (ended by entries 203, 21, 199); FTS-1.
        TMailCase{"HumanFtsAndOptionRows",
                  {At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "Not in nodelist 2:5030/1"),
                   At("10:00:02", "Options: MAIL-ONLY,NO-FREQ"), At("10:00:03", "2:5030/1, mailer M 1"),
                   At("10:00:04", "\xFE Traffic: 0/0"), At("10:02:00", "\xFE Line: CONNECT 2400"),
                   At("10:02:01", "Human caller detected on the line"), At("10:02:02", "2:5030/1, not read in state 6"),
                   At("10:02:03", "Caller hung up now"), At("10:03:00", "\xFE Line: CONNECT 2400"),
                   At("10:03:01", "Human caller detected on the line"), At("10:03:03", "Chat ended now"),
                   At("10:04:00", "\xFE Line: CONNECT 2400"), At("10:04:01", "Human caller detected on the line"),
                   At("10:04:03", "Closed human session now"), At("10:05:00", "\xFE Line: CONNECT 2400"),
                   At("10:05:01", "FTS-1 link established"), At("10:05:02", "FTS-1 session done with 2 packets")},
                  "1-5|2024-03-12 10:00:00|10:00:04|2:5030/1|M 1||||2400|???|OK FirstOfDay MailOnly|0/0|0/0|0\n"
                  "6-9|2024-03-12 10:02:00|10:02:03|-|||||2400|???|OK Human Listed|0/0|0/0|0\n"
                  "10-12|2024-03-12 10:03:00|10:03:03|-|||||2400|???|OK Human Listed|0/0|0/0|0\n"
                  "13-15|2024-03-12 10:04:00|10:04:03|-|||||2400|???|OK Human Listed|0/0|0/0|0\n"
                  "16-18|2024-03-12 10:05:00|10:05:02|-|||||2400|XModem|OK FTS1 Listed|0/0|0/0|0\n",
                  "2:5030/1 out=1 outok=1 time=4\n"},
        // States 2 to 4 read their lines in order only; a mismatched password is BAD.
        TMailCase{"StatesInOrder",
                  {At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "2:5030/1, mailer M"),
                   At("10:00:02", "System: too early"), At("10:00:03", "Sysop: Ann"), At("10:00:04", "Sysop: again"),
                   At("10:00:05", "System: The Station, City, Country"), At("10:00:06", "Password mismatch on it"),
                   At("10:00:07", "File request: EARLY.ZIP"), At("10:00:08", "Now the Link protocol: Hydra-8k, flags"),
                   At("10:00:09", "Password protected too late"), At("10:00:10", "\xFE end")},
                  "1-11|2024-03-12 10:00:00|10:00:10|2:5030/1|M|Ann||The Station|2400|Hydra|"
                  "OK BadPassword FirstOfDay Listed|0/0|0/0|0\n",
                  "2:5030/1 out=1 outok=1 time=10\n"},
        // Entry 3 fails and ends; 424, 587 and 4 spoil; a status line ends and opens nothing.
        TMailCase{"LinesThatEndOrSpoil",
                  {At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "2:5030/1, mailer M"),
                   At("10:00:02", "Failure: session aborted by remote"), At("10:00:03", "Sysop: not read"),
                   At("10:01:00", "\xFE Line: CONNECT 2400"), At("10:01:01", "Transfer incomplete on a file"),
                   At("10:01:02", "2:5030/2, mailer M"), At("10:01:03", "\xFE end"),
                   At("10:02:00", "\xFE Line: CONNECT 2400"), At("10:02:01", "Timeout waiting for it"),
                   At("10:02:02", "\xFE end"), At("10:03:00", "\xFE Line: CONNECT 2400"),
                   At("10:03:01", "Remote refused the files"), At("10:03:02", "\xFE end"),
                   At("10:04:00", "\xFE Line: CONNECT 2400"), At("10:04:01", "2:5030/3, mailer M"),
                   At("10:04:02", "\xFE Line: CONNECT 14400"), At("10:04:03", "Sysop: not read")},
                  "1-3|2024-03-12 10:00:00|10:00:02|2:5030/1|M||||2400|???|Bad FirstOfDay Listed|0/0|0/0|0\n"
                  "5-8|2024-03-12 10:01:00|10:01:03|2:5030/2|M||||2400|???|Listed|0/0|0/0|0\n"
                  "9-11|2024-03-12 10:02:00|10:02:02|-|||||2400|???|Listed|0/0|0/0|0\n"
                  "12-14|2024-03-12 10:03:00|10:03:02|-|||||2400|???|Listed|0/0|0/0|0\n"
                  "15-17|2024-03-12 10:04:00|10:04:02|2:5030/3|M||||2400|???|OK Listed|0/0|0/0|0\n",
                  "2:5030/1 out=1 time=2\n2:5030/2 out=1 time=3\n2:5030/3 out=1 outok=1 time=2\n"},
        // Requests served through the alias file, by a mask twice, and not served.
        TMailCase{"RequestsAndSentFiles",
                  Opening() + std::vector<std::string>{
                      At("10:00:05", "File request: NOTSENT.ZIP"), At("10:00:07", "File request: *.TXT"),
                      At("10:00:08", "ZS-File C:\\FILES\\NOTSENT.ZIP 100 skipped"), At("10:00:10", "JS-File A.TXT 10 OK"),
                      At("10:00:11", "ZS-File C:\\DOCS\\B.TXT 10 OK"), At("10:00:12", "ZS-File"),
                      At("10:00:13", "ZR-File IN.PKT 10 OK"), At("10:00:14", "\xFE Traffic: 10/220, done")},
                  "1-13|2024-03-12 10:00:00|10:00:14|2:5030/1|M|Ann||S|2400|ZModem|OK FirstOfDay Listed|"
                  "4/1|220/10|15\n",
                  "2:5030/1 out=1 outok=1 sent=220 rcvd=10 time=14 cps=15\n",
                  "NOTSENT.ZIP|NOTSENT.ZIP|2:5030/1|6|-|\n*.TXT|A.TXT|2:5030/1|9|sent|\n"
                  "*.TXT|B.TXT|2:5030/1|10|sent|C:\\DOCS\\B.TXT\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TMail, RequestAliasesAndFailedTransfers)
{
    Write("index.frq", "; magic names\r\n@MAGIC C:\\FILES\\REAL.ZIP (the real file)\r\nONLYONE\r\n");
    ASSERT_TRUE(Run(Session({At("10:00:05", "File request: MAGIC"), At("10:00:09", "HS-File C:\\FILES\\REAL.ZIP 100 OK")})));
    EXPECT_EQ(Freqs(), "MAGIC|REAL.ZIP|2:5030/1|7|sent|C:\\FILES\\REAL.ZIP\n");
    ASSERT_EQ(Shown().size(), 1u);  // the bad alias line
    EXPECT_NE(Shown()[0].find("ONLYONE"), std::string::npos);
    // The error-line word in a transfer line clears sfOK, for sent and received files.
    for (const std::string transfer : {"ZS-File C:\\F\\X.ZIP transfer FAILED: carrier", "ZR-File X.PKT FAILED: crc"}) {
        ASSERT_TRUE(Run(Session({At("10:00:05", transfer)})));
        EXPECT_FALSE(log.GetSess(0).Has(sfOK)) << transfer;
        EXPECT_FALSE(log.GetSess(0).Has(sfBad)) << transfer;
    }
    ASSERT_TRUE(Run(Session({At("10:00:05", "ZS-File FILE.ZIP FAILED")})));
    EXPECT_TRUE(log.GetSess(0).Has(sfOK));
}

TEST_F(TMail, SysopPhoneFollowsTheLastComma)
{
    EXPECT_EQ(Sysop("Ann Lee, 7-095-1"), "Ann Lee|7-095-1");
    EXPECT_EQ(Sysop("Lee, Ann, 7-095-2"), "Lee, Ann|7-095-2");
    EXPECT_EQ(Sysop("Nobody"), "Nobody|");
    EXPECT_EQ(Sysop("Comma at the end,"), "Comma at the end|");
    EXPECT_EQ(Sysop("Blank after,x"), "Blank after|");
    EXPECT_EQ(Sysop(",\xAC,\xAC-,"), ",\xAC,\xAC-|");  // bytes one bit off a comma are no comma
}

TEST_F(TMail, TrafficTotalsInEveryForm)
{
    auto totals = [&](const std::string& traffic) {
        Run({At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:10", "\xFE Traffic: " + traffic)});
        return log.SessCount() == 1 ? std::to_string(log.GetSess(0).BytesRcvd) + "/" + std::to_string(log.GetSess(0).BytesSent) +
                                          (log.ErrorCount ? " error" : "")
                                    : "no session";
    };
    const std::vector<std::pair<std::string, std::string>> table = {
        {"5000/1000, 2 files", "5000/1000"}, {"0/0,", "0/0"}, {"5000/1000", "5000/1000"}, {"77/ 12, x", "77/12"},
        {"+5/6, x", "5/6"}, {"123456789012345678/876543210987654321, x", "123456789012345678/876543210987654321"},
        {"1234567890123456789/9, x", "1234567890123456789/9"}, {"4294967296/12", "4294967296/12"},
        {"77/lots, done", "77/0 error"}, {"", "0/0 error"}, {"/5, x", "0/0 error"}, {"5//6, x", "5/0 error"},
        {"5x/6, x", "0/0 error"}, {"5:/6, 00:01:00", "0/0 error"}, {"1234567:/6, 00:01:00", "0/0 error"},
        {"99999999999999999999/1, x", "0/0 error"}};
    for (const auto& [traffic, want] : table)
        EXPECT_EQ(totals(traffic), want) << traffic;
}

TEST_F(TMail, CallAttemptsAndTheirResults)
{
    ASSERT_TRUE(Run({
        At("09:00:00", "Calling 2:5030/1, dialing, BUSY"), At("09:01:00", "Dial out 2:5030/1, dialing,  NO CARRIER"),
        At("09:02:00", "Calling 2:5030/2, dialing, LINE BUSY"),  // not at the start of the word
        At("09:03:00", "Calling 2:5030/2, dialing"), At("09:04:00", "Calling ?unknown, dialing, BUSY"),
        At("09:05:00", "Calling 2:5030/3, held by schedule (2), BUSY"),  // the dial-skip text
        At("09:06:00", "Calling 2:5030/4,,dialing,,BUSY"),               // empty words do not exist
        At("09:07:00", "Calling 2:5030/5, dialing, NO CAR,RIER"),        // the word ends at the comma
        At("09:08:00", "Calling 2:5030/5, dialing, \x01,BUSY"), At("09:09:00", "Calling 2:5030/5, dialing, BUS"),
        At("09:10:00", "Calling 2:5030/5, dialing, NO CARRIER, after 30 s"),
        At("09:11:00", "Calling 2:5030/6, held by,BUSY"),  // the skip text within the second word only
        At("09:12:00", "Calling 2:5030/8,, held by schedule ("),
    }));
    EXPECT_EQ(ErrorLines(), "");
    EXPECT_EQ(Stats(), "2:5030/1 calls=2 busy=1 nc=1\n2:5030/2 calls=2\n2:5030/4 calls=1 busy=1\n"
                       "2:5030/5 calls=4 nc=1\n2:5030/6 calls=1 busy=1\n");
    // Skipped and unknown calls and call results forget the address dialled.
    for (const std::string& forget : {"Calling ?, dialing"s, "Calling 2:5030/3, held by schedule (9)"s,
                                      "Calling 2:5030/1, dialing, BUSY"s}) {
        ASSERT_TRUE(Run({At("09:00:00", "Calling 2:5030/1, dialing"), At("09:00:05", forget),
                         At("09:00:10", "\xFE Line: CONNECT 2400"), At("09:00:11", "2:5030/9, mailer M"),
                         At("09:00:20", "\xFE Traffic: 0/0")}));
        EXPECT_EQ(StatOf(log.GetDayStats(0), "2:5030/9")->OutSess, 1) << forget;
    }
    // Entry 608 from version 2605 on; its result is never counted.
    const std::vector<std::string> lines = {At("09:00:00", "Dialling node 2:5030/2 (Station Moscow), dialing, BUSY"),
                                            At("09:01:00", "Dialling node 2:5030/5, dialing")};
    log.TMVersion = 2604;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(Stats(), "");
    log.TMVersion = 2605;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(Stats(), "2:5030/2 calls=1\n2:5030/5 calls=1\n");
    EXPECT_EQ(AddrText(log.DialAddr()), "2:5030/5");
}

TEST_F(TMail, BadAddressesAreLineErrors)
{
    ASSERT_TRUE(Run({At("09:00:00", "Calling 2:5030/1, dialing"), At("09:00:01", "Calling not an address, dialing, BUSY"),
                     At("09:00:02", "Calling , dialing"), At("09:00:03", "Calling    "),
                     At("09:00:10", "\xFE Line: CONNECT 2400"), At("09:00:11", "2:99999/1, mailer M"),
                     At("09:00:12", "2:5030/8, mailer M"), At("09:00:20", "\xFE Traffic: 0/0")}));
    EXPECT_EQ(ErrorLines(), "2 3 4 6");
    EXPECT_NE(window.errors[0].second.find("not an address"), std::string::npos);
    // The bad call made the dial address stale: the session is booked by its own address.
    EXPECT_EQ(Stats(), "2:5030/1 calls=1\n2:5030/8 out=1 outok=1 time=10\n");
}

// An address is read once and kept; what a text leaves out comes from the main address
// of the time it is read (the kept addresses are dropped when it changes).
TEST_F(TMail, AddressesTakeWhatTheyLeaveOutFromTheMainAddressOfTheirTime)
{
    const std::vector<std::string> lines = Session({At("10:00:05", "Sysop: x")});
    auto remote = [&](const char* main) {
        if (main)
            SetMainAddr(TFidoAddr::CreateStr(main));
        else
            ClearMainAddr();
        Run({At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "5030/123, mailer M"),
             At("10:00:02", "\xFE Traffic: 0/0"), At("10:00:03", "Calling 5030/1234, dialing, BUSY")});
        return log.GetSess(0).Addr->ToStrFlags(pfDomain) + " " + log.GetDayStats(0).GetItems(1).Addr->ToStrFlags(pfDomain);
    };
    EXPECT_EQ(remote(nullptr), "5030/123 5030/1234");
    EXPECT_EQ(remote("2:5030/999.999@fidonet"), "2:5030/123@fidonet 2:5030/1234@fidonet");
    EXPECT_EQ(remote("3:5030/999@othernet"), "3:5030/123@othernet 3:5030/1234@othernet");
    EXPECT_EQ(remote("4:5030/999@othernet"), "4:5030/123@othernet 4:5030/1234@othernet");
    EXPECT_EQ(remote("4:5030/999@thirdnet"), "4:5030/123@thirdnet 4:5030/1234@thirdnet");
}

// The name of a file sent is the fourth word of the line.
TEST_F(TMail, SentFileNamesAreTheFourthWord)
{
    auto sent = [&](const std::string& transfer) {
        Run(Session({At("10:00:05", "File request: FILES.ZIP"), transfer}));
        return log.FreqCount() == 1 && log.GetFreq(0).Sent;
    };
    EXPECT_TRUE(sent(At("10:00:06", "HS-OK FILES.ZIP 1000 bytes, 100 cps")));
    EXPECT_TRUE(sent(At("10:00:06", "HS-OK   C:\\PUB\\FILES.ZIP 1000 bytes")));
    EXPECT_TRUE(sent(At("10:00:06", "HS- FILES.ZIP sent, transfer OK")));
    EXPECT_FALSE(sent(At("10:00:06", "HS- FILES.ZIP skipped: busy")));
    EXPECT_FALSE(sent("12/03 10:00: 6 HS-OK FILES.ZIP 1000 bytes"));
    EXPECT_TRUE(sent("12/03  0:00:06 HS-OK FILES.ZIP"));
    EXPECT_FALSE(sent("12/ 3 10:00:06 HS-OK FILES.ZIP NEWS.ZIP"));
    EXPECT_FALSE(sent("12/03\xA0" "10:00:06 HS-OK FILES.ZIP NEWS.ZIP"));
    EXPECT_FALSE(sent("12/03 10:00:06\xA0HS-OK FILES.ZIP NEWS.ZIP"));
}

TEST_F(TMail, FtsOneSessionsByVersion)
{
    const std::vector<std::string> lines = {
        At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "FTS-1 link established"),
        At("10:00:02", "Remote mailer: Old Mailer 2.1"), At("10:00:03", "FTS-1 received 0001.PKT 1234 bytes"),
        At("10:00:04", "FTS-1 received 0002.PKT 66 bytes"), At("10:00:05", "FTS-1 received NOCOUNT.PKT"),
        At("10:00:06", "FTS-1 session done with 2 packets")};
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(Sessions(), "1-7|2024-03-12 10:00:00|10:00:06|-|||||2400|XModem|OK FTS1 FirstOfDay Listed|0/0|0/0|0\n");
    log.TMVersion = 2602;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(Sessions(), "1-7|2024-03-12 10:00:00|10:00:06|-|Old Mailer 2.1||||2400|XModem|OK FTS1 FirstOfDay Listed|0/3|0/1300|216\n");
    ASSERT_TRUE(Run({lines[0], lines[1], At("10:00:03", "FTS-1 received 0001.PKT 1234 bytes, transfer FAILED: crc"),
                     At("10:00:04", "FTS-1 received 0002.PKT many bytes"), lines[6]}));
    EXPECT_EQ(Sessions(), "1-5|2024-03-12 10:00:00|10:00:06|-|||||2400|XModem|FTS1 FirstOfDay Listed|0/2|0/0|0\n");
    EXPECT_EQ(ErrorLines(), "4");
}

// A line is compared only with the texts that begin as its message: texts of other
// languages, texts that share their first bytes and texts that begin like other kinds
// of lines keep the order in which they are tried.
TEST_F(TMail, LanguageTextsSharingTheirFirstBytes)
{
    const std::string password = "\x8F\xA0\xE0\xAE\xAB\xEC ";  // CP866 "Parol' "
    Write("t-mail.lng", BuildLng(610, {{60, password + "\xA5\xE1\xE2\xEC %s"}, {58, password + "\xAD\xA5\xA2\xA5\xE0\xA5\xAD %s"},
                                       {56, "404 unlisted %s"}, {3, "\xFE Aborted: %s"}, {424, "System failure %s"}}));
    ASSERT_TRUE(Run({At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "404 unlisted 2:5030/1"),
                     At("10:00:02", "2:5030/1, mailer M"), At("10:00:03", "Sysop: Ann"), At("10:00:04", "System: S"),
                     At("10:00:05", password + "\xAD\xA5\xA2\xA5\xE0\xA5\xAD x"),
                     At("10:00:06", "\xFE Traffic: 0/0"), At("10:01:00", "\xFE Line: CONNECT 2400"),
                     At("10:01:01", "2:5030/2, mailer M"), At("10:01:02", "Sysop: Bob"), At("10:01:03", "System: T"),
                     At("10:01:04", password + "\xA5\xE1\xE2\xEC x"), At("10:01:06", "\xFE Traffic: 0/0"),
                     At("10:02:00", "\xFE Line: CONNECT 2400"), At("10:02:01", "2:5030/3, mailer M"),
                     At("10:02:02", "System failure on the disk"), At("10:02:03", "Sysop: Cid"),
                     At("10:02:04", "System: U"), At("10:02:06", "\xFE Traffic: 0/0"),
                     At("10:03:00", "\xFE Line: CONNECT 2400"), At("10:03:01", "2:5030/4, mailer M"),
                     At("10:03:02", "\xFE Aborted: by remote"), At("10:03:03", "Sysop: not read")}));
    EXPECT_EQ(Sessions(),
              "1-7|2024-03-12 10:00:00|10:00:06|2:5030/1|M|Ann||S|2400|???|OK BadPassword FirstOfDay|0/0|0/0|0\n"
              "8-13|2024-03-12 10:01:00|10:01:06|2:5030/2|M|Bob||T|2400|???|OK Password Listed|0/0|0/0|0\n"
              "14-19|2024-03-12 10:02:00|10:02:06|2:5030/3|M|Cid||U|2400|???|Listed|0/0|0/0|0\n"
              "20-22|2024-03-12 10:03:00|10:03:02|2:5030/4|M||||2400|???|OK Listed|0/0|0/0|0\n");
    // Texts that come out empty match nothing; a one-byte text spoils every line of its byte.
    Write("t-mail.lng", BuildLng(610, {{3, "%s"}, {15, "%s calling"}, {56, "%s"}, {422, "Failed"}, {240, "%s,ab"},
                                       {467, "%d"}, {65, ""}, {4, "T%s"}}));
    ASSERT_TRUE(Run({At("09:00:00", "2:5030/1 calling, dialing, BUSY"), Opening()[0], Opening()[1], Opening()[2],
                     Opening()[3], Opening()[4], At("10:00:05", "ZS-File C:\\X.ZIP 10 OK"),
                     At("10:00:06", "Tally: slow"), At("10:00:07", "\xFE Traffic: 1/2")}));
    EXPECT_EQ(Sessions(), "2-9|2024-03-12 10:00:00|10:00:07|2:5030/1|M|Ann||S|2400|???|FirstOfDay Listed|0/0|0/0|0\n");
    EXPECT_FALSE(log.IsErrorWord("anything"));
}

// The CONNECT, protocol and traffic texts are read at their first place in the line:
// mostly right after the lead of their entry, but maybe inside that lead or the stamp.
TEST_F(TMail, SearchedTextsAtTheirFirstPlace)
{
    std::map<int, std::string> texts = {{2, "\xFE Incoming call: %s"}, {17, "\xFE CONNECT out: %s"},
                                        {64, "Handshake complete, %s %s, %d AKA(s)"}, {65, "0:0"},
                                        {466, "\xFE End of session, %s %lu/%lu, %s online"}, {467, "2/0"}};
    Write("t-mail.lng", BuildLng(610, texts));
    ASSERT_TRUE(Run({At("10:00:00", "\xFE CONNECT out: CONNECT 2400"), At("10:00:01", "2:5030/1, using M"),
                     At("10:00:02", "Sysop: Ann"), At("10:00:03", "System: S"),
                     At("10:00:05", "Handshake complete, 0:0 Hydra, 1 AKA(s)"),
                     At("10:00:09", "\xFE End of session, 2/0 5/6, 00:00:09 online"),
                     At("11:11:11", "\xFE Incoming call: CONNECT 9600 (CONNECT 2400)"), At("11:11:11", "2:5030/2, using M"),
                     At("11:11:11", "Sysop: Bob"), At("11:11:11", "System: T"),
                     At("11:11:11", "Handshake failed, 0:0 Janus"),
                     "13/04 11:11:11 \xFE End of session, 2/0 5/6, 00:00:09 online"}));
    EXPECT_EQ(Sessions(), "1-6|2024-03-12 10:00:00|10:00:09|2:5030/1|M|Ann||S|0|???|OK FirstOfDay Listed|0/0|0/0|0\n"
                          "7-12|2024-03-12 11:11:11|2024-04-13 11:11:11|2:5030/2|M|Bob||T|9600|Janus|"
                          "Incoming OK Listed|0/0|6/5|0\n");
    EXPECT_EQ(ErrorLines(), "6");  // the totals after the date's "2/0" are no numbers
}

// Lines that are no lines of any state change nothing, in any state.
TEST_F(TMail, LinesThatChangeNothing)
{
    const std::vector<std::string> noise = {
        "12/03 10:00:0", "12/03 10:00:00", "12.03 10:00:00 Failure: session aborted by remote",
        "12/03 10.00.00 Failure: session aborted", "  12/03 10:00:00 Failure: session aborted",
        "Failure: session aborted", "12/03 10:00:00 ", "12/03 10:00:00 ZS", "12/03 10:00:00 unknown text",
        "12/03 10:00:00 CONNECT 2400 without the marker"};
    const std::vector<std::vector<std::string>> states = {
        {}, {Opening()[0]}, {Opening()[0], Opening()[1]}, {Opening()[0], Opening()[1], Opening()[2]},
        {Opening()[0], Opening()[1], Opening()[2], Opening()[3]}, Opening(),
        {Opening()[0], At("10:00:01", "Human caller detected here")}, {Opening()[0], At("10:00:01", "FTS-1 link up")}};
    for (std::size_t state = 0; state < states.size(); ++state) {
        ASSERT_TRUE(Run(states[state]));
        const int wantState = log.State;
        const std::uint16_t flags = log.CurSess() ? log.CurSess()->Flags : 0;
        ASSERT_TRUE(Run(states[state] + noise + std::vector<std::string>(state == 0, "12/03 10:00:00 \xFE")));
        EXPECT_EQ(ErrorLines(), "");
        EXPECT_EQ(log.State, wantState) << state;
        EXPECT_EQ(log.CurSess() ? log.CurSess()->Flags : 0, flags) << state;
        EXPECT_EQ(log.SessCount(), 0u);
        EXPECT_EQ(Stats(), "");
    }
}

TEST_F(TMail, AddressAliasesFromVersion2603)
{
    Write("t-mail.ctl", "AddressAliases aliases.txt\r\n");
    Write("aliases.txt", "; aliases\r\n2:5030/1     Uplink\r\n\r\nlonely\r\nbad/address  Foo\r\n2:5030/*     Masked\r\n"
                         "2:5030/2\tBoss Node  \r\n2:5030/3 \x8C\xAE\xE1\xAA\xA2\xA0\r\n2:5030/4  2:463/45\r\n");
    const std::vector<std::string> lines = {
        At("09:00:00", "Calling Uplink, dialing, BUSY"), At("09:01:00", "Calling boss node, dialing, BUSY"),
        At("09:02:00", "Calling \x8C\xAE\xE1\xAA\xA2\xA0, dialing, BUSY"),
        At("09:03:00", "Calling 2:463/45, dialing, BUSY")};  // an alias that looks like an address
    log.TMVersion = 2603;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(ErrorLines(), "");
    EXPECT_EQ(Stats(), "2:5030/1 calls=1 busy=1\n2:5030/2 calls=1 busy=1\n2:5030/3 calls=1 busy=1\n"
                       "2:5030/4 calls=1 busy=1\n");
    ASSERT_EQ(Aliases().size(), 4u);
    EXPECT_EQ(Aliases()[2].Name, "Москва");  // the screen gets the names as text
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Invalid address in the address alias file:\nbad/address  Foo",
                                                 "Invalid address in the address alias file:\n2:5030/*     Masked"}));
    log.TMVersion = 2602;  // older versions write addresses only
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.ErrorCount, 3);
    Write("t-mail.ctl", "");  // a configuration without the file takes them away again
    log.TMVersion = 2603;
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(Aliases().empty());
    Write("t-mail.ctl", "AddressAliases nowhere.txt\r\n");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run(lines));
    EXPECT_NE(Shown().at(0).find("nowhere.txt"), std::string::npos);
}

TEST_F(TMail, LanguageFilesTooShortForTheVersion)
{
    auto fails = [&](const std::string& bytes, int version) {
        Write("t-mail.lng", bytes);
        log.TMVersion = version;
        dialogs.Shown.clear();
        const bool ok = Run({At("09:00:00", "text")});
        return ok ? "ok"s : std::to_string(dialogs.Shown.size()) + " " + dialogs.Shown.at(0).text;
    };
    EXPECT_EQ(fails(BuildLng(590), 2599), "ok");
    EXPECT_NE(fails(BuildLng(590), 2602).find(".LNG index 591 too large"), std::string::npos);
    EXPECT_EQ(fails(BuildLng(600), 2602), "ok");
    EXPECT_NE(fails(BuildLng(600), 2605).find(".LNG index 608 too large"), std::string::npos);
    // A missing or cut file: the end-to-end tests of the damaged sample.
    EXPECT_EQ(fails("", 2599).substr(0, 2), "1 ");
}

TEST_F(TMail, ControlFileMacrosIncludesAndErrors)
{
    ::setenv("TARVIX_TM_LISTS", "lists", 1);
    Write("t-mail.ctl", "; T-Mail configuration\r\n  [3]Freq_Dir %TARVIX_TM_LISTS%\\dir%TASKNO%.frq   ; per task\r\n"
                        "Freq_Ndx magic.frq\r\nUnknown_Keyword whatever\r\n[1] Sys_Path sys\\\r\nInclude more.ctl\r\n");
    Write("more.ctl", "Chat_Log logs\\chat.log\r\n");
    Write("lists/dir3.frq", "; directories\r\nfiles\\pub\r\nC:\\ABS\\DIR\\ comment\r\n");
    Write("magic.frq", "LIST C:\\FILES\\LIST.ZIP\r\n");
    log.TaskNo = 3;
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    ::unsetenv("TARVIX_TM_LISTS");
    const std::string base = dir.path.string();
    EXPECT_EQ(log.DirList(), (std::vector<std::string>{base + "\\files\\pub\\", "C:\\ABS\\DIR\\"}));
    EXPECT_EQ(log.Aliases().at("LIST").Target, "C:\\FILES\\LIST.ZIP");
    EXPECT_EQ(log.Config().FreqDir, "lists\\dir3.frq");
    EXPECT_EQ(log.SystemDir(), base + "\\sys");
    EXPECT_EQ(log.ChatLogFile(), base + "\\logs\\chat.log");
    // A missing directory list ends the analysis with one message; a missing alias
    // index is one warning; no control file, an error.
    for (const auto& [ctl, ok] : std::vector<std::pair<std::string, bool>>{{"Freq_Dir nolist.frq\r\n", false},
                                                                           {"Freq_Ndx nomagic.frq\r\n", true}}) {
        Write("t-mail.ctl", ctl);
        dialogs.Shown.clear();
        EXPECT_EQ(Run({At("09:00:00", "text")}), ok) << ctl;
        EXPECT_EQ(dialogs.Shown.size(), 1u) << ctl;
    }
    std::filesystem::remove(dir.path / "t-mail.ctl");
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
}

TEST_F(TMail, IndexFilesOfBothFormats)
{
    Write("files/pub/ONDISK.ZIP", "x");
    Write("n2600.ndx", ndxwriters::BuildNdx2600({{"OLD.ZIP", "C:\\OLD"}, {"BOTH.ZIP", "C:\\FROM2600"}}));
    Write("n2604.ndx", ndxwriters::BuildNdx2604({{"NEW.ZIP", "C:\\NEW"}, {"BOTH.ZIP", "C:\\FROM2604"}}));
    Write("dir.frq", "files\\pub\r\n@n2604.ndx\r\n; comment\r\n@n2600.ndx\r\nC:\\OTHER\r\n@missing.ndx\r\n");
    const std::string base = dir.path.string();
    // 2604: the 2600 file has no signature and is skipped with a warning, as is the missing one.
    log.TMVersion = 2604;
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_EQ(log.IndexNames(), (std::vector<std::string>{base + "\\n2604.ndx"}));
    ASSERT_EQ(Shown().size(), 2u);
    EXPECT_NE(Shown()[1].find("unsupported format"), std::string::npos);
    EXPECT_EQ(log.ResolveFreqName("BOTH.ZIP"), "C:\\FROM2604\\BOTH.ZIP");
    EXPECT_EQ(log.ResolveFreqName("ONDISK.ZIP"), base + "\\files\\pub\\ONDISK.ZIP");
    EXPECT_EQ(log.ResolveFreqName("NOWHERE.ZIP"), "");
    // 2603: both open as 2600 indexes, in the order of the list.
    log.TMVersion = 2603;
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_EQ(log.ResolveFreqName("BOTH.ZIP"), "C:\\FROM2600\\BOTH.ZIP");
}

namespace {

std::string HistoryFile(const std::vector<std::pair<std::int32_t, std::int32_t>>& positions)
{
    std::string data("\xF1\x00", 2);
    for (std::size_t r = 0; r < positions.size(); ++r) {
        std::string rec(100, '\0');
        for (std::size_t i = 0; i < 100; ++i)
            rec[i] = static_cast<char>(r * 7 + i);
        for (int b = 0; b < 4; ++b) {
            rec[28 + b] = static_cast<char>(static_cast<std::uint32_t>(positions[r].first) >> (8 * b));
            rec[32 + b] = static_cast<char>(static_cast<std::uint32_t>(positions[r].second) >> (8 * b));
        }
        data += rec;
    }
    return data;
}

}  // namespace

TEST_F(TMail, HistoryPositionsAreLoweredNeverBelowZero)
{
    Write("t-mail.ctl", "Sys_Path sys\r\n");
    Write("sys/t-hist.$0A", HistoryFile({{5000, 7000}, {100, 1000}, {-3, 1001}, {0x7FFFFFFF, 999}}));
    log.TaskNo = 10;
    log.TMVersion = 2603;
    ASSERT_TRUE(log.AdjustHistory(1000));
    EXPECT_EQ(Read("sys/t-hist.$0A"), HistoryFile({{4000, 6000}, {0, 0}, {0, 1}, {0x7FFFFFFF - 1000, 0}}));
    EXPECT_FALSE(log.AdjustHistory(0));
    log.TMVersion = 2602;  // a version without positions
    EXPECT_FALSE(log.AdjustHistory(1000));
    Write("sys/t-hist.$0A", std::string("\xF1\x00", 2));  // header only: valid
    log.TMVersion = 2605;
    EXPECT_TRUE(log.AdjustHistory(5));
    fs::remove(dir.path / "sys/t-hist.$0A");
    EXPECT_THROW(log.AdjustHistory(5), EFOpenError);
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(TMail, DamagedOrInterruptedHistoryFilesStayAsTheyWere)
{
    log.TMVersion = 2603;
    const std::string good = HistoryFile({{5000, 7000}, {100, 1000}});
    std::string wrongHeader = good, bigHeader = good;
    wrongHeader[0] = '\xF2';
    bigHeader[1] = '\x01';
    for (const std::string& bytes : {""s, "\xF1"s, good.substr(0, good.size() - 1), good + "x", wrongHeader, bigHeader,
                                     std::string(202, '\xFF')}) {
        Write("t-hist.$01", bytes);
        dialogs.Shown.clear();
        EXPECT_FALSE(log.AdjustHistory(10));
        EXPECT_EQ(Read("t-hist.$01"), bytes);
        EXPECT_NE(Shown().at(0).find("not adjusted"), std::string::npos);
    }
    Write("t-hist.$01", good);
    SetAtomicWriteHook([](const std::string& temp) {
        fs::remove(temp);
        throw EWriteError("simulated crash");
    });
    EXPECT_THROW(log.AdjustHistory(10), EWriteError);
    SetAtomicWriteHook(nullptr);
    EXPECT_EQ(Read("t-hist.$01"), good);
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir.path))
        files += e.path().filename().string().rfind("t-hist", 0) == 0;
    EXPECT_EQ(files, 1u);  // no temporary file left
}

// ------------------------------------------------------------------ the text search

namespace {

// A line in storage of its own size, so that a search reading past its end is seen
// by the address checks of a sanitizer build.
struct ExactLine {
    std::unique_ptr<char[]> bytes;
    std::size_t size;
    explicit ExactLine(const std::string& s) : bytes(new char[s.size() + 1]), size(s.size())
    {
        std::memcpy(bytes.get(), s.data(), s.size());
    }
    std::string_view View() const { return {bytes.get(), size}; }
};

std::size_t LibraryFind(const std::string& line, const std::string& text)
{
    return text.empty() ? std::string_view::npos : std::string_view(line).find(text);
}

}  // namespace

// The first place of a text in a line as the library finds it, for lines around the
// steps of the search (16, 32, 64 bytes) and texts whose searched byte stands 64 or
// more bytes into them (found by fuzzing: an oversized shift and a read before the line).
TEST(TMailLineText, FirstPlaceAsTheLibraryFindsIt)
{
    std::mt19937 rng(20261207);
    std::vector<std::string> texts = {"FAILED:", "bytes in/out:", "x", "RR", "aRa", "Q: Q: Q", "\xFE Traffic:", ""};
    for (const std::size_t m : {63u, 64u, 65u, 100u, 130u})
        for (const std::size_t keyAt : {std::size_t{0}, std::size_t{63}, std::size_t{64}, m - 1}) {
            if (keyAt >= m)
                continue;
            std::string text(m, 'a');
            for (char& c : text)
                c = "abc "[rng() % 4];
            text[keyAt] = 'Q';
            texts.push_back(text);
        }
    for (const std::string& text : texts) {
        TLineText search;
        search.Set(text);
        const std::string alphabet = text + "0123456789 :/.,-abcQ";
        for (std::size_t n = 0; n <= text.size() + 140; n += text.size() > 60 ? 7 : 1)
            for (int trial = 0; trial < 6; ++trial) {
                std::string line(n, ' ');
                for (char& c : line)
                    c = alphabet[rng() % alphabet.size()];
                if (n >= text.size() && trial % 3 != 0)
                    line.replace(trial % 3 == 1 ? rng() % (n - text.size() + 1) : n - text.size(), text.size(), text);
                const ExactLine exact(line);
                ASSERT_EQ(search.Find(exact.View()), LibraryFind(line, text)) << "[" << text << "] in [" << line << "]";
            }
    }
    // After an entry's lead: the first place, also where the lead or the stamp holds it.
    for (const auto& [lead, text] : std::vector<std::pair<std::string, std::string>>{
             {"\xFE End of session, ", "bytes in/out:"}, {"aba", "bab"}, {"Time ", "0:0"}, {"12:", "2:1"}, {"T", "1"}}) {
        TLineText search;
        search.Set(text);
        const TLineAnchor anchor = search.Anchor(lead, 15);
        const std::string alphabet = text + lead + "0123456789 :/";
        for (int trial = 0; trial < 2000; ++trial) {
            std::string line(15, ' ');
            for (char& c : line)
                c = trial % 2 == 0 ? "0123456789"[rng() % 10] : alphabet[rng() % alphabet.size()];
            line += lead + (trial % 5 ? text : "");
            for (std::size_t i = rng() % 60; i > 0; --i)
                line += alphabet[rng() % alphabet.size()];
            const ExactLine exact(line);
            ASSERT_EQ(search.FindAt(exact.View(), anchor, 15), LibraryFind(line, text)) << line;
        }
    }
}

// A followed log goes on over its new lines as if read whole: cut anywhere (between
// sessions, in one, in a line, between a request and its file), over a day's end
// and a year's end (which the analysis must take from the start).
TEST_F(TMail, ContinuedAnalysisGivesWhatTheWholeTextGives)
{
    Write("index.frq", "@MAGIC C:\\FILES\\REAL.ZIP\r\n");
    const auto day2 = [](const std::string& hms, const std::string& msg) { return "13/03 " + hms + " " + msg; };
    const std::vector<std::string> lines =
        std::vector<std::string>{At("09:00:00", "Calling 2:5030/1, dialing, BUSY"), At("09:00:10", "Calling 2:5030/1, dialing")} +
        Session({At("10:00:05", "File request: MAGIC"), At("10:00:09", "HS-File C:\\FILES\\REAL.ZIP 100 OK")}) +
        std::vector<std::string>{day2("08:00:00", "Calling 2:5030/2, dialing, NO CARRIER"),
                                 day2("09:00:00", "\xFE Line: CONNECT 2400"), day2("09:00:01", "2:5030/2, mailer N"),
                                 day2("09:00:02", "File request: NEWS.ZIP"), day2("09:00:30", "\xFE Traffic: 1/2, done"),
                                 day2("09:10:00", "Calling 2:5030/1, dialing, BUSY")};
    const std::string text = Join(lines);
    int continued = 0;
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1)
        continued += ExpectContinuedAsWhole(text, {at, std::min(at + 9, text.size()), text.find('\n', at + 9) + 1});
    EXPECT_GT(continued, 20);
    // The year turns in the new lines: every line before belongs to the year before.
    const std::string years = Join({"31/12 10:00:00 \xFE Line: CONNECT 2400", "31/12 10:00:01 2:5030/1, mailer M",
                                    "31/12 10:00:09 \xFE Traffic: 0/0", "01/01 10:00:00 Calling 2:5030/1, dialing"});
    EXPECT_EQ(ExpectContinuedAsWhole(years, {years.find("01/01")}), 0);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(2023, 12, 31));
}
