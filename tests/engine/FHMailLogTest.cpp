// The FhMail parser: stamps, sessions through the state table, calls, transfers and
// requests, "Carrier lost" anywhere in a line, the language file and fhmail.cfg, and
// damaged input.
#include "ParserHarness.h"

#include "engine/FHMailLog.h"
#include "engine/LogStyles.h"
#include "platform/IniFile.h"
#include "tools/lngwriters/MailerLngWriter.h"

using namespace tarvix;
using namespace tarvix::test;
using tarvix::lngwriters::FhEntry;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// The texts of the language file the tests install (this project's own wording).
std::vector<FhEntry> TestEntries()
{
    return {
        {"RING", "Phone rings", {}}, {"DIALING", "Dialling ", {}}, {"BUSY", "Busy signal", {}},
        {"NO_CARRIER", "Lost line", {}}, {"REMOTE_ADDRESS", "Address: ", {}}, {"BBSCALL", "Caller wants BBS", {}},
        {"POST_SESSION", "Done, ", {}}, {"STARTING_PROCESS", "Start of ", {}}, {"FINISHING", "End of work", {}},
        {"SESSION_ABORT", "Aborted by remote", {}}, {"REMOTE_MAILER", "Mailer: ", {}}, {"REMOTE_NAME", "System: ", {}},
        {"REMOTE_SYSOP", "SysOp: ", std::string(" in ")}, {"REMOTE_PHONE", "Phone: ", {}},
        {"PASSWORD_PROTECTED", "Password ok", {}}, {"BAD_PASSWORD", "Password wrong", {}}, {"JANUS_START", "Janus go", {}},
        {"HYDRA_START", "Hydra go", {}}, {"FREQ", "Wants ", {}}, {"SENT", "-Out", {}}, {"RECEIVED", "-In", {}},
        {"PARTIALLY_SENT", "Partial:", std::string(" bytes of ")}, {"SESSION_COMPLETE", "All done", {}},
        {"TX_RESUMED", "Send resumed", {}}, {"RX_RESUMED", "Receive resumed", {}},
    };
}

// A log line of FhMail (or, with another tag, of another program).
std::string L(std::string_view time, std::string_view msg, char mark = '+', std::string_view date = "14 Mar",
              std::string_view tag = "FHML")
{
    return std::string(1, mark) + " " + std::string(date) + " " + std::string(time) + " " + std::string(tag) + " " +
           std::string(msg);
}

// The usual handshake of a remote up to the protocol.
Lines Opening(std::string_view time, std::string_view addr)
{
    return {L(time, "Address: " + std::string(addr)), L(time, "Mailer: M", ':'), L(time, "System: S", ':'),
            L(time, "SysOp: A in B", ':'), L(time, "Phone: P", ':'), L(time, "Hydra go")};
}

class FhMail : public ParserTest<TFHMailLog> {
protected:
    FhMail()
    {
        Write("fhmail.cfg", "; FhMail set-up of the tests\r\nAddress 2:5030/999\r\nAliasList files.als\r\n");
        Write("files.als", "FILES C:\\PUB\\ALLFILES.LST\r\n");
        Write("fhmail.lng", lngwriters::BuildFHMailLng(TestEntries()));
        Install();
    }
};

struct FhCase {
    const char* name;
    Lines lines;
    const char* sessions;
    const char* stats;
    const char* errors = "";
    const char* freqs = "";
};

class FhMailLogs : public FhMail, public ::testing::WithParamInterface<FhCase> {};

}  // namespace

TEST_P(FhMailLogs, GiveTheirSessions)
{
    ASSERT_TRUE(Run(GetParam().lines));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(ErrorLines(), GetParam().errors);
    EXPECT_EQ(Freqs(), GetParam().freqs);
}

INSTANTIATE_TEST_SUITE_P(
    F, FhMailLogs,
    ::testing::Values(
        // The statistics go to the dialled address, not to the point that answered.
        FhCase{"OutgoingCallsBusyNoCarrierAndSession",
               {L("09:00:00", "Dialling 2:5020/7 (7-495-555-0107)"), L("09:00:30", "Busy signal", '!'),
                L("09:05:00", "Dialling 2:5020/7 (7-495-555-0107)"), L("09:05:40", "Lost line", '!'),
                L("09:05:41", "Lost line", '!'), L("09:10:00", "Dialling 2:5020/7"), L("09:10:30", "Connect 19200/V32B"),
                L("09:10:31", "Address: 2:5020/7.1"), L("09:10:32", "Mailer: Tiny 1.0", ':'),
                L("09:10:33", "System: Point", ':'), L("09:10:34", "SysOp: Ivan in Kazan", ':'),
                L("09:10:35", "Phone: -Unpublished-", ':'), L("09:10:36", "Janus go"),
                L("09:10:46", "J-Out 1000b 00000007.PKT", '*'), L("09:10:47", "Done, Tx/Rx: 1000/0"),
                L("09:20:00", "Dialling #4 (7-495-555-0000)"), L("09:20:05", "Busy signal", '!')},
               "7-15|2026-03-14 09:10:30|09:10:47|2:5020/7.1|Tiny 1.0|Ivan|-Unpublished-|Point|19200|Janus|"
               "OK FirstOfDay Listed|1/0|1000/0|58\n",
               "2:5020/7 calls=3 busy=1 nc=2 out=1 outok=1 sent=1000 time=17 cps=58\n"},
        // The connect speed is kept until the next connect line; RING makes a session incoming.
        FhCase{"ConnectSpeedAndDirection",
               {L("10:00:00", "Phone rings"), L("10:00:01", "Connect 2400"), L("10:00:02", "Address: 2:1/1"),
                L("10:00:03", "Lost line", '!'), L("11:00:00", "Phone rings"), L("11:00:02", "Address: 2:1/2"),
                L("11:00:03", "Lost line", '!'), L("12:00:01", "Connect 14400/ARQ/V42"), L("12:00:02", "Address: 2:1/3"),
                L("12:00:03", "Lost line", '!')},
               "2-4|2026-03-14 10:00:01|10:00:03|2:1/1|||||2400|???|Incoming FirstOfDay Listed|0/0|0/0|0\n"
               "5-7|2026-03-14 11:00:00|11:00:03|2:1/2|||||2400|???|Incoming Listed|0/0|0/0|0\n"
               "8-10|2026-03-14 12:00:01|12:00:03|2:1/3|||||14400|???|Listed|0/0|0/0|0\n",
               "2:1/1 in=1 time=2\n2:1/2 in=1 time=3\n2:1/3 out=1 time=2\n"},
        // A human caller ends with the next line of FhMail, which may ring again.
        FhCase{"HumanCallers",
               {L("20:00:00", "Phone rings"), L("20:00:05", "Connect 9600"), L("20:00:06", "Caller wants BBS"),
                L("20:00:07", "Address: 2:1/1", ' ', "14 Mar", "BBS1"), L("20:30:00", "Phone rings"),
                L("20:30:05", "Connect 2400"), L("20:30:06", "Caller wants BBS"), L("20:30:07", "Start of door"),
                L("20:40:00", "Caller wants BBS"), L("20:40:01", "Done, Tx/Rx: 1/2")},
               "2-5|2026-03-14 20:00:05|20:30:00|-|||||9600|???|Incoming OK Human FirstOfDay Listed|0/0|0/0|0\n"
               "6-8|2026-03-14 20:30:05|20:30:07|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n"
               "8-10|2026-03-14 20:30:07|20:40:01|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n",
               ""},
        // A lost line fails and ends; "Carrier lost" and an abort spoil; a post-session
        // line without totals ends all the same.
        FhCase{"FailedAndAbortedSessions",
               {L("10:00:00", "Dialling 2:5020/9"), L("10:00:01", "Connect 33600"), L("10:00:02", "Address: 2:5020/9"),
                L("10:00:03", "Lost line", '!'), L("10:10:02", "Address: 2:5020/8"), L("10:10:03", "Mailer: X", ':'),
                L("10:10:04", "Carrier lost while waiting", '!'), L("10:10:05", "System: Still read", ':'),
                L("10:10:06", "Done, Tx/Rx: 0/0"), L("10:20:02", "Address: 2:5020/6"),
                L("10:20:03", "Aborted by remote", '!'), L("10:20:04", "Done, ")},
               "2-4|2026-03-14 10:00:01|10:00:03|2:5020/9|||||33600|???|FirstOfDay Listed|0/0|0/0|0\n"
               "4-9|2026-03-14 10:00:03|10:10:06|2:5020/8|X|||Still read|33600|???|Listed|0/0|0/0|0\n"
               "9-12|2026-03-14 10:10:06|10:20:04|2:5020/6|||||33600|???|Listed|0/0|0/0|0\n",
               "2:5020/6 out=1 time=598\n2:5020/8 out=1 time=603\n2:5020/9 calls=1 out=1 time=2\n"},
        // The state table steps in order; a request sent with no send: line has no path.
        FhCase{"StateTableStepsInOrder",
               {L("10:00:00", "Phone rings"), L("10:00:01", "Address: 2:5020/1"), L("10:00:02", "System: Too early", ':'),
                L("10:00:03", "Hydra go"), L("10:00:04", "Mailer: M", ':'), L("10:00:05", "Mailer: Again", ':'),
                L("10:00:06", "System: S", ':'), L("10:00:07", "SysOp: Someone", ':'), L("10:00:08", "Phone: 1-2", ':'),
                L("10:00:09", "Wants early", '*'), L("10:00:10", "Password wrong", '!'),
                L("10:00:11", "Starting ZMO session"), L("10:00:12", "Password ok", ':'), L("10:00:13", "Wants LIST", '*'),
                L("10:00:14", "Wants list", '*'), L("10:00:15", "Z-Out 10b LIST", '*'),
                L("10:00:16", "Partial: BIG.ZIP 700 bytes of 9000", '*'), L("10:00:17", "Partial: HUGE.ZIP 300", '*'),
                L("10:00:18", "Partial: NOTHING", '*'), L("10:00:19", "Z-In 5X SMALL.PKT", '*'),
                L("10:00:20", "Done, Tx/Rx: 1010/5")},
               "1-21|2026-03-14 10:00:00|10:00:20|2:5020/1|M|Someone|1-2|S|0|ZModem|Incoming OK BadPassword FirstOfDay Listed|"
               "1/1|1010/5|50\n",
               "2:5020/1 in=1 inok=1 sent=1010 rcvd=5 time=20 cps=50\n", "", "LIST|LIST|2:5020/1|16|sent|\n"},
        // Transfer counts add up until the post-session line; sent files take the path
        // of their send line (one blank dropped, the end trimmed).
        FhCase{"TransfersAndSentFiles",
               Opening("10:00:00", "2:5020/1") +
                   Lines{L("10:00:06", "H-Out 100b A", '*'), L("10:00:07", "H-Out 200b B", '*'),
                         L("10:00:08", "Partial: C 50 bytes of 900", '*'), L("10:00:09", "H-In 7b D", '*'),
                         L("10:00:10", "H-In", '*'), L("10:00:11", "Lost line", '!')} +
                   Opening("11:00:00", "2:5020/2") +
                   Lines{L("11:00:06", "Wants FILES", '*'), L("11:00:07", "Wants NODEDIFF.*", '*'),
                         L("11:00:08", "send: D:\\NL\\NODEDIFF.A12 --> NODEDIFF.A12", '*'),
                         L("11:00:09", "H-Out 10b NODEDIFF.A12", '*'),
                         L("11:00:10", "send:   D:\\NL\\NODEDIFF.A19   ", '*'),
                         L("11:00:11", "H-Out 10b NODEDIFF.A19", '*'), L("11:00:12", "send: C:\\PUB\\ALLFILES.LST", '*'),
                         L("11:00:13", "Partial: ALLFILES.LST 5 bytes of 90", '*'),
                         L("11:00:14", "H-Out 90b ALLFILES.LST", '*'), L("11:00:15", "Done, Tx/Rx: 115/0")},
               "1-12|2026-03-14 10:00:00|10:00:11|2:5020/1|M|A|P|S|0|Hydra|FirstOfDay Listed|2/2|350/7|31\n"
               "12-28|2026-03-14 10:00:11|11:00:15|2:5020/2|M|A|P|S|0|Hydra|OK Listed|3/0|115/0|0\n",
               "2:5020/1 out=1 sent=350 rcvd=7 time=11 cps=31\n2:5020/2 out=1 outok=1 sent=115 time=3604\n", "",
               "FILES|ALLFILES.LST|2:5020/2|27|sent|\nNODEDIFF.*|NODEDIFF.A12|2:5020/2|22|sent|D:\\NL\\NODEDIFF.A12\n"
               "NODEDIFF.*|NODEDIFF.A19|2:5020/2|24|sent|  D:\\NL\\NODEDIFF.A19\n"},
        // Sessions start at the line read before the address; days follow columns 3 to 8.
        FhCase{"SessionStartsAndDays",
               {L("10:00:00", "Connect 2400/X"), "", L("10:00:05", "Address: 2:5020/1"), L("10:00:06", "Done, Tx/Rx: 0/0"),
                L("10:01:00", "Connect 2400/X"), "+ 14 Mar 10:01", L("10:01:05", "Address: 2:5020/2"),
                L("10:01:06", "Done, Tx/Rx: 0/0"), "+ 14 Mar 10:02:00 BINK Connect", L("10:02:05", "Caller wants BBS"),
                L("23:59:58", "Connect 2400", '+', "14 Mar"), L("00:00:01", "Address: 2:1/1", '+', "15 Mar"),
                L("00:00:02", "Lost line", '!', "15 Mar"), L("00:10:00", "Address: 2:1/2", '+', "15 Mar"),
                L("00:10:01", "Lost line", '!', "15 Mar"), "  15 Mar 01:00:00 TOSS some other program", "  16 Ma",
                L("01:00:00", "x", '+', "16 Mar", "SQSH")},
               "1-4|2026-03-14 10:00:00|10:00:06|2:5020/1|||||2400|???|OK FirstOfDay Listed|0/0|0/0|0\n"
               "7-8|2026-03-14 10:01:05|10:01:06|2:5020/2|||||2400|???|OK Listed|0/0|0/0|0\n"
               "9-11|2026-03-14 10:02:00|23:59:58|-|||||2400|???|Incoming OK Human Listed|0/0|0/0|0\n"
               "11-13|2026-03-14 23:59:58|2026-03-15 00:00:02|2:1/1|||||2400|???|FirstOfDay Listed|0/0|0/0|0\n"
               "13-15|2026-03-15 00:00:02|00:10:01|2:1/2|||||2400|???|Listed|0/0|0/0|0\n",
               "2:5020/1 out=1 outok=1 time=6\n2:5020/2 out=1 outok=1 time=1\n"},
        // Counts of up to 18 digits, at the limit, past it, and in other forms than
        // FhMail's own; damaged values are line errors.
        FhCase{"CountsInEveryForm",
               Lines{L("09:00:00", "Connect  2400/ARQ"), L("09:00:01", "Connect 14400"),
                     L("09:00:02", "Connect 4294967295/X"), L("09:00:03", "Connect 4294967296")} +
                   Opening("10:01:00", "2:5020/1") +
                   Lines{L("10:01:02", "H-In 999999999999999999b A", '*'),
                         L("10:01:03", "H-Out 0000000000000000000000000000000000012b B", '*'),
                         L("10:01:04", "Done, Tx/Rx: 0000000000000000000000000000000000012/9223372036854775807")} +
                   Opening("10:02:00", "2:5020/2") +
                   Lines{L("10:02:02", "H-In 9223372036854775808b B", '*'), L("10:02:03", "H-Out 1x3b C", '*'),
                         L("10:02:04", "H-In 77b D", '*'), L("10:02:05", "Done, Tx/Rx: 5/18446744073709551616")} +
                   Opening("10:03:00", "2:5020/3") +
                   Lines{L("10:03:01", "H-Out  100b  A.PKT", '*'), L("10:03:02", "H-Out 200 B.PKT", '*'),
                         L("10:03:03", "H-Out 300b", '*'), L("10:03:04", "H-Out 400bytes C.PKT", '*'),
                         L("10:03:05", "H-In 50b\tD.PKT", '*'), L("10:03:06", "H-In 7", '*'),
                         L("10:03:07", "Done, Tx/Rx:  11 / 22 ")} +
                   Opening("10:04:00", "2:5020/4") + Lines{L("10:04:01", "Done, Tx/Rx: 33/44 more")},
               "4-13|2026-03-14 09:00:03|10:01:04|2:5020/1|M|A|P|S|4294967295|Hydra|OK FirstOfDay Listed|1/1|"
               "12/9223372036854775807|2519358655245773\n"
               "13-23|2026-03-14 10:01:04|10:02:05|2:5020/2|M|A|P|S|4294967295|Hydra|OK Listed|1/2|5/77|1\n"
               "23-36|2026-03-14 10:02:05|10:03:07|2:5020/3|M|A|P|S|4294967295|Hydra|OK Listed|4/2|11/22|0\n"
               "36-43|2026-03-14 10:03:07|10:04:01|2:5020/4|M|A|P|S|4294967295|Hydra|OK Listed|0/0|33/0|0\n",
               "2:5020/1 out=1 outok=1 sent=12 rcvd=9223372036854775807 time=3661 cps=2519358655245773\n"
               "2:5020/2 out=1 outok=1 sent=5 rcvd=77 time=61 cps=1\n2:5020/3 out=1 outok=1 sent=11 rcvd=22 time=62\n"
               "2:5020/4 out=1 outok=1 sent=33 time=54\n",
               "4 20 21 23 33 34 35 43"},
        // Bad numbers and addresses are line errors; the session goes on.
        FhCase{"BadNumbersAndAddresses",
               Lines{L("10:00:00", "Connect fast/V34"), L("10:00:01", "Connect"), L("10:00:02", "Connect 99999999999/X"),
                     L("10:00:03", "Dialling 2:50x0/1 (phone)"), L("10:00:04", "Busy signal")} +
                   Opening("10:01:00", "2:5020/1 2:5020/2@fidonet") +
                   Lines{L("10:01:06", "Wants FILES", '*'), L("10:01:07", "H-Out 12kb X", '*'),
                         L("10:01:08", "H-In -5b Y", '*'), L("10:01:09", "Partial: Z many bytes of 5", '*'),
                         L("10:01:10", "Done, Tx/Rx: 10/x"), L("10:02:00", "Address: 2:5020/3"),
                         L("10:02:01", "Done, Tx/Rx: 7")},
               "5-16|2026-03-14 10:00:04|10:01:10|-|M|A|P|S|0|Hydra|OK FirstOfDay Listed|1/1|10/0|0\n"
               "16-18|2026-03-14 10:01:10|10:02:01|2:5020/3|||||0|???|OK Listed|0/0|7/0|0\n",
               "2:5020/3 out=1 outok=1 sent=7 time=51\n", "1 2 3 4 6 13 14 15 16 18"},
        // Lines of other programs and unknown lines change nothing.
        FhCase{"OtherProgramsChangeNothing",
               {L("10:00:00", "Phone rings", '+', "14 Mar", "BINK"), L("10:00:01", "Dialling 2:5020/1", '+', "14 Mar", "FHMl"),
                L("10:00:02", "Address: 2:5020/1", '+', "14 Mar", "SQSH"), "+ 14 Mar 10:00:03 FHM",
                "+ 14 Mar 10:00:03 FHML", "+ 14 Mar 10:00:04 FHMLAddress: 2:5020/1",
                L("10:00:05", "Something else entirely"), L("10:00:06", " Address: 2:5020/1"), "Address: 2:5020/1",
                L("10:00:07", "Caller wants BBS"), L("10:00:08", "Done, Tx/Rx: 5/5", '+', "14 Mar", "BINK"),
                L("10:00:09", "Lost line", '+', "14 Mar", "BINK")},
               "", "", "9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FhMail, StampsAreReadAsTheGeneralReadingReadsThem)
{
    const TDateTime mar14 = EncodeDate(2026, 3, 14), mar15 = EncodeDate(2026, 3, 15);
    EXPECT_EQ(log.DateOfLine("+ 14 Mar 10:21:07 FHML x"), mar14);
    EXPECT_EQ(log.TimeOfLine("+ 01 Dec 23:59:58 FHML x"), EncodeDate(2026, 12, 1) + EncodeTime(23, 59, 58, 0));
    EXPECT_EQ(log.TimeOfLine("   1 Jan 00:00:00"), EncodeDate(2026, 1, 1));
    // The date and the stamp read last are kept: the same stamp again, the same date,
    // a broken time after a good one of the same date, another year.
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:07 FHML x"), mar14 + EncodeTime(10, 21, 7, 0));
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:07 FHML y"), mar14 + EncodeTime(10, 21, 7, 0));
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:08"), mar14 + EncodeTime(10, 21, 8, 0));
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 10:21:08"), mar15 + EncodeTime(10, 21, 8, 0));
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar  9:05:01"), mar15 + EncodeTime(9, 5, 1, 0));
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 23.59-59 FHML x"), mar15 + EncodeTime(23, 59, 59, 0));
    for (const char* bad : {"+ 14 Mxr 10:21:07 FHML x", "+ 31 Feb 10:21:07 FHML x", "+ 1", "+ 14 Mar 10:21",
                            "+ 14 Mar 25:00:00 FHML x", "+ 14 Mar 1x:00:00 FHML x", "+ 15 Mar 24:00:00 FHML x",
                            "+ 15 Mar 10:21:0x FHML x", "+ 15 Mar 10:60:00 FHML x", "+ 15 Mar 10:00:60 FHML x",
                            "+ 15 Mar 10:0/:00 FHML x", "+ 15 Mar 10:00:\xff" "0 FHML x", "+ 15 Mar 10:00:0"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    SetCurrentYear(2025);
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 10:21:08"), EncodeDate(2025, 3, 15) + EncodeTime(10, 21, 8, 0));
    EXPECT_EQ(log.DateOfLine("+ 15 Mar"), EncodeDate(2025, 3, 15));
    // 29 Feb is a day of 2024 only, though the text is the same.
    SetCurrentYear(2024);
    EXPECT_EQ(log.TimeOfLine("+ 29 Feb 00:00:01"), EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0));
    SetCurrentYear(2026);
    EXPECT_THROW(log.TimeOfLine("+ 29 Feb 00:00:01"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 29 Feb"), EConvertError);
}

// "Carrier lost" at every place of messages of 12 to 70 bytes (the search steps over
// the message sixteen places at a time and ends with a step at its end), near misses,
// and before the tag of a line whose stamp is broken.
TEST_F(FhMail, CarrierLostIsFoundAtAnyPlaceOfALine)
{
    std::vector<std::pair<std::string, bool>> cases = {
        {"Carrier lose", false}, {std::string(20, '.') + "Carrier los", false}, {"carrier lost", false},
        {"CarrierXlost " + std::string(30, 't'), false}, {std::string(30, 'C') + "arrier los", false}, {"", false},
        {std::string(45, '.') + "CCarrier lost", true}};
    for (std::size_t size = 12; size <= 70; size += 3)
        for (std::size_t at = 0; at + 12 <= size; at += (size > 40 ? 5 : 1)) {
            std::string msg(size, 'C');  // many near misses
            msg.replace(at, 12, "Carrier lost");
            cases.emplace_back(msg, true);
            msg[at + 11] = 'T';
            cases.emplace_back(msg, false);
        }
    Lines lines;
    for (std::size_t i = 0; i < cases.size(); ++i)
        lines = lines + Lines{L("10:00:00", "Address: 2:5020/1"), L("10:00:01", cases[i].first, '!'),
                              L("10:00:02", "Done, Tx/Rx: 0/0")};
    lines = lines + Lines{L("10:00:00", "Address: 2:5020/1"), "! Carrier lost    FHML Wants nothing",
                          L("10:00:02", "Done, Tx/Rx: 0/0"), L("10:01:00", "Address: 2:5020/2"),
                          "! 14 Mar 10:01:01 FHML Carrier  lost", L("10:01:02", "Done, Tx/Rx: 0/0")};
    cases.emplace_back("broken stamp", true);
    cases.emplace_back("two blanks", false);
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(log.GetSess(i).Has(sfOK), !cases[i].second) << i << ": " << cases[i].first;
}

TEST_F(FhMail, LanguageFileVariants)
{
    // Without RING, BUSY, NO_CARRIER, SENT and RECEIVED the mailer's own words hold;
    // an empty SENT counts as missing.
    std::vector<FhEntry> entries;
    for (const FhEntry& e : TestEntries())
        if (e.key != "RING" && e.key != "BUSY" && e.key != "NO_CARRIER" && e.key != "RECEIVED" && e.key != "SENT")
            entries.push_back(e);
    entries.push_back({"SENT", "  ", {}});
    Write("fhmail.lng", lngwriters::BuildFHMailLng(entries, "\n"));
    const Lines defaults = Lines{L("10:00:00", "Ring"), L("10:00:01", "Dialling 2:1/1"), L("10:00:02", "Busy"),
                                 L("10:00:03", "No Carrier")} +
                           Opening("10:01:00", "2:1/1") +
                           Lines{L("10:01:06", "H-Sent 20b A.PKT", '*'), L("10:01:07", "H-Out 20b A.PKT", '*'),
                                 L("10:01:08", "H-Recv 30b B.PKT", '*'), L("10:01:09", "No Carrier", '!')};
    ASSERT_TRUE(Run(defaults));
    EXPECT_EQ(Sessions() + Stats() + ErrorLines(),
              "4-14|2026-03-14 10:00:03|10:01:09|2:1/1|M|A|P|S|0|Hydra|FirstOfDay Listed|1/1|20/30|0\n"
              "2:1/1 calls=1 busy=1 nc=1 out=1 sent=20 rcvd=30 time=66\n");
    EXPECT_EQ(log.GetWordClass("H-Sent", 1, 23), hcSent);
    // Keys absent from the file match their own names; empty texts match nothing.
    Write("v2/fhmail.cfg", "");
    Write("v2/fhmail.lng", lngwriters::BuildFHMailLng({{"RING", "", {}}, {"BBSCALL", "", {}}}));
    log.SetMailerPath(dir / "v2");
    ASSERT_TRUE(Run({L("10:00:00", "Anything at all"), L("10:00:01", "REMOTE_ADDRESS2:5020/1"),
                     L("10:00:02", "REMOTE_MAILERMailer", ':'), L("10:00:03", "No Carrier"),
                     L("10:01:00", "REMOTE_ADDRESS2:5020/2"), L("10:01:01", "REMOTE_MAILERm", ':'),
                     L("10:01:02", "REMOTE_NAMEs", ':'), L("10:01:03", "REMOTE_SYSOPa", ':'),
                     L("10:01:04", "REMOTE_PHONEp", ':'), L("10:01:05", "HYDRA_START"), L("10:01:06", "H-Sent 5b X", '*'),
                     L("10:01:07", "H-Recv 6b Y", '*'), L("10:01:08", "POST_SESSION")}));
    EXPECT_EQ(Sessions(), "1-4|2026-03-14 10:00:00|10:00:03|2:5020/1|Mailer||||0|???|FirstOfDay Listed|0/0|0/0|0\n"
                          "4-13|2026-03-14 10:00:03|10:01:08|2:5020/2|m|a|p|s|0|Hydra|OK Listed|1/1|5/6|0\n");
    // Transfer words holding a blank: the count is the second word of the message.
    entries = TestEntries();
    entries[19] = {"SENT", "- Out", {}};
    Write("v3/fhmail.cfg", "");
    Write("v3/fhmail.lng", lngwriters::BuildFHMailLng(entries));
    log.SetMailerPath(dir / "v3");
    ASSERT_TRUE(Run(Opening("10:00:00", "2:5020/1") +
                    Lines{L("10:00:06", "H- Out 5b A.PKT", '*'), L("10:00:07", "H- Out 6b B.PKT", '*'),
                          L("10:00:08", "H-Out 7b C.PKT", '*'), L("10:00:09", "Done, Tx/Rx: 9/9")}));
    EXPECT_EQ(ErrorLines(), "7 8");
    EXPECT_EQ(log.GetSess(0).FilesSent, 2);
}

// What FhMail's own reading of fhmail.cfg adds to the configuration parser: an empty
// "%%" ends the replacing of macros, and a Define without its "=" or name is an error.
TEST_F(FhMail, MacrosAndDefineErrors)
{
    Write("x%%%LIST%", "ODD C:\\ODD.ZIP\r\n");
    Write("fhmail.cfg", "Define LIST = sub\\aka.lst\r\nAliasList x%%%LIST%\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    EXPECT_EQ(log.Aliases().count("ODD"), 1u);
    for (const char* cfg : {"Define NOEQUALS value\r\n", "Define = value\r\n"}) {
        Write("fhmail.cfg", cfg);
        dialogs.Shown.clear();
        EXPECT_FALSE(Run({L("10:00:00", "Phone rings")}));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_NE(dialogs.Shown[0].text.find("Invalid Define"), std::string::npos) << cfg;
    }
}

TEST_F(FhMail, ReanalysisStartsAfresh)
{
    // A new analysis starts afresh: no speed, call or ring of the one before.
    ASSERT_TRUE(Run({L("10:00:00", "Connect 9600"), L("10:00:01", "Phone rings"), L("10:00:02", "Dialling 2:1/1"),
                     L("10:00:03", "Address: 2:1/1"), L("10:00:04", "Mailer: M", ':')}));
    ASSERT_TRUE(Run({L("10:00:04", "Address: 2:1/2"), L("10:00:05", "Lost line")}));
    EXPECT_EQ(Sessions(), "1-2|2026-03-14 10:00:04|10:00:05|2:1/2|||||0|???|FirstOfDay Listed|0/0|0/0|0\n");
    EXPECT_EQ(Stats(), "2:1/2 out=1 time=1\n");
}
