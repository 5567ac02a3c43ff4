// The SF-Mail parser: day separators, sessions through their states, calls, traffic
// after the session's end, requests, sf-mail.cfg with its alias file, the language
// file, and damaged input.
#include "ParserHarness.h"

#include "engine/LogStyles.h"
#include "engine/SFMailLog.h"
#include "platform/Error.h"
#include "tools/lngwriters/MailerLngWriter.h"

using namespace tarvix;
using namespace tarvix::test;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// This test's own wording of the SF-Mail messages, with their marker fields.
std::vector<std::pair<std::uint16_t, std::string>> TestEntries()
{
    return {
        {1027, "(#) Request list (%1 names):"}, {1030, "(#) %1"}, {1037, "    Nodelist: %1"},
        {1039, "(#) Mail only session"}, {1060, "(+) Ring, picking up"}, {1081, "(+) Dialling %1, %2, %3"},
        {1082, "(#) VISITOR detected, no EMSI from %1"}, {1084, "    Station: %1"}, {1085, "    AKA: %1"},
        {1087, "    Operator: %1"}, {1089, "    Number: %1"}, {1091, "    Software: %1"},
        {1094, "(#) Protected by password"}, {1115, "    VISITOR left the line"}, {1125, "(+) Delivered: %1"},
        {1135, "(+) Delivered partly: %1"}, {1153, "(+) Manual call %1"}, {1155, "    Transfer protocol: %1"},
        {1157, "(+) End of session, %1"}, {1158, "(?) Remote aborted: %1"}, {1159, "    Bytes out/in: %1/%2, %3"},
        {1160, "    Rate: %1"}, {2012, "(#) Nothing found for the request"}, {2032, "(!) No carrier"},
        {2034, "(!) Busy"}, {2035, "(!) EMSI failure: %1"}, {2038, "(!) Lost the carrier"},
        {2040, "(?) Bad password from %1"},
    };
}

// A line of the log: the time stamp, two blanks, the message.
std::string L(const std::string& time, const std::string& msg) { return time + "  " + msg; }

// A day separator line: twelve line-drawing bytes, then the date.
std::string Sep(const std::string& date) { return std::string(12, '\xC4') + " " + date + ", Monday " + std::string(8, '\xC4'); }

// An answered call up to the remote's address, at the hour given.
std::vector<std::string> Answered(const std::string& hh, const std::string& aka = "2:5020/52")
{
    return {L(hh + ":00:00", "(+) Ring, picking up"), L(hh + ":00:10", "(+) CONNECT 2400"),
            L(hh + ":00:11", "    Station: S"), L(hh + ":00:11", "    AKA: " + aka)};
}
// The handshake after the address, up to the protocol.
std::vector<std::string> Handshake(const std::string& hh, const std::string& protocol = "Hydra")
{
    return {L(hh + ":00:11", "    Operator: O"), L(hh + ":00:11", "    Number: N"), L(hh + ":00:11", "    Software: M"),
            L(hh + ":00:11", "    Nodelist: listed"), L(hh + ":00:12", "    Transfer protocol: " + protocol)};
}

class SFMail : public ParserTest<TSFMailLog> {
protected:
    SFMail()
    {
        Write("sf-mail.lng", lngwriters::BuildSFMailLng(TestEntries()));
        Write("cfg/sf-mail.cfg", "Fr_Alias freq.als\r\n");
        Write("freq.als", "NODELIST  C:\\FILES\\NODELIST.Z26\r\n");
        SetMainAddr(TFidoAddr(2, 5030, 999, 0));
        Install();
    }
};

struct SFCase {
    const char* name;
    std::vector<std::string> lines;
    const char* sessions;
    const char* stats;
    const char* errors = "";
    const char* freqs = "";
};

class SFMailLogs : public SFMail, public ::testing::WithParamInterface<SFCase> {};

}  // namespace

TEST_P(SFMailLogs, GiveTheirSessions)
{
    ASSERT_TRUE(Run(GetParam().lines));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(ErrorLines(), GetParam().errors);
    EXPECT_EQ(Freqs(), GetParam().freqs);
    // A second analysis gives the same.
    const std::string first = Sessions() + Stats() + Freqs();
    ASSERT_TRUE(Run(GetParam().lines));
    EXPECT_EQ(Sessions() + Stats() + Freqs(), first);
}

INSTANTIATE_TEST_SUITE_P(
    S, SFMailLogs,
    ::testing::Values(
        // Lines out of their state change nothing; a line without a time is not examined.
        SFCase{"LinesOutOfTheirState",
               {Sep("13 Apr 2026"), L("10:00:00", "(+) Ring, picking up"), L("10:00:10", "(+) CONNECT 2400"),
                L("10:00:11", "    AKA: 2:5020/52"), L("10:00:11", "    Operator: Nobody"),
                "    Station: indented, no time stamp", std::string(12, '\xC4') + " 13 Apr 2026, x",
                L("10:00:12", "    Station: Real Station"), L("10:00:12", "    Station: Second Station"),
                L("10:00:12", "    Transfer protocol: ZModem"), L("10:00:12", "+Send-ZM: A.PKT"),
                L("10:00:13", "    AKA: 2:5020/53"), L("10:00:13", "    Operator: Olga"), L("10:00:13", "    Number: 1-2-3"),
                L("10:00:13", "    Software: X"), L("10:00:13", "    Transfer protocol: ZModem"),
                L("10:00:13", "    Nodelist: unlisted"), L("10:00:13", "(#) Protected by password"),
                L("10:00:14", "    Transfer protocol: ZModem"), L("10:00:14", "(#) Mail only session"),
                L("10:00:20", "(+) End of session, 0:00:10")},
               "2-21|2026-04-13 10:00:10|10:00:20|2:5020/53|X|Olga|1-2-3|Real Station|2400|ZModem|Incoming OK FirstOfDay|"
               "0/0|0/0|0\n",
               "2:5020/53 in=1 inok=1 time=10\n"},
        // The caller id is the phone of the answered call: "?" is none, a new call or
        // ring drops it, and a caller line in a dialled call ends the call mode.
        SFCase{"CallerIds",
               {Sep("13 Apr 2026"), L("10:00:00", "(+) Ring, picking up"), L("10:00:02", "    CALLER ID: 4951234567 "),
                L("10:00:10", "(+) CONNECT 2400"), L("10:00:11", "    Station: S"), L("10:00:11", "    AKA: 2:5020/52"),
                L("10:00:11", "    Operator: O"), L("10:00:11", "    Number: 7-095-000"),
                L("10:00:20", "(+) End of session, x"), L("11:00:00", "(+) Ring, picking up"),
                L("11:00:02", "    CALLER ID: ?"), L("11:00:10", "(+) CONNECT 2400"), L("11:00:20", "(+) End of session, x"),
                L("12:00:00", "(+) Ring, picking up"), L("12:00:10", "(+) CONNECT 2400"), L("12:00:11", "    Station: S"),
                L("12:00:11", "    AKA: 2:5020/52"), L("12:00:11", "    Operator: O"),
                L("12:00:11", "    Number: 7-095-000"), L("12:00:20", "(+) End of session, x"),
                L("13:00:00", "(+) Ring, picking up"), L("13:00:02", "    CALLER ID: 999"),
                L("13:00:30", "(!) No connect"), L("13:10:00", "(+) Manual call 1-2-3"),
                L("13:10:10", "(+) CONNECT 9600"), L("13:10:20", "(+) End of session, x"),
                L("14:00:00", "(+) Ring, picking up"), L("14:00:02", "    CALLER NUMBER 555"),
                L("14:00:10", "(+) CONNECT 2400"), L("14:00:20", "(+) End of session, x"),
                L("15:00:00", "(+) Dialling X, 2:5020/52, 1-2"), L("15:00:02", "    CALLER ID: 111"),
                L("15:00:10", "(+) CONNECT 2400"), L("15:00:20", "(+) End of session, x"),
                L("16:00:00", "(+) Ring, picking up"), L("16:00:02", "    CALLER ID: 999"),
                L("16:00:30", "(!) No connect"), L("16:10:00", "(+) Ring, picking up"),
                L("16:10:02", "    CALLER ID: ?"), L("16:10:10", "(+) CONNECT 9600"),
                L("16:10:20", "(+) End of session, x")},
               "3-9|2026-04-13 10:00:10|10:00:20|2:5020/52||O|4951234567|S|2400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n"
               "11-13|2026-04-13 11:00:10|11:00:20|-|||||2400|???|Incoming OK Listed|0/0|0/0|0\n"
               "14-20|2026-04-13 12:00:10|12:00:20|2:5020/52||O|7-095-000|S|2400|???|Incoming OK Listed|0/0|0/0|0\n"
               "24-26|2026-04-13 13:10:10|13:10:20|-|||||9600|???|OK Listed|0/0|0/0|0\n"
               "28-30|2026-04-13 14:00:10|14:00:20|-|||||2400|???|Incoming OK Listed|0/0|0/0|0\n"
               "39-41|2026-04-13 16:10:10|16:10:20|-|||||9600|???|Incoming OK Listed|0/0|0/0|0\n",
               "2:5020/52 calls=1 in=2 inok=2 time=20\n"},
        // Only the line right after a call opens a session.
        SFCase{"OnlyTheLineRightAfterACallOpens",
               {Sep("13 Apr 2026"), L("10:00:00", "(+) CONNECT 2400"), L("10:01:00", "(+) Ring, picking up"),
                L("10:01:05", "    Modem says RING"), L("10:01:10", "(+) CONNECT 2400"),
                L("10:02:00", "(+) Ring, picking up"), "   continued text, not a digit",
                L("10:02:10", "(+) CONNECT 14400/ARQ"), L("10:02:20", "(+) End of session, x"),
                L("10:02:30", "(+) CONNECT 2400")},
               "7-9|2026-04-13 10:02:10|10:02:20|-|||||14400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n", ""},
        // Calls count for the address dialled, found in every form of the dial line.
        SFCase{"CallsCountForTheDialledAddress",
               {L("09:00:00", "(+) Dialling A, 2:5020/1, 1"), L("09:00:01", "(!) Busy"), Sep("13 Apr 2026"),
                L("10:00:00", "(+) Dialling A, 2:5020/52, 1-2-3"), L("10:00:10", "(!) Busy"),
                L("10:01:00", "(+) Dialling 2:5020/52, 1-2-3"), L("10:01:10", "(!) No carrier"),
                L("10:01:11", "(!) No carrier"), L("10:02:00", "(+) Dialling 2:5020/77"), L("10:02:10", "(!) Busy"),
                L("10:03:00", "(+) Dialling A, not an address, 1"), L("10:03:10", "(!) Busy"),
                L("10:04:00", "(+) Manual call 555"), L("10:04:10", "(!) Busy"), L("10:05:00", "(+) Ring, picking up"),
                L("10:05:10", "(!) No carrier"), L("10:06:00", "(+) Dialling A, , 1"),
                L("10:07:00", "(+) Dialling A,, 2:5020/1,,, 1"), L("10:07:01", "(!) Busy"),
                L("10:07:02", "(+) Dialling 2:5020/2,,,"), L("10:07:03", "(!) Busy"),
                L("10:07:04", "(+) Dialling A,2:5020/3,"), L("10:07:05", "(+) Dialling A, 2:5020/4, 1, 2, 3"),
                L("10:07:06", "(!) No carrier")},
               "", "2:5020/1 calls=1 busy=1\n2:5020/2 calls=1 busy=1\n2:5020/4 calls=1 nc=1\n2:5020/52 calls=2 busy=1 nc=2\n"
               "2:5020/77 calls=1 busy=1\n",
               "11 22"},
        // Endings: only the end line and unknown error lines leave the session OK.
        SFCase{"SessionEndings",
               Lines{Sep("13 Apr 2026")} + Answered("10") + Lines{L("10:00:20", "(+) End of session, 0:00:10")} +
                   Answered("11") + Lines{L("11:00:20", "(?) Remote aborted: whatever")} +
                   Answered("12") + Lines{L("12:00:20", "(!) Lost the carrier")} +
                   Answered("13") + Lines{L("13:00:20", "(!) EMSI failure: timeout")} +
                   Answered("14") + Lines{L("14:00:20", "(!) Anything else")},
               "2-6|2026-04-13 10:00:10|10:00:20|2:5020/52||||S|2400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n"
               "7-11|2026-04-13 11:00:10|11:00:20|2:5020/52||||S|2400|???|Incoming Listed|0/0|0/0|0\n"
               "12-16|2026-04-13 12:00:10|12:00:20|2:5020/52||||S|2400|???|Incoming Listed|0/0|0/0|0\n"
               "17-21|2026-04-13 13:00:10|13:00:20|2:5020/52||||S|2400|???|Incoming Bad Listed|0/0|0/0|0\n"
               "22-26|2026-04-13 14:00:10|14:00:20|2:5020/52||||S|2400|???|Incoming OK Listed|0/0|0/0|0\n",
               "2:5020/52 in=5 inok=2 time=50\n"},
        // A human caller waits for the caller to leave; without an address no statistics.
        SFCase{"HumanCallers",
               {Sep("13 Apr 2026"), L("10:00:00", "(+) Ring, picking up"), L("10:00:10", "(+) CONNECT 2400"),
                L("10:00:15", "(#) VISITOR detected, no EMSI from the remote"), L("10:00:16", "    Station: not read"),
                L("10:00:17", "(+) End of session, x"), L("11:00:00", "(+) Ring, picking up"),
                L("11:00:10", "(+) CONNECT 2400"), L("11:00:15", "(#) VISITOR detected, no EMSI from x"),
                L("11:00:16", "(+) Delivered: A.ZIP"), L("11:01:00", "    VISITOR left the line"),
                L("12:00:00", "(+) Ring, picking up"), L("12:00:10", "(+) CONNECT 2400"),
                L("12:00:15", "(#) VISITOR detected, no EMSI from x"), L("12:00:20", "(!) Lost the carrier")},
               "2-6|2026-04-13 10:00:10|10:00:17|-|||||2400|???|Incoming OK Human FirstOfDay Listed|0/0|0/0|0\n"
               "7-11|2026-04-13 11:00:10|11:01:00|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n"
               "12-15|2026-04-13 12:00:10|12:00:20|-|||||2400|???|Incoming Human Listed|0/0|0/0|0\n",
               ""},
        // Traffic after the end goes into the last session once; a rate line replaces
        // the derived rate; traffic of an open session is ignored.
        SFCase{"TrafficAfterTheEnd",
               {Sep("13 Apr 2026"), L("10:00:00", "(+) Manual call 1"), L("10:00:10", "(+) CONNECT 9600"),
                L("10:00:11", "    Station: S"), L("10:00:11", "    AKA: 2:5020/52"),
                L("10:00:20", "(+) End of session, 0:00:10"), L("10:00:20", "    Bytes out/in: 1000/5000, 3"),
                L("10:00:20", "    Bytes out/in: 1000/5000, 3"), L("10:00:21", "(+) Dialling B, 2:5020/53, 2"),
                L("10:00:22", "    Rate: 77 cps"), L("11:00:00", "(+) Ring, picking up"),
                L("11:00:10", "(+) CONNECT 9600"), L("11:00:11", "    Station: T"), L("11:00:11", "    AKA: 2:5020/54"),
                L("11:00:15", "    Bytes out/in: 9/9, 0"), L("11:00:30", "(!) Lost the carrier"),
                L("11:00:30", "    Bytes out/in: 0/4000, 1"), L("23:59:00", "(+) Ring, picking up"),
                L("23:59:10", "(+) CONNECT 9600"), L("23:59:11", "    Station: S"), L("23:59:11", "    AKA: 2:5020/55"),
                L("23:59:50", "(+) End of session, x"), Sep("14 Apr 2026"), L("00:00:00", "    Bytes out/in: 10/20, 0")},
               "2-6|2026-04-13 10:00:10|10:00:20|2:5020/52||||S|9600|???|OK FirstOfDay Listed|0/0|1000/5000|77\n"
               "11-16|2026-04-13 11:00:10|11:00:30|2:5020/54||||T|9600|???|Incoming Listed|0/0|0/4000|200\n"
               "18-22|2026-04-13 23:59:10|23:59:50|2:5020/55||||S|9600|???|Incoming OK Listed|0/0|10/20|0\n",
               "2:5020/52 out=1 outok=1 sent=1000 rcvd=5000 time=10 cps=500\n2:5020/53 calls=1\n"
               "2:5020/54 in=1 rcvd=4000 time=20 cps=200\n2:5020/55 in=1 inok=1 sent=10 rcvd=20 time=40\n"},
        // Rates and counts in other forms than SF-Mail's own; damaged ones are line errors.
        SFCase{"TrafficInOtherForms",
               Lines{Sep("13 Apr 2026"), L("09:00:00", "    Bytes out/in: 1/2, 0"), L("09:00:00", "    Rate: 5")} +
                   Answered("10") +
                   Lines{L("10:00:20", "(+) End of session, x"), L("11:00:31", "    Rate: 850"),
                         L("11:00:32", "    Rate: \t852"), L("11:00:33", "    Rate: 853cps"),
                         L("11:00:34", "    Rate: 99999999999999999999"), L("11:00:35", "    Bytes out/in: 30/40 , x"),
                         L("11:00:36", "    Bytes out/in: lots/200, 0"), L("11:00:37", "    Bytes out/in: 300"),
                         L("11:00:38", "    Bytes out/in: 999999999999999999/ 7 , 0"),
                         L("11:00:39", "    Bytes out/in: 9300000000000000000/0, 0")},
               "4-8|2026-04-13 10:00:10|10:00:20|2:5020/52||||S|2400|???|Incoming OK FirstOfDay Listed|0/0|"
               "999999999999999999/7|852\n",
               "2:5020/52 in=1 inok=1 sent=999999999999999999 rcvd=7 time=10 cps=99999999999999999\n", "11 12 14 15 17"},
        // Requests, an alias, a mask served twice, a repeated request, a file said
        // delivered twice, and paths cut at their last "(" and backslash.
        SFCase{"RequestsAndTheFilesSentForThem",
               Lines{Sep("13 Apr 2026"), L("10:00:00", "(+) Ring, picking up"), L("10:00:10", "(+) CONNECT TCP/IP"),
                     L("10:00:11", "    Station: S"), L("10:00:11", "    AKA: 2:5020/52")} +
                   Handshake("10", "Hydra-8k") +
                   Lines{
                       L("10:00:13", "-Recv-HY: A.PKT"), L("10:00:14", "(#) Request list (1 names):"),
                       L("10:00:14", "    MISSING.ZIP"), L("10:00:14", "(#) Nothing found for the request"),
                       L("10:00:15", "+Send-HY: B.PKT"), L("10:00:16", "(#) Request list (4 names):"),
                       L("10:00:16", "    NODELIST"), L("10:00:16", "    *.txt"), L("10:00:16", "    nodelist"),
                       L("10:00:16", "(#) X*"),
                       L("10:00:18", "+Send-HY: C:\\FILES\\NODELIST.Z26 (40960 bytes)"),
                       L("10:00:30", "(+) Delivered: NODELIST.Z26"), L("10:00:31", "+Send-HY: C:\\FILES\\README.TXT"),
                       L("10:00:32", "-Recv-HY: C.PKT"), L("10:00:33", "(+) Delivered partly: README.TXT"),
                       L("10:00:34", "+Send-HY: C:\\FILES\\NEWS.TXT (12 b)"), L("10:00:35", "(+) Delivered: NEWS.TXT"),
                       L("10:00:36", "(+) Delivered: NEWS.TXT"), L("10:00:37", "+Send-HY: C:\\FILES\\OTHER.ZIP (1 b)"),
                       L("10:00:38", "(+) Delivered: OTHER.ZIP"), L("10:00:39", "+Send-HY: \\XA (1 b)"),
                       L("10:00:39", "(+) Delivered: XA"), L("10:00:39", "+Send-HY: C:\\X(1)\\XLONG_NAME.TXT (1)"),
                       L("10:00:39", "(+) Delivered: XLONG_NAME.TXT"), L("10:00:39", "+Send-HY: XB(1)"),
                       L("10:00:39", "(+) Delivered: XB"), L("10:00:40", "(+) End of session, x")},
               "2-37|2026-04-13 10:00:10|10:00:40|2:5020/52|M|O|N|S|1234|Hydra|Incoming OK FirstOfDay Listed|8/2|0/0|0\n",
               "2:5020/52 in=1 inok=1 time=30\n", "",
               "MISSING.ZIP|MISSING.ZIP|2:5020/52|13|-|\nNODELIST|NODELIST.Z26|2:5020/52|21|sent|C:\\FILES\\NODELIST.Z26\n"
               "*.TXT|README.TXT|2:5020/52|24|sent|C:\\FILES\\README.TXT\nX*|XA|2:5020/52|31|sent|\\XA\n"
               "*.TXT|NEWS.TXT|2:5020/52|26|sent|C:\\FILES\\NEWS.TXT\n"
               "*.TXT|XLONG_NAME.TXT|2:5020/52|33|sent|C:\\X(1)\\XLONG_NAME.TXT\nX*|XB|2:5020/52|35|sent|XB\n"},
        // A session that never presented its address records no request.
        SFCase{"RequestsNeedTheRemotesAddress",
               Lines{Sep("13 Apr 2026")} + Answered("10", "2:99999/1") + Lines{L("10:00:11", "    AKA: ")} + Handshake("10") +
                   Lines{L("10:00:16", "(#) Request list (1 names):"), L("10:00:16", "(#) FILES"),
                                            L("10:00:18", "+Send-ZM: C:\\FILES\\FILES.ZIP"),
                                            L("10:00:19", "(+) Delivered: FILES.ZIP"),
                                            L("10:00:40", "(+) End of session, x")},
               "2-16|2026-04-13 10:00:10|10:00:40|-|M|O|N|S|2400|Hydra|Incoming OK FirstOfDay Listed|1/0|0/0|0\n", "",
               "5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SFMail, TheFirstAddressOfAListEndsAtABlankTabOrComma)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2:5020/52", "2:5020/52"}, {"2:5020/52@fidonet 2:5020/0", "2:5020/52"}, {"2:5020/52,2:5020/0", "2:5020/52"},
        {"2:5020/52\t2:5020/0", "2:5020/52"}, {"2:5020/521.7,1:1/1", "2:5020/521.7"},
        {"2:5020/3200.71@fidonet,1:1/1", "2:5020/3200.71"}, {"2:5020/3200.71@fidonet  ", "2:5020/3200.71"},
        {"2:5020/52!x, 1:1/1", "-"}, {"2:5020/52-x 1:1/1", "-"}, {"2:5020/52\xA0x 1:1/1", "-"}};
    for (const auto& [text, addr] : cases) {
        ASSERT_TRUE(Run(Lines{Sep("13 Apr 2026")} + Answered("10", text) + Lines{L("10:00:20", "(+) End of session, x")}));
        EXPECT_EQ(AddrText(log.GetSess(0).Addr), addr) << text;
        EXPECT_EQ(ErrorLines(), addr == "-" ? "5" : "") << text;
    }
}

TEST_F(SFMail, DaysAndTimes)
{
    ASSERT_TRUE(Run({L("09:00:00", "    before any separator"), Sep("13 Apr 2026"), L("10:00:00", "    a line"),
                     Sep("13 Apr 2026"), Sep("14 Apr 2026"), std::string(12, '\xC4') + " 1 Jan 1999,"}));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(0).FirstLine, 2);
    EXPECT_EQ(log.GetDay(1).FirstLine, 5);
    EXPECT_EQ(log.GetDay(2).Date, EncodeDate(1999, 1, 1));
    EXPECT_EQ(log.DayOfLine(1), -1);
    EXPECT_DOUBLE_EQ(log.TimeOfLine("12:34:56  x"), EncodeDate(1999, 1, 1) + EncodeTime(12, 34, 56, 0));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("12.34-56  x"), EncodeDate(1999, 1, 1) + EncodeTime(12, 34, 56, 0));
    EXPECT_DOUBLE_EQ(log.TimeOfLine(" 9:05:01  x"), EncodeDate(1999, 1, 1) + EncodeTime(9, 5, 1, 0));
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "1x:00:00", "12:/0:00", "12:00:0\xff", "12:00:0", ""})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    ASSERT_TRUE(Run({L("10:00:00", "    x")}));  // each analysis starts without a date
    EXPECT_EQ(log.CurrentDate(), 0);
    // Unreadable separators and times are line errors.
    ASSERT_TRUE(Run({Sep("13 Apr 2026"), std::string(12, '\xC4'), std::string(12, '\xC4') + " 13 Foo 2026, x",
                     std::string(12, '\xC4') + " 31 Feb 2026, x", std::string(12, '\xC4') + " xx Apr 2026, x",
                     std::string(20, '\xC4') + " 14 Apr 2026, x", Sep("15 Apr 2026"), L("10:00:00", "(+) Ring, picking up"),
                     "1x:00:00  (+) CONNECT 2400", L("25:00:00", "(+) CONNECT 2400")}));
    EXPECT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(ErrorLines(), "2 3 4 5 6 9 10");
    EXPECT_EQ(log.SessCount(), 0u);
    // The mailer restarted during the day: its separator repeats the date and keeps
    // the day's statistics.
    const std::vector<std::string> call = {L("09:00:00", "(+) Manual call 1"), L("09:00:10", "(+) CONNECT 9600"),
                                           L("09:00:20", "(+) End of session, x")};
    ASSERT_TRUE(Run(Lines{Sep("13 Apr 2026")} + call +
                    Lines{L("10:00:00", "(+) Dialling A, 2:5020/52, 1"), L("10:00:01", "(!) Busy"),
                                             Sep("13 Apr 2026")} +
                    call + Lines{Sep("14 Apr 2026")} + call));
    EXPECT_EQ(log.DayStatCount(), 2u);
    EXPECT_EQ(log.GetDayStats(0).Total.Busy, 1);
    EXPECT_EQ(std::to_string(log.GetSess(0).Flags & sfFirstOfDay) + std::to_string(log.GetSess(1).Flags & sfFirstOfDay) +
                  std::to_string(log.GetSess(2).Flags & sfFirstOfDay),
              "1280128");
}

TEST_F(SFMail, ListingStatusAndPasswords)
{
    auto flags = [&](const std::string& status, const std::string& passwordLine) {
        std::vector<std::string> lines = Lines{Sep("13 Apr 2026")} + Answered("10") +
                                         Lines{L("10:00:11", "    Operator: O"), L("10:00:11", "    Number: N"),
                                               L("10:00:11", "    Software: M")};
        if (!passwordLine.empty())
            lines.push_back(L("10:00:11", passwordLine));
        Run(lines + Lines{L("10:00:11", "    Nodelist: " + status), L("10:00:20", "(+) End of session, x")});
        const std::string s = SessText(log.GetSess(0));
        return s.substr(s.find("???|") + 4, s.find("|0/0") - s.find("???|") - 4);
    };
    EXPECT_EQ(flags("listed", ""), "Incoming OK FirstOfDay Listed");
    EXPECT_EQ(flags("listed in 2:5020", ""), "Incoming OK FirstOfDay Listed");
    EXPECT_EQ(flags("unlisted", ""), "Incoming OK FirstOfDay");
    EXPECT_EQ(flags("protected", ""), "Incoming OK FirstOfDay");
    EXPECT_EQ(flags("Listed", ""), "Incoming OK FirstOfDay");  // the word is compared as written
    EXPECT_EQ(flags("listed", "(?) Bad password from 2:5020/52"), "Incoming OK BadPassword FirstOfDay Listed");
    EXPECT_EQ(flags("listed", "(#) Protected by password"), "Incoming OK Password FirstOfDay Listed");
}

// Entries of the language file that share their first bytes, are shorter than eight
// bytes or differ only in their marker are told apart; missing ones match nothing.
TEST_F(SFMail, LanguageEntriesAreToldApart)
{
    Write("sf-mail.lng", lngwriters::BuildSFMailLng({{1060, "(+) Ring"}, {1081, "(+) Ringing out %1, %2, %3"},
                                                     {2032, "(!)"}, {2034, "(!) B"}, {1084, "    Station %1"},
                                                     {1085, "    Station AKA: %1"}, {1157, "%1 done"}}));
    ASSERT_TRUE(Run({Sep("13 Apr 2026"), L("09:59:00", "(+) Rin"), L("09:59:01", "(+) CONNECT 2400"),
                     L("10:00:00", "(+) Ringing out A, 2:5020/52, 1"), L("10:00:05", "(!) B"),
                     L("10:00:07", "(+) CONNECT 2400"), L("10:00:08", "    Station AKA: 2:5020/1"),
                     L("10:00:09", "    Station AKA: 2:5020/2"), L("10:00:12", "x done")}));
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, 0);
    EXPECT_EQ(log.State, TSFMailLog::ssSysOp);
    EXPECT_EQ(SessText(*log.CurSess()),
              "5-0|2026-04-13 10:00:07|1899-12-30 00:00:00|2:5020/2||||AKA: 2:5020/1|2400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0");
    EXPECT_EQ(log.SpecialWord(), "");
    Write("sf-mail.lng", lngwriters::BuildSFMailLng({{1081, "(+) Dialling %1, %2, %3"}, {2034, "(!) Line busy"},
                                                     {2032, "(?) Line busy"}, {1060, "(+) Ring"},
                                                     {1084, "    Mail from system %1"}, {1039, "(#) Mail from system is all"},
                                                     {1082, "(#) VISITOR detected, no EMSI from %1"},
                                                     {1085, "    AKA:%1"}, {1087, "    Operator: %1"}}));
    log.SetMailerPath("");
    Install();
    ASSERT_TRUE(Run({Sep("13 Apr 2026"), L("10:00:00", "(+) Dialling A, 2:5020/52, 1"), L("10:00:05", "(!) Line busy"),
                     L("10:00:06", "(?) Line busy"), L("10:00:07", "(#) Line busy"), L("11:00:00", "(+) Ring"),
                     L("11:00:10", "(+) CONNECT 2400"), L("11:00:11", "(#) Mail from system S"),
                     L("11:00:12", "(#) VISITOR detected, no EMSI fro"), L("11:00:13", "(#) VISITOR detected, no EMSI frum x"),
                     L("11:00:14", "    Mail from system S"), L("11:00:15", "    AKA:"), L("11:00:16", "    Operator: O")}));
    EXPECT_EQ(ErrorLines(), "");
    EXPECT_EQ(Stats(), "2:5020/52 calls=1 busy=1 nc=1\n");
    EXPECT_EQ(SessText(*log.CurSess()),
              "6-0|2026-04-13 11:00:10|1899-12-30 00:00:00|-||O||S|2400|???|Incoming OK FirstOfDay Listed|0/0|0/0|0");
    EXPECT_EQ(log.State, TSFMailLog::ssPhone);
    // Messages shorter than eight bytes meet the short entries: busy, then no carrier.
    Write("sf-mail.lng", lngwriters::BuildSFMailLng({{1081, "(+) Dialling %1, %2, %3"}, {2032, "(!)"}, {2034, "(!) B"}}));
    log.SetMailerPath("");
    Install();
    ASSERT_TRUE(Run({Sep("13 Apr 2026"), L("10:00:00", "(+) Dialling A, 2:5020/52, 1"), L("10:00:05", "(!) B"),
                     L("10:00:06", "(!) Bz"), L("10:00:07", "(!)"), L("10:00:08", "(!")}));
    EXPECT_EQ(Stats(), "2:5020/52 calls=1 busy=2 nc=1\n");
}

TEST_F(SFMail, ConfigurationAliasesAndOptions)
{
    Write("cfg/sf-mail.cfg", "; comment\r\n#define ALIASDIR magic\r\n(Mon-Fri) Banner hello\r\n#include sub\\more.cfg\r\n");
    // Relative names in included files mean what they mean in sf-mail.cfg: its folder.
    Write("cfg/sub/more.cfg", "#include sub\\last.cfg\r\n");
    Write("cfg/sub/last.cfg", "(00:00-24:00) fr_alias ALIASDIR\\names.als ; the magic names\r\n");
    // The alias file is found against the mailer directory, not the folder of the line.
    Write("magic/names.als", "; magic\r\n@FILES C:\\FILES\\ALLFILES.ZIP (list)\r\nbad\r\n");
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.FrAlias(), "magic\\names.als");
    EXPECT_EQ(log.Aliases().at("FILES").FileName, "ALLFILES.ZIP");
    EXPECT_EQ(log.Aliases().count("NODELIST"), 0u);
    ASSERT_EQ(dialogs.Shown.size(), 1u);  // the bad alias line, a warning
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);
    Write("cfg/sf-mail.cfg", "; nothing\r\n");  // each parse starts from the default name
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.FrAlias(), "freq.als");
    // CfgPath names another configuration, absolute, relative or of this host.
    Write("other/my.cfg", "Fr_Alias other\\x.als\r\n");
    Write("other/host.cfg", "Fr_Alias " + dir / "other/x.als" + "\r\n");
    Write("other/x.als", "X C:\\X.ZIP\r\n");
    for (const std::string& cfg : {dir / "other/my.cfg", std::string("other\\my.cfg"), std::string("other\\host.cfg")}) {
        log.CfgPath = cfg;
        ASSERT_TRUE(Run({}));
        EXPECT_EQ(log.Aliases().count("X"), 1u) << cfg;
    }
}

// An alias file named in sf-mail.cfg must be there (one found in the cfg folder only is
// not the one read); missing by its default name it is only a warning.
TEST_F(SFMail, MissingAliasFiles)
{
    Write("cfg/here.als", "A B\r\n");
    for (const char* cfg : {"Fr_Alias nowhere.als\r\n", "Fr_Alias here.als\r\n"}) {
        Write("cfg/sf-mail.cfg", cfg);
        dialogs.Shown.clear();
        EXPECT_FALSE(Run({L("10:00:00", "x")})) << cfg;
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    }
    Write("cfg/sf-mail.cfg", "; nothing\r\n");
    fs::remove(dir.path / "freq.als");
    dialogs.Shown.clear();
    EXPECT_TRUE(Run({}));
    EXPECT_EQ(dialogs.Shown.at(0).type, TMsgDlgType::mtWarning);
}
